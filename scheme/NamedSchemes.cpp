// Named schemes: whole sets of sounds kept under a name beside the current one,
// in the layout the system's own sound settings use, so that both see the same.
// Keys and values are named, read and written in UTF-16: a copy keeps every
// character and byte, whatever the code page can hold.
#include <algorithm>
#include <map>
#include <optional>
#include <set>

#include "RegistryValues.h"
#include "SchemeStore.h"
#include "SoundEvent.h"

using scheme::NameLess;
using scheme::SameName;
using scheme::StoredValue;
using scheme::WriteSubkeyDefault;

namespace {

const WCHAR kSchemesKey[] = L"AppEvents\\Schemes";
const WCHAR kNamesKey[] = L"AppEvents\\Schemes\\Names";
const WCHAR kAppsKey[] = L"AppEvents\\Schemes\\Apps";
// Ids are cut to this many characters before a number makes them unique.
constexpr size_t kMaxIdBase = 16;

BOOL HasSubkey(HKEY hParent, const std::wstring& strSubkey) {
    HKEY hKey;
    if (::RegOpenKeyExW(hParent, strSubkey.c_str(), 0, KEY_READ, &hKey) != ERROR_SUCCESS) return FALSE;
    ::RegCloseKey(hKey);
    return TRUE;
}

// What an event's .Current becomes when the scheme is applied: the scheme's
// text value, else the empty text where a .Current is there to be emptied;
// FALSE when nothing is to be written (none is made for no sound).
BOOL AppliedValue(HKEY hEvent, const std::wstring& strId, StoredValue* pValue) {
    HKEY hKey;
    if (::RegOpenKeyExW(hEvent, strId.c_str(), 0, KEY_READ, &hKey) == ERROR_SUCCESS) {
        BOOL bValue = scheme::ReadPlayedValue(hKey, pValue) && scheme::IsText(pValue->dwType);
        ::RegCloseKey(hKey);
        if (bValue) return TRUE;
    }
    *pValue = scheme::EmptyText();
    return HasSubkey(hEvent, L".Current");
}

}  // namespace

template <typename Visit>
BOOL SchemeStore::ForEachEvent(REGSAM access, Visit visit) const {
    HKEY hApps;
    if (::RegOpenKeyExW(m_hRoot, kAppsKey, 0, KEY_READ, &hApps) != ERROR_SUCCESS) return FALSE;
    for (const std::wstring& strApp : scheme::SubkeyNames(hApps)) {
        HKEY hApp;
        if (::RegOpenKeyExW(hApps, strApp.c_str(), 0, KEY_READ, &hApp) != ERROR_SUCCESS) continue;
        for (const std::wstring& strEvent : scheme::SubkeyNames(hApp)) {
            HKEY hEvent;
            if (::RegOpenKeyExW(hApp, strEvent.c_str(), 0, access, &hEvent) != ERROR_SUCCESS) hEvent = nullptr;
            visit(strApp, strEvent, hEvent);
            if (hEvent != nullptr) ::RegCloseKey(hEvent);
        }
        ::RegCloseKey(hApp);
    }
    ::RegCloseKey(hApps);
    return TRUE;
}

BOOL SchemeStore::IsSchemeId(const std::wstring& strId) {
    return !strId.empty() && strId.find(L'\\') == std::wstring::npos && !scheme::SameName(strId, L".Current");
}

BOOL SchemeStore::IsReservedId(const std::wstring& strId) {
    return !IsSchemeId(strId) || scheme::SameName(strId, L".Default") || scheme::SameName(strId, L".None");
}

