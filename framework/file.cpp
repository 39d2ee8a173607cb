#include <climits>

#include "afx.h"

BOOL CFile::Open(LPCSTR lpszFileName, UINT nOpenFlags) {
    if (m_hFile != INVALID_HANDLE_VALUE) return FALSE;
    DWORD dwAccess = GENERIC_READ;
    if (nOpenFlags & modeWrite) dwAccess = GENERIC_WRITE;
    if (nOpenFlags & modeReadWrite) dwAccess = GENERIC_READ | GENERIC_WRITE;
    const DWORD dwCreation = (nOpenFlags & modeCreate) ? CREATE_ALWAYS : OPEN_EXISTING;
    // Others may read the file meanwhile, but not write it.
    m_hFile =
        ::CreateFileA(lpszFileName, dwAccess, FILE_SHARE_READ, nullptr, dwCreation, FILE_ATTRIBUTE_NORMAL, nullptr);
    return m_hFile != INVALID_HANDLE_VALUE;
}

UINT CFile::Read(void* lpBuf, UINT nCount) {
    DWORD dwRead = 0;
    if (m_hFile == INVALID_HANDLE_VALUE || nCount == 0) return 0;
    if (!::ReadFile(m_hFile, lpBuf, nCount, &dwRead, nullptr)) return 0;
    return dwRead;
}

BOOL CFile::Write(const void* lpBuf, UINT nCount) {
    DWORD dwWritten = 0;
    if (m_hFile == INVALID_HANDLE_VALUE) return FALSE;
    if (nCount == 0) return TRUE;
    return ::WriteFile(m_hFile, lpBuf, nCount, &dwWritten, nullptr) && dwWritten == nCount;
}

ULONGLONG CFile::Seek(LONGLONG lOff, UINT nFrom) {
    static const DWORD methods[] = {FILE_BEGIN, FILE_CURRENT, FILE_END};
    LARGE_INTEGER distance, position;
    distance.QuadPart = lOff;
    if (m_hFile == INVALID_HANDLE_VALUE || nFrom > end ||
        !::SetFilePointerEx(m_hFile, distance, &position, methods[nFrom]))
        return ULLONG_MAX;
    return static_cast<ULONGLONG>(position.QuadPart);
}

ULONGLONG CFile::GetPosition() const {
    LARGE_INTEGER distance, position;
    distance.QuadPart = 0;
    if (m_hFile == INVALID_HANDLE_VALUE || !::SetFilePointerEx(m_hFile, distance, &position, FILE_CURRENT)) return 0;
    return static_cast<ULONGLONG>(position.QuadPart);
}

ULONGLONG CFile::GetLength() const {
    LARGE_INTEGER size;
    if (m_hFile == INVALID_HANDLE_VALUE || !::GetFileSizeEx(m_hFile, &size)) return 0;
    return static_cast<ULONGLONG>(size.QuadPart);
}

void CFile::Close() {
    if (m_hFile == INVALID_HANDLE_VALUE) return;
    ::CloseHandle(m_hFile);
    m_hFile = INVALID_HANDLE_VALUE;
}
