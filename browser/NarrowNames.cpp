#include "NarrowNames.h"

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
    // only a text that converts back to itself is the same name.
    int nChars = ::MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, strText, -1, nullptr, 0);
    if (nChars <= 0) return FALSE;
    std::vector<WCHAR> back(static_cast<size_t>(nChars));
    ::MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, strText, -1, back.data(), nChars);
    if (::lstrcmpW(back.data(), lpszText) != 0) return FALSE;
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
        size_t nEnd = path.find(L'\\', nStart);
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
        strPath += '\\';
        nStart = nEnd + 1;
    }
    *pPath = strPath;
    return TRUE;
}

}  // namespace browser