std::vector<SchemeStore::Scheme> SchemeStore::ListSchemes() const {
    std::vector<Scheme> schemes;
    HKEY hNames;
    if (::RegOpenKeyExW(m_hRoot, kNamesKey, 0, KEY_READ, &hNames) != ERROR_SUCCESS) return schemes;
    scheme::IndirectStrings strings;
    for (const std::wstring& strId : scheme::SubkeyNames(hNames)) {
        // A key named as the current sounds is no scheme: applying it would empty them.
        if (!IsSchemeId(strId)) continue;
        Scheme entry{strId, strId, CString(), IsReservedId(strId)};
        HKEY hName;
        if (::RegOpenKeyExW(hNames, strId.c_str(), 0, KEY_READ, &hName) == ERROR_SUCCESS) {
            StoredValue value;
            std::wstring strName;
            if (scheme::ReadDefaultValue(hName, &value) && scheme::IsText(value.dwType))
                strName = scheme::ValueText(value).c_str();
            // "@library,-id" names a localised string, as the system's own
            // schemes and those of themes do: those are the system's.
            if (!strName.empty() && strName[0] == L'@') {
                entry.bSystem = TRUE;
                CString strLoaded;
                strName = strings.Load(hName, L"", &strLoaded) ? scheme::Widen(strLoaded) : std::wstring();
            }
            if (!strName.empty()) entry.strName = strName;
            ::RegCloseKey(hName);
        }
        scheme::NarrowText(entry.strName, &entry.strShown);
        schemes.push_back(entry);
    }
    ::RegCloseKey(hNames);
    std::stable_sort(schemes.begin(), schemes.end(),
                     [](const Scheme& a, const Scheme& b) { return ::lstrcmpA(a.strShown, b.strShown) < 0; });
    return schemes;
}

std::wstring SchemeStore::GetSchemeInUse() const {
    HKEY hSchemes;
    if (::RegOpenKeyExW(m_hRoot, kSchemesKey, 0, KEY_READ, &hSchemes) != ERROR_SUCCESS) return std::wstring();
    StoredValue value;
    BOOL bRead = scheme::ReadDefaultValue(hSchemes, &value);
    ::RegCloseKey(hSchemes);
    return bRead && scheme::IsText(value.dwType) ? scheme::ValueText(value).c_str() : std::wstring();
}

BOOL SchemeStore::SetSchemeInUse(const std::wstring& strId) const {
    HKEY hSchemes;
    if (::RegCreateKeyExW(m_hRoot, kSchemesKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, nullptr, &hSchemes,
                          nullptr) != ERROR_SUCCESS)
        return FALSE;
    const auto* pBytes = reinterpret_cast<const BYTE*>(strId.c_str());
    StoredValue value{REG_SZ, std::vector<BYTE>(pBytes, pBytes + (strId.size() + 1) * sizeof(WCHAR))};
    LONG rc = scheme::WriteDefaultValue(hSchemes, value);
    ::RegCloseKey(hSchemes);
    return rc == ERROR_SUCCESS;
}

BOOL SchemeStore::LoadSchemeSounds(const std::vector<std::wstring>& apps, const std::wstring& strId) const {
    // Every application is read before any event changes, so that one that
    // cannot be read leaves every event, and the user's assignments, as they were.
    std::vector<std::vector<std::optional<StoredValue>>> sounds;
    for (const std::wstring& strApp : apps) {
        HKEY hAppKey;
        if (OpenAppKey(strApp, &hAppKey) != ERROR_SUCCESS) return FALSE;
        const CObArray& events = GetEvents(strApp);
        std::vector<std::optional<StoredValue>>& appSounds = sounds.emplace_back(events.GetSize());
        for (INT_PTR i = 0; i < events.GetSize(); ++i) {
            auto* pEvent = reinterpret_cast<SoundEvent*>(events.GetAt(i));
            HKEY hKey;
            if (::RegOpenKeyExW(hAppKey, (pEvent->GetKeyName() + L"\\" + strId).c_str(), 0, KEY_READ, &hKey) !=
                ERROR_SUCCESS)
                continue;
            StoredValue value;
            if (scheme::ReadPlayedValue(hKey, &value) && scheme::IsText(value.dwType))
                appSounds[static_cast<size_t>(i)] = value;
            ::RegCloseKey(hKey);
        }
        ::RegCloseKey(hAppKey);
    }
    for (size_t nApp = 0; nApp < apps.size(); ++nApp) {
        const CObArray& events = GetEvents(apps[nApp]);
        for (INT_PTR i = 0; i < events.GetSize(); ++i) {
            auto* pEvent = reinterpret_cast<SoundEvent*>(events.GetAt(i));
            const std::optional<StoredValue>& sound = sounds[nApp][static_cast<size_t>(i)];
            if (sound)
                pEvent->SetStoredValue(*sound);
            else
                pEvent->ClearStoredValue();
        }
    }
    return TRUE;
}

