// The dialog's side of the sound scheme: the applications to choose from, their
// events read when first shown, and the assignments written on OK, through the
// one store the dialog holds, with the messages the user sees.
#include "SchemeStore.h"
#include "SoundControlDlg.h"
#include "SoundEvent.h"

namespace {

const WCHAR kDefaultApp[] = L".Default";

}  // namespace

BOOL CSoundControlDlg::LoadEvents(const std::wstring& strApp) {
    if (!m_store.LoadEvents(strApp)) {
        AfxMessageBox("ﾚｼﾞｽﾄﾘｵｰﾌﾟﾝｴﾗｰ", MB_OK);
        return FALSE;
    }
    return TRUE;
}

BOOL CSoundControlDlg::LoadCurrentSounds(const std::wstring& strApp) {
    if (!m_store.LoadCurrentSounds(strApp)) {
        AfxMessageBox("ﾚｼﾞｽﾄﾘｵｰﾌﾟﾝｴﾗｰ", MB_OK);
        return FALSE;
    }
    return TRUE;
}

void CSoundControlDlg::StartReading() {
    // What it fills is touched by nothing else until OnInitDialog or the
    // destructor has waited. Where no thread can be started, OnInitDialog reads.
    try {
        m_reading = std::async(std::launch::async, [this] { return ReadAhead(); });
    } catch (const std::system_error&) {
    }
}

CSoundControlDlg::Reading CSoundControlDlg::ReadAhead() {
    m_driveEntries = ReadDriveEntries();
    m_apps = m_store.ListApplications();
    if (!m_store.LoadEvents(kDefaultApp)) return Reading::kNoEvents;
    return m_store.LoadCurrentSounds(kDefaultApp) ? Reading::kRead : Reading::kNoSounds;
}

void CSoundControlDlg::FillApplicationList() {
    m_cmbApp.ResetContent();
    for (const SchemeStore::Application& app : m_apps) m_cmbApp.AddString(app.strShown);
    m_cmbApp.SetCurSel(m_apps.empty() ? -1 : 0);
}

void CSoundControlDlg::OnSelchangeAppCombo() {
    int nSel = m_cmbApp.GetCurSel();
    if (nSel < 0 || static_cast<size_t>(nSel) >= m_apps.size()) return;
    const std::wstring strApp = m_apps[static_cast<size_t>(nSel)].strKey;
    if (strApp == m_strApp) return;
    // An application's events are read when it is first shown; the sounds of
    // a scheme applied meanwhile are what the user sees for them too.
    if (!m_store.IsLoaded(strApp)) {
        BOOL bRead = (m_store.GetEvents(strApp).GetSize() > 0 || LoadEvents(strApp)) && LoadCurrentSounds(strApp);
        if (bRead && !m_strAppliedScheme.empty() && !m_store.LoadSchemeSounds({strApp}, m_strAppliedScheme)) {
            AfxMessageBox("ﾚｼﾞｽﾄﾘｵｰﾌﾟﾝｴﾗｰ", MB_OK);
            bRead = FALSE;
        }
        if (!bRead) {
            // The application shown stays the chosen one.
            for (size_t i = 0; i < m_apps.size(); ++i)
                if (m_apps[i].strKey == m_strApp) m_cmbApp.SetCurSel(static_cast<int>(i));
            return;
        }
    }
    ShowApplication(strApp);
}

void CSoundControlDlg::ShowApplication(const std::wstring& strApp) {
    m_strApp = strApp;
    m_nCurrentEvent = -1;
    m_lstEvents.ResetContent();
    // Each item is an index into the table, in the order of the labels.
    const INT_PTR nEvents = m_store.GetEvents(strApp).GetSize();
    for (INT_PTR i = 0; i < nEvents; ++i) AddEventRow(i);
    m_lstEvents.SetCurSel(0);
    OnSelchangeEventList();
}

void CSoundControlDlg::OnOK() {
    // A scheme applied is made current first, as the system applies it; what
    // the user changed afterwards is written over it. The dialog closes
    // whatever saving reported.
    if (!m_strAppliedScheme.empty()) {
        std::vector<SchemeStore::EventKey> failed;
        if (!m_store.ApplyScheme(m_strAppliedScheme, &failed)) {
            CString strText = "レジストリ更新失敗";
            if (!failed.empty()) {
                strText = "次の場面のサウンドを変更できませんでした。スキームは使用中になりません。\r\n";
                for (const SchemeStore::EventKey& event : failed)
                    strText += "\r\n" + m_store.GetEventLabel(event.strEvent);
            }
            MessageBox(strText, nullptr, MB_OK | MB_ICONEXCLAMATION);
        }
    }
    // .Default is saved even when it could not be read, so that a scheme still
    // missing is reported again; every other application only once shown.
    SaveCurrentSounds(kDefaultApp);
    for (const std::wstring& strApp : m_store.GetLoadedApplications())
        if (!scheme::SameName(strApp, kDefaultApp)) SaveCurrentSounds(strApp);
    CDialog::OnOK();
}

BOOL CSoundControlDlg::ApplyScheme(const std::wstring& strId) {
    // Without the current sounds there is nothing a scheme could be shown over.
    if (!m_store.IsLoaded(kDefaultApp)) {
        AfxMessageBox("ﾚｼﾞｽﾄﾘｵｰﾌﾟﾝｴﾗｰ", MB_OK);
        return FALSE;
    }
    // All or nothing: a scheme shown in part would leave the user's choices
    // lost in some applications while OK makes the scheme current in none.
    if (!m_store.LoadSchemeSounds(m_store.GetLoadedApplications(), strId)) {
        AfxMessageBox("ﾚｼﾞｽﾄﾘｵｰﾌﾟﾝｴﾗｰ", MB_OK);
        return FALSE;
    }
    m_strAppliedScheme = strId;
    m_lstEvents.Invalidate();
    OnSelchangeEventList();
    return TRUE;
}

std::wstring CSoundControlDlg::GetSchemeInUse() const {
    return m_strAppliedScheme.empty() ? m_store.GetSchemeInUse() : m_strAppliedScheme;
}

BOOL CSoundControlDlg::SaveScheme(const std::wstring& strReplaced, const CString& strName, std::wstring* pId) {
    if (!m_store.SaveScheme(strReplaced, strName, m_strAppliedScheme, pId)) return FALSE;
    // The scheme applied was replaced: OK makes its replacement current.
    if (!strReplaced.empty() && m_strAppliedScheme == strReplaced) m_strAppliedScheme = *pId;
    return TRUE;
}

BOOL CSoundControlDlg::CanDeleteScheme(const SchemeStore::Scheme& scheme) const {
    // The events show the sounds of a scheme applied, which OK writes from it.
    return !scheme.bSystem && scheme.strId != m_strAppliedScheme;
}

BOOL CSoundControlDlg::DeleteScheme(const SchemeStore::Scheme& scheme) {
    return CanDeleteScheme(scheme) && m_store.DeleteScheme(scheme.strId);
}

BOOL CSoundControlDlg::SaveCurrentSounds(const std::wstring& strApp) {
    auto report = [this](SchemeStore::SaveFailure failure, const CString& strKey) {
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
    if (!m_store.SaveCurrentSounds(strApp, report)) {
        AfxMessageBox("ﾚｼﾞｽﾄﾘｵｰﾌﾟﾝｴﾗｰ", MB_OK);
        return FALSE;
    }
    return TRUE;
}
