// Named schemes: whole sets of sounds kept under a name beside the current one,
// in the layout the system's own sound settings use, so that both see the same.
#include <algorithm>
#include <map>

#include "RegistryValues.h"
#include "SchemeStore.h"
#include "SoundEvent.h"

namespace {

const char kSchemesKey[] = "AppEvents\\Schemes";
const char kNamesKey[] = "AppEvents\\Schemes\\Names";
const char kAppsKey[] = "AppEvents\\Schemes\\Apps";
// Ids are cut to this many bytes before a number makes them unique.
constexpr int kMaxIdBase = 32;

// The subkey names of a key, in the registry's order; a name too long for a key
// name is left out.
std::vector<CString> SubkeyNames(HKEY hKey) {
    std::vector<CString> names;
    for (DWORD nIndex = 0;; ++nIndex) {
        char szName[MAX_PATH];
        DWORD nName = MAX_PATH;
        LONG rc = ::RegEnumKeyExA(hKey, nIndex, szName, &nName, nullptr, nullptr, nullptr, nullptr);
        if (rc == ERROR_MORE_DATA) continue;
        if (rc != ERROR_SUCCESS) break;
        names.emplace_back(szName, static_cast<int>(nName));
    }
    return names;
}

// A key's default value, whole; FALSE when it has none.
BOOL ReadDefaultValue(HKEY hKey, DWORD* pType, CString* pData) {
    for (int nTry = 0; nTry < 8; ++nTry) {
        DWORD nData = 0;
        if (::RegQueryValueExA(hKey, "", nullptr, pType, nullptr, &nData) != ERROR_SUCCESS) return FALSE;
        LPSTR pBuffer = pData->GetBuffer(static_cast<int>(nData));
        LONG rc = ::RegQueryValueExA(hKey, "", nullptr, pType, reinterpret_cast<BYTE*>(pBuffer), &nData);
        pData->ReleaseBuffer(rc == ERROR_SUCCESS ? static_cast<int>(nData) : 0);
        // The value may have grown in between: it is asked again.
        if (rc != ERROR_MORE_DATA) return rc == ERROR_SUCCESS;
    }
    return FALSE;
}

LONG WriteDefaultValue(HKEY hKey, DWORD dwType, const CString& strData) {
    return ::RegSetValueExA(hKey, "", 0, dwType, reinterpret_cast<const BYTE*>(static_cast<LPCSTR>(strData)),
                            static_cast<DWORD>(strData.GetLength()));
}

LONG WriteSubkeyDefault(HKEY hParent, const CString& strSubkey, DWORD dwType, const CString& strData) {
    HKEY hKey;
    LONG rc = ::RegCreateKeyExA(hParent, strSubkey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, nullptr, &hKey,
                                nullptr);
    if (rc != ERROR_SUCCESS) return rc;
    rc = WriteDefaultValue(hKey, dwType, strData);
    ::RegCloseKey(hKey);
    return rc;
}

BOOL IsText(DWORD dwType) {
    return dwType == REG_SZ || dwType == REG_EXPAND_SZ;
}

// The empty text as a REG_SZ value stores it: the terminating NUL alone.
CString EmptyText() {
    return CString('\0');
}

}  // namespace

template <typename Visit>
BOOL SchemeStore::ForEachEvent(REGSAM access, Visit visit) const {
    HKEY hApps;
    if (::RegOpenKeyExA(m_hRoot, kAppsKey, 0, KEY_READ, &hApps) != ERROR_SUCCESS) return FALSE;
    for (const CString& strApp : SubkeyNames(hApps)) {
        HKEY hApp;
        if (::RegOpenKeyExA(hApps, strApp, 0, KEY_READ, &hApp) != ERROR_SUCCESS) continue;
        for (const CString& strEvent : SubkeyNames(hApp)) {
            HKEY hEvent;
            if (::RegOpenKeyExA(hApp, strEvent, 0, access, &hEvent) != ERROR_SUCCESS) continue;
            visit(strApp, strEvent, hEvent);
            ::RegCloseKey(hEvent);
        }
        ::RegCloseKey(hApp);
    }
    ::RegCloseKey(hApps);
    return TRUE;
}

BOOL SchemeStore::IsSchemeId(const CString& strId) {
    return !strId.IsEmpty() && strId.Find('\\') < 0 && strId.CompareNoCase(".Current") != 0;
}

BOOL SchemeStore::IsReservedId(const CString& strId) {
    return !IsSchemeId(strId) || strId.CompareNoCase(".Default") == 0 || strId.CompareNoCase(".None") == 0;
}