BOOL SchemeStore::ApplyScheme(const std::wstring& strId, std::vector<EventKey>* pFailed) const {
    if (!IsSchemeId(strId)) return FALSE;
    size_t nFailedBefore = pFailed->size();
    BOOL bVisited = ForEachEvent(
        KEY_READ | KEY_CREATE_SUB_KEY, [&](const std::wstring& strApp, const std::wstring& strEvent, HKEY hEvent) {
            StoredValue value;
            if (hEvent != nullptr && !AppliedValue(hEvent, strId, &value)) return;
            if (hEvent == nullptr || WriteSubkeyDefault(hEvent, L".Current", value) != ERROR_SUCCESS)
                pFailed->push_back(EventKey{strApp, strEvent});
        });
    // A scheme not written whole is not the one in use.
    if (!bVisited || pFailed->size() != nFailedBefore) return FALSE;
    return SetSchemeInUse(strId);
}

std::wstring SchemeStore::MakeSchemeId(const CString& strName) const {
    // The name, a backslash being no part of a key name and a leading '.' the
    // system's, cut on a character boundary.
    std::wstring strBase;
    for (WCHAR c : scheme::Widen(strName)) {
        size_t nLength = strBase.size();
        // A surrogate pair is never cut in two.
        if (nLength >= kMaxIdBase && !(IS_LOW_SURROGATE(c) && nLength == kMaxIdBase)) break;
        strBase += c == L'\\' || (c == L'.' && nLength == 0) ? L'_' : c;
    }
    // Every name below an event key is taken: other programs keep keys there too.
    std::set<std::wstring, NameLess> taken;
    HKEY hNames;
    if (::RegOpenKeyExW(m_hRoot, kNamesKey, 0, KEY_READ, &hNames) == ERROR_SUCCESS) {
        for (const std::wstring& strId : scheme::SubkeyNames(hNames)) taken.insert(strId);
        ::RegCloseKey(hNames);
    }
    ForEachEvent(KEY_READ, [&](const std::wstring&, const std::wstring&, HKEY hEvent) {
        if (hEvent == nullptr) return;
        for (const std::wstring& strSubkey : scheme::SubkeyNames(hEvent)) taken.insert(strSubkey);
    });
    std::wstring strId = strBase;
    for (int n = 2; IsReservedId(strId) || taken.count(strId) != 0; ++n) strId = strBase + std::to_wstring(n);
    return strId;
}

