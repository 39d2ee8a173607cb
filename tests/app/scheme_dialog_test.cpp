// Named schemes through the real dialogs: the sound settings opened from the
// system menu, on the real (sandboxed) registry.
#include "app_fixture.h"

namespace {

using apptest::kApps;
using apptest::SchemeTest;
using harness::MessageBoxRecorder;

const std::string kSchemes = "AppEvents\\Schemes";
const char kSettings[] = "サウンド設定";
const char kName[] = "名前を付けて保存";

class SchemeDialogTest : public SchemeTest {
protected:
    void SetUp() override {
        AddEvent("A", "エー", "C:\\old.wav");
        AddEvent("B", "ビー", "");
        AddEvent("C", "シー", "C:\\c.wav");
        m_reg.SetString(kApps + "\\A\\x1", "", "%SystemRoot%\\a.wav", REG_EXPAND_SZ);
        m_reg.SetString(kApps + "\\B\\x1", "", "C:\\b.wav");
        m_reg.SetValue(kApps + "\\C\\x1", "", REG_DWORD, std::string(4, '\1'));
        m_reg.SetString("AppEvents\\Schemes\\Apps\\Other\\F\\.Current", "", "C:\\f-old.wav");
        m_reg.SetString("AppEvents\\Schemes\\Apps\\Other\\F\\x1", "", "C:\\f.wav");
        m_reg.SetString(kSchemes + "\\Names\\x1", "", "ベータ");
        m_reg.SetString(kSchemes + "\\Names\\.Default", "", "Windows 標準");
        m_reg.SetString(kSchemes, "", ".Default");
        m_dlg = OpenDialog();
        m_hDlg = m_dlg->m_hWnd;
    }
    void TearDown() override {
        if (m_dlg) m_dlg->DestroyWindow();
    }
    // Opens the sound settings from the system menu, runs the steps in them and closes them.
    void InSettings(std::function<void(HWND)> steps) {
        harness::WhenShown(kSettings, [steps](HWND hSettings) {
            steps(hSettings);
            harness::ClickButton(hSettings, IDCANCEL);
        });
        SendMessageA(m_hDlg, WM_SYSCOMMAND, IDM_SCHEMES, 0);
    }
    static void Select(HWND hSettings, const std::string& text) {
        HWND hList = GetDlgItem(hSettings, IDC_SCHEME_LIST);
        auto nIndex =
            SendMessageA(hList, LB_FINDSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(text.c_str()));
        ASSERT_NE(nIndex, LB_ERR) << text;
        harness::SelectListItem(hSettings, IDC_SCHEME_LIST, static_cast<int>(nIndex));
    }
    // Saves as the name, answering the name dialog.
    static void SaveAs(HWND hSettings, const std::string& name) {
        harness::WhenShown(kName, [name](HWND hName) {
            SetDlgItemTextA(hName, IDC_SCHEME_NAME, name.c_str());
            harness::ClickButton(hName, IDOK);
            // A name refused leaves the dialog open.
            if (IsWindowVisible(hName)) harness::ClickButton(hName, IDCANCEL);
        });
        harness::ClickButton(hSettings, IDC_SCHEME_SAVE);
    }
    // "type:text" of a default value, "-" when there is none.
    std::string Get(const std::string& path) {
        harness::RegValue value;
        if (!m_reg.GetValue(path, "", &value)) return "-";
        return std::to_string(value.type) + ":" + value.data.substr(0, value.data.find('\0'));
    }

