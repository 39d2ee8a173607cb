#include "RegistryValues.h"

#include <cstring>
#include <cwchar>
#include <memory>

#include "NarrowNames.h"
#include "SchemeRules.h"

namespace scheme {

namespace {

// The registry's own limits, which bound every reading loop: a value name is at
// most 16,383 characters, each of which takes up to two bytes in code page 932.
constexpr DWORD kMaxValueNameChars = 16383;
constexpr DWORD kMaxNarrowValueName = 2 * kMaxValueNameChars + 1;
// A value that grows between the call that sizes it and the call that reads it,
// again and again, is given up after this many tries.
constexpr int kMaxReadTries = 8;

}  // namespace

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

BOOL IsText(DWORD dwType) {
    return dwType == REG_SZ || dwType == REG_EXPAND_SZ;
}

namespace {

// Reads a value whole through the wide API: the named one, or the one at
// nIndex when pszValue is null.
LONG ReadWideValue(HKEY hKey, LPCWSTR pszValue, DWORD nIndex, StoredValue* pValue) {
    std::unique_ptr<WCHAR[]> name(pszValue == nullptr ? new WCHAR[kMaxValueNameChars + 1] : nullptr);
    pValue->data.resize(MAX_PATH * sizeof(WCHAR));
    LONG rc = ERROR_MORE_DATA;
    for (int nTry = 0; nTry < kMaxReadTries && rc == ERROR_MORE_DATA; ++nTry) {
        DWORD nName = kMaxValueNameChars + 1;
        auto nData = static_cast<DWORD>(pValue->data.size());
        rc = pszValue != nullptr
                 ? ::RegQueryValueExW(hKey, pszValue, nullptr, &pValue->dwType, pValue->data.data(), &nData)
                 : ::RegEnumValueW(hKey, nIndex, name.get(), &nName, nullptr, &pValue->dwType, pValue->data.data(),
                                   &nData);
        if (rc == ERROR_SUCCESS) pValue->data.resize(nData);
        // A size that does not grow means the name is what did not fit.
        if (rc == ERROR_MORE_DATA && nData <= pValue->data.size()) break;
        if (rc == ERROR_MORE_DATA) pValue->data.resize(nData);
    }
    return rc;
}

}  // namespace

BOOL ReadDefaultValue(HKEY hKey, StoredValue* pValue) {
    return ReadWideValue(hKey, L"", 0, pValue) == ERROR_SUCCESS;
}

BOOL ReadPlayedValue(HKEY hKey, StoredValue* pValue) {
    LONG rc = ReadWideValue(hKey, L"", 0, pValue);
    if (rc == ERROR_FILE_NOT_FOUND) rc = ReadWideValue(hKey, nullptr, 0, pValue);
    return rc == ERROR_SUCCESS;
}

LONG WriteDefaultValue(HKEY hKey, const StoredValue& value) {
    return ::RegSetValueExW(hKey, L"", 0, value.dwType, value.data.data(), static_cast<DWORD>(value.data.size()));
}

StoredValue EmptyText() {
    return StoredValue{REG_SZ, std::vector<BYTE>(sizeof(WCHAR), 0)};
}

StoredValue TextValue(const CString& strText) {
    std::wstring strWide = Widen(strText);
    const auto* pBytes = reinterpret_cast<const BYTE*>(strWide.c_str());
    return StoredValue{REG_SZ, std::vector<BYTE>(pBytes, pBytes + (strWide.size() + 1) * sizeof(WCHAR))};
}

std::wstring ValueText(const StoredValue& value) {
    std::wstring strText(value.data.size() / sizeof(WCHAR), L'\0');
    if (!strText.empty()) memcpy(&strText[0], value.data.data(), strText.size() * sizeof(WCHAR));
    if (!strText.empty() && strText.back() == L'\0') strText.pop_back();
    return strText;
}

CString SoundPathOf(const StoredValue& value) {
    if (!IsText(value.dwType)) return CString();
    std::wstring strText = ValueText(value);
    strText = strText.substr(0, strText.find(L'\0'));
    CString strPath;
    if (value.dwType == REG_SZ) {
        if (browser::ExactNarrow(strText.c_str(), &strPath)) return strPath;
    } else {
        // An expansion that fails or is longer than a path is no sound.
        WCHAR szExpanded[MAX_PATH];
        DWORD nNeeded = ::ExpandEnvironmentStringsW(strText.c_str(), szExpanded, MAX_PATH);
        strText = nNeeded != 0 && nNeeded <= MAX_PATH ? szExpanded : L"";
    }
    if (strText.empty() || !browser::UsablePath(strText.c_str(), &strPath)) strPath.Empty();
    return strPath;
}

std::wstring Widen(const CString& strText) {
    int nLength = strText.GetLength();
    if (nLength == 0) return std::wstring();
    int nWide = ::MultiByteToWideChar(CP_ACP, 0, strText, nLength, nullptr, 0);
    std::wstring strWide(static_cast<size_t>(nWide), L'\0');
    if (nWide > 0) ::MultiByteToWideChar(CP_ACP, 0, strText, nLength, &strWide[0], nWide);
    return strWide;
}

BOOL NarrowText(const std::wstring& strText, CString* pText) {
    pText->Empty();
    if (strText.empty()) return TRUE;
    auto nWide = static_cast<int>(strText.size());
    BOOL bDefaulted = FALSE;
    int nNarrow =
        ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, strText.c_str(), nWide, nullptr, 0, "?", &bDefaulted);
    LPSTR pBuffer = pText->GetBuffer(nNarrow);
    ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, strText.c_str(), nWide, pBuffer, nNarrow, "?", nullptr);
    pText->ReleaseBuffer(nNarrow);
    return nNarrow > 0 && !bDefaulted;
}

