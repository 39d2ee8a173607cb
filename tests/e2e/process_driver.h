// Runs the real ZORVAND.EXE as a separate process and finds its dialog, the way
// a user at the desktop would meet it.
#pragma once

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

}  // namespace harness
