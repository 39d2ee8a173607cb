// The release archive's folder as a user meets it, unpacked by check_archive.sh
// into a fresh folder of the runtime's drive C: (ZORVAND_RELEASE_DIR): the names
// Windows lists there, and its ZORVAND.EXE started in it, whose Help button opens
// the help file beside it in the help viewer. It runs alone, as the help viewer
// test does, and holds the help catchers' turn meanwhile.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "process_driver.h"
#include "registry_sandbox.h"
#include "resource.h"

namespace {

const char kHelpTitle[] = "ザルノクサウンドコントロール ヘルプ";

std::string TextOf(HWND hWnd) {
    char text[512] = "";
    GetWindowTextA(hWnd, text, sizeof text);
    return text;
}

// The names in a folder as a Windows program lists them, sorted.
std::vector<std::string> Names(const std::string& dir) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA fd;
    HANDLE hFind = FindFirstFileA((dir + "\\*").c_str(), &fd);
    if (hFind == INVALID_HANDLE_VALUE) return names;
    do {
        const std::string name = fd.cFileName;
        if (name != "." && name != "..") names.push_back(name);
    } while (FindNextFileA(hFind, &fd));
    FindClose(hFind);
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<std::string> Sorted(std::vector<std::string> names) {
    std::sort(names.begin(), names.end());
    return names;
}

class ReleaseTest : public testing::Test {
protected:
    void SetUp() override {
        char dir[MAX_PATH] = "";
        GetEnvironmentVariableA("ZORVAND_RELEASE_DIR", dir, MAX_PATH);
        m_dir = dir;
        ASSERT_FALSE(m_dir.empty()) << "ZORVAND_RELEASE_DIR names no unpacked archive";
        ASSERT_TRUE(m_turn.Take());
        RegDeleteTreeA(HKEY_CURRENT_USER, "AppEvents");
        harness::SetRealString("AppEvents\\EventLabels\\SystemStart", "Windows の起動");
        harness::SetRealString("AppEvents\\Schemes\\Apps\\.Default\\SystemStart\\.Current", "");
    }

    std::string m_dir;
    harness::HelpViewerTurn m_turn;
    harness::RegistryBackup m_backup{HKEY_CURRENT_USER, "AppEvents"};
};

TEST_F(ReleaseTest, TheUnpackedFolderListsItsNamesAndItsProgramOpensTheHelpBesideIt) {
    EXPECT_EQ(Names(m_dir), Sorted({"ZORVAND.EXE", "ZORVAND.hlp", "ZORVAND.chm", "お読みください.txt", "サンプル"}));
    EXPECT_EQ(Names(m_dir + "\\サンプル"),
              Sorted({"ベル.wav", "チャイム.wav", "和音.wav", "起動.wav", "終了.wav", "通知.wav"}));

    harness::ZorvandProcess zorvand(m_dir + "\\ZORVAND.EXE", m_dir.c_str());
    ASSERT_TRUE(zorvand.Started());
    HWND hDlg = zorvand.WaitForDialog();
    ASSERT_NE(hDlg, nullptr) << "the dialog did not appear";
    PostMessageA(GetDlgItem(hDlg, IDC_HELP_BUTTON), BM_CLICK, 0, 0);

    HWND hViewer = nullptr;
    EXPECT_TRUE(harness::WaitFor(
        [&] {
            HWND hWnd = FindWindowA("MS_WINHELP", nullptr);
            if (hWnd != nullptr && IsWindowVisible(hWnd) && TextOf(hWnd).rfind(kHelpTitle, 0) == 0) hViewer = hWnd;
            return hViewer != nullptr;
        },
        60000))  // the first start of the viewer in a fresh prefix is slow
        << "no help viewer titled " << kHelpTitle;
    DWORD viewerPid = 0;
    if (hViewer != nullptr) GetWindowThreadProcessId(hViewer, &viewerPid);
    HANDLE hViewerProcess = viewerPid != 0 ? OpenProcess(SYNCHRONIZE, FALSE, viewerPid) : nullptr;

    // Closing the dialog closes the viewer.
    PostMessageA(GetDlgItem(hDlg, IDCANCEL), BM_CLICK, 0, 0);
    DWORD exitCode = 1;
    EXPECT_TRUE(zorvand.WaitForExit(10000, &exitCode)) << "ZORVAND did not end";
    EXPECT_EQ(exitCode, 0u);
    if (hViewerProcess != nullptr) {
        EXPECT_EQ(WaitForSingleObject(hViewerProcess, 10000), WAIT_OBJECT_0) << "the viewer is still running";
        CloseHandle(hViewerProcess);
    }
}

}  // namespace
