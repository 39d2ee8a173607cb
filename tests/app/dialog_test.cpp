// The main dialog: template, start-up, painting and help.
#include <algorithm>
#include <vector>

#include "app_fixture.h"
#include "winhelp_catcher.h"

namespace {

using apptest::SchemeTest;
using apptest::TestDlg;
using harness::MessageBoxRecorder;

std::string Narrow(const WCHAR* text, int len = -1) {
    int n = WideCharToMultiByte(932, 0, text, len, nullptr, 0, nullptr, nullptr);
    std::string out(n, '\0');
    WideCharToMultiByte(932, 0, text, len, &out[0], n, nullptr, nullptr);
    if (len < 0 && !out.empty()) out.pop_back();
    return out;
}

// A string or an ordinal of a template; advances p past it.
std::string SzOrOrd(const WORD*& p) {
    if (*p == 0xFFFF) {
        WORD ord = p[1];
        p += 2;
        switch (ord) {
        case 0x80:
            return "BUTTON";
        case 0x82:
            return "STATIC";
        case 0x83:
            return "LISTBOX";
        case 0x85:
            return "COMBOBOX";
        default:
            return "#" + std::to_string(ord);
        }
    }
    std::string s = Narrow(reinterpret_cast<const WCHAR*>(p));
    while (*p != 0) ++p;
    ++p;
    CharUpperA(&s[0]);
    return s;
}

struct TemplateItem {
    int id;
    std::string cls, caption;
    DWORD style, exStyle, helpId;
    short x, y, cx, cy;
};

struct Template {
    DWORD style, exStyle, helpId;
    short x, y, cx, cy;
    std::string menu, cls, caption, font;
    WORD points, weight;
    BYTE italic, charset;
    std::vector<TemplateItem> items;
};

Template ReadTemplate() {
    Template t{};
    HRSRC res = FindResourceExA(nullptr, MAKEINTRESOURCEA(5), MAKEINTRESOURCEA(IDD_SOUNDCONTROL_DIALOG),
                                MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT));
    EXPECT_NE(res, nullptr) << "template 102 in Japanese";
    if (res == nullptr) return t;
    auto* p = static_cast<const WORD*>(LockResource(LoadResource(nullptr, res)));
    EXPECT_EQ(p[0], 1);
    EXPECT_EQ(p[1], 0xFFFF) << "an extended template";
    auto dword = [](const WORD* w) { return static_cast<DWORD>(w[0] | (w[1] << 16)); };
    t.helpId = dword(p + 2);
    t.exStyle = dword(p + 4);
    t.style = dword(p + 6);
    WORD count = p[8];
    t.x = p[9], t.y = p[10], t.cx = p[11], t.cy = p[12];
    p += 13;
    t.menu = SzOrOrd(p);
    t.cls = SzOrOrd(p);
    t.caption = Narrow(reinterpret_cast<const WCHAR*>(p));
    while (*p++ != 0) {
    }
    t.points = p[0];
    t.weight = p[1];
    t.italic = LOBYTE(p[2]);
    t.charset = HIBYTE(p[2]);
    p += 3;
    t.font = Narrow(reinterpret_cast<const WCHAR*>(p));
    while (*p++ != 0) {
    }
    for (int i = 0; i < count; ++i) {
        p = reinterpret_cast<const WORD*>((reinterpret_cast<ULONG_PTR>(p) + 3) & ~ULONG_PTR(3));
        TemplateItem item{};
        item.helpId = dword(p);
        item.exStyle = dword(p + 2);
        item.style = dword(p + 4);
        item.x = p[6], item.y = p[7], item.cx = p[8], item.cy = p[9];
        item.id = static_cast<int>(dword(p + 10));
        p += 12;
        item.cls = SzOrOrd(p);
        const WORD* title = p;
        item.caption = *title == 0xFFFF ? SzOrOrd(p) : Narrow(reinterpret_cast<const WCHAR*>(p));
        if (*title != 0xFFFF) {
            while (*p++ != 0) {
            }
        }
        WORD extra = *p++;
        p = reinterpret_cast<const WORD*>(reinterpret_cast<const BYTE*>(p) + extra);
        t.items.push_back(item);
    }
    return t;
}

