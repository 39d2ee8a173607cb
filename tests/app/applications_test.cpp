// Every application's events in the one dialog: the chooser, switching with
// assignments pending, OK and Cancel, and schemes across applications.
#include <algorithm>

#include "app_fixture.h"

namespace {

using apptest::kLabels;
using harness::MessageBoxRecorder;

const std::string kAppsRoot = "AppEvents\\Schemes\\Apps\\";

// Paths as the file list gives them are in lower case.
std::string Lower(std::string text) {
    CharLowerA(&text[0]);
    return text;
}

class ApplicationsTest : public apptest::SchemeTest {
protected:
    void SetUp() override {
        m_dir.WriteFile("one.wav", harness::MakeWave(0.1));
        m_dir.WriteFile("two.wav", harness::MakeWave(0.1, 880.0));
        m_library = m_dir / "event_names.dll";
        ASSERT_TRUE(CopyFileA(harness::WindowsPath(ZORVAND_EVENT_NAMES_DLL).c_str(), m_library.c_str(), FALSE));
    }
    // An event of an application with a label and, unless file is null, a .Current value.
    void Event(const std::string& app, const std::string& key, const std::string& label, const char* file) {
        m_reg.SetString(kLabels + "\\" + key, "", label);
        m_reg.CreateKey(kAppsRoot + app + "\\" + key);
        if (file != nullptr) m_reg.SetString(kAppsRoot + app + "\\" + key + "\\.Current", "", file);
    }
    // Explorer, named by a library, beside .Default, each with one event on one.wav.
    void TwoApplications() {
        Event(".Default", "A", "エー", (m_dir / "one.wav").c_str());
        Event("Explorer", "Navigating", "ナビゲーション開始", (m_dir / "one.wav").c_str());
        m_reg.SetString(kAppsRoot + "Explorer", "DispFileName", "@" + m_library + ",-5854");
    }
    // Chooses the application shown under this name, as the user would.
    static void ShowApp(HWND hDlg, const std::string& name) {
        std::vector<std::string> names = Entries(hDlg, IDC_APP_COMBO);
        auto it = std::find(names.begin(), names.end(), name);
        ASSERT_NE(it, names.end()) << name;
        harness::SelectComboItem(hDlg, IDC_APP_COMBO, static_cast<int>(it - names.begin()));
    }
    static std::string ShownEvent(HWND hDlg) {
        HWND hList = GetDlgItem(hDlg, IDC_EVENT_LIST);
        int nSel = static_cast<int>(SendMessageA(hList, LB_GETCURSEL, 0, 0));
        return nSel < 0 ? "" : harness::ListText(hDlg, IDC_EVENT_LIST, nSel);
    }
    std::string Current(const std::string& app, const std::string& key) {
        harness::RegValue value;
        if (!m_reg.GetValue(kAppsRoot + app + "\\" + key + "\\.Current", "", &value)) return "-";
        return value.data.substr(0, value.data.find('\0'));
    }

