// Functions of the system's libraries that only some commands need, loaded the
// first time they are asked for: a library linked to the program is loaded,
// with every library it brings, before the dialog can show.
#pragma once

#include <windows.h>

namespace scheme {

// The function of a library in the system's folder; null where the library or
// the function is missing. The library stays loaded for the process.
template <typename Fn>
Fn SystemFunction(LPCWSTR pszLibrary, LPCSTR pszName) {
    HMODULE hModule = ::LoadLibraryExW(pszLibrary, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    return hModule == nullptr ? nullptr
                              : reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(hModule, pszName)));
}

}  // namespace scheme
