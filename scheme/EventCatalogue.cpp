// The event catalogue: which sound events the registry declares for an
// application, their labels and the wave files assigned to them now.
#include "NarrowNames.h"
#include "SchemeRules.h"
#include "SchemeStore.h"
#include "SoundEvent.h"

#include <cstring>
#include <cwchar>
#include <memory>
#include <string>
#include <vector>

namespace {

const char kAppsKey[] = "AppEvents\\Schemes\\Apps\\";
const char kLabelsKey[] = "AppEvents\\EventLabels\\";

// The registry's own limits, which bound every reading loop: a value name is at
// most 16,383 characters, each of which takes up to two bytes in code page 932.
constexpr DWORD kMaxValueNameChars = 16383;
constexpr DWORD kMaxNarrowValueName = 2 * kMaxValueNameChars + 1;
// A value that grows between the call that sizes it and the call that reads it,
// again and again, is given up after this many tries.
constexpr int kMaxReadTries = 8;

// Reads a key's value at an index whole: its name, its type and every data byte,
// so that nothing the program may write back later is cut. Every registry call
// is a round trip to the registry's server: a buffer that holds a usual path
// reads most values in one call, and only a longer value is asked again. A value
// that cannot be read within the registry's limits reads as absent.
LONG ReadValue(HKEY hKey, DWORD nIndex, CString* pName, DWORD* pType, CString* pData) {
    // Not cleared: the call writes the name it reports.
    std::unique_ptr<char[]> name(new char[kMaxNarrowValueName]);
    DWORD nBuffer = MAX_PATH;
    for (int nTry = 0; nTry < kMaxReadTries; ++nTry) {
        DWORD nName = kMaxNarrowValueName;
        DWORD nData = nBuffer;
        LPSTR pBuffer = pData->GetBuffer(static_cast<int>(nBuffer));
        LONG rc =
            ::RegEnumValueA(hKey, nIndex, name.get(), &nName, nullptr, pType, reinterpret_cast<BYTE*>(pBuffer), &nData);
        pData->ReleaseBuffer(rc == ERROR_SUCCESS ? static_cast<int>(nData) : 0);
        if (rc == ERROR_SUCCESS) *pName = CString(name.get(), static_cast<int>(nName));
        if (rc != ERROR_MORE_DATA) return rc;
        // nData now holds the size needed; the value may also have grown in between.
        // A size that does not grow means the name is what did not fit.
        if (nData <= nBuffer) return ERROR_MORE_DATA;
        nBuffer = nData;
    }
    return ERROR_MORE_DATA;
}

// Reads a key's first value whole, whatever its name.
BOOL ReadFirstValue(HKEY hKey, DWORD* pType, CString* pData) {
    CString strName;
    return ReadValue(hKey, 0, &strName, pType, pData) == ERROR_SUCCESS;
}

// The path that the program shows, previews and plays for a sound stored as
// text, read through the wide API: the narrow reading cannot hold every
// character, and the narrow expansion of an expandable value puts look-alikes
// in place of characters of, say, a profile folder's name. An expandable value
// is expanded in UTF-16; where the code page cannot hold the resulting path, the
// file is reached by its short path, or the event has no sound when there is no
// such file, and so for a plain value the code page cannot hold. FALSE for a
// plain value that the code page holds: the narrow reading stands.
BOOL ReadSoundPath(HKEY hKey, CString* pPath) {
    std::unique_ptr<WCHAR[]> name(new WCHAR[kMaxValueNameChars + 1]);
    std::vector<BYTE> data(MAX_PATH * sizeof(WCHAR));
    DWORD dwType = REG_NONE;
    DWORD nData = 0;
    LONG rc = ERROR_MORE_DATA;
    for (int nTry = 0; nTry < kMaxReadTries && rc == ERROR_MORE_DATA; ++nTry) {
        DWORD nName = kMaxValueNameChars + 1;
        nData = static_cast<DWORD>(data.size());
        rc = ::RegEnumValueW(hKey, 0, name.get(), &nName, nullptr, &dwType, data.data(), &nData);
        if (rc == ERROR_MORE_DATA) {
            if (nData <= data.size()) break;
            data.resize(nData);
        }
    }
    if (rc != ERROR_SUCCESS || (dwType != REG_SZ && dwType != REG_EXPAND_SZ)) return FALSE;
    std::wstring strText(reinterpret_cast<const WCHAR*>(data.data()), nData / sizeof(WCHAR));
    strText = strText.substr(0, strText.find(L'\0'));
    if (dwType == REG_SZ) {
        CString strNarrow;
        if (browser::ExactNarrow(strText.c_str(), &strNarrow)) return FALSE;
    } else {
        // An expansion that fails or is longer than a path is no sound.
        WCHAR szExpanded[MAX_PATH];
        DWORD nNeeded = ::ExpandEnvironmentStringsW(strText.c_str(), szExpanded, MAX_PATH);
        strText = nNeeded != 0 && nNeeded <= MAX_PATH ? szExpanded : L"";
    }
    if (strText.empty() || !browser::UsablePath(strText.c_str(), pPath)) pPath->Empty();
    return TRUE;
}

// The text a REG_SZ value holds: its data without the terminating NUL.
CString RegSzText(const CString& strData) {
    return CString(strData, static_cast<int>(scheme::RegSzTextLength(strData, strData.GetLength())));
}

// The localised names that label keys' DispFileName values point to
// ("@library,-id", environment variables expanded), read the way
// RegLoadMUIStringW reads them. That call loads and frees the library for every
// name it has not seen before, about 10 ms a name under Wine: here each library
// is loaded once while the catalogue is read, and the call is asked only for a
// name the library does not give.
class IndirectStrings {
public:
    IndirectStrings() = default;
    ~IndirectStrings() {
        for (const Library& library : m_libraries)
            if (library.hModule != nullptr) ::FreeLibrary(library.hModule);
    }
    IndirectStrings(const IndirectStrings&) = delete;
    IndirectStrings& operator=(const IndirectStrings&) = delete;

