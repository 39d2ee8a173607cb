// CString: the framework's reference-counted 8-bit string in the ANSI code page.
#pragma once

#include <windows.h>

struct CStringData {
    long nRefs;        // -1 for the shared empty string, which is never freed
    int nDataLength;   // bytes, without the terminating NUL
    int nAllocLength;  // bytes the buffer can hold, without the terminating NUL
    char* data() { return reinterpret_cast<char*>(this + 1); }
};

class CString {
public:
    CString();
    CString(const CString& src);
    CString(LPCSTR psz);
    CString(LPCSTR pch, int nLength);
    CString(char ch, int nRepeat = 1);
    ~CString();

    const CString& operator=(const CString& src);
    const CString& operator=(LPCSTR psz);
    const CString& operator=(char ch);
    const CString& operator+=(const CString& src);
    const CString& operator+=(LPCSTR psz);
    const CString& operator+=(char ch);

    friend CString operator+(const CString& a, const CString& b);
    friend CString operator+(const CString& a, LPCSTR b);
    friend CString operator+(LPCSTR a, const CString& b);
    friend CString operator+(const CString& a, char ch);

    int GetLength() const { return GetData()->nDataLength; }
    BOOL IsEmpty() const { return GetData()->nDataLength == 0; }
    void Empty();
    char GetAt(int nIndex) const;
    char operator[](int nIndex) const { return GetAt(nIndex); }
    void SetAt(int nIndex, char ch);
    operator LPCSTR() const { return m_pchData; }

    int Compare(LPCSTR psz) const { return lstrcmpA(m_pchData, psz); }
    int CompareNoCase(LPCSTR psz) const { return lstrcmpiA(m_pchData, psz); }

    CString Mid(int nFirst) const;
    CString Mid(int nFirst, int nCount) const;
    CString Left(int nCount) const;
    CString Right(int nCount) const;

    // Byte index of the first or last occurrence, or -1. Both step over
    // double-byte characters, so a trail byte is never taken for ch.
    int Find(char ch) const;
    int ReverseFind(char ch) const;
    int Find(LPCSTR pszSub) const;

    // Direct access to the buffer; the string is unshared until ReleaseBuffer.
    LPSTR GetBuffer(int nMinBufLength);
    void ReleaseBuffer(int nNewLength = -1);
    LPSTR GetBufferSetLength(int nNewLength);

    BOOL LoadString(UINT nID);

private:
    CStringData* GetData() const { return reinterpret_cast<CStringData*>(m_pchData) - 1; }
    void Init();
    void AllocBuffer(int nLen);
    void Release();
    void CopyBeforeWrite();
    void AllocBeforeWrite(int nLen);
    void AssignCopy(int nLen, LPCSTR pch);
    void ConcatInPlace(int nLen, LPCSTR pch);
    static CString Concat(int nLen1, LPCSTR p1, int nLen2, LPCSTR p2);

    LPSTR m_pchData;
};

inline bool operator==(const CString& a, const CString& b) {
    return a.Compare(b) == 0;
}
inline bool operator==(const CString& a, LPCSTR b) {
    return a.Compare(b) == 0;
}
inline bool operator==(LPCSTR a, const CString& b) {
    return b.Compare(a) == 0;
}
inline bool operator!=(const CString& a, const CString& b) {
    return a.Compare(b) != 0;
}
inline bool operator!=(const CString& a, LPCSTR b) {
    return a.Compare(b) != 0;
}
inline bool operator!=(LPCSTR a, const CString& b) {
    return b.Compare(a) != 0;
}
