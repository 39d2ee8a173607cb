// Runs the real ZORVAND.EXE as a separate process and finds its dialog, the way
// a user at the desktop would meet it.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

namespace harness {

// ZORVAND.EXE of this build, found from the test executable's own place.
std::string ZorvandExePath();

class ZorvandProcess {
public:
    // Starts the program; in DIRECTORY, when given, as a double click in that folder would.
    explicit ZorvandProcess(const std::string& exe = ZorvandExePath(), const char* directory = nullptr);
    ~ZorvandProcess();
    ZorvandProcess(const ZorvandProcess&) = delete;
    ZorvandProcess& operator=(const ZorvandProcess&) = delete;

    bool Started() const { return m_pi.hProcess != nullptr; }
    // The main dialog once it is shown, or null after the timeout.
    HWND WaitForDialog(DWORD nTimeoutMs = 15000);
    // True when the process ended within the timeout; its exit code is then in *pExitCode.
    bool WaitForExit(DWORD nTimeoutMs, DWORD* pExitCode);

private:
    PROCESS_INFORMATION m_pi{};
};

// Stores a string as the default value of a key below the real
// HKEY_CURRENT_USER, which the program in its own process reads; the key is
// created when missing.
void SetRealString(const std::string& path, const std::string& text, DWORD type = REG_SZ);

// Looks again every 50 ms until the condition holds; false after the timeout.
template <typename Condition>
bool WaitFor(Condition condition, DWORD nTimeoutMs) {
    const DWORD start = GetTickCount();
    while (!condition()) {
        if (GetTickCount() - start > nTimeoutMs) return false;
        Sleep(50);
    }
    return true;
}

// The turn at the session's one help viewer, for a test that opens it through a
// separate ZORVAND.EXE: no help catcher may exist meanwhile, since WinHelpA would
// hand it the calls. Take waits for the turn and finds no viewer open; the end
// of the object ends a viewer left open, as a failure, and gives the turn back.
class HelpViewerTurn {
public:
    HelpViewerTurn() = default;
    ~HelpViewerTurn();
    HelpViewerTurn(const HelpViewerTurn&) = delete;
    HelpViewerTurn& operator=(const HelpViewerTurn&) = delete;

    testing::AssertionResult Take();

private:
    HANDLE m_hTurn = nullptr;
    bool m_bHeld = false;
};

}  // namespace harness
