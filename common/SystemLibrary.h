// Functions of the system's libraries that only some commands need, loaded the
// first time they are asked for: a library linked to the program is loaded,
// with every library it brings, before the dialog can show.
#pragma once

#include <windows.h>

namespace scheme {

// What loads a library: LoadLibraryExW, unless a test plays a system that
// refuses a flag or lacks a library.
using LibraryLoader = HMODULE(WINAPI*)(LPCWSTR pszName, HANDLE hFile, DWORD dwFlags);
inline LibraryLoader& SystemLibraryLoader() {
    static LibraryLoader pLoad = ::LoadLibraryExW;
    return pLoad;
}

// The library of that name in the system's folder, never one elsewhere; null
// where it cannot be loaded. Vista and 7 without their loader update refuse
// LOAD_LIBRARY_SEARCH_SYSTEM32 as an unknown flag: the library is then named
// by the system folder's full path.
inline HMODULE LoadSystemLibrary(LPCWSTR pszLibrary) {
    HMODULE hModule = SystemLibraryLoader()(pszLibrary, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (hModule != nullptr || ::GetLastError() != ERROR_INVALID_PARAMETER) return hModule;
    WCHAR szPath[MAX_PATH];
    UINT nFolder = ::GetSystemDirectoryW(szPath, MAX_PATH);
    if (nFolder == 0 || nFolder + 1 + lstrlenW(pszLibrary) >= MAX_PATH) return nullptr;
    szPath[nFolder] = L'\\';
    lstrcpyW(szPath + nFolder + 1, pszLibrary);
    // Its own folder first, where it looks for the libraries it brings.
    return SystemLibraryLoader()(szPath, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

// The function of a library in the system's folder; null where the library or
// the function is missing. The library stays loaded for the process.
template <typename Fn>
Fn SystemFunction(LPCWSTR pszLibrary, LPCSTR pszName) {
    HMODULE hModule = LoadSystemLibrary(pszLibrary);
    return hModule == nullptr ? nullptr
                              : reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(hModule, pszName)));
}

}  // namespace scheme