TEST(TemplateTest, DialogTemplateHoldsExactlyTheControls) {
    Template t = ReadTemplate();
    EXPECT_EQ(t.style, 0x90C800C0u);
    EXPECT_EQ(t.exStyle, 0x00040000u);
    EXPECT_EQ(t.helpId, 0u);
    EXPECT_EQ(t.x, 0);
    EXPECT_EQ(t.y, 0);
    EXPECT_EQ(t.cx, 315);
    EXPECT_EQ(t.cy, 224);
    EXPECT_EQ(t.menu, "");
    EXPECT_EQ(t.cls, "");
    EXPECT_EQ(t.caption, "ザルノクサウンドコントロール");
    EXPECT_EQ(t.font, "ＭＳ Ｐゴシック");
    EXPECT_EQ(t.points, 9);
    EXPECT_EQ(t.weight, 0);
    EXPECT_EQ(t.italic, 0);
    EXPECT_EQ(t.charset, 1);

    struct Expected {
        int id;
        const char* cls;
        const char* caption;
        DWORD style;
        short x, y, cx, cy;
    } expected[] = {
        {IDOK, "BUTTON", "OK", 0x50010000, 256, 8, 50, 14},
        {IDCANCEL, "BUTTON", "ｷｬﾝｾﾙ", 0x50010000, 256, 26, 50, 14},
        {IDC_TEST, "BUTTON", "テスト(&T)", 0x50010001, 256, 50, 50, 14},
        {IDC_HELP_BUTTON, "BUTTON", "ヘルプ(&H)", 0x50010000, 256, 74, 50, 14},
        {IDC_MAKE, "BUTTON", "作成(&M)...", 0x50010000, 256, 98, 50, 14},
        {-1, "STATIC", "アプリケーション(&A):", 0x50020000, 7, 9, 76, 10},
        {IDC_APP_COMBO, "COMBOBOX", "", 0x50230203, 85, 7, 163, 100},
        {-1, "STATIC", "音を鳴らす場面(&W):", 0x50020000, 7, 25, 76, 10},
        {IDC_EVENT_LIST, "LISTBOX", "", 0x40A30051, 7, 37, 100, 61},
        {-1, "STATIC", "サウンドファイル(&F):", 0x50020000, 116, 25, 82, 10},
        {IDC_FILE_LIST, "LISTBOX", "", 0x50A30003, 115, 37, 133, 61},
        {IDC_DIRECTORY_LABEL, "STATIC", "", 0x50020000, 8, 107, 99, 8},
        {IDC_DRIVE_COMBO, "COMBOBOX", "", 0x50230303, 116, 106, 96, 60},
        {IDC_PICTURE, "STATIC", "", 0x50001007, 8, 130, 64, 72},
        {IDC_DESCRIPTION, "STATIC", "", 0x50001007, 88, 130, 160, 72},
        {IDC_SOUND_INFO, "STATIC", "", 0x5002008C, 8, 207, 240, 10},
    };
    ASSERT_EQ(t.items.size(), std::size(expected));
    for (size_t i = 0; i < t.items.size(); ++i) {
        const TemplateItem& item = t.items[i];
        const Expected& e = expected[i];
        SCOPED_TRACE("control " + std::to_string(i + 1) + " (" + e.caption + ")");
        EXPECT_EQ(item.id, e.id);
        EXPECT_EQ(item.cls, e.cls);
        EXPECT_EQ(item.caption, e.caption);
        EXPECT_EQ(item.style, e.style) << std::hex << item.style;
        EXPECT_EQ(item.exStyle, 0u);
        EXPECT_EQ(item.helpId, 0u);
        EXPECT_EQ(item.x, e.x);
        EXPECT_EQ(item.y, e.y);
        EXPECT_EQ(item.cx, e.cx);
        EXPECT_EQ(item.cy, e.cy);
    }
}

