// Entry point of every Windows test executable: a plain application object,
// set up the way the framework sets up the program's, then GoogleTest.
#include <gtest/gtest.h>

#include "afxwin.h"
#include "message_box_recorder.h"

namespace {

CWinApp theTestApp;

// A crash on a thread other than the test's own ends the process through the
// runtime's debugger, with status 0, which would pass the running test. It is
// reported here and ends the process with the status that abort gives.
LONG WINAPI EndOnUnhandledException(EXCEPTION_POINTERS* pInfo) {
    const EXCEPTION_RECORD& record = *pInfo->ExceptionRecord;
    char szModule[MAX_PATH] = "no loaded module";
    HMODULE hModule = nullptr;
    if (::GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                             static_cast<LPCSTR>(record.ExceptionAddress), &hModule))
        ::GetModuleFileNameA(hModule, szModule, MAX_PATH);
    // Written without the C runtime, whose locks the crashed thread may hold.
    char szText[2 * MAX_PATH];
    int nLength = ::wsprintfA(szText, "unhandled exception %08lX at %p in %s, thread %04lX\n", record.ExceptionCode,
                              record.ExceptionAddress, szModule, ::GetCurrentThreadId());
    DWORD nWritten = 0;
    ::WriteFile(::GetStdHandle(STD_ERROR_HANDLE), szText, nLength, &nWritten, nullptr);
    ::TerminateProcess(::GetCurrentProcess(), 3);
    return EXCEPTION_EXECUTE_HANDLER;
}

}  // namespace

int main(int argc, char** argv) {
    ::SetUnhandledExceptionFilter(EndOnUnhandledException);
    AfxWinInit(::GetModuleHandleA(nullptr), nullptr, ::GetCommandLineA(), SW_SHOWNORMAL);
    testing::InitGoogleTest(&argc, argv);
    harness::FailOnUnexpectedBoxes();
    return RUN_ALL_TESTS();
}