    // The name in code page 932; FALSE when neither the library nor the system
    // gives it, or a character of it has no code page 932 form.
    BOOL Load(HKEY hLabelKey, CString* pLabel) {
        std::wstring strText;
        // The system call stays the way of last resort: it also knows names kept
        // in a language file beside the library, which the library loaded for its
        // resources alone may not show.
        if (!LoadFromLibrary(hLabelKey, &strText) && !LoadThroughSystem(hLabelKey, &strText)) return FALSE;
        return !strText.empty() && browser::ExactNarrow(strText.c_str(), pLabel);
    }

private:
    struct Library {
        std::wstring strName;  // as DispFileName names it, expanded
        HMODULE hModule;       // loaded for its resources only; null when it could not be
    };

    // The string that "@library,-id" names, from the library loaded once.
    BOOL LoadFromLibrary(HKEY hLabelKey, std::wstring* pText) {
        std::wstring strValue;
        if (!ReadDispFileName(hLabelKey, &strValue) || strValue.empty() || strValue[0] != L'@') return FALSE;
        DWORD nExpanded = ::ExpandEnvironmentStringsW(strValue.c_str(), nullptr, 0);
        if (nExpanded == 0) return FALSE;
        std::wstring strExpanded(nExpanded, L'\0');
        if (::ExpandEnvironmentStringsW(strValue.c_str(), &strExpanded[0], nExpanded) != nExpanded) return FALSE;
        strExpanded.resize(nExpanded - 1);
        size_t nComma = strExpanded.rfind(L',');
        if (nComma == std::wstring::npos || nComma + 1 >= strExpanded.size() || strExpanded[nComma + 1] != L'-')
            return FALSE;
        auto nId = static_cast<UINT>(wcstol(strExpanded.c_str() + nComma + 2, nullptr, 10));
        HMODULE hModule = Module(strExpanded.substr(1, nComma - 1));
        if (hModule == nullptr) return FALSE;
        // The string in the library's resources, which are not NUL-terminated.
        LPCWSTR pString = nullptr;
        int nLength = ::LoadStringW(hModule, nId, reinterpret_cast<LPWSTR>(&pString), 0);
        if (nLength <= 0 || pString == nullptr) return FALSE;
        pText->assign(pString, static_cast<size_t>(nLength));
        return TRUE;
    }