TEST(TemplateTest, IconsAndTheNoneStringAreJapaneseResources) {
    struct IconEntry {
        BYTE width, height, colors, reserved;
        WORD planes, bitCount;
        DWORD bytes;
        WORD id;
    };
    auto entries = [](int id) {
        std::vector<IconEntry> out;
        HRSRC res = FindResourceExA(nullptr, MAKEINTRESOURCEA(14), MAKEINTRESOURCEA(id),
                                    MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT));
        if (res == nullptr) return out;
        auto* p = static_cast<const BYTE*>(LockResource(LoadResource(nullptr, res)));
        WORD count = *reinterpret_cast<const WORD*>(p + 4);
        for (WORD i = 0; i < count; ++i) {
            IconEntry e;
            memcpy(&e, p + 6 + 14 * i, 14);
            out.push_back(e);
        }
        return out;
    };
    std::vector<IconEntry> mainframe = entries(IDR_MAINFRAME);
    ASSERT_EQ(mainframe.size(), 2u);
    EXPECT_EQ(mainframe[0].width, 32);
    EXPECT_EQ(mainframe[0].height, 32);
    EXPECT_EQ(mainframe[0].bitCount, 4);
    EXPECT_EQ(mainframe[1].width, 16);
    EXPECT_EQ(mainframe[1].height, 16);
    EXPECT_EQ(mainframe[1].bitCount, 4);
    // The loudspeaker at the rows' heights of 96, 144 and 192 DPI.
    std::vector<IconEntry> assigned = entries(IDI_SOUND_ASSIGNED);
    ASSERT_EQ(assigned.size(), 3u);
    for (size_t i = 0; i < assigned.size(); ++i) {
        EXPECT_EQ(assigned[i].width, std::vector<int>({16, 24, 32})[i]);
        EXPECT_EQ(assigned[i].height, assigned[i].width);
        EXPECT_EQ(assigned[i].bitCount, 4);
    }

    EXPECT_NE(FindResourceExA(nullptr, MAKEINTRESOURCEA(6), MAKEINTRESOURCEA(IDS_NONE / 16 + 1),
                              MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT)),
              nullptr);
    CString none;
    ASSERT_TRUE(none.LoadString(IDS_NONE));
    EXPECT_STREQ(none, "(なし)");
}

class MainDialogTest : public SchemeTest {};

TEST_F(MainDialogTest, ControlsSitWhereTheTemplatePutsThem) {
    AddEvent("SystemAsterisk", "一般の警告音", "C:\\ding.wav");
    auto dlg = OpenDialog();
    HWND hDlg = dlg->m_hWnd;
    EXPECT_EQ(harness::WindowText(hDlg), "ザルノクサウンドコントロール");
    struct {
        int id;
        RECT du;
    } controls[] = {{IDOK, {256, 8, 306, 22}},           {IDCANCEL, {256, 26, 306, 40}},
                    {IDC_TEST, {256, 50, 306, 64}},      {IDC_HELP_BUTTON, {256, 74, 306, 88}},
                    {IDC_MAKE, {256, 98, 306, 112}},     {IDC_EVENT_LIST, {7, 37, 107, 98}},
                    {IDC_FILE_LIST, {115, 37, 248, 98}}, {IDC_DIRECTORY_LABEL, {8, 107, 107, 115}},
                    {IDC_PICTURE, {8, 130, 72, 202}},    {IDC_DESCRIPTION, {88, 130, 248, 202}},
                    {IDC_SOUND_INFO, {8, 207, 248, 217}}};
    for (const auto& c : controls) {
        // The system maps the position and the size each on its own.
        RECT expected{c.du.left, c.du.top, c.du.right - c.du.left, c.du.bottom - c.du.top};
        MapDialogRect(hDlg, &expected);
        expected.right += expected.left;
        expected.bottom += expected.top;
        RECT actual;
        GetWindowRect(GetDlgItem(hDlg, c.id), &actual);
        MapWindowPoints(nullptr, hDlg, reinterpret_cast<POINT*>(&actual), 2);
        // A list box shortens itself to whole rows.
        if (c.id == IDC_EVENT_LIST || c.id == IDC_FILE_LIST) {
            EXPECT_LE(actual.bottom, expected.bottom);
            EXPECT_GT(actual.bottom, expected.bottom - 20);
            actual.bottom = expected.bottom;
        }
        EXPECT_TRUE(EqualRect(&expected, &actual))
            << "control " << c.id << ": expected " << expected.left << "," << expected.top << "-" << expected.right
            << "," << expected.bottom << " actual " << actual.left << "," << actual.top << "-" << actual.right << ","
            << actual.bottom;
    }
    // The frame rectangles lie 2 pixels inside each frame.
    RECT frame;
    GetWindowRect(GetDlgItem(hDlg, IDC_PICTURE), &frame);
    MapWindowPoints(nullptr, hDlg, reinterpret_cast<POINT*>(&frame), 2);
    InflateRect(&frame, -2, -2);
    EXPECT_TRUE(EqualRect(&frame, dlg->m_rcPicture));
    GetWindowRect(GetDlgItem(hDlg, IDC_DESCRIPTION), &frame);
    MapWindowPoints(nullptr, hDlg, reinterpret_cast<POINT*>(&frame), 2);
    InflateRect(&frame, -2, -2);
    EXPECT_TRUE(EqualRect(&frame, dlg->m_rcDescription));
    dlg->DestroyWindow();
}

