// Help opens the file of the viewer the system can show: WinHelp where a real
// viewer is installed, HTML Help where there is none or only the stub of
// today's Windows, the other file where the chosen one is missing, and a box
// naming the .chm where HTML Help has neither. Closing the dialog closes the
// help it opened. The files are the build's own, copied to a test drive.
#include <utility>
#include <vector>

#include "app_fixture.h"
#include "winhelp_catcher.h"
// after windows.h
#include <commctrl.h>

namespace {

const char kHelpTitle[] = "ザルノクサウンドコントロール ヘルプ";
const std::vector<std::string> kContents = {
    "目次",     "はじめに", "画面の各部",  "音を割り当てる",          "アプリケーションの場面", "ファイルを探す",
    "音を試す", "絵と説明", "OK と ｷｬﾝｾﾙ", "サウンド設定 (スキーム)", "メッセージと対処"};

enum class Viewer { kRuntime, kStub, kNone };
enum class Opens { kWinHelp, kHtmlHelp, kBox };

// The dialog with its help files in a test directory and the viewer check
// pointed at the runtime's viewer, at a stub-sized file or at no file.
class HelpDlg : public apptest::TestDlg {
public:
    using apptest::TestDlg::TestDlg;
    std::string m_strViewer;
    std::wstring m_strHelp;
    bool m_bRuntimeViewer = false;

protected:
    std::wstring GetHelpPath() const override { return m_strHelp; }
    CString GetWinHelpViewerPath() const override {
        return m_bRuntimeViewer ? CSoundControlDlg::GetWinHelpViewerPath() : CString(m_strViewer.c_str());
    }
};

// A class name and the last visible window of that class.
using ClassSearch = std::pair<const char*, HWND>;

BOOL CALLBACK FindClass(HWND hWnd, LPARAM lParam) {
    auto* search = reinterpret_cast<ClassSearch*>(lParam);
    char cls[32] = "";
    GetClassNameA(hWnd, cls, sizeof cls);
    if (strcmp(cls, search->first) == 0 && IsWindowVisible(hWnd)) search->second = hWnd;
    return TRUE;
}

// The top level of the HTML Help window's contents tree, in order.
std::vector<std::string> Contents(HWND hHelp) {
    ClassSearch tree{WC_TREEVIEWA, nullptr};
    EnumChildWindows(hHelp, &FindClass, reinterpret_cast<LPARAM>(&tree));
    std::vector<std::string> items;
    for (LPARAM item = SendMessageA(tree.second, TVM_GETNEXTITEM, TVGN_ROOT, 0); item != 0;
         item = SendMessageA(tree.second, TVM_GETNEXTITEM, TVGN_NEXT, item)) {
        char text[256] = "";
        TVITEMA tvi{};
        tvi.mask = TVIF_TEXT;
        tvi.hItem = reinterpret_cast<HTREEITEM>(item);
        tvi.pszText = text;
        tvi.cchTextMax = sizeof text;
        SendMessageA(tree.second, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&tvi));
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
                ASSERT_TRUE(CopyFileA((built + ext).c_str(), (dir / "ZORVAND." + ext).c_str(), FALSE));
            }
        }
        // The size of the stub that today's Windows keeps in its Windows directory.
        dir.WriteFile("winhlp32.exe", "MZ" + std::string(11 * 1024, '\0'));
        harness::MessageBoxRecorder boxes;
        harness::WinHelpCatcher winHelp;
        HelpDlg dlg(m_reg.Root());
        dlg.m_strHelp = scheme::Widen((dir / "ZORVAND.hlp").c_str());
        dlg.m_strViewer = row.viewer == Viewer::kStub ? dir / "winhlp32.exe" : "";
        dlg.m_bRuntimeViewer = row.viewer == Viewer::kRuntime;
        ASSERT_TRUE(dlg.Create(IDD_SOUNDCONTROL_DIALOG));
        harness::ClickButton(dlg.m_hWnd, IDC_HELP_BUTTON);
        ClassSearch help{"HH Parent", nullptr};
        const auto find = [&] {
            return EnumThreadWindows(GetCurrentThreadId(), &FindClass, LPARAM(&help)) && help.second;
        };
        harness::PumpUntil(find, row.opens == Opens::kHtmlHelp ? 10000 : 500);
        HWND hHelp = help.second;
        if (row.opens == Opens::kHtmlHelp) {
            ASSERT_NE(hHelp, nullptr) << "no HTML Help window";
            EXPECT_EQ(harness::WindowText(hHelp), kHelpTitle);
            EXPECT_EQ(Contents(hHelp), kContents);
        } else {
            EXPECT_EQ(hHelp, nullptr) << "an HTML Help window";
        }
        dlg.DestroyWindow();
        harness::PumpMessages();
        if (row.chm) {
            EXPECT_TRUE(DeleteFileA((dir / "ZORVAND.chm").c_str())) << "HTML Help still holds the file";
        }
        std::vector<std::string> calls;
        for (const harness::HelpCall& call : winHelp.Calls())
            calls.push_back(std::to_string(call.command) + " " + call.file);
        const std::string quit = std::to_string(HELP_QUIT) + " " + dir / "ZORVAND.hlp";
        EXPECT_EQ(calls,
                  (row.opens == Opens::kWinHelp
                       ? std::vector<std::string>{std::to_string(HELP_CONTENTS) + " " + dir / "ZORVAND.hlp", quit}
                       : std::vector<std::string>{quit}));
        std::vector<std::string> shown;
        for (const harness::RecordedBox& box : boxes.Boxes()) shown.push_back(harness::Describe(box));
        EXPECT_EQ(shown, (row.opens == Opens::kBox
                              ? std::vector<std::string>{harness::Describe(
                                    {"エラー", "'" + dir / "ZORVAND.chm" + "' が見つかりません。", MB_ICONEXCLAMATION})}
                              : std::vector<std::string>{}));
    }
}

