#include "dialog_driver.h"

#include <vector>

namespace harness {

void PumpMessages(DWORD nWaitMs) {
    DWORD start = GetTickCount();
    do {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        if (nWaitMs != 0) Sleep(1);
    } while (GetTickCount() - start < nWaitMs);
}

void SelectListItem(HWND hDlg, int nID, int nIndex) {
    HWND hList = GetDlgItem(hDlg, nID);
    SendMessageA(hList, LB_SETCURSEL, nIndex, 0);
    SendMessageA(hDlg, WM_COMMAND, MAKEWPARAM(nID, LBN_SELCHANGE), reinterpret_cast<LPARAM>(hList));
}

void DoubleClickList(HWND hDlg, int nID) {
    HWND hList = GetDlgItem(hDlg, nID);
    SendMessageA(hDlg, WM_COMMAND, MAKEWPARAM(nID, LBN_DBLCLK), reinterpret_cast<LPARAM>(hList));
}

void SelectComboItem(HWND hDlg, int nID, int nIndex) {
    HWND hCombo = GetDlgItem(hDlg, nID);
    SendMessageA(hCombo, CB_SETCURSEL, nIndex, 0);
    SendMessageA(hDlg, WM_COMMAND, MAKEWPARAM(nID, CBN_SELCHANGE), reinterpret_cast<LPARAM>(hCombo));
}

void ClickButton(HWND hDlg, int nID) {
    SendMessageA(GetDlgItem(hDlg, nID), BM_CLICK, 0, 0);
}

namespace {

struct PendingAction {
    std::string caption;
    std::function<void(HWND)> action;
};
std::vector<PendingAction> g_pending;
UINT_PTR g_nTimer = 0;

BOOL CALLBACK FindShown(HWND hWnd, LPARAM lParam) {
    auto* pFound = reinterpret_cast<std::pair<const std::string*, HWND>*>(lParam);
    if (IsWindowVisible(hWnd) && WindowText(hWnd) == *pFound->first) {
        pFound->second = hWnd;
        return FALSE;
    }
    return TRUE;
}

void CALLBACK RunPending(HWND, UINT, UINT_PTR, DWORD) {
    for (size_t i = 0; i < g_pending.size(); ++i) {
        std::pair<const std::string*, HWND> found{&g_pending[i].caption, nullptr};
        EnumThreadWindows(GetCurrentThreadId(), &FindShown, reinterpret_cast<LPARAM>(&found));
        if (found.second == nullptr) continue;
        // Taken off first: the action may wait in a loop of its own, where this runs again.
        std::function<void(HWND)> action = std::move(g_pending[i].action);
        g_pending.erase(g_pending.begin() + static_cast<long>(i));
        if (g_pending.empty()) {
            KillTimer(nullptr, g_nTimer);
            g_nTimer = 0;
        }
        action(found.second);
        return;
    }
}

}  // namespace

void WhenShown(const std::string& caption, std::function<void(HWND)> action) {
    g_pending.push_back(PendingAction{caption, std::move(action)});
    if (g_nTimer == 0) g_nTimer = SetTimer(nullptr, 0, 10, &RunPending);
}

std::string WindowText(HWND hWnd) {
    int len = GetWindowTextLengthA(hWnd);
    std::string text(len + 1, '\0');
    len = GetWindowTextA(hWnd, &text[0], len + 1);
    text.resize(len < 0 ? 0 : len);
    return text;
}

std::string ListText(HWND hDlg, int nID, int nIndex) {
    HWND hList = GetDlgItem(hDlg, nID);
    LRESULT len = SendMessageA(hList, LB_GETTEXTLEN, nIndex, 0);
    if (len == LB_ERR) return "<no entry " + std::to_string(nIndex) + ">";
    std::string text(len + 1, '\0');
    len = SendMessageA(hList, LB_GETTEXT, nIndex, reinterpret_cast<LPARAM>(&text[0]));
    text.resize(len);
    return text;
}

}  // namespace harness