TEST_F(MainDialogTest, SuccessfulStartShowsTheFilledEventListWithTheFirstSelected) {
    AddEvent("B", "ベ", "C:\\b.wav");
    AddEvent("A", "ア", "C:\\a.wav");
    MessageBoxRecorder boxes;
    auto dlg = OpenDialog();
    HWND hList = GetDlgItem(dlg->m_hWnd, IDC_EVENT_LIST);
    EXPECT_TRUE(IsWindowVisible(hList));
    EXPECT_EQ(SendMessageA(hList, LB_GETCOUNT, 0, 0), 2);
    EXPECT_EQ(SendMessageA(hList, LB_GETCURSEL, 0, 0), 0);
    EXPECT_TRUE(boxes.Boxes().empty());
    // The first event's file is not on C:, so the browser shows C:\ with no sound chosen.
    EXPECT_EQ(lstrcmpiA(Label(dlg->m_hWnd).c_str(), "C:\\"), 0);
    EXPECT_EQ(SendMessageA(GetDlgItem(dlg->m_hWnd, IDC_FILE_LIST), LB_GETCURSEL, 0, 0), 0);
    EXPECT_EQ(reinterpret_cast<HICON>(SendMessageA(dlg->m_hWnd, WM_GETICON, ICON_SMALL, 0)),
              AfxGetApp()->LoadIcon(IDR_MAINFRAME));
    EXPECT_EQ(reinterpret_cast<HICON>(SendMessageA(dlg->m_hWnd, WM_QUERYDRAGICON, 0, 0)),
              AfxGetApp()->LoadIcon(IDR_MAINFRAME));
    dlg->DestroyWindow();
}

TEST_F(MainDialogTest, EmptyCatalogueGivesAVisibleEmptyList) {
    CreateApp();
    auto dlg = OpenDialog();
    HWND hList = GetDlgItem(dlg->m_hWnd, IDC_EVENT_LIST);
    EXPECT_TRUE(IsWindowVisible(hList));
    EXPECT_EQ(SendMessageA(hList, LB_GETCOUNT, 0, 0), 0);
    EXPECT_EQ(SendMessageA(hList, LB_GETCURSEL, 0, 0), LB_ERR);
    dlg->DestroyWindow();
}

TEST_F(MainDialogTest, UnreadableCatalogueLeavesAUsableDialogWithoutEventList) {
    MessageBoxRecorder boxes;
    auto dlg = OpenDialog();
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].text, "ﾚｼﾞｽﾄﾘｵｰﾌﾟﾝｴﾗｰ");
    EXPECT_EQ(boxes.Boxes()[0].caption, AfxGetApp()->m_pszExeName);
    EXPECT_EQ(boxes.Boxes()[0].icon, static_cast<UINT>(MB_ICONEXCLAMATION));
    HWND hList = GetDlgItem(dlg->m_hWnd, IDC_EVENT_LIST);
    EXPECT_FALSE(IsWindowVisible(hList));
    EXPECT_EQ(SendMessageA(hList, LB_GETCOUNT, 0, 0), 0);
    EXPECT_EQ(dlg->m_nCurrentEvent, -1);
    EXPECT_TRUE(IsRectEmpty(dlg->m_rcPicture));
    EXPECT_TRUE(IsWindowEnabled(dlg->m_hWnd));
    dlg->DestroyWindow();
}

// Presses a button of the main dialog once the modal loop runs, after the error box. The timer
// also fires inside the box's own loop on a slow machine, so it keeps trying until the dialog is
// shown and no longer disabled by the box. Only this thread's dialog counts: an end-to-end test
// may have the program's own dialog open at the same time.
int g_nButtonToPress = 0;
BOOL CALLBACK FindMainDialog(HWND hWnd, LPARAM lParam) {
    char cls[16] = "", caption[64] = "";
    GetClassNameA(hWnd, cls, sizeof cls);
    GetWindowTextA(hWnd, caption, sizeof caption);
    if (lstrcmpA(cls, "#32770") != 0 || lstrcmpA(caption, "ザルノクサウンドコントロール") != 0) return TRUE;
    *reinterpret_cast<HWND*>(lParam) = hWnd;
    return FALSE;
}
void CALLBACK PressButton(HWND, UINT, UINT_PTR id, DWORD) {
    HWND hDlg = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), &FindMainDialog, reinterpret_cast<LPARAM>(&hDlg));
    if (hDlg == nullptr || !IsWindowVisible(hDlg) || !IsWindowEnabled(hDlg)) return;
    KillTimer(nullptr, id);
    PostMessageA(GetDlgItem(hDlg, g_nButtonToPress), BM_CLICK, 0, 0);
}

