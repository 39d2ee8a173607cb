// OK: the assignments go back to the registry as the current sound scheme.
#include "SoundControlDlg.h"
#include "SoundEvent.h"

void CSoundControlDlg::OnOK() {
    // The dialog closes whatever saving reported.
    SaveCurrentSounds(".Default");
    CDialog::OnOK();
}

BOOL CSoundControlDlg::SaveCurrentSounds(CString strApp) {
    HKEY hAppKey;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, "AppEvents\\Schemes\\Apps\\" + strApp, 0, KEY_READ, &hAppKey) !=
        ERROR_SUCCESS) {
        AfxMessageBox("ﾚｼﾞｽﾄﾘｵｰﾌﾟﾝｴﾗｰ", MB_OK);
        return FALSE;
    }
    // Without the current sounds nothing is known of what the events hold: writing
    // would put empty values over the whole scheme.
    if (!m_bSoundsLoaded) {
        ::RegCloseKey(hAppKey);
        return TRUE;
    }
    for (INT_PTR i = 0; i < m_events.GetSize(); ++i) {
        SoundEvent* pEvent = GetEvent(i);
        // Only what the user changed is written. An event left alone keeps its key
        // exactly as it was, whatever its values are named and typed; only a
        // .Current that is still missing now is created, holding the empty string.
        // One that another program created while the dialog was open holds its
        // sound, which this dialog never saw: it is left alone.
        BOOL bAssigned = pEvent->IsAssigned();
        if (!bAssigned && pEvent->HasCurrentKey()) continue;
        CString strData = (bAssigned ? pEvent->GetFile() : CString()) + CString('\0');

        HKEY hEventKey;
        if (::RegOpenKeyExA(hAppKey, pEvent->GetKey(), 0, KEY_ALL_ACCESS, &hEventKey) != ERROR_SUCCESS) {
            char szMessage[1024];
            ::wsprintfA(szMessage, "レジストリキーのオープンに失敗しました\t%s", static_cast<LPCSTR>(pEvent->GetKey()));
            AfxMessageBox(szMessage, MB_OK);
            // No key to create .Current below: this event is done.
            continue;
        }
        HKEY hCurrentKey;
        DWORD dwDisposition = 0;
        LONG rc = CreateCurrentKey(hEventKey, &hCurrentKey, &dwDisposition);
        ::RegCloseKey(hEventKey);
        if (rc != ERROR_SUCCESS) {
            AfxMessageBox("レジストリキーのオープンまたは作成に失敗しました\t\".Current\"", MB_OK);
            continue;
        }
        if (!bAssigned && dwDisposition != REG_CREATED_NEW_KEY) {
            ::RegCloseKey(hCurrentKey);
            continue;
        }
        if (SetCurrentValue(hCurrentKey, REG_SZ, strData) != ERROR_SUCCESS) MessageBox("レジストリ更新失敗");
        // Each event reaches the permanent store before the next one is handled.
        ::RegFlushKey(hCurrentKey);
        ::RegCloseKey(hCurrentKey);
    }
    ::RegCloseKey(hAppKey);
    return TRUE;
}

LONG CSoundControlDlg::CreateCurrentKey(HKEY hEventKey, HKEY* phCurrentKey, DWORD* pdwDisposition) {
    return ::RegCreateKeyExA(hEventKey, ".Current", 0, const_cast<LPSTR>(""), REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                             nullptr, phCurrentKey, pdwDisposition);
}

LONG CSoundControlDlg::SetCurrentValue(HKEY hCurrentKey, DWORD dwType, const CString& strData) {
    return ::RegSetValueExA(hCurrentKey, "", 0, dwType, reinterpret_cast<const BYTE*>(static_cast<LPCSTR>(strData)),
                            static_cast<DWORD>(strData.GetLength()));
}
