// The user assigns and clears sounds in the real program, driven from outside
// its process, and OK writes exactly those changes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "dialog_driver.h"
#include "process_driver.h"
#include "registry_sandbox.h"
#include "test_files.h"

namespace {

const int kDirectoryLabel = 1000;
const int kEventList = 1001;
const int kFileList = 1002;
const int kDriveCombo = 1003;
const char kNone[] = "(なし)";
const std::string kApps = "AppEvents\\Schemes\\Apps\\.Default\\";
const std::string kLabels = "AppEvents\\EventLabels\\";

// A .Current default value as harness::DumpTree shows it.
std::string DumpedCurrent(const std::string& key, const std::string& text) {
    std::string line = "Schemes\\Apps\\.Default\\" + key + "\\.Current||1|";
    char hex[4];
    for (unsigned char c : text + std::string(1, '\0')) {
        std::snprintf(hex, sizeof hex, "%02x", c);
        line += hex;
    }
    return line;
}

// The dialog of another process, reached through its controls' messages.
class RemoteDialog {
public:
    explicit RemoteDialog(HWND hDlg) : m_hDlg(hDlg) {}

    // Clicks a list row: the selection, then the notification a click sends.
    void SelectRow(int nID, int nRow, WORD notification = LBN_SELCHANGE) const {
        HWND hList = GetDlgItem(m_hDlg, nID);
        Send(hList, LB_SETCURSEL, nRow, 0);
        Send(m_hDlg, WM_COMMAND, MAKEWPARAM(nID, notification), reinterpret_cast<LPARAM>(hList));
    }
    // Clicks the file list's entry of this text, or double-clicks it.
    bool ChooseFile(const std::string& text, WORD notification = LBN_SELCHANGE) const {
        std::vector<std::string> files = Files();
        auto it = std::find(files.begin(), files.end(), text);
        if (it == files.end()) return false;
        SelectRow(kFileList, static_cast<int>(it - files.begin()), notification);
        return true;
    }
    bool ChooseDrive(char letter) const {
        HWND hCombo = GetDlgItem(m_hDlg, kDriveCombo);
        int n = static_cast<int>(Send(hCombo, CB_GETCOUNT, 0, 0));
        for (int i = 0; i < n; ++i) {
            if (Text(hCombo, CB_GETLBTEXTLEN, CB_GETLBTEXT, i)[0] != letter) continue;
            Send(hCombo, CB_SETCURSEL, i, 0);
            Send(m_hDlg, WM_COMMAND, MAKEWPARAM(kDriveCombo, CBN_SELCHANGE), reinterpret_cast<LPARAM>(hCombo));
            return true;
        }
        return false;
    }
    std::vector<std::string> Files() const {
        std::vector<std::string> out;
        HWND hList = GetDlgItem(m_hDlg, kFileList);
        int n = static_cast<int>(Send(hList, LB_GETCOUNT, 0, 0));
        for (int i = 0; i < n; ++i) out.push_back(Text(hList, LB_GETTEXTLEN, LB_GETTEXT, i));
        return out;
    }
    std::string SelectedFile() const {
        HWND hList = GetDlgItem(m_hDlg, kFileList);
        auto sel = static_cast<int>(Send(hList, LB_GETCURSEL, 0, 0));
        return sel < 0 ? "<nothing selected>" : Text(hList, LB_GETTEXTLEN, LB_GETTEXT, sel);
    }
    std::string Label() const { return harness::WindowText(GetDlgItem(m_hDlg, kDirectoryLabel)); }
    // Waits until the browser shows the directory, in whatever letter case, with this entry selected.
    testing::AssertionResult Shows(const std::string& directory, const std::string& selected) const {
        bool shown = harness::PumpUntil([&] {
            std::string label = Label();
            return label.size() == directory.size() && lstrcmpiA(label.c_str(), directory.c_str()) == 0 &&
                   SelectedFile() == selected;
        });
        if (shown) return testing::AssertionSuccess();
        return testing::AssertionFailure() << "the browser shows " << Label() << " with " << SelectedFile()
                                           << " selected, not " << directory << " with " << selected;
    }
    void PressOk() const { PostMessageA(GetDlgItem(m_hDlg, IDOK), BM_CLICK, 0, 0); }

private:
    // Sent and answered: the program has handled it when this returns.
    static LRESULT Send(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
        DWORD_PTR result = 0;
        if (!SendMessageTimeoutA(hWnd, message, wParam, lParam, SMTO_NORMAL, 10000, &result)) {
            ADD_FAILURE() << "message " << message << " was not answered";
            return -1;
        }
        return static_cast<LRESULT>(result);
    }
    // An entry of a list or combo box. Asked for in UTF-16: across processes the
    // runtime answers an ANSI request in UTF-16 all the same.
    static std::string Text(HWND hCtl, UINT lenMessage, UINT textMessage, int i) {
        DWORD_PTR len = 0;
        if (!SendMessageTimeoutW(hCtl, lenMessage, i, 0, SMTO_NORMAL, 10000, &len) || static_cast<LRESULT>(len) < 0)
            return "<no entry " + std::to_string(i) + ">";
        std::wstring wide(len + 1, L'\0');
        SendMessageTimeoutW(hCtl, textMessage, i, reinterpret_cast<LPARAM>(&wide[0]), SMTO_NORMAL, 10000, &len);
        wide.resize(len);
        int n =
            WideCharToMultiByte(CP_ACP, 0, wide.c_str(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
        std::string text(n, '\0');
        WideCharToMultiByte(CP_ACP, 0, wide.c_str(), static_cast<int>(wide.size()), &text[0], n, nullptr, nullptr);
        return text;
    }
    HWND m_hDlg;
};

TEST(SelectionEndToEndTest, TwoAssignmentsAndOneClearedEventAreAllThatOkWrites) {
    harness::RegistryBackup backup(HKEY_CURRENT_USER, "AppEvents");
    RegDeleteTreeA(HKEY_CURRENT_USER, "AppEvents");
    harness::TestDirectory dir;
    dir.MakeDirectory("sub");
    for (const char* name : {"one.wav", "two.wav", "four.wav", "sub\\three.wav"})
        dir.WriteFile(name, harness::MakeWave(0.1));
    // The labels give the rows this order.
    struct Event {
        const char* key;
        const char* label;
        std::string value;
        DWORD type;
    } events[] = {
        {"Start", "1 起動", dir / "one.wav", REG_SZ},
        {"Cd", "2 CD の音", "E:\\cd\\track.wav", REG_SZ},
        {"Bare", "3 名前だけ", "chimes.wav", REG_SZ},
        {"Clear", "4 消す音", dir / "four.wav", REG_SZ},
        {"Absent", "5 ないドライブ", "Q:\\sounds\\ding.wav", REG_SZ},
        {"Expand", "6 展開", "%ZORVAND_NOT_SET%\\media\\ding.wav", REG_EXPAND_SZ},  // expands to no path
    };
    for (const Event& e : events) {
        harness::SetRealString(kLabels + e.key, e.label);
        harness::SetRealString(kApps + e.key + "\\.Current", e.value, e.type);
    }
    harness::SetRealString(kApps + "Start\\.Default", "C:\\other scheme.wav");
    harness::SetRealString(kApps + "Unlabelled\\.Current", "C:\\unlabelled.wav");
    std::vector<std::string> before = harness::DumpTree(HKEY_CURRENT_USER, "AppEvents");

    harness::ZorvandProcess zorvand;
    HWND hDlg = zorvand.WaitForDialog();
    ASSERT_NE(hDlg, nullptr);
    RemoteDialog dlg(hDlg);

    // Start-up chose the first event; a file for it.
    ASSERT_TRUE(dlg.Shows(dir.Path(), "one.wav"));
    ASSERT_TRUE(dlg.ChooseFile("two.wav"));
    std::string startFile = dlg.Label() + "\\two.wav";

    // The CD is not inserted: nothing to show, and nothing changes.
    dlg.SelectRow(kEventList, 1);
    ASSERT_TRUE(dlg.Shows("E:\\", kNone));

    // A bare name: the user finds the file through the drive and a directory.
    dlg.SelectRow(kEventList, 2);
    ASSERT_TRUE(dlg.Shows("E:\\", kNone));
    ASSERT_TRUE(dlg.ChooseDrive('D'));
    ASSERT_TRUE(dlg.Shows(dir.Path(), "<nothing selected>")) << "D: remembers the first event's directory";
    ASSERT_TRUE(dlg.ChooseFile("[sub]", LBN_DBLCLK));
    ASSERT_TRUE(dlg.Shows(dir / "sub", "<nothing selected>"));
    ASSERT_TRUE(dlg.ChooseFile("three.wav"));
    std::string bareFile = dlg.Label() + "\\three.wav";

    dlg.SelectRow(kEventList, 3);
    ASSERT_TRUE(dlg.Shows(dir.Path(), "four.wav"));
    ASSERT_TRUE(dlg.ChooseFile(kNone));

    // Looked at, left alone.
    dlg.SelectRow(kEventList, 4);
    ASSERT_TRUE(dlg.Shows(dir.Path(), kNone));
    dlg.SelectRow(kEventList, 5);
    ASSERT_TRUE(dlg.Shows(dir.Path(), kNone));

    dlg.PressOk();
    DWORD exitCode = 1;
    ASSERT_TRUE(zorvand.WaitForExit(10000, &exitCode));
    EXPECT_EQ(exitCode, 0u);

    std::vector<std::string> after = harness::DumpTree(HKEY_CURRENT_USER, "AppEvents");
    std::vector<std::string> lost, added;
    std::set_difference(before.begin(), before.end(), after.begin(), after.end(), std::back_inserter(lost));
    std::set_difference(after.begin(), after.end(), before.begin(), before.end(), std::back_inserter(added));
    std::vector<std::string> expectedLost{DumpedCurrent("Clear", dir / "four.wav"),
                                          DumpedCurrent("Start", dir / "one.wav"), DumpedCurrent("Bare", "chimes.wav")};
    std::vector<std::string> expectedAdded{DumpedCurrent("Clear", ""), DumpedCurrent("Start", startFile),
                                           DumpedCurrent("Bare", bareFile)};
    std::sort(expectedLost.begin(), expectedLost.end());
    std::sort(expectedAdded.begin(), expectedAdded.end());
    EXPECT_EQ(lost, expectedLost);
    EXPECT_EQ(added, expectedAdded);
    EXPECT_EQ(lstrcmpiA(startFile.c_str(), (dir / "two.wav").c_str()), 0) << startFile;
    EXPECT_EQ(lstrcmpiA(bareFile.c_str(), (dir / "sub\\three.wav").c_str()), 0) << bareFile;
}

}  // namespace
