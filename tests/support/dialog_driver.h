// Drives real dialogs the way a user's input would reach them.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace harness {

// Handles every message waiting for this thread; with a wait, keeps doing so
// until the time is up.
void PumpMessages(DWORD nWaitMs = 0);
// Pumps until the condition holds or the time is up; returns the condition.
template <typename Condition>
bool PumpUntil(Condition done, DWORD nTimeoutMs = 5000) {
    DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start > nTimeoutMs) return false;
        PumpMessages();
        Sleep(1);
    }
    return true;
}

// Selects an entry of a list box as a click would: the selection, then LBN_SELCHANGE.
void SelectListItem(HWND hDlg, int nID, int nIndex);
// Double-clicks the list box's current entry: LBN_DBLCLK.
void DoubleClickList(HWND hDlg, int nID);
// Selects a combo box entry and notifies CBN_SELCHANGE.
void SelectComboItem(HWND hDlg, int nID, int nIndex);
// Presses a button (BM_CLICK), which sends BN_CLICKED to the dialog.
void ClickButton(HWND hDlg, int nID);
// Runs the action once a dialog of this thread with the caption is shown, from
// within the message loop that runs then: for the modal dialogs that the code
// under test opens and that the action drives and ends.
void WhenShown(const std::string& caption, std::function<void(HWND)> action);

std::string WindowText(HWND hWnd);
std::string ListText(HWND hDlg, int nID, int nIndex);

}  // namespace harness
