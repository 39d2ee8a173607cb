// Help opens the file of the viewer the system can show: WinHelp where a real
// viewer is installed, HTML Help where there is none or only the stub of
// today's Windows, the other file where the chosen one is missing, and a box
// naming the .chm where HTML Help has neither. Closing the dialog closes the
// help it opened. The files are the build's own, copied to a test drive.
#include <vector>

#include "app_fixture.h"
#include "winhelp_catcher.h"
// after windows.h
#include <commctrl.h>

namespace {

const char kHelpTitle[] = "ザルノクサウンドコントロール ヘルプ";
// The help's topics in the source's order: the contents of the HTML Help file.
const std::vector<std::string> kTopics = {"目次",     "はじめに", "画面の各部",  "音を割り当てる",  "ファイルを探す",
                                          "音を試す", "絵と説明", "OK と ｷｬﾝｾﾙ", "メッセージと対処"};

enum class Viewer { kRuntime, kStub, kNone };
enum class Opens { kWinHelp, kHtmlHelp, kBox };

class HelpDlg : public apptest::TestDlg {
public:
    HelpDlg(std::string strHelp, Viewer viewer, std::string strStub)
        : m_strHelp(std::move(strHelp)), m_viewer(viewer), m_strStub(std::move(strStub)) {}

protected:
    CString GetHelpPath() const override { return m_strHelp.c_str(); }
    CString GetWinHelpViewerPath() const override {
        if (m_viewer == Viewer::kRuntime) return CSoundControlDlg::GetWinHelpViewerPath();
        return m_viewer == Viewer::kStub ? m_strStub.c_str() : "";
    }

private:
    std::string m_strHelp;
    Viewer m_viewer;
    std::string m_strStub;
};

BOOL CALLBACK FindHtmlHelp(HWND hWnd, LPARAM lParam) {
    char cls[32] = "";
    GetClassNameA(hWnd, cls, sizeof cls);
    if (strcmp(cls, "HH Parent") == 0 && IsWindowVisible(hWnd)) *reinterpret_cast<HWND*>(lParam) = hWnd;
    return TRUE;
}

BOOL CALLBACK FindTree(HWND hWnd, LPARAM lParam) {
    char cls[32] = "";
    GetClassNameA(hWnd, cls, sizeof cls);
    if (strcmp(cls, WC_TREEVIEWA) == 0) *reinterpret_cast<HWND*>(lParam) = hWnd;
    return TRUE;
}

HWND HtmlHelpWindow() {
    HWND hWnd = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), &FindHtmlHelp, reinterpret_cast<LPARAM>(&hWnd));
    return hWnd;
}

// The top level of the contents tree, in order.
std::vector<std::string> Contents(HWND hHelp) {
    HWND hTree = nullptr;
    EnumChildWindows(hHelp, &FindTree, reinterpret_cast<LPARAM>(&hTree));
    std::vector<std::string> items;
    auto hItem = reinterpret_cast<HTREEITEM>(SendMessageA(hTree, TVM_GETNEXTITEM, TVGN_ROOT, 0));
    for (; hItem != nullptr; hItem = reinterpret_cast<HTREEITEM>(
                                 SendMessageA(hTree, TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(hItem)))) {
        char text[256] = "";
        TVITEMA item{};
        item.mask = TVIF_TEXT;
        item.hItem = hItem;
        item.pszText = text;
        item.cchTextMax = sizeof text;
        SendMessageA(hTree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
        items.push_back(text);
    }
    return items;
}

class HelpTest : public apptest::SchemeTest {};

TEST_F(HelpTest, HelpOpensWhatTheSystemCanShowAndClosesWithTheDialog) {
    const struct {
        const char* name;
        Viewer viewer;
        bool hlp, chm;
        Opens opens;
    } rows[] = {
        {"the runtime's viewer shows the .hlp", Viewer::kRuntime, true, true, Opens::kWinHelp},
        {"a stub is no viewer: HTML Help", Viewer::kStub, true, true, Opens::kHtmlHelp},
        {"no viewer: HTML Help", Viewer::kNone, true, true, Opens::kHtmlHelp},
        {"no viewer and no .chm: the .hlp", Viewer::kNone, true, false, Opens::kWinHelp},
        {"a viewer and no .hlp: the .chm", Viewer::kRuntime, false, true, Opens::kHtmlHelp},
        {"a stub and neither file: the box names the .chm", Viewer::kStub, false, false, Opens::kBox},
        {"a viewer and neither file: its box names the .hlp", Viewer::kRuntime, false, false, Opens::kWinHelp},
    };
    CreateApp();
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        harness::TestDirectory dir;
        const std::string built = harness::WindowsPath(ZORVAND_HELP_DIR) + "\\ZORVAND.";
        for (const char* ext : {row.hlp ? "hlp" : "", row.chm ? "chm" : ""}) {
            if (*ext != '\0') {
                ASSERT_TRUE(CopyFileA((built + ext).c_str(), (dir / "ZORVAND." + ext).c_str(), FALSE)) << ext;
            }
        }
        // The size of the stub that today's Windows keeps in its Windows directory.
        dir.WriteFile("winhlp32.exe", "MZ" + std::string(11 * 1024, '\0'));

        harness::MessageBoxRecorder boxes;
        harness::WinHelpCatcher winHelp;
        HelpDlg dlg(dir / "ZORVAND.hlp", row.viewer, dir / "winhlp32.exe");
        ASSERT_TRUE(dlg.Create(IDD_SOUNDCONTROL_DIALOG));
        harness::ClickButton(dlg.m_hWnd, IDC_HELP_BUTTON);
        HWND hHelp = nullptr;
        harness::PumpUntil([&] { return (hHelp = HtmlHelpWindow()) != nullptr; },
                           row.opens == Opens::kHtmlHelp ? 10000 : 500);
        if (row.opens == Opens::kHtmlHelp) {
            ASSERT_NE(hHelp, nullptr) << "no HTML Help window";
            EXPECT_EQ(harness::WindowText(hHelp), kHelpTitle);
            EXPECT_EQ(Contents(hHelp), kTopics);
        } else {
            EXPECT_EQ(hHelp, nullptr) << "an HTML Help window";
        }
        dlg.DestroyWindow();
        harness::PumpMessages();
        EXPECT_FALSE(IsWindow(hHelp)) << "HTML Help stayed open";
        if (row.chm) {
            EXPECT_TRUE(DeleteFileA((dir / "ZORVAND.chm").c_str())) << "HTML Help still holds the file";
        }

        std::vector<UINT> commands;
        for (const harness::HelpCall& call : winHelp.Calls()) {
            commands.push_back(call.command);
            EXPECT_EQ(call.file, dir / "ZORVAND.hlp");
        }
        const std::vector<UINT> expectedCommands =
            row.opens == Opens::kWinHelp ? std::vector<UINT>{HELP_CONTENTS, HELP_QUIT} : std::vector<UINT>{HELP_QUIT};
        EXPECT_EQ(commands, expectedCommands);
        std::vector<std::string> shown;
        for (const harness::RecordedBox& box : boxes.Boxes()) shown.push_back(harness::Describe(box));
        std::vector<std::string> expected;
        if (row.opens == Opens::kBox) {
            expected.push_back(
                harness::Describe({"エラー", "'" + dir / "ZORVAND.chm" + "' が見つかりません。", MB_ICONEXCLAMATION}));
        }
        EXPECT_EQ(shown, expected);
    }
}

}  // namespace