BOOL SameName(const std::wstring& a, const std::wstring& b) {
    return ::CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()), TRUE) ==
           CSTR_EQUAL;
}

bool NameLess::operator()(const std::wstring& a, const std::wstring& b) const {
    return ::CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()), TRUE) ==
           CSTR_LESS_THAN;
}

LONG WriteSubkeyDefault(HKEY hParent, const std::wstring& strSubkey, const StoredValue& value) {
    HKEY hKey;
    LONG rc = ::RegCreateKeyExW(hParent, strSubkey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, nullptr,
                                &hKey, nullptr);
    if (rc != ERROR_SUCCESS) return rc;
    rc = WriteDefaultValue(hKey, value);
    ::RegCloseKey(hKey);
    return rc;
}

std::vector<std::wstring> SubkeyNames(HKEY hKey) {
    std::vector<std::wstring> names;
    // A key name is at most 255 characters.
    WCHAR szName[256];
    for (DWORD nIndex = 0;; ++nIndex) {
        DWORD nName = 256;
        LONG rc = ::RegEnumKeyExW(hKey, nIndex, szName, &nName, nullptr, nullptr, nullptr, nullptr);
        if (rc == ERROR_MORE_DATA) continue;
        if (rc != ERROR_SUCCESS) break;
        names.emplace_back(szName, nName);
    }
    return names;
}

CString RegSzText(const CString& strData) {
    return CString(strData, static_cast<int>(scheme::RegSzTextLength(strData, strData.GetLength())));
}

IndirectStrings::~IndirectStrings() {
    for (const Library& library : m_libraries)
        if (library.hModule != nullptr) ::FreeLibrary(library.hModule);
}

BOOL IndirectStrings::Load(HKEY hKey, LPCWSTR pszValue, CString* pText) {
    std::wstring strText;
    // The system call stays the way of last resort: it also knows names kept
    // in a language file beside the library, which the library loaded for its
    // resources alone may not show.
    if (!LoadFromLibrary(hKey, pszValue, &strText) && !LoadThroughSystem(hKey, pszValue, &strText)) return FALSE;
    return !strText.empty() && browser::ExactNarrow(strText.c_str(), pText);
}

BOOL IndirectStrings::LoadFromLibrary(HKEY hKey, LPCWSTR pszValue, std::wstring* pText) {
    std::wstring strValue;
    if (!ReadText(hKey, pszValue, &strValue) || strValue.empty() || strValue[0] != L'@') return FALSE;
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

BOOL IndirectStrings::LoadThroughSystem(HKEY hKey, LPCWSTR pszValue, std::wstring* pText) {
    std::wstring strText(256, L'\0');
    for (;;) {
        DWORD cbNeeded = 0;
        auto cbBuffer = static_cast<DWORD>(strText.size() * sizeof(WCHAR));
        LONG rc = ::RegLoadMUIStringW(hKey, pszValue, &strText[0], cbBuffer, &cbNeeded, 0, nullptr);
        if (rc == ERROR_SUCCESS) break;
        // A string resource is at most 65535 characters.
        if (rc != ERROR_MORE_DATA || strText.size() > 65536) return FALSE;
        strText.resize(cbNeeded / sizeof(WCHAR) > strText.size() ? cbNeeded / sizeof(WCHAR) + 1 : strText.size() * 2);
    }
    strText.resize(wcsnlen(strText.c_str(), strText.size()));
    *pText = strText;
    return TRUE;
}

BOOL IndirectStrings::ReadText(HKEY hKey, LPCWSTR pszValue, std::wstring* pValue) {
    DWORD dwType = REG_NONE;
    DWORD cbData = 0;
    if (::RegQueryValueExW(hKey, pszValue, nullptr, &dwType, nullptr, &cbData) != ERROR_SUCCESS ||
        (dwType != REG_SZ && dwType != REG_EXPAND_SZ))
        return FALSE;
    std::wstring strData(cbData / sizeof(WCHAR) + 1, L'\0');
    cbData = static_cast<DWORD>(strData.size() * sizeof(WCHAR));
    if (::RegQueryValueExW(hKey, pszValue, nullptr, &dwType, reinterpret_cast<BYTE*>(&strData[0]), &cbData) !=
        ERROR_SUCCESS)
        return FALSE;
    strData.resize(wcsnlen(strData.c_str(), cbData / sizeof(WCHAR)));
    *pValue = strData;
    return TRUE;
}

HMODULE IndirectStrings::Module(const std::wstring& strName) {
    for (const Library& library : m_libraries)
        if (::CompareStringOrdinal(library.strName.c_str(), -1, strName.c_str(), -1, TRUE) == CSTR_EQUAL)
            return library.hModule;
    HMODULE hModule = strName.empty() ? nullptr
                                      : ::LoadLibraryExW(strName.c_str(), nullptr,
                                                         LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    m_libraries.push_back(Library{strName, hModule});
    return hModule;
}

}  // namespace scheme
