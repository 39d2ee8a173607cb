#include "NarrowNames.h"

#include <cwchar>
#include <string>
#include <vector>

namespace browser {

BOOL ExactNarrow(LPCWSTR lpszText, CString* pText) {
    // Most names are plain ASCII, the same in every code page: no conversion to ask.
    int nAscii = 0;
    while (lpszText[nAscii] != L'\0' && lpszText[nAscii] < 0x80) ++nAscii;
    if (lpszText[nAscii] == L'\0') {
        LPSTR pBuffer = pText->GetBuffer(nAscii);
        for (int i = 0; i < nAscii; ++i) pBuffer[i] = static_cast<char>(lpszText[i]);
        pText->ReleaseBuffer(nAscii);
        return TRUE;
    }
    BOOL bDefaultUsed = FALSE;
    int nBytes = ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, lpszText, -1, nullptr, 0, nullptr, &bDefaultUsed);
    if (nBytes <= 0 || bDefaultUsed) return FALSE;
    CString strText;
    LPSTR pBuffer = strText.GetBuffer(nBytes);
    ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, lpszText, -1, pBuffer, nBytes, nullptr, nullptr);
    strText.ReleaseBuffer(nBytes - 1);
    // Converters may still map a character to a look-alike without saying so:
    // only a text that converts back to itself, code unit for code unit, is the
    // same name (a comparison by locale takes some different texts for equal).
    int nChars = ::MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, strText, -1, nullptr, 0);
    if (nChars <= 0) return FALSE;
    std::vector<WCHAR> back(static_cast<size_t>(nChars));
    ::MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, strText, -1, back.data(), nChars);
    if (std::wcscmp(back.data(), lpszText) != 0) return FALSE;
    *pText = strText;
    return TRUE;
}

BOOL UsableName(const WIN32_FIND_DATAW& fd, CString* pName) {
    if (ExactNarrow(fd.cFileName, pName)) return TRUE;
    return fd.cAlternateFileName[0] != L'\0' && ExactNarrow(fd.cAlternateFileName, pName);
}

BOOL UsablePath(LPCWSTR lpszPath, CString* pPath) {
    if (ExactNarrow(lpszPath, pPath)) return TRUE;
    // Component by component: only a name the code page cannot hold is replaced
    // by its short form, so that the others still match the names the file list shows.
    const std::wstring path(lpszPath);
    if (path.find_first_of(L"*?") != std::wstring::npos) return FALSE;
    CString strPath;
    for (size_t nStart = 0;;) {
        size_t nEnd = path.find_first_of(L"\\/", nStart);
        if (nEnd == std::wstring::npos) nEnd = path.size();
        const std::wstring component = path.substr(nStart, nEnd - nStart);
        CString strComponent;
        if (!ExactNarrow(component.c_str(), &strComponent)) {
            WIN32_FIND_DATAW fd;
            HANDLE hFind = ::FindFirstFileW(path.substr(0, nEnd).c_str(), &fd);
            if (hFind == INVALID_HANDLE_VALUE) return FALSE;
            ::FindClose(hFind);
            if (!UsableName(fd, &strComponent)) return FALSE;
        }
        strPath += strComponent;
        if (nEnd == path.size()) break;
        strPath += static_cast<char>(path[nEnd]);
        nStart = nEnd + 1;
    }
    *pPath = strPath;
    return TRUE;
}

namespace {

// The path in UTF-16; empty when the code page's bytes do not convert.
std::wstring Wide(LPCSTR lpszPath) {
    int nChars = ::MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, lpszPath, -1, nullptr, 0);
    if (nChars <= 0) return std::wstring();
    std::wstring strWide(static_cast<size_t>(nChars), L'\0');
    ::MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, lpszPath, -1, &strWide[0], nChars);
    strWide.resize(static_cast<size_t>(nChars - 1));
    return strWide;
}

// The identity of an existing file or directory: its volume and its index there.
BOOL FileIdentity(const std::wstring& strPath, BY_HANDLE_FILE_INFORMATION* pInfo) {
    // No access is asked for: the file's attributes need none, and a file that
    // another program holds open is still reached.
    HANDLE hFile = ::CreateFileW(strPath.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (hFile == INVALID_HANDLE_VALUE) return FALSE;
    BOOL bGot = ::GetFileInformationByHandle(hFile, pInfo);
    ::CloseHandle(hFile);
    return bGot;
}

// The full path, "." and ".." resolved; the path itself when that fails.
std::wstring FullPath(const std::wstring& strPath) {
    DWORD nChars = ::GetFullPathNameW(strPath.c_str(), 0, nullptr, nullptr);
    if (nChars == 0) return strPath;
    std::wstring strFull(nChars, L'\0');
    DWORD nGot = ::GetFullPathNameW(strPath.c_str(), nChars, &strFull[0], nullptr);
    if (nGot == 0 || nGot >= nChars) return strPath;
    strFull.resize(nGot);
    return strFull;
}

}  // namespace

BOOL SameFile(LPCSTR lpszPath1, LPCSTR lpszPath2) {
    const std::wstring strPath1 = Wide(lpszPath1);
    const std::wstring strPath2 = Wide(lpszPath2);
    if (strPath1.empty() || strPath2.empty()) return FALSE;
    BY_HANDLE_FILE_INFORMATION info1;
    BY_HANDLE_FILE_INFORMATION info2;
    if (FileIdentity(strPath1, &info1) && FileIdentity(strPath2, &info2))
        return info1.dwVolumeSerialNumber == info2.dwVolumeSerialNumber &&
               info1.nFileIndexHigh == info2.nFileIndexHigh && info1.nFileIndexLow == info2.nFileIndexLow;
    // The file system's own case rule: an ordinal comparison of upper-cased code units.
    const std::wstring strFull1 = FullPath(strPath1);
    const std::wstring strFull2 = FullPath(strPath2);
    return ::CompareStringOrdinal(strFull1.c_str(), static_cast<int>(strFull1.size()), strFull2.c_str(),
                                  static_cast<int>(strFull2.size()), TRUE) == CSTR_EQUAL;
}

}  // namespace browser