    // The string as RegLoadMUIStringW resolves it; its ANSI form is not supported by Windows.
    static BOOL LoadThroughSystem(HKEY hLabelKey, std::wstring* pText) {
        std::wstring strText(256, L'\0');
        for (;;) {
            DWORD cbNeeded = 0;
            auto cbBuffer = static_cast<DWORD>(strText.size() * sizeof(WCHAR));
            LONG rc = ::RegLoadMUIStringW(hLabelKey, L"DispFileName", &strText[0], cbBuffer, &cbNeeded, 0, nullptr);
            if (rc == ERROR_SUCCESS) break;
            // A string resource is at most 65535 characters.
            if (rc != ERROR_MORE_DATA || strText.size() > 65536) return FALSE;
            strText.resize(cbNeeded / sizeof(WCHAR) > strText.size() ? cbNeeded / sizeof(WCHAR) + 1
                                                                     : strText.size() * 2);
        }
        strText.resize(wcsnlen(strText.c_str(), strText.size()));
        *pText = strText;
        return TRUE;
    }

    // DispFileName as text, read in its wide form: a library's path may hold
    // characters that code page 932 has not.
    static BOOL ReadDispFileName(HKEY hKey, std::wstring* pValue) {
        DWORD dwType = REG_NONE;
        DWORD cbData = 0;
        if (::RegQueryValueExW(hKey, L"DispFileName", nullptr, &dwType, nullptr, &cbData) != ERROR_SUCCESS ||
            (dwType != REG_SZ && dwType != REG_EXPAND_SZ))
            return FALSE;
        std::wstring strData(cbData / sizeof(WCHAR) + 1, L'\0');
        cbData = static_cast<DWORD>(strData.size() * sizeof(WCHAR));
        if (::RegQueryValueExW(hKey, L"DispFileName", nullptr, &dwType, reinterpret_cast<BYTE*>(&strData[0]),
                               &cbData) != ERROR_SUCCESS)
            return FALSE;
        strData.resize(wcsnlen(strData.c_str(), cbData / sizeof(WCHAR)));
        *pValue = strData;
        return TRUE;
    }

