#include "afxwin.h"

#include <cstdlib>
#include <cstring>
#include <new>

namespace {

// The shared empty string: all empty CStrings point here and never free it.
struct EmptyString {
    CStringData header{-1, 0, 0};
    char nul = '\0';
} g_empty;

int SafeStrlen(LPCSTR psz) {
    return psz == nullptr ? 0 : static_cast<int>(std::strlen(psz));
}

}  // namespace

void CString::Init() {
    m_pchData = g_empty.header.data();
}

CString::CString() {
    Init();
}

CString::CString(const CString& src) {
    if (src.GetData()->nRefs >= 0) {
        m_pchData = src.m_pchData;
        InterlockedIncrement(&GetData()->nRefs);
    } else {
        Init();
        *this = src.m_pchData;
    }
}

CString::CString(LPCSTR psz) {
    Init();
    if (psz != nullptr && !IS_INTRESOURCE(psz)) {
        AssignCopy(SafeStrlen(psz), psz);
    } else if (psz != nullptr) {
        LoadString(static_cast<UINT>(reinterpret_cast<ULONG_PTR>(psz)));
    }
}

CString::CString(LPCSTR pch, int nLength) {
    Init();
    if (nLength > 0) AssignCopy(nLength, pch);
}

CString::CString(char ch, int nRepeat) {
    Init();
    if (nRepeat > 0) {
        AllocBuffer(nRepeat);
        std::memset(m_pchData, ch, nRepeat);
    }
}

CString::~CString() {
    Release();
}

void CString::AllocBuffer(int nLen) {
    if (nLen == 0) {
        Init();
        return;
    }
    auto* pData = static_cast<CStringData*>(std::malloc(sizeof(CStringData) + nLen + 1));
    if (pData == nullptr) throw std::bad_alloc();
    pData->nRefs = 1;
    pData->data()[nLen] = '\0';
    pData->nDataLength = nLen;
    pData->nAllocLength = nLen;
    m_pchData = pData->data();
}

void CString::Release() {
    CStringData* pData = GetData();
    if (pData->nRefs >= 0 && InterlockedDecrement(&pData->nRefs) <= 0) std::free(pData);
    Init();
}

void CString::Empty() {
    Release();
}

void CString::CopyBeforeWrite() {
    CStringData* pData = GetData();
    if (pData->nRefs > 1) {
        Release();
        AllocBuffer(pData->nDataLength);
        std::memcpy(m_pchData, pData->data(), pData->nDataLength + 1);
    }
}

void CString::AllocBeforeWrite(int nLen) {
    if (GetData()->nRefs > 1 || nLen > GetData()->nAllocLength) {
        Release();
        AllocBuffer(nLen);
    }
}

void CString::AssignCopy(int nLen, LPCSTR pch) {
    if (nLen == 0) {
        Release();
        return;
    }
    AllocBeforeWrite(nLen);
    std::memmove(m_pchData, pch, nLen);
    GetData()->nDataLength = nLen;
    m_pchData[nLen] = '\0';
}

const CString& CString::operator=(const CString& src) {
    if (m_pchData == src.m_pchData) return *this;
    if (GetData()->nRefs < 0 || src.GetData()->nRefs < 0) {
        AssignCopy(src.GetLength(), src.m_pchData);
    } else {
        Release();
        m_pchData = src.m_pchData;
        InterlockedIncrement(&GetData()->nRefs);
    }
    return *this;
}

const CString& CString::operator=(LPCSTR psz) {
    AssignCopy(SafeStrlen(psz), psz);
    return *this;
}

const CString& CString::operator=(char ch) {
    AssignCopy(1, &ch);
    return *this;
}

CString CString::Concat(int nLen1, LPCSTR p1, int nLen2, LPCSTR p2) {
    CString s;
    int nNewLen = nLen1 + nLen2;
    if (nNewLen != 0) {
        s.AllocBuffer(nNewLen);
        std::memcpy(s.m_pchData, p1, nLen1);
        std::memcpy(s.m_pchData + nLen1, p2, nLen2);
    }
    return s;
}

CString operator+(const CString& a, const CString& b) {
    return CString::Concat(a.GetLength(), a, b.GetLength(), b);
}
CString operator+(const CString& a, LPCSTR b) {
    return CString::Concat(a.GetLength(), a, SafeStrlen(b), b);
}
CString operator+(LPCSTR a, const CString& b) {
    return CString::Concat(SafeStrlen(a), a, b.GetLength(), b);
}
CString operator+(const CString& a, char ch) {
    return CString::Concat(a.GetLength(), a, 1, &ch);
}

