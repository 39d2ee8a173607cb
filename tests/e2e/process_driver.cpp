#include "process_driver.h"

#include <gtest/gtest.h>

namespace harness {

std::string ZorvandExePath() {
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string path(self);
    path = path.substr(0, path.rfind('\\'));  // build\tests
    path = path.substr(0, path.rfind('\\'));  // build
    return path + "\\app\\ZORVAND.EXE";
}

ZorvandProcess::ZorvandProcess(const std::string& exe, const char* directory) {
    std::string cmd = "\"" + exe + "\"";
    STARTUPINFOA si{};
    si.cb = sizeof si;
    if (!CreateProcessA(exe.c_str(), &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, directory, &si, &m_pi)) {
        ADD_FAILURE() << "cannot start " << exe << ": error " << GetLastError();
        m_pi = PROCESS_INFORMATION{};
    }
}

ZorvandProcess::~ZorvandProcess() {
    if (m_pi.hProcess == nullptr) return;
    if (WaitForSingleObject(m_pi.hProcess, 0) == WAIT_TIMEOUT) {
        ADD_FAILURE() << "ZORVAND.EXE was still running at the end of the test";
        TerminateProcess(m_pi.hProcess, 1);
        WaitForSingleObject(m_pi.hProcess, 5000);
    }
    CloseHandle(m_pi.hThread);
    CloseHandle(m_pi.hProcess);
}

HWND ZorvandProcess::WaitForDialog(DWORD nTimeoutMs) {
    DWORD start = GetTickCount();
    while (GetTickCount() - start < nTimeoutMs) {
        HWND hWnd = nullptr;
        while ((hWnd = FindWindowExA(nullptr, hWnd, "#32770", "ザルノクサウンドコントロール")) != nullptr) {
            DWORD pid = 0;
            GetWindowThreadProcessId(hWnd, &pid);
            if (pid == m_pi.dwProcessId && IsWindowVisible(hWnd)) return hWnd;
        }
        if (WaitForSingleObject(m_pi.hProcess, 50) == WAIT_OBJECT_0) return nullptr;
    }
    return nullptr;
}

bool ZorvandProcess::WaitForExit(DWORD nTimeoutMs, DWORD* pExitCode) {
    if (WaitForSingleObject(m_pi.hProcess, nTimeoutMs) != WAIT_OBJECT_0) return false;
    GetExitCodeProcess(m_pi.hProcess, pExitCode);
    return true;
}

void SetRealString(const std::string& path, const std::string& text, DWORD type) {
    HKEY hKey;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &hKey, nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(hKey, nullptr, 0, type, reinterpret_cast<const BYTE*>(text.c_str()),
                   static_cast<DWORD>(text.size() + 1));
    RegCloseKey(hKey);
}

testing::AssertionResult HelpViewerTurn::Take() {
    m_hTurn = CreateMutexA(nullptr, FALSE, "zorvand.tests.winhelp");
    if (m_hTurn == nullptr) return testing::AssertionFailure() << "no help turn: error " << GetLastError();
    if (WaitForSingleObject(m_hTurn, 120000) == WAIT_TIMEOUT)
        return testing::AssertionFailure() << "no turn at the help window";
    m_bHeld = true;
    if (FindWindowA("MS_WINHELP", nullptr) != nullptr)
        return testing::AssertionFailure() << "a help window is already open";
    return testing::AssertionSuccess();
}

HelpViewerTurn::~HelpViewerTurn() {
    // A viewer left open, or one held by its box for a missing file, would take
    // the help calls of the next tests.
    if (HWND hLeft = FindWindowA("MS_WINHELP", nullptr)) {
        ADD_FAILURE() << "a help viewer is still open";
        DWORD pid = 0;
        GetWindowThreadProcessId(hLeft, &pid);
        if (HANDLE hProcess = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid)) {
            TerminateProcess(hProcess, 1);
            WaitForSingleObject(hProcess, 5000);
            CloseHandle(hProcess);
        }
    }
    if (m_bHeld) ReleaseMutex(m_hTurn);
    if (m_hTurn != nullptr) CloseHandle(m_hTurn);
}

}  // namespace harness
