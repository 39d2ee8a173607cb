// The event catalogue: which sound events the registry declares for an
// application, their labels and the wave files assigned to them now.
#include "RegistryValues.h"
#include "SchemeStore.h"
#include "SoundEvent.h"

#include <algorithm>
#include <cstring>

using scheme::IndirectStrings;
using scheme::ReadValue;

namespace {

const WCHAR kAppsKey[] = L"AppEvents\\Schemes\\Apps";
const WCHAR kLabelsKey[] = L"AppEvents\\EventLabels";
const WCHAR kDefaultApp[] = L".Default";

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
            strDefault = scheme::RegSzText(strData);
        }
        if (nIndex == 0) {
            bFirst = TRUE;
            strFirst = scheme::RegSzText(strData);
        }
    }
    if (bIndirect && pStrings->Load(hLabelKey, L"DispFileName", pLabel)) return TRUE;
    if (!bDefault && !bFirst) return FALSE;
    *pLabel = bDefault ? strDefault : strFirst;
    return TRUE;
}

// Calls visit(key name, label) for each event of the application that the
// dialog shows, in the registry's order, until it returns FALSE. An event
// without a label, or one that the system's sound settings hide, is neither
// shown nor written.
template <typename Visit>
void ForEachShownEvent(HKEY hAppKey, HKEY hLabels, IndirectStrings* pStrings, Visit visit) {
    for (DWORD nIndex = 0;; ++nIndex) {
        WCHAR szKey[MAX_PATH];
        DWORD nKey = MAX_PATH;
        LONG rc = ::RegEnumKeyExW(hAppKey, nIndex, szKey, &nKey, nullptr, nullptr, nullptr, nullptr);
        // A name too long for the buffer skips its event; any other error (the key
        // deleted meanwhile) would repeat for every index: what was read is shown.
        if (rc == ERROR_MORE_DATA) continue;
        if (rc != ERROR_SUCCESS) break;
        HKEY hLabelKey;
        if (::RegOpenKeyExW(hLabels, szKey, 0, KEY_READ, &hLabelKey) != ERROR_SUCCESS) continue;
        CString strLabel;
        BOOL bShown = ReadLabel(hLabelKey, pStrings, &strLabel);
        ::RegCloseKey(hLabelKey);
        if (bShown && !visit(std::wstring(szKey, nKey), strLabel)) return;
    }
}

// The name an application is offered under: its DispFileName resolved, else
// its default value, else strFallback.
CString ReadAppName(HKEY hAppKey, IndirectStrings* pStrings, const std::wstring& strFallback) {
    CString strName;
    if (pStrings->Load(hAppKey, L"DispFileName", &strName)) return strName;
    scheme::StoredValue value;
    std::wstring strText;
    if (scheme::ReadDefaultValue(hAppKey, &value) && value.dwType == REG_SZ) strText = scheme::ValueText(value);
    scheme::NarrowText(strText.empty() ? strFallback : strText, &strName);
    return strName;
}

}  // namespace

SchemeStore::~SchemeStore() {
    for (auto& table : m_tables) {
        CObArray& events = table.second->events;
        for (INT_PTR i = 0; i < events.GetSize(); ++i) delete reinterpret_cast<SoundEvent*>(events.GetAt(i));
        events.RemoveAll();
    }
}

LONG SchemeStore::OpenAppKey(const std::wstring& strApp, HKEY* phKey) const {
    return ::RegOpenKeyExW(m_hRoot, (std::wstring(kAppsKey) + L"\\" + strApp).c_str(), 0, KEY_READ, phKey);
}

SchemeStore::EventTable* SchemeStore::FindTable(const std::wstring& strApp) const {
    for (const auto& table : m_tables)
        if (scheme::SameName(table.first, strApp)) return table.second.get();
    return nullptr;
}

const CObArray& SchemeStore::GetEvents(const std::wstring& strApp) const {
    static const CObArray s_none;
    const EventTable* pTable = FindTable(strApp);
    return pTable != nullptr ? pTable->events : s_none;
}

BOOL SchemeStore::IsLoaded(const std::wstring& strApp) const {
    const EventTable* pTable = FindTable(strApp);
    return pTable != nullptr && pTable->bSoundsLoaded;
}

std::vector<std::wstring> SchemeStore::GetLoadedApplications() const {
    std::vector<std::wstring> apps;
    for (const auto& table : m_tables)
        if (table.second->bSoundsLoaded) apps.push_back(table.first);
    return apps;
}

