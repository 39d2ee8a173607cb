// Reading the registry's values the way the scheme needs them: whole, within
// the registry's limits, and as text that code page 932 can hold.
#pragma once

#include <string>
#include <vector>

#include "afx.h"

namespace scheme {

// Reads a key's value at an index whole: its name, its type and every data byte,
// so that nothing the program may write back later is cut. Every registry call
// is a round trip to the registry's server: a buffer that holds a usual path
// reads most values in one call, and only a longer value is asked again. A value
// that cannot be read within the registry's limits reads as absent.
LONG ReadValue(HKEY hKey, DWORD nIndex, CString* pName, DWORD* pType, CString* pData);
// Reads a key's first value whole, whatever its name.
BOOL ReadFirstValue(HKEY hKey, DWORD* pType, CString* pData);

// The path that the program shows, previews and plays for a sound stored as
// text (the named value, or the first value for null), read through the wide
// API: the narrow reading cannot hold every character, and the narrow expansion
// of an expandable value puts look-alikes in place of characters of, say, a
// profile folder's name. An expandable value is expanded in UTF-16; where the
// code page cannot hold the resulting path, the file is reached by its short
// path, or the event has no sound when there is no such file, and so for a plain
// value the code page cannot hold. FALSE for a plain value that the code page
// holds: the narrow reading stands.
BOOL ReadSoundPath(HKEY hKey, LPCWSTR pszValue, CString* pPath);

// The text a REG_SZ value holds: its data without the terminating NUL.
CString RegSzText(const CString& strData);

// The localised names that values such as a label key's DispFileName point to
// ("@library,-id", environment variables expanded), read the way
// RegLoadMUIStringW reads them. That call loads and frees the library for every
// name it has not seen before, about 10 ms a name under Wine: here each library
// is loaded once while this object lives, and the call is asked only for a
// name the library does not give.
class IndirectStrings {
public:
    IndirectStrings() = default;
    ~IndirectStrings();
    IndirectStrings(const IndirectStrings&) = delete;
    IndirectStrings& operator=(const IndirectStrings&) = delete;

    // The name that the key's value points to, in code page 932; FALSE when
    // neither the library nor the system gives it, or a character of it has no
    // code page 932 form.
    BOOL Load(HKEY hKey, LPCWSTR pszValue, CString* pText);

private:
    struct Library {
        std::wstring strName;  // as the value names it, expanded
        HMODULE hModule;       // loaded for its resources only; null when it could not be
    };

    // The string that "@library,-id" names, from the library loaded once.
    BOOL LoadFromLibrary(HKEY hKey, LPCWSTR pszValue, std::wstring* pText);
    // The string as RegLoadMUIStringW resolves it; its ANSI form is not supported by Windows.
    static BOOL LoadThroughSystem(HKEY hKey, LPCWSTR pszValue, std::wstring* pText);
    // The value as text, read in its wide form: a library's path may hold
    // characters that code page 932 has not.
    static BOOL ReadText(HKEY hKey, LPCWSTR pszValue, std::wstring* pValue);
    // The library, loaded the first time it is named; one that could not be
    // loaded is not tried again. A name without a directory is searched for as
    // the system searches for libraries: Windows names its own so ("@mmres.dll,-5824").
    HMODULE Module(const std::wstring& strName);

    std::vector<Library> m_libraries;
};

}  // namespace scheme
