// The event catalogue: which sound events the registry declares for an
// application, their labels and the wave files assigned to them now.
#include "RegistryValues.h"
#include "SchemeStore.h"
#include "SoundEvent.h"

#include <cstring>

using scheme::IndirectStrings;
using scheme::ReadValue;

namespace {

const char kAppsKey[] = "AppEvents\\Schemes\\Apps\\";
const char kLabelsKey[] = "AppEvents\\EventLabels\\";

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
        scheme::StoredValue value;
        if (scheme::ReadPlayedValue(hCurrentKey, &value)) pEvent->SetStoredValue(value);
        ::RegCloseKey(hCurrentKey);
    }
    ::RegCloseKey(hAppKey);
    return TRUE;
}

CString SchemeStore::GetEventLabel(const std::wstring& strEvent) const {
    CString strLabel;
    HKEY hLabelKey;
    std::wstring strPath = scheme::Widen(kLabelsKey) + strEvent;
    if (::RegOpenKeyExW(m_hRoot, strPath.c_str(), 0, KEY_READ, &hLabelKey) == ERROR_SUCCESS) {
        IndirectStrings strings;
        BOOL bLabel = ReadLabel(hLabelKey, &strings, &strLabel);
        ::RegCloseKey(hLabelKey);
        if (bLabel) return strLabel;
    }
    scheme::NarrowText(strEvent, &strLabel);
    return strLabel;
}
