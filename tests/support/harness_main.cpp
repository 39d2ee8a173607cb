// Entry point of every Windows test executable: a plain application object,
// set up the way the framework sets up the program's, then GoogleTest.
#include <gtest/gtest.h>

#include "afxwin.h"
#include "message_box_recorder.h"

namespace {

CWinApp theTestApp;

}  // namespace

int main(int argc, char** argv) {
    AfxWinInit(::GetModuleHandleA(nullptr), nullptr, ::GetCommandLineA(), SW_SHOWNORMAL);
    testing::InitGoogleTest(&argc, argv);
    harness::FailOnUnexpectedBoxes();
    return RUN_ALL_TESTS();
}
