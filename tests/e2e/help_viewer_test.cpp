// The help file in the real help viewer: ZORVAND.EXE's Help button starts
// Wine's winhlp32 on ZORVAND.hlp beside the program, as a user would see it.
// No help catcher may exist meanwhile (WinHelpA would hand it the calls), so
// the test holds the catchers' turn for its whole run.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "process_driver.h"
#include "registry_sandbox.h"
#include "resource.h"

namespace {

const char kApps[] = "AppEvents\\Schemes\\Apps\\.Default";
const char kHelpTitle[] = "ザルノクサウンドコントロール ヘルプ";
// The topics the contents topic lists, in order.
const char* const kTopics[] = {
    "はじめに", "画面の各部", "音を割り当てる", "アプリケーションの場面",  "ファイルを探す",
    "音を試す", "絵と説明",   "OK と ｷｬﾝｾﾙ",    "サウンド設定 (スキーム)", "メッセージと対処"};
// The viewer's text and button box windows.
constexpr int kViewerText = 0x701;
constexpr int kViewerButtons = 0x700;

DWORD ProcessOf(HWND hWnd) {
    DWORD pid = 0;
    GetWindowThreadProcessId(hWnd, &pid);
    return pid;
}

std::string ClassOf(HWND hWnd) {
    char name[64] = "";
    GetClassNameA(hWnd, name, sizeof name);
    return name;
}

std::string TextOf(HWND hWnd) {
    char text[512] = "";
    GetWindowTextA(hWnd, text, sizeof text);
    return text;
}

// The text of the viewer's rich edit control, in code page 932, taken as a user
// takes it: select all and copy. (The control answers WM_GETTEXT from another
// process with nothing.)
std::string RichText(HWND hEdit) {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutA(hEdit, EM_SETSEL, 0, -1, SMTO_NORMAL, 5000, &result) ||
        !SendMessageTimeoutA(hEdit, WM_COPY, 0, 0, SMTO_NORMAL, 5000, &result))
        return "";
    SendMessageTimeoutA(hEdit, EM_SETSEL, 0, 0, SMTO_NORMAL, 5000, &result);
    if (!OpenClipboard(nullptr)) return "";
    std::string text;
    if (HANDLE hData = GetClipboardData(CF_UNICODETEXT)) {
        if (const auto* wide = static_cast<const WCHAR*>(GlobalLock(hData))) {
            int n = WideCharToMultiByte(932, 0, wide, -1, nullptr, 0, nullptr, nullptr);
            text.resize(n > 0 ? n - 1 : 0);
            WideCharToMultiByte(932, 0, wide, -1, &text[0], n, nullptr, nullptr);
            GlobalUnlock(hData);
        }
    }
    EmptyClipboard();
    CloseClipboard();
    return text;
}

struct WindowSearch {
    DWORD pid;
    const char* cls;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectTopWindow(HWND hWnd, LPARAM lParam) {
    auto* search = reinterpret_cast<WindowSearch*>(lParam);
    if (ProcessOf(hWnd) == search->pid && IsWindowVisible(hWnd) && ClassOf(hWnd) == search->cls)
        search->found.push_back(hWnd);
    return TRUE;
}

BOOL CALLBACK CollectChild(HWND hWnd, LPARAM lParam) {
    auto* search = reinterpret_cast<WindowSearch*>(lParam);
    if (_stricmp(ClassOf(hWnd).c_str(), search->cls) == 0) search->found.push_back(hWnd);
    return TRUE;
}

// Visible top-level windows of a process with the given class.
std::vector<HWND> TopWindows(DWORD pid, const char* cls) {
    WindowSearch search{pid, cls, {}};
    EnumWindows(&CollectTopWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// The first descendant of a window with the given class, or null.
HWND FindChild(HWND hParent, const char* cls) {
    WindowSearch search{0, cls, {}};
    EnumChildWindows(hParent, &CollectChild, reinterpret_cast<LPARAM>(&search));
    return search.found.empty() ? nullptr : search.found.front();
}

// Every message box or other dialog of a process but the ones expected, with its texts.
std::string UnexpectedBoxes(DWORD pid, const std::vector<HWND>& expected) {
    std::string boxes;
    for (HWND hBox : TopWindows(pid, "#32770")) {
        bool known = false;
        for (HWND hWnd : expected) known = known || hWnd == hBox;
        if (!known) boxes += "[" + TextOf(hBox) + ": " + TextOf(GetDlgItem(hBox, 0xFFFF)) + "] ";
    }
    return boxes;
}

class HelpViewerTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_turn.Take());
        RegDeleteTreeA(HKEY_CURRENT_USER, "AppEvents");
        harness::SetRealString("AppEvents\\EventLabels\\SystemStart", "Windows の起動");
        harness::SetRealString(std::string(kApps) + "\\SystemStart\\.Current", "");
    }

    // The viewer's main window once it shows the help file's title, or null.
    HWND WaitForViewer(HWND hDlg) {
        HWND hViewer = nullptr;
        harness::WaitFor(
            [&] {
                HWND hWnd = FindWindowA("MS_WINHELP", nullptr);
                if (hWnd != nullptr && IsWindowVisible(hWnd) && TextOf(hWnd).rfind(kHelpTitle, 0) == 0) hViewer = hWnd;
                return hViewer != nullptr || !UnexpectedBoxes(ProcessOf(hDlg), {hDlg}).empty();
            },
            60000);  // the first start of the viewer in a fresh prefix is slow
        return hViewer;
    }

    harness::HelpViewerTurn m_turn;
    harness::RegistryBackup m_backup{HKEY_CURRENT_USER, "AppEvents"};
};