TEST_F(MainDialogTest, UnreadableCatalogueStillClosesWithOkAndCancel) {
    for (int button : {IDOK, IDCANCEL}) {
        MessageBoxRecorder boxes;
        TestDlg dlg(m_reg.Root());
        g_nButtonToPress = button;
        SetTimer(nullptr, 0, 100, &PressButton);
        EXPECT_EQ(dlg.DoModal(), button);
        // OK tries to save and reports the missing key once more; Cancel writes nothing.
        EXPECT_EQ(boxes.Boxes().size(), button == IDOK ? 2u : 1u);
    }
}

TEST_F(MainDialogTest, HelpOpensAndClosesTheFileBesideTheExecutable) {
    CreateApp();
    harness::WinHelpCatcher help;
    auto dlg = OpenDialog();
    harness::ClickButton(dlg->m_hWnd, IDC_HELP_BUTTON);
    harness::ClickButton(dlg->m_hWnd, IDC_HELP_BUTTON);
    dlg->DestroyWindow();

    char exe[MAX_PATH];
    GetModuleFileNameA(nullptr, exe, MAX_PATH);
    std::string expected(exe);
    expected = expected.substr(0, expected.size() - 3) + "hlp";
    ASSERT_EQ(help.Calls().size(), 3u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(help.Calls()[i].command, static_cast<UINT>(i < 2 ? HELP_CONTENTS : HELP_QUIT));
        EXPECT_EQ(help.Calls()[i].file, expected);
        EXPECT_EQ(help.Calls()[i].data, 0u);
    }
}

TEST_F(MainDialogTest, HelpQuitIsSentEvenWhenHelpWasNeverOpened) {
    CreateApp();
    harness::WinHelpCatcher help;
    auto dlg = OpenDialog();
    dlg->DestroyWindow();
    ASSERT_EQ(help.Calls().size(), 1u);
    EXPECT_EQ(help.Calls()[0].command, static_cast<UINT>(HELP_QUIT));
}

}  // namespace

namespace {

// Messages that reach the dialog's window, in order, while the recorder lives.
class MessageLog {
public:
    MessageLog() {
        s_pLog = this;
        m_hHook = SetWindowsHookExA(WH_CALLWNDPROC, &Hook, nullptr, GetCurrentThreadId());
    }
    ~MessageLog() {
        UnhookWindowsHookEx(m_hHook);
        s_pLog = nullptr;
    }
    std::vector<std::pair<HWND, UINT>> m_messages;

private:
    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam) {
        auto* cwp = reinterpret_cast<CWPSTRUCT*>(lParam);
        if (code == HC_ACTION && s_pLog != nullptr) s_pLog->m_messages.emplace_back(cwp->hwnd, cwp->message);
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }
    static MessageLog* s_pLog;
    HHOOK m_hHook;
};
MessageLog* MessageLog::s_pLog = nullptr;

TEST_F(MainDialogTest, WindowIsCreatedBeforeItIsInitialised) {
    AddEvent("A", "エー", "C:\\a.wav");
    MessageLog log;
    auto dlg = OpenDialog();
    std::vector<UINT> order;
    for (const auto& m : log.m_messages)
        if (m.first == dlg->m_hWnd && (m.second == WM_CREATE || m.second == WM_INITDIALOG)) order.push_back(m.second);
    EXPECT_EQ(order, (std::vector<UINT>{WM_CREATE, WM_INITDIALOG}));
    dlg->DestroyWindow();
}

// This platform gives a minimised window no client area and no paint of its
// own, so the icon's placement cannot be seen; the paint is asked for directly.
TEST_F(MainDialogTest, MinimisedDialogPaintsItsIconOverAnErasedBackground) {
    AddEvent("A", "エー", "C:\\a.wav");
    auto dlg = OpenDialog();
    ShowWindow(dlg->m_hWnd, SW_MINIMIZE);
    ASSERT_TRUE(IsIconic(dlg->m_hWnd));
    MessageLog log;
    SendMessageA(dlg->m_hWnd, WM_PAINT, 0, 0);
    std::vector<UINT> sent;
    for (const auto& m : log.m_messages)
        if (m.first == dlg->m_hWnd) sent.push_back(m.second);
    EXPECT_EQ(std::count(sent.begin(), sent.end(), static_cast<UINT>(WM_ICONERASEBKGND)), 1);
    ShowWindow(dlg->m_hWnd, SW_RESTORE);
    MessageLog restored;
    SendMessageA(dlg->m_hWnd, WM_PAINT, 0, 0);
    for (const auto& m : restored.m_messages)
        EXPECT_NE(m.second, static_cast<UINT>(WM_ICONERASEBKGND)) << "only a minimised dialog paints its icon";
    dlg->DestroyWindow();
}

}  // namespace
