// Stands in for the Windows Help viewer: WinHelpA finds this window by its class
// and hands it each command as WM_COPYDATA instead of starting a viewer. The
// window is seen by every test process at once, so catchers take turns across
// processes and each keeps only the calls of its own process's windows (and
// calls made without a window).
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace harness {

struct HelpCall {
    UINT command = 0;  // HELP_CONTENTS, HELP_QUIT, ...
    std::string file;  // the help file's path, as given to WinHelpA
    ULONG_PTR data = 0;
};

class WinHelpCatcher {
public:
    WinHelpCatcher();
    ~WinHelpCatcher();
    WinHelpCatcher(const WinHelpCatcher&) = delete;
    WinHelpCatcher& operator=(const WinHelpCatcher&) = delete;

    const std::vector<HelpCall>& Calls() const { return m_calls; }

private:
    static LRESULT CALLBACK WndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);

    HANDLE m_hTurn = nullptr;
    HWND m_hWnd = nullptr;
    std::vector<HelpCall> m_calls;
};

}  // namespace harness