TEST_F(HelpViewerTest, HelpButtonOpensTheFileInTheViewerAndClosingTheDialogClosesIt) {
    const std::string exe = harness::ZorvandExePath();
    const std::string help = exe.substr(0, exe.size() - 3) + "hlp";
    ASSERT_NE(GetFileAttributesA(help.c_str()), INVALID_FILE_ATTRIBUTES) << help << " beside the program";

    harness::ZorvandProcess zorvand;
    ASSERT_TRUE(zorvand.Started());
    HWND hDlg = zorvand.WaitForDialog();
    ASSERT_NE(hDlg, nullptr) << "the dialog did not appear";
    const DWORD zorvandPid = ProcessOf(hDlg);
    PostMessageA(GetDlgItem(hDlg, IDC_HELP_BUTTON), BM_CLICK, 0, 0);

    HWND hViewer = WaitForViewer(hDlg);
    ASSERT_NE(hViewer, nullptr) << "no viewer titled " << kHelpTitle
                                << "; boxes: " << UnexpectedBoxes(zorvandPid, {hDlg});
    const DWORD viewerPid = ProcessOf(hViewer);
    HANDLE hViewerProcess = OpenProcess(SYNCHRONIZE, FALSE, viewerPid);
    ASSERT_NE(hViewerProcess, nullptr);
    HWND hText = GetDlgItem(hViewer, kViewerText);
    ASSERT_NE(hText, nullptr) << "the viewer's text window";

    // The contents topic lists every topic by name, in Japanese.
    std::string contents;
    harness::WaitFor([&] { return !(contents = RichText(hText)).empty(); }, 5000);
    for (const char* topic : kTopics) EXPECT_NE(contents.find(topic), std::string::npos) << topic << " in " << contents;
    EXPECT_EQ(contents.rfind(kTopics[0], 0), 0u) << "the contents topic starts with its first link";
    EXPECT_EQ(UnexpectedBoxes(viewerPid, {}), "");
    EXPECT_EQ(UnexpectedBoxes(zorvandPid, {hDlg}), "");

    // A click on the first link jumps to its topic.
    const auto at = static_cast<DWORD>(SendMessageA(hText, EM_POSFROMCHAR, 1, 0));
    const LPARAM point = MAKELPARAM(LOWORD(at) + 2, HIWORD(at) + 4);
    PostMessageA(hText, WM_LBUTTONDOWN, MK_LBUTTON, point);
    PostMessageA(hText, WM_LBUTTONUP, 0, point);
    std::string topic;
    EXPECT_TRUE(harness::WaitFor(
        [&] { return (topic = RichText(hText)).find("ザルノクサウンドコントロールは、") != std::string::npos; }, 10000))
        << "after the click: " << topic;
    EXPECT_EQ(topic.rfind("はじめに", 0), 0u) << topic;
    EXPECT_EQ(topic.find("メッセージと対処"), std::string::npos) << "still the contents: " << topic;

    // The index finds a keyword and shows its topic.
    HWND hIndexButton = nullptr;
    for (HWND hButton = GetWindow(GetDlgItem(hViewer, kViewerButtons), GW_CHILD); hButton != nullptr;
         hButton = GetWindow(hButton, GW_HWNDNEXT)) {
        if (TextOf(hButton).rfind("索引", 0) == 0) hIndexButton = hButton;
    }
    ASSERT_NE(hIndexButton, nullptr) << "the viewer's index button";
    PostMessageA(hIndexButton, BM_CLICK, 0, 0);
    HWND hSheet = nullptr;
    HWND hList = nullptr;
    ASSERT_TRUE(harness::WaitFor(
        [&] {
            for (HWND hWnd : TopWindows(viewerPid, "#32770")) {
                if (HWND hFound = FindChild(hWnd, "ListBox")) {
                    hSheet = hWnd;
                    hList = hFound;
                }
            }
            return hList != nullptr;
        },
        10000))
        << "no index";
    // The page fills its list after the list exists.
    LRESULT index = LB_ERR;
    EXPECT_TRUE(harness::WaitFor(
        [&] {
            index =
                SendMessageA(hList, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>("wavtheme"));
            return index != LB_ERR;
        },
        5000));
    ASSERT_NE(index, LB_ERR) << "the keyword wavtheme in the index of " << SendMessageA(hList, LB_GETCOUNT, 0, 0);
    EXPECT_NE(SendMessageA(hList, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>("(なし)")),
              LB_ERR);
    SendMessageA(hList, LB_SETCURSEL, index, 0);
    PostMessageA(hSheet, PSM_PRESSBUTTON, PSBTN_OK, 0);
    EXPECT_TRUE(harness::WaitFor(
        [&] { return (topic = RichText(hText)).find("wavtheme で絵と説明を入れる") != std::string::npos; }, 10000))
        << "after the index: " << topic;
    EXPECT_EQ(topic.rfind("ファイルに入っている絵と説明", 0), 0u) << topic;
    EXPECT_FALSE(IsWindow(hSheet)) << "the index closed";
    EXPECT_EQ(UnexpectedBoxes(viewerPid, {}), "");
    EXPECT_EQ(UnexpectedBoxes(zorvandPid, {hDlg}), "");

    // Closing the dialog quits the viewer.
    PostMessageA(GetDlgItem(hDlg, IDCANCEL), BM_CLICK, 0, 0);
    DWORD exitCode = 1;
    EXPECT_TRUE(zorvand.WaitForExit(10000, &exitCode)) << "ZORVAND did not end";
    EXPECT_EQ(WaitForSingleObject(hViewerProcess, 10000), WAIT_OBJECT_0) << "the viewer is still running";
    EXPECT_FALSE(IsWindow(hViewer));
    CloseHandle(hViewerProcess);
}

}  // namespace
