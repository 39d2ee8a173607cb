// The start-up benchmark's reference: the program's dialog template shown by a
// program that does nothing else, so that what remains of the program's start-up
// time is its own work.
#include <windows.h>

#include "resource.h"

namespace {

INT_PTR CALLBACK BareProc(HWND hDlg, UINT nMsg, WPARAM wParam, LPARAM) {
    if (nMsg == WM_INITDIALOG) return TRUE;
    if (nMsg == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
        EndDialog(hDlg, LOWORD(wParam));
        return TRUE;
    }
    return FALSE;
}

}  // namespace

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR, int) {
    return static_cast<int>(
        DialogBoxParamA(hInstance, MAKEINTRESOURCEA(IDD_SOUNDCONTROL_DIALOG), nullptr, BareProc, 0));
}