    harness::TestDirectory m_dir;
    std::string m_library;
};

// Shown by name, .Default first and the others in the code page's order, those
// with no event to show left out; Alt+A reaches the chooser.
TEST_F(ApplicationsTest, ChooserListsEveryApplicationWithAShownEventByItsName) {
    TwoApplications();
    m_reg.SetString(kAppsRoot + "Explorer", "", "File Explorer");
    Event("sapisvr", "DisNumbersSound", "数字", nullptr);
    m_reg.SetString(kAppsRoot + "sapisvr", "", "音声認識");
    Event("Zeta", "ZetaEvent", "ゼータ", nullptr);
    Event("Wide", "WideEvent", "ワイド", nullptr);
    // Named beyond the code page: shown as the code page can.
    HKEY hWide;
    ASSERT_EQ(RegOpenKeyExW(m_reg.Root(), L"AppEvents\\Schemes\\Apps\\Wide", 0, KEY_SET_VALUE, &hWide), ERROR_SUCCESS);
    RegSetValueExW(hWide, L"", 0, REG_SZ, reinterpret_cast<const BYTE*>(L"Caf\u00e9"), 5 * sizeof(WCHAR));
    RegCloseKey(hWide);
    Event("Hidden", "HiddenEvent", "隠す", nullptr);
    m_reg.SetValue(kLabels + "\\HiddenEvent", "ExcludeFromCPL", REG_DWORD, std::string("\1\0\0\0", 4));
    m_reg.CreateKey(kAppsRoot + "Unlabelled\\NoLabel");

    auto dlg = OpenDialog();
    HWND hDlg = dlg->m_hWnd;
    EXPECT_EQ(Entries(hDlg, IDC_APP_COMBO),
              std::vector<std::string>({"Windows", "Caf?", "Zeta", "エクスプローラー", "音声認識"}));
    EXPECT_EQ(SendDlgItemMessageA(hDlg, IDC_APP_COMBO, CB_GETCURSEL, 0, 0), 0);
    // The first event's line, asked of the sound system once the dialog has been painted.
    EXPECT_EQ(harness::WindowText(GetDlgItem(hDlg, IDC_SOUND_INFO)), "PCM 22,050 Hz 16 ビット モノラル 0.10 秒");

    SetFocus(GetDlgItem(hDlg, IDC_FILE_LIST));
    MSG alt{GetFocus(), WM_SYSCHAR, 'a', 1 << 29, 0, {0, 0}};
    EXPECT_TRUE(IsDialogMessageA(hDlg, &alt));
    EXPECT_EQ(GetFocus(), GetDlgItem(hDlg, IDC_APP_COMBO));
    dlg->DestroyWindow();
}

// Assignments on two applications stay while the other is shown; OK writes
// both and nothing else, Cancel writes nothing.
TEST_F(ApplicationsTest, AssignmentsOnTwoApplicationsSurviveSwitchingAndOkWritesBoth) {
    TwoApplications();
    Event("Explorer", "Hidden", "隠す", nullptr);
    m_reg.SetValue(kLabels + "\\Hidden", "ExcludeFromCPL", REG_DWORD, std::string("\1\0\0\0", 4));
    for (int button : {IDCANCEL, IDOK}) {
        SCOPED_TRACE(button);
        std::vector<std::string> before = m_reg.Dump();
        auto dlg = OpenDialog();
        HWND hDlg = dlg->m_hWnd;
        ASSERT_TRUE(ChooseFile(hDlg, "two.wav"));
        ShowApp(hDlg, "エクスプローラー");
        EXPECT_EQ(Entries(hDlg, IDC_EVENT_LIST), std::vector<std::string>({"ナビゲーション開始"}));
        EXPECT_EQ(ShownEvent(hDlg), "ナビゲーション開始");
        EXPECT_EQ(Lower(Label(hDlg)), Lower(m_dir.Path())) << "the browser moved to the event's file";
        ASSERT_TRUE(ChooseFile(hDlg, "two.wav"));
        ShowApp(hDlg, "Windows");
        EXPECT_EQ(ShownEvent(hDlg), "エー");
        EXPECT_EQ(Lower(static_cast<LPCSTR>(dlg->Find("A")->GetFile())), Lower(m_dir / "two.wav"))
            << "kept while Explorer was shown";
        int nFile = static_cast<int>(SendDlgItemMessageA(hDlg, IDC_FILE_LIST, LB_GETCURSEL, 0, 0));
        EXPECT_EQ(harness::ListText(hDlg, IDC_FILE_LIST, nFile), "two.wav");
        harness::ClickButton(hDlg, button);
        std::vector<std::string> after = m_reg.Dump();
        dlg->DestroyWindow();
        if (button == IDCANCEL) {
            EXPECT_EQ(after, before);
            continue;
        }
        EXPECT_EQ(Lower(Current(".Default", "A")), Lower(m_dir / "two.wav"));
        EXPECT_EQ(Lower(Current("Explorer", "Navigating")), Lower(m_dir / "two.wav"));
        // Every line but the two values is as it was.
        auto changed = [](const std::string& line) { return line.find("\\.Current|") != std::string::npos; };
        before.erase(std::remove_if(before.begin(), before.end(), changed), before.end());
        after.erase(std::remove_if(after.begin(), after.end(), changed), after.end());
        EXPECT_EQ(after, before);
        EXPECT_FALSE(m_reg.KeyExists(kAppsRoot + "Explorer\\Hidden\\.Current")) << "a hidden event is not written";
    }
}

// A scheme applied shows in every application, also one first shown after;
// Save As and OK take the assignments made in any of them.
TEST_F(ApplicationsTest, SchemeAppliedAcrossApplicationsIsShownPerApplicationAndSavedWithItsAssignments) {
    TwoApplications();
    m_reg.SetString("AppEvents\\Schemes\\Names\\beta", "", "ベータ");
    m_reg.SetString(kAppsRoot + ".Default\\A\\beta", "", m_dir / "two.wav");
    m_reg.SetString(kAppsRoot + "Explorer\\Navigating\\beta", "", m_dir / "two.wav");
    auto dlg = OpenDialog();
    HWND hDlg = dlg->m_hWnd;
    ASSERT_TRUE(dlg->ApplyScheme(L"beta"));
    EXPECT_STREQ(dlg->Find("A")->GetSoundPath(), (m_dir / "two.wav").c_str());
    ShowApp(hDlg, "エクスプローラー");
    EXPECT_STREQ(dlg->Find("Navigating")->GetSoundPath(), (m_dir / "two.wav").c_str());
    ASSERT_TRUE(ChooseFile(hDlg, "one.wav"));

    std::wstring id;
    ASSERT_TRUE(dlg->SaveScheme(L"", "ガンマ", &id));
    auto stored = [&](const std::string& path) {
        CString narrow;
        scheme::NarrowText(id, &narrow);
        harness::RegValue value;
        if (!m_reg.GetValue(kAppsRoot + path + "\\" + static_cast<LPCSTR>(narrow), "", &value)) return std::string("-");
        return value.data.substr(0, value.data.find('\0'));
    };
    EXPECT_EQ(Lower(stored(".Default\\A")), Lower(m_dir / "two.wav")) << "the applied scheme's sound";
    EXPECT_EQ(Lower(stored("Explorer\\Navigating")), Lower(m_dir / "one.wav")) << "the assignment made in Explorer";

    harness::ClickButton(hDlg, IDOK);
    dlg->DestroyWindow();
    EXPECT_EQ(Lower(Current(".Default", "A")), Lower(m_dir / "two.wav"));
    EXPECT_EQ(Lower(Current("Explorer", "Navigating")), Lower(m_dir / "one.wav"));
}

// A scheme that cannot be shown in every application read is shown in none:
// the choices pending stay, and OK writes them.
TEST_F(ApplicationsTest, ASchemeThatCannotBeAppliedEverywhereChangesNothing) {
    TwoApplications();
    m_reg.SetString("AppEvents\\Schemes\\Names\\beta", "", "ベータ");
    m_reg.SetString(kAppsRoot + ".Default\\A\\beta", "", "C:\\beta.wav");
    auto dlg = OpenDialog();
    HWND hDlg = dlg->m_hWnd;
    ShowApp(hDlg, "エクスプローラー");
    ShowApp(hDlg, "Windows");
    ASSERT_TRUE(ChooseFile(hDlg, "two.wav"));
    m_reg.DeleteKey(kAppsRoot + "Explorer");

    MessageBoxRecorder boxes;
    EXPECT_FALSE(dlg->ApplyScheme(L"beta"));
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].text, "ﾚｼﾞｽﾄﾘｵｰﾌﾟﾝｴﾗｰ");
    EXPECT_TRUE(dlg->Find("A")->IsAssigned()) << "the choice pending is kept";
    EXPECT_EQ(Lower(static_cast<LPCSTR>(dlg->Find("A")->GetSoundPath())), Lower(m_dir / "two.wav"));
    harness::ClickButton(hDlg, IDOK);
    dlg->DestroyWindow();
    EXPECT_EQ(Lower(Current(".Default", "A")), Lower(m_dir / "two.wav"));
}

}  // namespace