    std::unique_ptr<apptest::TestDlg> m_dlg;
    HWND m_hDlg = nullptr;
};

TEST_F(SchemeDialogTest, TheSystemMenuOpensTheSettingsWithTheSchemesByNameAndTheOneInUseMarked) {
    HMENU hMenu = GetSystemMenu(m_hDlg, FALSE);
    int nLast = GetMenuItemCount(hMenu) - 1;
    char szText[64] = "";
    GetMenuStringA(hMenu, nLast, szText, sizeof szText, MF_BYPOSITION);
    EXPECT_STREQ(szText, "サウンド設定(&S)...");
    EXPECT_EQ(GetMenuItemID(hMenu, nLast), static_cast<UINT>(IDM_SCHEMES));
    EXPECT_EQ(GetMenuState(hMenu, nLast - 1, MF_BYPOSITION) & MF_SEPARATOR, static_cast<UINT>(MF_SEPARATOR));

    std::vector<std::string> listed;
    BOOL bDeleteEnabled[2] = {TRUE, FALSE};
    BOOL bAppliedDeletable = TRUE;
    InSettings([&](HWND hSettings) {
        for (int i = 0; i < 2; ++i) {
            listed.push_back(harness::ListText(hSettings, IDC_SCHEME_LIST, i));
            harness::SelectListItem(hSettings, IDC_SCHEME_LIST, i);
            bDeleteEnabled[i] = IsWindowEnabled(GetDlgItem(hSettings, IDC_SCHEME_DELETE));
        }
        harness::ClickButton(hSettings, IDC_SCHEME_APPLY);
        bAppliedDeletable = IsWindowEnabled(GetDlgItem(hSettings, IDC_SCHEME_DELETE));
    });
    EXPECT_EQ(listed, (std::vector<std::string>{"Windows 標準 (使用中)", "ベータ"}));
    EXPECT_FALSE(bDeleteEnabled[0]) << "the system's scheme cannot be deleted";
    EXPECT_TRUE(bDeleteEnabled[1]);
    EXPECT_FALSE(bAppliedDeletable) << "a scheme applied but not yet saved by OK stays";
}

TEST_F(SchemeDialogTest, ApplyShowsTheSchemeAtOnceOkMakesItCurrentCancelWritesNothing) {
    for (int nLeave : {IDCANCEL, IDOK}) {
        SCOPED_TRACE(nLeave);
        if (!m_dlg) {
            m_dlg = OpenDialog();
            m_hDlg = m_dlg->m_hWnd;
        }
        std::vector<std::string> before = m_reg.Dump();
        std::string marked;
        InSettings([&](HWND hSettings) {
            Select(hSettings, "ベータ");
            harness::ClickButton(hSettings, IDC_SCHEME_APPLY);
            marked = harness::ListText(hSettings, IDC_SCHEME_LIST, 1);
        });
        EXPECT_EQ(marked, "ベータ (使用中)");
        EXPECT_STREQ(m_dlg->Find("A")->GetSoundPath(), "C:\\windows\\a.wav");
        EXPECT_STREQ(m_dlg->Find("B")->GetSoundPath(), "C:\\b.wav");
        EXPECT_STREQ(m_dlg->Find("C")->GetSoundPath(), "") << "a damaged value is no sound";
        EXPECT_EQ(m_reg.Dump(), before) << "nothing is written before OK";

        harness::ClickButton(m_hDlg, nLeave);
        m_dlg->DestroyWindow();
        m_dlg.reset();
        if (nLeave == IDCANCEL) {
            EXPECT_EQ(m_reg.Dump(), before);
            continue;
        }
        EXPECT_EQ(Get(kApps + "\\A\\.Current"), "2:%SystemRoot%\\a.wav");
        EXPECT_EQ(Get(kApps + "\\B\\.Current"), "1:C:\\b.wav");
        EXPECT_EQ(Get(kApps + "\\C\\.Current"), "1:");
        EXPECT_EQ(Get("AppEvents\\Schemes\\Apps\\Other\\F\\.Current"), "1:C:\\f.wav");
        EXPECT_EQ(Get(kSchemes), "1:x1");
    }
}

TEST_F(SchemeDialogTest, SaveAsStoresThePendingSoundsAndAsksBeforeReplacingAName) {
    m_dlg->Find("B")->SetFile("C:\\new.wav");
    struct Case {
        const char* name;
        int answer;       // to the box, if one comes
        const char* box;  // its text, "" for none
        const char* id;   // where the scheme is then, null for nowhere
    } cases[] = {
        {"私の音", IDOK, "", "私の音"},
        {"ベータ", IDNO, "スキーム「ベータ」は既にあります。置き換えますか?", nullptr},
        {"ベータ", IDYES, "スキーム「ベータ」は既にあります。置き換えますか?", "x1"},
        {"windows 標準", IDOK, "「Windows 標準」はシステムのスキームです。別の名前を付けてください。", nullptr},
        {"", IDOK, "名前を入力してください。", nullptr},
        {"あいうえおかきくけこあいうえおかきくけこあいうえおかきくけこあいうえおかきくけこあいうえおかきくけこあいうえ"
         "おかきくけこあいうえお",
         IDOK, "名前は 64 文字までです。", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MessageBoxRecorder boxes(c.answer);
        std::vector<std::string> before = m_reg.Dump();
        InSettings([&](HWND hSettings) { SaveAs(hSettings, c.name); });
        ASSERT_EQ(boxes.Boxes().size(), *c.box != '\0' ? 1u : 0u);
        if (*c.box != '\0') {
            EXPECT_EQ(boxes.Boxes()[0].text, c.box);
        }
        if (c.id == nullptr) {
            EXPECT_EQ(m_reg.Dump(), before);
            continue;
        }
        EXPECT_EQ(Get(kSchemes + "\\Names\\" + c.id), std::string("1:") + c.name);
        EXPECT_EQ(Get(kApps + "\\A\\" + c.id), "1:C:\\old.wav");
        EXPECT_EQ(Get(kApps + "\\B\\" + c.id), "1:C:\\new.wav") << "the pending assignment";
        EXPECT_EQ(Get("AppEvents\\Schemes\\Apps\\Other\\F\\" + std::string(c.id)), "1:C:\\f-old.wav");
        EXPECT_EQ(Get(kApps + "\\B\\.Current"), "1:") << "saving a scheme writes no .Current";
    }
}

TEST_F(SchemeDialogTest, DeleteAsksThenRemovesOnlyTheScheme) {
    std::vector<std::string> kept = m_reg.Dump();
    m_reg.SetString(kSchemes + "\\Names\\gone", "", "消す");
    m_reg.SetString(kApps + "\\A\\gone", "", "C:\\g.wav");
    for (int nAnswer : {IDNO, IDYES}) {
        MessageBoxRecorder boxes(nAnswer);
        InSettings([](HWND hSettings) {
            Select(hSettings, "消す");
            harness::ClickButton(hSettings, IDC_SCHEME_DELETE);
        });
        ASSERT_EQ(boxes.Boxes().size(), 1u);
        EXPECT_EQ(boxes.Boxes()[0].text, "スキーム「消す」を削除しますか?");
        EXPECT_EQ(m_reg.KeyExists(kApps + "\\A\\gone"), nAnswer == IDNO);
    }
    EXPECT_EQ(m_reg.Dump(), kept);
}

}  // namespace