BOOL SchemeStore::SaveScheme(const std::wstring& strReplaced, const CString& strName, const std::wstring& strApplied,
                             std::wstring* pId) const {
    if (!strReplaced.empty() && IsReservedId(strReplaced)) return FALSE;
    // The new scheme is written whole under an id of its own first: whatever
    // fails, the scheme it replaces is still there as it was.
    std::wstring strId = MakeSchemeId(strName);
    // The events the store holds, of every application whose current sounds it read.
    std::map<EventKey, const SoundEvent*, EventKeyLess> listed;
    for (const auto& table : m_tables) {
        if (!table.second->bSoundsLoaded) continue;
        const CObArray& events = table.second->events;
        for (INT_PTR i = 0; i < events.GetSize(); ++i) {
            const auto* pEvent = reinterpret_cast<const SoundEvent*>(events.GetAt(i));
            listed[EventKey{table.first, pEvent->GetKeyName()}] = pEvent;
        }
    }
    BOOL bWritten = WriteSubkeyDefault(m_hRoot, std::wstring(kNamesKey) + L"\\" + strId, scheme::TextValue(strName)) ==
                    ERROR_SUCCESS;
    BOOL bVisited = ForEachEvent(
        KEY_READ | KEY_CREATE_SUB_KEY, [&](const std::wstring& strEventApp, const std::wstring& strEvent, HKEY hEvent) {
            if (hEvent == nullptr) {
                bWritten = FALSE;
                return;
            }
            StoredValue value = scheme::EmptyText();
            auto it = listed.find(EventKey{strEventApp, strEvent});
            if (it != listed.end()) {
                // What the dialog holds: the user's assignment, else the value as it was read.
                const SoundEvent* pEvent = it->second;
                if (pEvent->IsAssigned())
                    value = scheme::TextValue(pEvent->GetFile());
                else if (pEvent->HasStoredValue())
                    value = pEvent->GetStoredValue();
            } else if (!strApplied.empty()) {
                // Any other event keeps what the user sees: the sound of the scheme applied.
                if (!AppliedValue(hEvent, strApplied, &value)) return;
            } else {
                // Or what plays now.
                HKEY hCurrent;
                if (::RegOpenKeyExW(hEvent, L".Current", 0, KEY_READ, &hCurrent) != ERROR_SUCCESS) return;
                BOOL bRead = scheme::ReadPlayedValue(hCurrent, &value);
                ::RegCloseKey(hCurrent);
                if (!bRead) return;
            }
            if (WriteSubkeyDefault(hEvent, strId, value) != ERROR_SUCCESS) bWritten = FALSE;
        });
    if (!bVisited || !bWritten) {
        RemoveSchemeKeys(strId);
        return FALSE;
    }
    if (!strReplaced.empty()) {
        // The old name goes first, so that the old scheme is never listed half removed.
        HKEY hNames;
        LONG rc = ::RegOpenKeyExW(m_hRoot, kNamesKey, 0, KEY_READ, &hNames);
        if (rc == ERROR_SUCCESS) {
            rc = ::RegDeleteTreeW(hNames, strReplaced.c_str());
            ::RegCloseKey(hNames);
        }
        if (rc != ERROR_SUCCESS && rc != ERROR_FILE_NOT_FOUND) {
            RemoveSchemeKeys(strId);
            return FALSE;
        }
        // A value left behind is no scheme without its name, and keeps its id taken.
        RemoveSchemeKeys(strReplaced);
        if (scheme::SameName(GetSchemeInUse(), strReplaced)) SetSchemeInUse(strId);
    }
    *pId = strId;
    return TRUE;
}

BOOL SchemeStore::RemoveSchemeKeys(const std::wstring& strId) const {
    if (IsReservedId(strId)) return FALSE;
    BOOL bRemoved = TRUE;
    auto remove = [&bRemoved](HKEY hParent, const std::wstring& strSubkey) {
        // A key that cannot even be read may hold the scheme's value: not known to be removed.
        LONG rc = hParent != nullptr ? ::RegDeleteTreeW(hParent, strSubkey.c_str()) : ERROR_ACCESS_DENIED;
        if (rc != ERROR_SUCCESS && rc != ERROR_FILE_NOT_FOUND) bRemoved = FALSE;
    };
    HKEY hNames;
    if (::RegOpenKeyExW(m_hRoot, kNamesKey, 0, KEY_READ, &hNames) == ERROR_SUCCESS) {
        remove(hNames, strId);
        ::RegCloseKey(hNames);
    }
    ForEachEvent(KEY_READ, [&](const std::wstring&, const std::wstring&, HKEY hEvent) { remove(hEvent, strId); });
    return bRemoved;
}

BOOL SchemeStore::DeleteScheme(const std::wstring& strId) const {
    BOOL bRemoved = RemoveSchemeKeys(strId);
    if (bRemoved && scheme::SameName(GetSchemeInUse(), strId)) bRemoved = SetSchemeInUse(std::wstring());
    return bRemoved;
}

BOOL SchemeStore::VisitEvents(REGSAM access, const EventVisitor& visit) const {
    return ForEachEvent(access, visit);
}
