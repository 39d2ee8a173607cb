// The dialog's side of the sound scheme: the catalogue read at start-up and the
// assignments written on OK, through the store, with the messages the user sees.
#include "SchemeStore.h"
#include "SoundControlDlg.h"

BOOL CSoundControlDlg::LoadEvents(CString strApp) {
    SchemeStore store(HKEY_CURRENT_USER);
    if (!store.LoadEvents(strApp, m_events, [this](HKEY hAppKey, DWORD nIndex, LPSTR pszName, LPDWORD pnName) {
            return EnumEventKey(hAppKey, nIndex, pszName, pnName);
        })) {
        AfxMessageBox("ﾚｼﾞｽﾄﾘｵｰﾌﾟﾝｴﾗｰ", MB_OK);
        return FALSE;
    }
    return TRUE;
}

LONG CSoundControlDlg::EnumEventKey(HKEY hAppKey, DWORD nIndex, LPSTR pszName, LPDWORD pnName) {
    return ::RegEnumKeyExA(hAppKey, nIndex, pszName, pnName, nullptr, nullptr, nullptr, nullptr);
}

BOOL CSoundControlDlg::LoadCurrentSounds(CString strApp) {
    if (!SchemeStore(HKEY_CURRENT_USER).LoadCurrentSounds(strApp, m_events)) {
        AfxMessageBox("ﾚｼﾞｽﾄﾘｵｰﾌﾟﾝｴﾗｰ", MB_OK);
        return FALSE;
    }
    m_bSoundsLoaded = TRUE;
    return TRUE;
}

void CSoundControlDlg::OnOK() {
    // A scheme applied is made current first, as the system applies it; what
    // the user changed afterwards is written over it. The dialog closes
    // whatever saving reported.
    if (!m_strAppliedScheme.empty()) {
        SchemeStore store(HKEY_CURRENT_USER);
        std::vector<SchemeStore::EventKey> failed;
        if (!store.ApplyScheme(m_strAppliedScheme, &failed)) {
            CString strText = "レジストリ更新失敗";
            if (!failed.empty()) {
                strText = "次の場面のサウンドを変更できませんでした。スキームは使用中になりません。\r\n";
                for (const SchemeStore::EventKey& event : failed)
                    strText += "\r\n" + store.GetEventLabel(event.strEvent);
            }
            MessageBox(strText, nullptr, MB_OK | MB_ICONEXCLAMATION);
        }
    }
    SaveCurrentSounds(".Default");
    CDialog::OnOK();
}

BOOL CSoundControlDlg::ApplyScheme(const std::wstring& strId) {
    if (!m_bSoundsLoaded || !SchemeStore(HKEY_CURRENT_USER).LoadSchemeSounds(".Default", strId, m_events)) {
        AfxMessageBox("ﾚｼﾞｽﾄﾘｵｰﾌﾟﾝｴﾗｰ", MB_OK);
        return FALSE;
    }
    m_strAppliedScheme = strId;
    m_lstEvents.Invalidate();
    OnSelchangeEventList();
    return TRUE;
}

std::wstring CSoundControlDlg::GetSchemeInUse() const {
    return m_strAppliedScheme.empty() ? SchemeStore(HKEY_CURRENT_USER).GetSchemeInUse() : m_strAppliedScheme;
}

BOOL CSoundControlDlg::SaveScheme(const std::wstring& strReplaced, const CString& strName, std::wstring* pId) {
    // Without the current sounds the events' values are not known: there is nothing to save.
    CObArray none;
    SchemeStore::SaveSource source{".Default", m_bSoundsLoaded ? &m_events : &none, m_strAppliedScheme};
    if (!SchemeStore(HKEY_CURRENT_USER).SaveScheme(strReplaced, strName, source, pId)) return FALSE;
    // The scheme applied was replaced: OK makes its replacement current.
    if (!strReplaced.empty() && m_strAppliedScheme == strReplaced) m_strAppliedScheme = *pId;
    return TRUE;
}

BOOL CSoundControlDlg::CanDeleteScheme(const SchemeStore::Scheme& scheme) const {
    // The events show the sounds of a scheme applied, which OK writes from it.
    return !scheme.bSystem && scheme.strId != m_strAppliedScheme;
}

BOOL CSoundControlDlg::DeleteScheme(const SchemeStore::Scheme& scheme) {
    return CanDeleteScheme(scheme) && SchemeStore(HKEY_CURRENT_USER).DeleteScheme(scheme.strId);
}

BOOL CSoundControlDlg::SaveCurrentSounds(CString strApp) {
    SchemeStore::SaveCalls calls;
    calls.createCurrentKey = [this](HKEY hEventKey, HKEY* phCurrentKey, DWORD* pdwDisposition) {
        return CreateCurrentKey(hEventKey, phCurrentKey, pdwDisposition);
    };
    calls.setCurrentValue = [this](HKEY hCurrentKey, DWORD dwType, const CString& strData) {
        return SetCurrentValue(hCurrentKey, dwType, strData);
    };
    calls.report = [this](SchemeStore::SaveFailure failure, const CString& strKey) {
        switch (failure) {
        case SchemeStore::SaveFailure::EventKey: {
            char szMessage[1024];
            ::wsprintfA(szMessage, "レジストリキーのオープンに失敗しました\t%s", static_cast<LPCSTR>(strKey));
            AfxMessageBox(szMessage, MB_OK);
            break;
        }
        case SchemeStore::SaveFailure::CurrentKey:
            AfxMessageBox("レジストリキーのオープンまたは作成に失敗しました\t\".Current\"", MB_OK);
            break;
        case SchemeStore::SaveFailure::Value:
            MessageBox("レジストリ更新失敗");
            break;
        }
    };
    // Without the current sounds nothing is known of what the events hold: writing
    // would put empty values over the whole scheme. The key is opened all the same,
    // so that a scheme still missing is reported again.
    CObArray none;
    if (!SchemeStore(HKEY_CURRENT_USER).SaveCurrentSounds(strApp, m_bSoundsLoaded ? m_events : none, calls)) {
        AfxMessageBox("ﾚｼﾞｽﾄﾘｵｰﾌﾟﾝｴﾗｰ", MB_OK);
        return FALSE;
    }
    return TRUE;
}

LONG CSoundControlDlg::CreateCurrentKey(HKEY hEventKey, HKEY* phCurrentKey, DWORD* pdwDisposition) {
    return SchemeStore::CreateCurrentKey(hEventKey, phCurrentKey, pdwDisposition);
}

LONG CSoundControlDlg::SetCurrentValue(HKEY hCurrentKey, DWORD dwType, const CString& strData) {
    return SchemeStore::SetCurrentValue(hCurrentKey, dwType, strData);
}
