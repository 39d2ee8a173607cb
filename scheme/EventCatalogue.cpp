// The event catalogue: which sound events the registry declares for an
// application, their labels and the wave files assigned to them now.
#include "SchemeRules.h"
#include "SoundControlDlg.h"
#include "SoundEvent.h"

namespace {

const char kAppsKey[] = "AppEvents\\Schemes\\Apps\\";
const char kLabelsKey[] = "AppEvents\\EventLabels\\";

// Reads a key's first value whole, whatever its name: its type and every data
// byte, so that nothing the program may write back later is cut. Every registry
// call is a round trip to the registry's server: a buffer that holds a usual path
// reads most values in one call, and only a longer value is asked again.
BOOL ReadFirstValue(HKEY hKey, DWORD* pType, CString* pData) {
    // A value name is at most 16383 characters.
    char szName[16384];
    DWORD nBuffer = MAX_PATH;
    for (;;) {
        DWORD nName = sizeof szName;
        DWORD nData = nBuffer;
        LPSTR pBuffer = pData->GetBuffer(static_cast<int>(nBuffer));
        LONG rc = ::RegEnumValueA(hKey, 0, szName, &nName, nullptr, pType, reinterpret_cast<BYTE*>(pBuffer), &nData);
        pData->ReleaseBuffer(rc == ERROR_SUCCESS ? static_cast<int>(nData) : 0);
        if (rc != ERROR_MORE_DATA) return rc == ERROR_SUCCESS;
        // nData now holds the size needed; the value may also have grown in between.
        nBuffer = nData > nBuffer ? nData : nBuffer * 2;
    }
}

// The text a REG_SZ value holds: its data without the terminating NUL.
CString RegSzText(const CString& strData) {
    return CString(strData, static_cast<int>(scheme::RegSzTextLength(strData, strData.GetLength())));
}

}  // namespace

BOOL CSoundControlDlg::LoadEvents(CString strApp) {
    HKEY hAppKey;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, kAppsKey + strApp, 0, KEY_READ, &hAppKey) != ERROR_SUCCESS) {
        AfxMessageBox("ﾚｼﾞｽﾄﾘｵｰﾌﾟﾝｴﾗｰ", MB_OK);
        return FALSE;
    }
    for (DWORD nIndex = 0;; ++nIndex) {
        char szKey[MAX_PATH];
        DWORD nKey = MAX_PATH;
        LONG rc = EnumEventKey(hAppKey, nIndex, szKey, &nKey);
        // A name too long for the buffer skips its event; any other error (the key
        // deleted meanwhile) would repeat for every index: what was read is shown.
        if (rc == ERROR_MORE_DATA) continue;
        if (rc != ERROR_SUCCESS) break;
        CString strKey(szKey, static_cast<int>(nKey));

        HKEY hLabelKey;
        if (::RegOpenKeyExA(HKEY_CURRENT_USER, kLabelsKey + strKey, 0, KEY_READ, &hLabelKey) != ERROR_SUCCESS) continue;
        DWORD dwType;
        CString strData;
        // Only a REG_SZ label counts; an event without one is neither shown nor written.
        if (ReadFirstValue(hLabelKey, &dwType, &strData) && dwType == REG_SZ)
            m_events.Add(reinterpret_cast<CObject*>(new SoundEvent(strKey, RegSzText(strData))));
        ::RegCloseKey(hLabelKey);
    }
    ::RegCloseKey(hAppKey);
    return TRUE;
}

LONG CSoundControlDlg::EnumEventKey(HKEY hAppKey, DWORD nIndex, LPSTR pszName, LPDWORD pnName) {
    return ::RegEnumKeyExA(hAppKey, nIndex, pszName, pnName, nullptr, nullptr, nullptr, nullptr);
}

BOOL CSoundControlDlg::LoadCurrentSounds(CString strApp) {
    HKEY hAppKey;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, kAppsKey + strApp, 0, KEY_READ, &hAppKey) != ERROR_SUCCESS) {
        AfxMessageBox("ﾚｼﾞｽﾄﾘｵｰﾌﾟﾝｴﾗｰ", MB_OK);
        return FALSE;
    }
    for (INT_PTR i = 0; i < m_events.GetSize(); ++i) {
        SoundEvent* pEvent = GetEvent(i);
        HKEY hCurrentKey;
        LONG rc = ::RegOpenKeyExA(hAppKey, pEvent->GetKey() + "\\.Current", 0, KEY_READ, &hCurrentKey);
        // OK creates only a .Current that is missing; one that is there but
        // cannot be read is left alone.
        if (rc != ERROR_FILE_NOT_FOUND) pEvent->SetHasCurrentKey();
        if (rc != ERROR_SUCCESS) continue;
        DWORD dwType;
        CString strData;
        if (ReadFirstValue(hCurrentKey, &dwType, &strData)) pEvent->SetStoredValue(dwType, strData);
        ::RegCloseKey(hCurrentKey);
    }
    ::RegCloseKey(hAppKey);
    m_bSoundsLoaded = TRUE;
    return TRUE;
}
