// Test playback of the selected file through the "waveaudio" device, under
// the one alias "zorvand".
#include "SoundControlDlg.h"
// after windows.h
#include <mmsystem.h>

namespace {

const char kCaptionTest[] = "テスト(&T)";
const char kCaptionStop[] = "停止";

// Wine's wave driver reports the end, or sees the stop, on its play thread before
// that thread leaves the driver's code, and the close that follows at once
// unloads the driver of the last device under it. Nothing the device answers
// tells when the thread has left, so the driver, which the open has loaded,
// stays loaded for the process's life. Windows' driver is a DLL too, for which
// the pin changes nothing else.
void PinWaveDriver() {
    char szDriver[MAX_PATH];
    DWORD nSize = sizeof szDriver;
    if (::RegGetValueA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\MCI32", "waveaudio",
                       RRF_RT_REG_SZ, nullptr, szDriver, &nSize) != ERROR_SUCCESS)
        ::lstrcpyA(szDriver, "mciwave.dll");
    HMODULE hDriver;
    ::GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_PIN, szDriver, &hDriver);
}

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
    PinWaveDriver();
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
