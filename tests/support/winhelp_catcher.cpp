#include "winhelp_catcher.h"

#include <gtest/gtest.h>

namespace harness {

namespace {

// The packet WinHelpA sends: sizes and offsets as the help viewer expects them.
struct WinHelpPacket {
    WORD size;
    WORD command;
    LONG data;
    DWORD reserved;
    WORD ofsFilename;
    WORD ofsData;
};

constexpr ULONG_PTR kWinHelpCopyData = 0xA1DE505;

}  // namespace

WinHelpCatcher::WinHelpCatcher() {
    m_hTurn = CreateMutexA(nullptr, FALSE, "zorvand.tests.winhelp");
    if (m_hTurn == nullptr || WaitForSingleObject(m_hTurn, 120000) == WAIT_TIMEOUT)
        ADD_FAILURE() << "no turn at the help catcher";
    WNDCLASSA wc{};
    wc.lpfnWndProc = &WndProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "MS_WINHELP";
    RegisterClassA(&wc);  // may exist already from an earlier test
    m_hWnd = CreateWindowA("MS_WINHELP", "help catcher", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, wc.hInstance, nullptr);
    if (m_hWnd == nullptr) ADD_FAILURE() << "cannot create the MS_WINHELP window";
    SetWindowLongPtrA(m_hWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

WinHelpCatcher::~WinHelpCatcher() {
    if (m_hWnd != nullptr) DestroyWindow(m_hWnd);
    if (m_hTurn != nullptr) {
        ReleaseMutex(m_hTurn);
        CloseHandle(m_hTurn);
    }
}

LRESULT CALLBACK WinHelpCatcher::WndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COPYDATA) {
        auto* self = reinterpret_cast<WinHelpCatcher*>(GetWindowLongPtrA(hWnd, GWLP_USERDATA));
        auto* cds = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
        // Calls made without a window cannot be told apart; the program always names its dialog.
        auto hSender = reinterpret_cast<HWND>(wParam);
        DWORD sender = 0;
        if (hSender != nullptr) GetWindowThreadProcessId(hSender, &sender);
        bool ours = hSender == nullptr || sender == GetCurrentProcessId();
        if (self != nullptr && ours && cds->dwData == kWinHelpCopyData && cds->cbData >= sizeof(WinHelpPacket)) {
            auto* packet = static_cast<const WinHelpPacket*>(cds->lpData);
            HelpCall call;
            call.command = packet->command;
            call.data = static_cast<ULONG_PTR>(packet->data);
            if (packet->ofsFilename != 0 && packet->ofsFilename < cds->cbData) {
                const char* name = static_cast<const char*>(cds->lpData) + packet->ofsFilename;
                call.file.assign(name, strnlen(name, cds->cbData - packet->ofsFilename));
            }
            self->m_calls.push_back(call);
        }
        return TRUE;
    }
    return DefWindowProcA(hWnd, message, wParam, lParam);
}

}  // namespace harness