std::vector<SchemeStore::Scheme> SchemeStore::ListSchemes() const {
    std::vector<Scheme> schemes;
    HKEY hNames;
    if (::RegOpenKeyExA(m_hRoot, kNamesKey, 0, KEY_READ, &hNames) != ERROR_SUCCESS) return schemes;
    scheme::IndirectStrings strings;
    for (const CString& strId : SubkeyNames(hNames)) {
        // A key named as the current sounds is no scheme: applying it would empty them.
        if (!IsSchemeId(strId)) continue;
        Scheme entry{strId, strId};
        HKEY hName;
        if (::RegOpenKeyExA(hNames, strId, 0, KEY_READ, &hName) == ERROR_SUCCESS) {
            DWORD dwType = REG_NONE;
            CString strData;
            CString strName;
            if (ReadDefaultValue(hName, &dwType, &strData) && IsText(dwType)) {
                strName = scheme::RegSzText(strData);
                // "@library,-id" names a localised string, as the system's own schemes do.
                if (!strName.IsEmpty() && strName[0] == '@' && !strings.Load(hName, L"", &strName)) strName.Empty();
            }
            if (!strName.IsEmpty()) entry.strName = strName;
            ::RegCloseKey(hName);
        }
        schemes.push_back(entry);
    }
    ::RegCloseKey(hNames);
    std::stable_sort(schemes.begin(), schemes.end(),
                     [](const Scheme& a, const Scheme& b) { return ::lstrcmpA(a.strName, b.strName) < 0; });
    return schemes;
}

CString SchemeStore::GetSchemeInUse() const {
    HKEY hSchemes;
    if (::RegOpenKeyExA(m_hRoot, kSchemesKey, 0, KEY_READ, &hSchemes) != ERROR_SUCCESS) return CString();
    DWORD dwType = REG_NONE;
    CString strData;
    BOOL bRead = ReadDefaultValue(hSchemes, &dwType, &strData);
    ::RegCloseKey(hSchemes);
    return bRead && IsText(dwType) ? scheme::RegSzText(strData) : CString();
}

BOOL SchemeStore::LoadSchemeSounds(const CString& strApp, const CString& strId, const CObArray& events) const {
    HKEY hAppKey;
    if (::RegOpenKeyExA(m_hRoot, CString(kAppsKey) + "\\" + strApp, 0, KEY_READ, &hAppKey) != ERROR_SUCCESS)
        return FALSE;
    for (INT_PTR i = 0; i < events.GetSize(); ++i) {
        auto* pEvent = reinterpret_cast<SoundEvent*>(events.GetAt(i));
        pEvent->ClearStoredValue();
        HKEY hKey;
        if (::RegOpenKeyExA(hAppKey, pEvent->GetKey() + "\\" + strId, 0, KEY_READ, &hKey) != ERROR_SUCCESS) continue;
        DWORD dwType = REG_NONE;
        CString strData;
        if (ReadDefaultValue(hKey, &dwType, &strData) && IsText(dwType)) {
            pEvent->SetStoredValue(dwType, strData);
            CString strPath;
            if (scheme::ReadSoundPath(hKey, L"", &strPath)) pEvent->SetSoundPath(strPath);
        }
        ::RegCloseKey(hKey);
    }
    ::RegCloseKey(hAppKey);
    return TRUE;
}

BOOL SchemeStore::ApplyScheme(const CString& strId) const {
    if (!IsSchemeId(strId)) return FALSE;
    BOOL bWritten = TRUE;
    BOOL bVisited = ForEachEvent(KEY_READ | KEY_CREATE_SUB_KEY, [&](const CString&, const CString&, HKEY hEvent) {
        DWORD dwType = REG_NONE;
        CString strData;
        HKEY hKey;
        BOOL bValue = FALSE;
        if (::RegOpenKeyExA(hEvent, strId, 0, KEY_READ, &hKey) == ERROR_SUCCESS) {
            bValue = ReadDefaultValue(hKey, &dwType, &strData) && IsText(dwType);
            ::RegCloseKey(hKey);
        }
        if (!bValue) {
            // Only a .Current that is there is emptied; none is made for no sound.
            if (::RegOpenKeyExA(hEvent, ".Current", 0, KEY_READ, &hKey) != ERROR_SUCCESS) return;
            ::RegCloseKey(hKey);
            dwType = REG_SZ;
            strData = EmptyText();
        }
        if (WriteSubkeyDefault(hEvent, ".Current", dwType, strData) != ERROR_SUCCESS) bWritten = FALSE;
    });
    HKEY hSchemes;
    if (::RegCreateKeyExA(m_hRoot, kSchemesKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, nullptr, &hSchemes,
                          nullptr) != ERROR_SUCCESS)
        return FALSE;
    LONG rc = WriteDefaultValue(hSchemes, REG_SZ, strId + CString('\0'));
    ::RegCloseKey(hSchemes);
    return bVisited && bWritten && rc == ERROR_SUCCESS;
}