void CString::ConcatInPlace(int nLen, LPCSTR pch) {
    if (nLen == 0) return;
    CStringData* pData = GetData();
    if (pData->nRefs > 1 || pData->nDataLength + nLen > pData->nAllocLength) {
        // pch may point into our own buffer: keep it alive until the copy is made.
        CString old(*this);
        *this = Concat(old.GetLength(), old, nLen, pch);
    } else {
        std::memmove(m_pchData + pData->nDataLength, pch, nLen);
        pData->nDataLength += nLen;
        m_pchData[pData->nDataLength] = '\0';
    }
}

const CString& CString::operator+=(const CString& src) {
    ConcatInPlace(src.GetLength(), src.m_pchData);
    return *this;
}
const CString& CString::operator+=(LPCSTR psz) {
    ConcatInPlace(SafeStrlen(psz), psz);
    return *this;
}
const CString& CString::operator+=(char ch) {
    ConcatInPlace(1, &ch);
    return *this;
}

char CString::GetAt(int nIndex) const {
    return (nIndex >= 0 && nIndex < GetLength()) ? m_pchData[nIndex] : '\0';
}

void CString::SetAt(int nIndex, char ch) {
    if (nIndex < 0 || nIndex >= GetLength()) return;
    CopyBeforeWrite();
    m_pchData[nIndex] = ch;
}

CString CString::Mid(int nFirst) const {
    return Mid(nFirst, GetLength() - nFirst);
}

CString CString::Mid(int nFirst, int nCount) const {
    if (nFirst < 0) nFirst = 0;
    if (nCount < 0) nCount = 0;
    if (nFirst > GetLength()) nFirst = GetLength();
    if (nCount > GetLength() - nFirst) nCount = GetLength() - nFirst;
    if (nFirst == 0 && nCount == GetLength()) return *this;
    return CString(m_pchData + nFirst, nCount);
}

CString CString::Left(int nCount) const {
    return Mid(0, nCount);
}

CString CString::Right(int nCount) const {
    if (nCount < 0) nCount = 0;
    if (nCount > GetLength()) nCount = GetLength();
    return Mid(GetLength() - nCount, nCount);
}

int CString::Find(char ch) const {
    for (int i = 0; i < GetLength(); ++i) {
        if (IsDBCSLeadByte(static_cast<BYTE>(m_pchData[i])) && i + 1 < GetLength()) {
            ++i;
            continue;
        }
        if (m_pchData[i] == ch) return i;
    }
    return -1;
}

int CString::ReverseFind(char ch) const {
    int found = -1;
    for (int i = 0; i < GetLength(); ++i) {
        if (IsDBCSLeadByte(static_cast<BYTE>(m_pchData[i])) && i + 1 < GetLength()) {
            ++i;
            continue;
        }
        if (m_pchData[i] == ch) found = i;
    }
    return found;
}

int CString::Find(LPCSTR pszSub) const {
    const char* p = std::strstr(m_pchData, pszSub);
    return p == nullptr ? -1 : static_cast<int>(p - m_pchData);
}

LPSTR CString::GetBuffer(int nMinBufLength) {
    CStringData* pData = GetData();
    if (pData->nRefs > 1 || nMinBufLength > pData->nAllocLength) {
        CString old(*this);
        int nOldLen = old.GetLength();
        if (nMinBufLength < nOldLen) nMinBufLength = nOldLen;
        Release();
        AllocBuffer(nMinBufLength);
        std::memcpy(m_pchData, old.m_pchData, nOldLen + 1);
        GetData()->nDataLength = nOldLen;
    }
    return m_pchData;
}

void CString::ReleaseBuffer(int nNewLength) {
    CopyBeforeWrite();
    if (nNewLength == -1) nNewLength = SafeStrlen(m_pchData);
    if (GetData()->nRefs < 0) return;  // the empty string: nothing to cut
    if (nNewLength > GetData()->nAllocLength) nNewLength = GetData()->nAllocLength;
    GetData()->nDataLength = nNewLength;
    m_pchData[nNewLength] = '\0';
}

LPSTR CString::GetBufferSetLength(int nNewLength) {
    GetBuffer(nNewLength);
    if (GetData()->nRefs >= 0) {
        GetData()->nDataLength = nNewLength;
        m_pchData[nNewLength] = '\0';
    }
    return m_pchData;
}

BOOL CString::LoadString(UINT nID) {
    // LoadStringA converts the UTF-16 resource to the ANSI code page; grow until it fits.
    for (int nSize = 256;; nSize *= 2) {
        CString buf;
        LPSTR p = buf.GetBuffer(nSize);
        int nLen = ::LoadStringA(AfxGetResourceHandle(), nID, p, nSize + 1);
        if (nLen == 0) return FALSE;
        if (nLen < nSize) {
            buf.ReleaseBuffer(nLen);
            *this = buf;
            return TRUE;
        }
    }
}
