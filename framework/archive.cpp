#include <algorithm>
#include <cstring>

#include "afx.h"

namespace {

constexpr WORD kNullTag = 0;
constexpr WORD kNewClassTag = 0xFFFF;
constexpr WORD kClassTag = 0x8000;
constexpr UINT kMaxClassName = 64;

}  // namespace

// A buffer of a few bytes still works, only slower; none at all would not.
CArchive::CArchive(CFile* pFile, UINT nMode, int nBufSize)
    : m_pFile(pFile), m_bLoading((nMode & load) != 0), m_buffer(static_cast<size_t>(std::max(nBufSize, 16))) {}

CArchive::~CArchive() {
    Close();
}

void CArchive::Close() {
    if (m_pFile == nullptr) return;
    Flush();
    m_pFile = nullptr;
}

void CArchive::Flush() {
    if (m_pFile == nullptr) return;
    if (m_bLoading) {
        const size_t nUnread = m_nEnd - m_nCur;
        if (nUnread != 0) m_pFile->Seek(-static_cast<LONGLONG>(nUnread), CFile::current);
        m_nCur = m_nEnd = 0;
    } else {
        if (m_nCur != 0) m_pFile->Write(m_buffer.data(), static_cast<UINT>(m_nCur));
        m_nCur = 0;
    }
}

BOOL CArchive::FillBuffer() {
    m_nCur = 0;
    m_nEnd = m_pFile != nullptr ? m_pFile->Read(m_buffer.data(), static_cast<UINT>(m_buffer.size())) : 0;
    return m_nEnd != 0;
}

UINT CArchive::Read(void* lpBuf, UINT nMax) {
    if (!m_bLoading) return 0;
    BYTE* pDest = static_cast<BYTE*>(lpBuf);
    UINT nRead = 0;
    while (nRead < nMax) {
        if (m_nCur == m_nEnd) {
            const UINT nLeft = nMax - nRead;
            // A large remainder goes straight from the file into the caller's buffer.
            if (nLeft >= m_buffer.size()) {
                if (m_pFile != nullptr) nRead += m_pFile->Read(pDest + nRead, nLeft);
                break;
            }
            if (!FillBuffer()) break;
        }
        const size_t nChunk = std::min<size_t>(m_nEnd - m_nCur, nMax - nRead);
        std::memcpy(pDest + nRead, m_buffer.data() + m_nCur, nChunk);
        m_nCur += nChunk;
        nRead += static_cast<UINT>(nChunk);
    }
    return nRead;
}

void CArchive::Write(const void* lpBuf, UINT nMax) {
    if (m_bLoading || m_pFile == nullptr) return;
    if (m_nCur + nMax > m_buffer.size()) Flush();
    if (nMax >= m_buffer.size()) {
        m_pFile->Write(lpBuf, nMax);
        return;
    }
    std::memcpy(m_buffer.data() + m_nCur, lpBuf, nMax);
    m_nCur += nMax;
}

// Numbers are little-endian in the file, as they are in memory here; a short
// read leaves the missing bytes zero.
CArchive& CArchive::operator<<(BYTE by) {
    Write(&by, sizeof by);
    return *this;
}

CArchive& CArchive::operator<<(WORD w) {
    Write(&w, sizeof w);
    return *this;
}

CArchive& CArchive::operator<<(LONG l) {
    Write(&l, sizeof l);
    return *this;
}

CArchive& CArchive::operator<<(DWORD dw) {
    Write(&dw, sizeof dw);
    return *this;
}

CArchive& CArchive::operator>>(BYTE& by) {
    by = 0;
    Read(&by, sizeof by);
    return *this;
}

CArchive& CArchive::operator>>(WORD& w) {
    w = 0;
    Read(&w, sizeof w);
    return *this;
}

CArchive& CArchive::operator>>(LONG& l) {
    l = 0;
    Read(&l, sizeof l);
    return *this;
}

CArchive& CArchive::operator>>(DWORD& dw) {
    dw = 0;
    Read(&dw, sizeof dw);
    return *this;
}

void CArchive::WriteObject(const CObject* pOb) {
    if (pOb == nullptr) {
        *this << kNullTag;
        return;
    }
    const CRuntimeClass* pClass = pOb->GetRuntimeClass();
    auto it = std::find(m_classes.begin(), m_classes.end(), pClass);
    if (it != m_classes.end()) {
        *this << static_cast<WORD>(kClassTag | (it - m_classes.begin() + 1));
    } else {
        m_classes.push_back(pClass);
        const UINT nLen = static_cast<UINT>(std::strlen(pClass->m_lpszClassName));
        *this << kNewClassTag << static_cast<WORD>(pClass->m_wSchema) << static_cast<WORD>(nLen);
        Write(pClass->m_lpszClassName, nLen);
    }
    // Storing leaves the object as it is, whatever Serialize's signature says.
    const_cast<CObject*>(pOb)->Serialize(*this);
}

CObject* CArchive::ReadObject(const CRuntimeClass* pClassRefRequested) {
    WORD wTag = 0;
    if (Read(&wTag, sizeof wTag) != sizeof wTag || wTag == kNullTag) return nullptr;

    const CRuntimeClass* pClass = nullptr;
    if (wTag == kNewClassTag) {
        WORD wSchema = 0, nLen = 0;
        *this >> wSchema >> nLen;
        char szName[kMaxClassName + 1] = "";
        if (nLen == 0 || nLen > kMaxClassName || Read(szName, nLen) != nLen) return nullptr;
        szName[nLen] = '\0';
        pClass = CRuntimeClass::FromName(szName);
        if (pClass == nullptr || pClass->m_wSchema != wSchema) return nullptr;
        m_classes.push_back(pClass);
    } else if (wTag & kClassTag) {
        const size_t nIndex = wTag & ~kClassTag;
        if (nIndex == 0 || nIndex > m_classes.size()) return nullptr;
        pClass = m_classes[nIndex - 1];
    } else {
        return nullptr;
    }

    if (pClassRefRequested != nullptr && !pClass->IsDerivedFrom(pClassRefRequested)) return nullptr;
    CObject* pOb = pClass->CreateObject();
    if (pOb != nullptr) pOb->Serialize(*this);
    return pOb;
}

CArchive& AFXAPI operator<<(CArchive& ar, const CObject* pOb) {
    ar.WriteObject(pOb);
    return ar;
}

CArchive& AFXAPI operator>>(CArchive& ar, CObject*& pOb) {
    pOb = ar.ReadObject(nullptr);
    return ar;
}
