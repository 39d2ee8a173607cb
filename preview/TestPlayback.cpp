// Test playback of the selected file through the "waveaudio" device, under
// the one alias "zorvand".
#include "SoundControlDlg.h"
// after windows.h
#include <mmsystem.h>

namespace {

const char kCaptionTest[] = "テスト(&T)";
const char kCaptionStop[] = "停止";

}  // namespace

void CSoundControlDlg::OnTest() {
    if (m_bPlaying) {
        StopSound();
        return;
    }
    CString strEntry;
    int nSel = m_lstFiles.GetCurSel();
    if (nSel != LB_ERR) m_lstFiles.GetText(nSel, strEntry);
    CString strNone;
    strNone.LoadString(IDS_NONE);
    if (strEntry.GetAt(0) == '[' || strEntry == strNone) return;

    SetPlaying(TRUE);
    // The command is built to the path's length: no path is too long for it.
    CString strOpen = "open \"waveaudio!" + GetEntryPath(strEntry) + "\" alias zorvand";
    MCIERROR nError = ::mciSendStringA(strOpen, nullptr, 0, nullptr);
    if (nError != 0) {
        SetPlaying(FALSE);
        ShowMciError(nError);
        return;
    }
    nError = ::mciSendStringA("play zorvand from 0 notify", nullptr, 0, m_hWnd);
    if (nError == 0) {
        m_bNotifyPending = TRUE;
        return;
    }
    SetPlaying(FALSE);
    ShowMciError(nError);
    ::mciSendStringA("close zorvand", nullptr, 0, nullptr);
}

void CSoundControlDlg::ShowMciError(DWORD nError) {
    char szError[128] = "";
    ::mciGetErrorStringA(nError, szError, sizeof szError);
    MessageBox(szError, "szAppName", MB_OK | MB_ICONHAND);
}

LRESULT CSoundControlDlg::OnMciNotify(WPARAM, LPARAM) {
    // A playback that was stopped here still reports its end later, with the
    // device id that the next playback may have by then: that report is not
    // about the playback now open, and must not stop it.
    if (m_nStaleNotifications > 0) {
        --m_nStaleNotifications;
        return 0;
    }
    m_bNotifyPending = FALSE;
    StopSound();
    return 0;
}

void CSoundControlDlg::StopSound() {
    if (!m_bPlaying) return;
    // Counted before the device is told, in case it reports at once.
    if (m_bNotifyPending) {
        ++m_nStaleNotifications;
        m_bNotifyPending = FALSE;
    }
    ::mciSendStringA("stop zorvand", nullptr, 0, nullptr);
    ::mciSendStringA("close zorvand", nullptr, 0, nullptr);
    SetPlaying(FALSE);
}

void CSoundControlDlg::SetPlaying(BOOL bPlaying) {
    m_bPlaying = bPlaying;
    m_btnTest.SetWindowText(bPlaying ? kCaptionStop : kCaptionTest);
}
