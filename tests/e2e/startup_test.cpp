// The real program, started as a user starts it, on a scheme in the real registry.
#include <gtest/gtest.h>

#include <string>

#include "dialog_driver.h"
#include "process_driver.h"
#include "registry_sandbox.h"

namespace {

const char kApps[] = "AppEvents\\Schemes\\Apps\\.Default";

class StartupTest : public testing::Test {
protected:
    void SetUp() override {
        RegDeleteTreeA(HKEY_CURRENT_USER, "AppEvents");
        harness::SetRealString("AppEvents\\EventLabels\\SystemAsterisk", "一般の警告音");
        harness::SetRealString(std::string(kApps) + "\\SystemAsterisk\\.Current", "C:\\windows\\media\\ding.wav");
        harness::SetRealString("AppEvents\\EventLabels\\SystemStart", "Windows の起動");
        harness::SetRealString(std::string(kApps) + "\\SystemStart\\.Current", "");
    }
    // Puts the prefix's own scheme back afterwards, whatever the test did.
    harness::RegistryBackup m_backup{HKEY_CURRENT_USER, "AppEvents"};
};

// How the user leaves the dialog, sent from outside the process.
enum class Leave { Ok, Cancel, Escape, SystemMenuClose };

void LeaveDialog(HWND hDlg, Leave how) {
    switch (how) {
    case Leave::Ok:
        PostMessageA(GetDlgItem(hDlg, IDOK), BM_CLICK, 0, 0);
        break;
    case Leave::Cancel:
        PostMessageA(GetDlgItem(hDlg, IDCANCEL), BM_CLICK, 0, 0);
        break;
    case Leave::Escape:
        PostMessageA(GetDlgItem(hDlg, IDOK), WM_KEYDOWN, VK_ESCAPE, 0);
        break;
    case Leave::SystemMenuClose:
        PostMessageA(hDlg, WM_SYSCOMMAND, SC_CLOSE, 0);
        break;
    }
}

class LeavingTest : public StartupTest, public testing::WithParamInterface<Leave> {};

TEST_P(LeavingTest, EveryWayOutEndsTheProcess) {
    harness::ZorvandProcess zorvand;
    ASSERT_TRUE(zorvand.Started());
    HWND hDlg = zorvand.WaitForDialog();
    ASSERT_NE(hDlg, nullptr) << "the dialog did not appear";
    HWND hList = GetDlgItem(hDlg, 1001);
    EXPECT_TRUE(IsWindowVisible(hList));
    EXPECT_EQ(SendMessageA(hList, LB_GETCOUNT, 0, 0), 2);
    LeaveDialog(hDlg, GetParam());
    DWORD exitCode = 1;
    ASSERT_TRUE(zorvand.WaitForExit(10000, &exitCode)) << "the process did not end";
    EXPECT_EQ(exitCode, 0u);
}

std::string LeaveName(const testing::TestParamInfo<Leave>& info) {
    const char* names[] = {"Ok", "Cancel", "Escape", "SystemMenuClose"};
    return names[static_cast<int>(info.param)];
}

INSTANTIATE_TEST_SUITE_P(Leave, LeavingTest,
                         testing::Values(Leave::Ok, Leave::Cancel, Leave::Escape, Leave::SystemMenuClose), LeaveName);

TEST_F(StartupTest, MissingSchemeShowsTheRegistryErrorCaptionedZorvand) {
    RegDeleteTreeA(HKEY_CURRENT_USER, kApps);
    harness::ZorvandProcess zorvand;
    ASSERT_TRUE(zorvand.Started());
    HWND hBox = nullptr;
    ASSERT_TRUE(harness::PumpUntil(
        [&] {
            hBox = FindWindowA("#32770", "ZORVAND");
            return hBox != nullptr && IsWindowVisible(hBox);
        },
        15000))
        << "no message box captioned ZORVAND";
    EXPECT_EQ(harness::WindowText(GetDlgItem(hBox, 0xFFFF)), "ﾚｼﾞｽﾄﾘｵｰﾌﾟﾝｴﾗｰ");
    PostMessageA(hBox, WM_COMMAND, IDOK, 0);
    HWND hDlg = zorvand.WaitForDialog();
    ASSERT_NE(hDlg, nullptr);
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(hDlg, 1001))) << "no event list without a catalogue";
    LeaveDialog(hDlg, Leave::Cancel);
    DWORD exitCode = 1;
    ASSERT_TRUE(zorvand.WaitForExit(10000, &exitCode));
    EXPECT_EQ(exitCode, 0u);
}

}  // namespace
