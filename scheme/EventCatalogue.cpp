// The event catalogue: which sound events the registry declares for an
// application, their labels and the wave files assigned to them now.
#include "SchemeRules.h"
#include "SoundControlDlg.h"
#include "SoundEvent.h"

#include <cstring>
#include <string>

namespace {

const char kAppsKey[] = "AppEvents\\Schemes\\Apps\\";
const char kLabelsKey[] = "AppEvents\\EventLabels\\";

// Reads a key's value at an index whole: its name, its type and every data byte,
// so that nothing the program may write back later is cut. Every registry call
// is a round trip to the registry's server: a buffer that holds a usual path
// reads most values in one call, and only a longer value is asked again.
LONG ReadValue(HKEY hKey, DWORD nIndex, CString* pName, DWORD* pType, CString* pData) {
    // A value name is at most 16383 characters.
    char szName[16384];
    DWORD nBuffer = MAX_PATH;
    for (;;) {
        DWORD nName = sizeof szName;
        DWORD nData = nBuffer;
        LPSTR pBuffer = pData->GetBuffer(static_cast<int>(nBuffer));
        LONG rc =
            ::RegEnumValueA(hKey, nIndex, szName, &nName, nullptr, pType, reinterpret_cast<BYTE*>(pBuffer), &nData);
        pData->ReleaseBuffer(rc == ERROR_SUCCESS ? static_cast<int>(nData) : 0);
        if (rc == ERROR_SUCCESS) *pName = CString(szName, static_cast<int>(nName));
        if (rc != ERROR_MORE_DATA) return rc;
        // nData now holds the size needed; the value may also have grown in between.
        nBuffer = nData > nBuffer ? nData : nBuffer * 2;
    }
}

// Reads a key's first value whole, whatever its name.
BOOL ReadFirstValue(HKEY hKey, DWORD* pType, CString* pData) {
    CString strName;
    return ReadValue(hKey, 0, &strName, pType, pData) == ERROR_SUCCESS;
}

// The text a REG_SZ value holds: its data without the terminating NUL.
CString RegSzText(const CString& strData) {
    return CString(strData, static_cast<int>(scheme::RegSzTextLength(strData, strData.GetLength())));
}

// The localised name that a label key's DispFileName ("@file,-id") points to,
// resolved by the system and given in code page 932; FALSE when the library or
// the string is missing or a character of it has no code page 932 form.
BOOL LoadIndirectLabel(HKEY hLabelKey, CString* pLabel) {
    // The ANSI form of the call is not supported by Windows: the wide one, then a conversion.
    std::wstring strWide(256, L'\0');
    for (;;) {
        DWORD cbNeeded = 0;
        DWORD cbBuffer = static_cast<DWORD>(strWide.size() * sizeof(WCHAR));
        LONG rc = ::RegLoadMUIStringW(hLabelKey, L"DispFileName", &strWide[0], cbBuffer, &cbNeeded, 0, nullptr);
        if (rc == ERROR_SUCCESS) break;
        // A string resource is at most 65535 characters.
        if (rc != ERROR_MORE_DATA || strWide.size() > 65536) return FALSE;
        strWide.resize(cbNeeded / sizeof(WCHAR) > strWide.size() ? cbNeeded / sizeof(WCHAR) + 1 : strWide.size() * 2);
    }
    int nWide = static_cast<int>(wcsnlen(strWide.c_str(), strWide.size()));
    if (nWide == 0) return FALSE;
    BOOL bUnmapped = FALSE;
    int nBytes =
        ::WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS, strWide.c_str(), nWide, nullptr, 0, nullptr, &bUnmapped);
    if (nBytes == 0 || bUnmapped) return FALSE;
    ::WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS, strWide.c_str(), nWide, pLabel->GetBuffer(nBytes), nBytes, nullptr,
                          nullptr);
    pLabel->ReleaseBuffer(nBytes);
    return TRUE;
}

// The label that the system's own sound settings show for an event: the name
// DispFileName points to, else the default value, else the first value, each
// value only when it is REG_SZ. FALSE for a key without one, and for an event
// those settings leave out (ExcludeFromCPL non-zero).
BOOL ReadLabel(HKEY hLabelKey, CString* pLabel) {
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
    if (bIndirect && LoadIndirectLabel(hLabelKey, pLabel)) return TRUE;
    if (!bDefault && !bFirst) return FALSE;
    *pLabel = bDefault ? strDefault : strFirst;
    return TRUE;
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
        LONG rc = ::RegEnumKeyExA(hAppKey, nIndex, szKey, &nKey, nullptr, nullptr, nullptr, nullptr);
        if (rc == ERROR_NO_MORE_ITEMS) break;
        if (rc != ERROR_SUCCESS) continue;  // a name too long for the buffer: skip the event
        CString strKey(szKey, static_cast<int>(nKey));

        HKEY hLabelKey;
        if (::RegOpenKeyExA(HKEY_CURRENT_USER, kLabelsKey + strKey, 0, KEY_ALL_ACCESS, &hLabelKey) != ERROR_SUCCESS)
            continue;
        // An event without a label, or one that the system's sound settings hide,
        // is neither shown nor written.
        CString strLabel;
        if (ReadLabel(hLabelKey, &strLabel)) m_events.Add(reinterpret_cast<CObject*>(new SoundEvent(strKey, strLabel)));
        ::RegCloseKey(hLabelKey);
    }
    ::RegCloseKey(hAppKey);
    return TRUE;
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
        if (::RegOpenKeyExA(hAppKey, pEvent->GetKey() + "\\.Current", 0, KEY_ALL_ACCESS, &hCurrentKey) != ERROR_SUCCESS)
            continue;
        DWORD dwType;
        CString strData;
        if (ReadFirstValue(hCurrentKey, &dwType, &strData)) pEvent->SetStoredValue(dwType, strData);
        ::RegCloseKey(hCurrentKey);
    }
    ::RegCloseKey(hAppKey);
    m_bSoundsLoaded = TRUE;
    return TRUE;
}
