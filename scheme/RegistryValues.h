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

// A value as the registry keeps it: its type and its bytes as the wide API
// gives them, so that a copy loses nothing the code page cannot hold.
struct StoredValue {
    DWORD dwType = REG_NONE;
    std::vector<BYTE> data;
};

BOOL IsText(DWORD dwType);
// The value an event plays from a key (its .Current key, or its key of a named
// scheme): the default value where the key has one, else its first value, as
// other programs write it. FALSE when the key has no value that can be read.
BOOL ReadPlayedValue(HKEY hKey, StoredValue* pValue);
// A key's default value alone; FALSE when it has none.
BOOL ReadDefaultValue(HKEY hKey, StoredValue* pValue);
// Stores the value as the key's default value, type and bytes exactly.
LONG WriteDefaultValue(HKEY hKey, const StoredValue& value);
// The empty text as a REG_SZ value stores it: the terminating NUL alone.
StoredValue EmptyText();
// A REG_SZ value of the text, stored with its terminating NUL.
StoredValue TextValue(const CString& strText);
// The text of a text value: every character but a terminating NUL that is
// really there; a value stored without its NUL keeps its last character.
std::wstring ValueText(const StoredValue& value);

// The path that the program shows, previews and plays for a stored value. A
// plain value that the code page holds is its own text; an expandable value is
// expanded in UTF-16; where the code page cannot hold the resulting path, the
// file is reached by its short path, or the event has no sound when there is no
// such file. Any other type is no sound (empty).
CString SoundPathOf(const StoredValue& value);

// Key names and other registry text in UTF-16, and back to the code page.
std::wstring Widen(const CString& strText);
// The text in the code page, exactly (no best fit); FALSE where a character has
// no form there, and pText gets '?' in its place: such a text is only for showing
// and never names a key or a file.
BOOL NarrowText(const std::wstring& strText, CString* pText);
// Names compared as the registry and the file system compare them: ordinally,
// regardless of case.
BOOL SameName(const std::wstring& a, const std::wstring& b);
struct NameLess {
    bool operator()(const std::wstring& a, const std::wstring& b) const;
};
// Stores the value as the default value of the subkey, which is made if need be.
LONG WriteSubkeyDefault(HKEY hParent, const std::wstring& strSubkey, const StoredValue& value);

// The subkey names of a key, in the registry's order.
std::vector<std::wstring> SubkeyNames(HKEY hKey);

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