CString SchemeStore::MakeSchemeId(const CString& strName) const {
    // The name, a backslash being no part of a key name, cut on a character boundary.
    CString strBase;
    for (LPCSTR p = strName; *p != '\0';) {
        LPCSTR pNext = ::CharNextExA(932, p, 0);
        if (strBase.GetLength() + (pNext - p) > kMaxIdBase) break;
        strBase += *p == '\\' ? CString('_') : CString(p, static_cast<int>(pNext - p));
        p = pNext;
    }
    HKEY hNames = nullptr;
    ::RegOpenKeyExA(m_hRoot, kNamesKey, 0, KEY_READ, &hNames);
    auto taken = [&](const CString& strId) {
        if (IsReservedId(strId)) return true;
        HKEY hKey;
        if (hNames == nullptr || ::RegOpenKeyExA(hNames, strId, 0, KEY_READ, &hKey) != ERROR_SUCCESS) return false;
        ::RegCloseKey(hKey);
        return true;
    };
    CString strId = strBase;
    for (int n = 2; taken(strId); ++n) {
        char szNumber[16];
        ::wsprintfA(szNumber, "%d", n);
        strId = strBase + szNumber;
    }
    if (hNames != nullptr) ::RegCloseKey(hNames);
    return strId;
}

BOOL SchemeStore::SaveScheme(const CString& strId, const CString& strName, const CString& strApp,
                             const CObArray& events) const {
    if (IsReservedId(strId)) return FALSE;
    // What the scheme held before is replaced whole: no event keeps an old sound.
    if (!RemoveSchemeKeys(strId)) return FALSE;
    std::map<CString, const SoundEvent*, bool (*)(const CString&, const CString&)> listed(
        [](const CString& a, const CString& b) { return a.CompareNoCase(b) < 0; });
    for (INT_PTR i = 0; i < events.GetSize(); ++i) {
        const auto* pEvent = reinterpret_cast<const SoundEvent*>(events.GetAt(i));
        listed[pEvent->GetKey()] = pEvent;
    }
    BOOL bWritten = WriteSubkeyDefault(m_hRoot, CString(kNamesKey) + "\\" + strId, REG_SZ, strName + CString('\0')) ==
                    ERROR_SUCCESS;
    BOOL bVisited = ForEachEvent(
        KEY_READ | KEY_CREATE_SUB_KEY, [&](const CString& strEventApp, const CString& strEvent, HKEY hEvent) {
            DWORD dwType = REG_SZ;
            CString strData = EmptyText();
            auto it = strEventApp.CompareNoCase(strApp) == 0 ? listed.find(strEvent) : listed.end();
            if (it != listed.end()) {
                // What the dialog holds: the user's assignment, else the value as it was read.
                const SoundEvent* pEvent = it->second;
                if (pEvent->IsAssigned()) {
                    strData = pEvent->GetFile() + CString('\0');
                } else if (pEvent->HasStoredValue()) {
                    dwType = pEvent->GetStoredType();
                    strData = pEvent->GetStoredData();
                }
            } else {
                // Any other event keeps in the scheme what plays now.
                HKEY hCurrent;
                if (::RegOpenKeyExA(hEvent, ".Current", 0, KEY_READ, &hCurrent) != ERROR_SUCCESS) return;
                BOOL bRead = ReadDefaultValue(hCurrent, &dwType, &strData);
                ::RegCloseKey(hCurrent);
                if (!bRead) return;
            }
            if (WriteSubkeyDefault(hEvent, strId, dwType, strData) != ERROR_SUCCESS) bWritten = FALSE;
        });
    if (bVisited && bWritten) return TRUE;
    RemoveSchemeKeys(strId);
    return FALSE;
}

BOOL SchemeStore::RemoveSchemeKeys(const CString& strId) const {
    if (IsReservedId(strId)) return FALSE;
    BOOL bRemoved = TRUE;
    auto remove = [&bRemoved](HKEY hParent, const CString& strSubkey) {
        LONG rc = ::RegDeleteTreeA(hParent, strSubkey);
        if (rc != ERROR_SUCCESS && rc != ERROR_FILE_NOT_FOUND) bRemoved = FALSE;
    };
    HKEY hNames;
    if (::RegOpenKeyExA(m_hRoot, kNamesKey, 0, KEY_READ | DELETE, &hNames) == ERROR_SUCCESS) {
        remove(hNames, strId);
        ::RegCloseKey(hNames);
    }
    ForEachEvent(KEY_READ | DELETE, [&](const CString&, const CString&, HKEY hEvent) { remove(hEvent, strId); });
    return bRemoved;
}

BOOL SchemeStore::DeleteScheme(const CString& strId) const {
    BOOL bRemoved = RemoveSchemeKeys(strId);
    if (bRemoved && GetSchemeInUse().CompareNoCase(strId) == 0) {
        HKEY hSchemes;
        if (::RegOpenKeyExA(m_hRoot, kSchemesKey, 0, KEY_SET_VALUE, &hSchemes) != ERROR_SUCCESS) return FALSE;
        if (WriteDefaultValue(hSchemes, REG_SZ, EmptyText()) != ERROR_SUCCESS) bRemoved = FALSE;
        ::RegCloseKey(hSchemes);
    }
    return bRemoved;
}