    // The library, loaded the first time it is named; one that could not be
    // loaded is not tried again. A name without a directory is searched for as
    // the system searches for libraries: Windows names its own so ("@mmres.dll,-5824").
    HMODULE Module(const std::wstring& strName) {
        for (const Library& library : m_libraries)
            if (::CompareStringOrdinal(library.strName.c_str(), -1, strName.c_str(), -1, TRUE) == CSTR_EQUAL)
                return library.hModule;
        HMODULE hModule = strName.empty() ? nullptr
                                          : ::LoadLibraryExW(strName.c_str(), nullptr,
                                                             LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
        m_libraries.push_back(Library{strName, hModule});
        return hModule;
    }

    std::vector<Library> m_libraries;
};

// The label that the system's own sound settings show for an event: the name
// DispFileName points to, else the default value, else the first value, each
// value only when it is REG_SZ. FALSE for a key without one, and for an event
// those settings leave out (ExcludeFromCPL non-zero).
BOOL ReadLabel(HKEY hLabelKey, IndirectStrings* pStrings, CString* pLabel) {
    BOOL bIndirect = FALSE;
    BOOL bDefault = FALSE;
    BOOL bFirst = FALSE;
    CString strDefault;
    CString strFirst;
    // One pass over the values: a label key holds a few.
    for (DWORD nIndex = 0;; ++nIndex) {
        CString strName;
        DWORD dwType;
        CString strData;
        if (ReadValue(hLabelKey, nIndex, &strName, &dwType, &strData) != ERROR_SUCCESS) break;
        if (strName.CompareNoCase("ExcludeFromCPL") == 0) {
            DWORD dwExclude = 0;
            if (dwType == REG_DWORD && strData.GetLength() == sizeof dwExclude)
                memcpy(&dwExclude, static_cast<LPCSTR>(strData), sizeof dwExclude);
            if (dwExclude != 0) return FALSE;
        } else if (strName.CompareNoCase("DispFileName") == 0) {
            bIndirect = TRUE;
        }
        if (dwType != REG_SZ) continue;
        if (strName.IsEmpty() && !bDefault) {
            bDefault = TRUE;
            strDefault = RegSzText(strData);
        }
        if (nIndex == 0) {
            bFirst = TRUE;
            strFirst = RegSzText(strData);
        }
    }
    if (bIndirect && pStrings->Load(hLabelKey, pLabel)) return TRUE;
    if (!bDefault && !bFirst) return FALSE;
    *pLabel = bDefault ? strDefault : strFirst;
    return TRUE;
}

}  // namespace

BOOL SchemeStore::LoadEvents(const CString& strApp, CObArray& events, const EnumKeyFn& enumKey) const {
    HKEY hAppKey;
    if (::RegOpenKeyExA(m_hRoot, kAppsKey + strApp, 0, KEY_READ, &hAppKey) != ERROR_SUCCESS) return FALSE;
    // Each library of localised names is loaded once for the whole catalogue.
    IndirectStrings strings;
    for (DWORD nIndex = 0;; ++nIndex) {
        char szKey[MAX_PATH];
        DWORD nKey = MAX_PATH;
        LONG rc = enumKey(hAppKey, nIndex, szKey, &nKey);
        // A name too long for the buffer skips its event; any other error (the key
        // deleted meanwhile) would repeat for every index: what was read is shown.
        if (rc == ERROR_MORE_DATA) continue;
        if (rc != ERROR_SUCCESS) break;
        CString strKey(szKey, static_cast<int>(nKey));

        HKEY hLabelKey;
        if (::RegOpenKeyExA(m_hRoot, kLabelsKey + strKey, 0, KEY_READ, &hLabelKey) != ERROR_SUCCESS) continue;
        // An event without a label, or one that the system's sound settings hide,
        // is neither shown nor written.
        CString strLabel;
        if (ReadLabel(hLabelKey, &strings, &strLabel))
            events.Add(reinterpret_cast<CObject*>(new SoundEvent(strKey, strLabel)));
        ::RegCloseKey(hLabelKey);
    }
    ::RegCloseKey(hAppKey);
    return TRUE;
}

BOOL SchemeStore::LoadCurrentSounds(const CString& strApp, const CObArray& events) const {
    HKEY hAppKey;
    if (::RegOpenKeyExA(m_hRoot, kAppsKey + strApp, 0, KEY_READ, &hAppKey) != ERROR_SUCCESS) return FALSE;
    for (INT_PTR i = 0; i < events.GetSize(); ++i) {
        auto* pEvent = reinterpret_cast<SoundEvent*>(events.GetAt(i));
        HKEY hCurrentKey;
        LONG rc = ::RegOpenKeyExA(hAppKey, pEvent->GetKey() + "\\.Current", 0, KEY_READ, &hCurrentKey);
        // OK creates only a .Current that is missing; one that is there but
        // cannot be read is left alone.
        if (rc != ERROR_FILE_NOT_FOUND) pEvent->SetHasCurrentKey();
        if (rc != ERROR_SUCCESS) continue;
        DWORD dwType;
        CString strData;
        if (ReadFirstValue(hCurrentKey, &dwType, &strData)) {
            pEvent->SetStoredValue(dwType, strData);
            CString strPath;
            if (ReadSoundPath(hCurrentKey, &strPath)) pEvent->SetSoundPath(strPath);
        }
        ::RegCloseKey(hCurrentKey);
    }
    ::RegCloseKey(hAppKey);
    return TRUE;
}
