#include "NarrowNames.h"

#include <vector>

namespace browser {

BOOL ExactNarrow(LPCWSTR lpszText, CString* pText) {
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
    DWORD nChars = ::GetShortPathNameW(lpszPath, nullptr, 0);
    if (nChars == 0) return FALSE;
    std::vector<WCHAR> shortPath(nChars);
    DWORD nGot = ::GetShortPathNameW(lpszPath, shortPath.data(), nChars);
    if (nGot == 0 || nGot >= nChars) return FALSE;
    return ExactNarrow(shortPath.data(), pPath);
}

}  // namespace browser