std::vector<SchemeStore::Application> SchemeStore::ListApplications() const {
    std::vector<Application> apps;
    HKEY hApps;
    if (::RegOpenKeyExW(m_hRoot, kAppsKey, 0, KEY_READ, &hApps) != ERROR_SUCCESS) return apps;
    HKEY hLabels = nullptr;
    ::RegOpenKeyExW(m_hRoot, kLabelsKey, 0, KEY_READ, &hLabels);
    IndirectStrings strings;
    HKEY hAppKey;
    if (::RegOpenKeyExW(hApps, kDefaultApp, 0, KEY_READ, &hAppKey) == ERROR_SUCCESS) {
        // The system's own application is offered even without events, as the dialog always showed it.
        apps.push_back(Application{kDefaultApp, ReadAppName(hAppKey, &strings, L"Windows")});
        ::RegCloseKey(hAppKey);
        for (const std::wstring& strApp : scheme::SubkeyNames(hApps)) {
            if (scheme::SameName(strApp, kDefaultApp)) continue;
            if (::RegOpenKeyExW(hApps, strApp.c_str(), 0, KEY_READ, &hAppKey) != ERROR_SUCCESS) continue;
            // The first event shown is enough.
            BOOL bShown = FALSE;
            if (hLabels != nullptr)
                ForEachShownEvent(hAppKey, hLabels, &strings, [&bShown](const std::wstring&, const CString&) {
                    bShown = TRUE;
                    return FALSE;
                });
            if (bShown) apps.push_back(Application{strApp, ReadAppName(hAppKey, &strings, strApp)});
            ::RegCloseKey(hAppKey);
        }
        // The code page's byte order of the names shown.
        std::stable_sort(apps.begin() + 1, apps.end(), [](const Application& a, const Application& b) {
            return std::strcmp(a.strShown, b.strShown) < 0;
        });
    }
    if (hLabels != nullptr) ::RegCloseKey(hLabels);
    ::RegCloseKey(hApps);
    return apps;
}

BOOL SchemeStore::LoadEvents(const std::wstring& strApp) {
    HKEY hAppKey;
    if (OpenAppKey(strApp, &hAppKey) != ERROR_SUCCESS) return FALSE;
    EventTable* pTable = FindTable(strApp);
    if (pTable == nullptr) {
        m_tables.emplace_back(strApp, std::make_unique<EventTable>());
        pTable = m_tables.back().second.get();
    }
    CObArray& events = pTable->events;
    HKEY hLabels;
    if (::RegOpenKeyExW(m_hRoot, kLabelsKey, 0, KEY_READ, &hLabels) != ERROR_SUCCESS) {
        // Without labels no event is shown.
        ::RegCloseKey(hAppKey);
        return TRUE;
    }
    // Each library of localised names is loaded once for the whole catalogue.
    IndirectStrings strings;
    ForEachShownEvent(hAppKey, hLabels, &strings, [&events](const std::wstring& strKey, const CString& strLabel) {
        events.Add(reinterpret_cast<CObject*>(new SoundEvent(strKey, strLabel)));
        return TRUE;
    });
    ::RegCloseKey(hLabels);
    ::RegCloseKey(hAppKey);
    return TRUE;
}

BOOL SchemeStore::LoadCurrentSounds(const std::wstring& strApp) {
    HKEY hAppKey;
    if (OpenAppKey(strApp, &hAppKey) != ERROR_SUCCESS) return FALSE;
    EventTable* pTable = FindTable(strApp);
    const INT_PTR nEvents = pTable != nullptr ? pTable->events.GetSize() : 0;
    for (INT_PTR i = 0; i < nEvents; ++i) {
        auto* pEvent = reinterpret_cast<SoundEvent*>(pTable->events.GetAt(i));
        HKEY hCurrentKey;
        std::wstring strCurrent = pEvent->GetKeyName() + L"\\.Current";
        LONG rc = ::RegOpenKeyExW(hAppKey, strCurrent.c_str(), 0, KEY_READ, &hCurrentKey);
        // OK creates only a .Current that is missing; one that is there but
        // cannot be read is left alone.
        if (rc != ERROR_FILE_NOT_FOUND) pEvent->SetHasCurrentKey();
        if (rc != ERROR_SUCCESS) continue;
        scheme::StoredValue value;
        if (scheme::ReadPlayedValue(hCurrentKey, &value)) pEvent->SetStoredValue(value);
        ::RegCloseKey(hCurrentKey);
    }
    ::RegCloseKey(hAppKey);
    if (pTable != nullptr) pTable->bSoundsLoaded = TRUE;
    return TRUE;
}

CString SchemeStore::GetEventLabel(const std::wstring& strEvent) const {
    CString strLabel;
    HKEY hLabelKey;
    std::wstring strPath = std::wstring(kLabelsKey) + L"\\" + strEvent;
    if (::RegOpenKeyExW(m_hRoot, strPath.c_str(), 0, KEY_READ, &hLabelKey) == ERROR_SUCCESS) {
        IndirectStrings strings;
        BOOL bLabel = ReadLabel(hLabelKey, &strings, &strLabel);
        ::RegCloseKey(hLabelKey);
        if (bLabel) return strLabel;
    }
    scheme::NarrowText(strEvent, &strLabel);
    return strLabel;
}