TEST_F(HelpTest, HelpBesideTheProgramInAFolderTheCodePageCannotNameAndAnEmptyChm) {
    const struct {
        const char* name;
        bool chmEmpty;
        Opens opens;
    } rows[] = {
        {"the .chm opens by its UTF-16 path", false, Opens::kHtmlHelp},
        {"an empty .chm: the .hlp, by a path the viewer can open", true, Opens::kWinHelp},
    };
    CreateApp();
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        harness::TestDirectory dir;
        const std::wstring folder = scheme::Widen(dir.Path().c_str()) + L"\\Zo\u00eb";
        ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
        const std::wstring built = scheme::Widen(harness::WindowsPath(ZORVAND_HELP_DIR).c_str()) + L"\\ZORVAND.";
        ASSERT_TRUE(CopyFileW((built + L"hlp").c_str(), (folder + L"\\ZORVAND.hlp").c_str(), FALSE));
        if (row.chmEmpty)
            CloseHandle(
                CreateFileW((folder + L"\\ZORVAND.chm").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        else
            ASSERT_TRUE(CopyFileW((built + L"chm").c_str(), (folder + L"\\ZORVAND.chm").c_str(), FALSE));
        harness::MessageBoxRecorder boxes;
        harness::WinHelpCatcher winHelp;
        HelpDlg dlg(m_reg.Root());
        dlg.m_strHelp = folder + L"\\ZORVAND.hlp";
        ASSERT_TRUE(dlg.Create(IDD_SOUNDCONTROL_DIALOG));
        harness::ClickButton(dlg.m_hWnd, IDC_HELP_BUTTON);
        ClassSearch help{"HH Parent", nullptr};
        harness::PumpUntil(
            [&] { return EnumThreadWindows(GetCurrentThreadId(), &FindClass, LPARAM(&help)) && help.second; },
            row.opens == Opens::kHtmlHelp ? 10000 : 500);
        EXPECT_EQ(help.second != nullptr, row.opens == Opens::kHtmlHelp);
        if (help.second != nullptr) {
            EXPECT_EQ(harness::WindowText(help.second), kHelpTitle);
        }
        dlg.DestroyWindow();
        harness::PumpMessages();
        ASSERT_FALSE(winHelp.Calls().empty());
        EXPECT_EQ(winHelp.Calls().front().command, row.opens == Opens::kWinHelp ? HELP_CONTENTS : HELP_QUIT);
        HANDLE hFile = CreateFileA(winHelp.Calls().front().file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                   OPEN_EXISTING, 0, nullptr);
        EXPECT_NE(hFile, INVALID_HANDLE_VALUE)
            << "the viewer is given a path it can open: " << winHelp.Calls().front().file;
        CloseHandle(hFile);
        EXPECT_TRUE(boxes.Boxes().empty());
        for (const wchar_t* name : {L"\\ZORVAND.hlp", L"\\ZORVAND.chm"}) DeleteFileW((folder + name).c_str());
        EXPECT_TRUE(RemoveDirectoryW(folder.c_str())) << "a viewer still holds a file";
    }
}

}  // namespace
