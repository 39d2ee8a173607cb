// Named schemes through the real dialogs: the sound settings opened from the
// system menu, on the real (sandboxed) registry.
#include "app_fixture.h"

#include <sddl.h>

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
        {"ベータ", IDYES, "スキーム「ベータ」は既にあります。置き換えますか?", "ベータ"},
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
    EXPECT_FALSE(m_reg.KeyExists(kSchemes + "\\Names\\x1")) << "the scheme replaced is gone";
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

// Keys and values as other programs leave them: named in UTF-16, volatile,
// with named values only, beside keys that are no schemes.
class SchemeBytesTest : public SchemeDialogTest {
protected:
    // Opens the dialog again on what the registry holds now.
    void Reopen() {
        m_dlg->DestroyWindow();
        m_dlg = OpenDialog();
        m_hDlg = m_dlg->m_hWnd;
    }
    // A default value stored in UTF-16 (and its key with its parents) below the sandbox's HKCU.
    void SetWide(const std::wstring& path, const std::wstring& text) {
        HKEY hKey;
        ASSERT_EQ(RegCreateKeyExW(m_reg.Root(), path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &hKey, nullptr),
                  ERROR_SUCCESS);
        RegSetValueExW(hKey, L"", 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                       static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
        RegCloseKey(hKey);
    }
    // Gives a key the access list of the SDDL text, as another program may lock its keys.
    void SetAccess(const std::wstring& path, const wchar_t* sddl) {
        PSECURITY_DESCRIPTOR pSd = nullptr;
        ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, &pSd, nullptr));
        HKEY hKey;
        ASSERT_EQ(RegOpenKeyExW(m_reg.Root(), path.c_str(), 0, WRITE_DAC, &hKey), ERROR_SUCCESS);
        EXPECT_EQ(RegSetKeySecurity(hKey, DACL_SECURITY_INFORMATION, pSd), ERROR_SUCCESS);
        RegCloseKey(hKey);
        LocalFree(pSd);
    }
    // A default value's text read in UTF-16, "-" when there is none.
    std::wstring WideGet(const std::wstring& path) {
        wchar_t data[512] = L"";
        DWORD size = sizeof data;
        if (RegGetValueW(m_reg.Root(), path.c_str(), L"", RRF_RT_ANY | RRF_NOEXPAND, nullptr, data, &size) !=
            ERROR_SUCCESS)
            return L"-";
        return data;
    }
    static void Ok(HWND hDlg) { harness::ClickButton(hDlg, IDOK); }
    // Clicks the event's row, then the file list's top entry, (なし).
    void ChooseNoSound(const std::string& key) {
        HWND hEvents = GetDlgItem(m_hDlg, IDC_EVENT_LIST);
        int nRows = static_cast<int>(SendMessageA(hEvents, LB_GETCOUNT, 0, 0));
        for (int i = 0; i < nRows; ++i)
            if (m_dlg->Event(static_cast<int>(SendMessageA(hEvents, LB_GETITEMDATA, i, 0)))->GetKey() == key.c_str())
                harness::SelectListItem(m_hDlg, IDC_EVENT_LIST, i);
        ASSERT_EQ(harness::ListText(m_hDlg, IDC_FILE_LIST, 0), "(なし)");
        harness::SelectListItem(m_hDlg, IDC_FILE_LIST, 0);
    }

    const std::wstring kWideApps = L"AppEvents\\Schemes\\Apps\\";
};

TEST_F(SchemeBytesTest, IdsAndValuesBeyondTheCodePageAreListedAppliedSavedAndDeletedExactly) {
    const std::wstring kZoe = L"C:\\Users\\Zo\u00eb\\x.wav";
    SetWide(L"AppEvents\\Schemes\\Names\\Caf\u00e9", L"Caf\u00e9");
    SetWide(kWideApps + L".Default\\A\\Caf\u00e9", kZoe);
    SetWide(kWideApps + L"Other\\F\\Caf\u00e9", kZoe);
    Reopen();
    std::string listed;
    MessageBoxRecorder boxes(IDYES);
    InSettings([&](HWND hSettings) {
        Select(hSettings, "Caf?");
        listed = harness::ListText(
            hSettings, IDC_SCHEME_LIST,
            static_cast<int>(SendMessageA(GetDlgItem(hSettings, IDC_SCHEME_LIST), LB_GETCURSEL, 0, 0)));
        harness::ClickButton(hSettings, IDC_SCHEME_APPLY);
        SaveAs(hSettings, "コピー");
    });
    EXPECT_EQ(listed, "Caf?");
    for (const wchar_t* key : {L".Default\\A\\", L"Other\\F\\"}) {
        EXPECT_EQ(WideGet(kWideApps + key + L"コピー"), kZoe) << "saved while applied";
    }
    Ok(m_hDlg);
    for (const wchar_t* key : {L".Default\\A\\", L"Other\\F\\"}) {
        EXPECT_EQ(WideGet(kWideApps + key + L".Current"), kZoe) << "applied by OK";
    }
    EXPECT_EQ(WideGet(L"AppEvents\\Schemes"), L"Caf\u00e9");

    Reopen();
    InSettings([&](HWND hSettings) {
        Select(hSettings, "Caf?");
        harness::ClickButton(hSettings, IDC_SCHEME_DELETE);
    });
    EXPECT_FALSE(m_reg.KeyExists("AppEvents\\Schemes\\Names\\Caf?")) << "no look-alike made";
    for (const wchar_t* key : {L"Names\\Caf\u00e9", L"Apps\\.Default\\A\\Caf\u00e9", L"Apps\\Other\\F\\Caf\u00e9"})
        EXPECT_EQ(WideGet(L"AppEvents\\Schemes\\" + std::wstring(key)), L"-") << "deleted";
    EXPECT_EQ(WideGet(L"AppEvents\\Schemes"), L"");
}

TEST_F(SchemeBytesTest, SavingOverTheAppliedSchemeKeepsItsSoundsForEveryApplication) {
    MessageBoxRecorder boxes(IDYES);
    InSettings([&](HWND hSettings) {
        Select(hSettings, "ベータ");
        harness::ClickButton(hSettings, IDC_SCHEME_APPLY);
        SaveAs(hSettings, "ベータ");
    });
    Ok(m_hDlg);
    EXPECT_EQ(Get("AppEvents\\Schemes\\Apps\\Other\\F\\.Current"), "1:C:\\f.wav");
    EXPECT_EQ(Get(kApps + "\\B\\.Current"), "1:C:\\b.wav");
    EXPECT_EQ(Get(kSchemes), "1:ベータ") << "the replacement is the scheme in use";
}

TEST_F(SchemeBytesTest, AFailedReplaceLeavesTheOldSchemeAndAPartialApplyIsReported) {
    // An event key that another program made volatile takes no scheme's key.
    m_reg.SetString(apptest::kLabels + "\\V", "", "ブイ");
    SetWide(kWideApps + L"Other\\V\\x1", L"C:\\v.wav");
    // An event key that another program locked: it can be read, not written.
    SetAccess(kWideApps + L"Other\\V", L"D:(A;;KR;;;WD)");
    // Unlocked again however the test ends, or the sandbox could not be removed.
    std::shared_ptr<void> unlock(nullptr, [this](void*) { SetAccess(kWideApps + L"Other\\V", L"D:(A;;KA;;;WD)"); });
    Reopen();
    std::vector<std::string> before = m_reg.Dump();
    MessageBoxRecorder boxes(IDYES);
    InSettings([&](HWND hSettings) {
        SaveAs(hSettings, "ベータ");
        Select(hSettings, "ベータ");
        harness::ClickButton(hSettings, IDC_SCHEME_APPLY);
    });
    EXPECT_EQ(m_reg.Dump(), before) << "the old scheme as it was, nothing of the new one";
    Ok(m_hDlg);
    ASSERT_EQ(boxes.Boxes().size(), 3u);
    EXPECT_EQ(boxes.Boxes()[1].text, "スキームを保存できませんでした。元のスキームはそのまま残っています。");
    EXPECT_EQ(boxes.Boxes()[2].text,
              "次の場面のサウンドを変更できませんでした。スキームは使用中になりません。\r\n\r\nブイ");
    EXPECT_EQ(Get(kApps + "\\B\\.Current"), "1:C:\\b.wav") << "the others are written";
    EXPECT_EQ(Get(kSchemes), "1:.Default") << "not named in use";
}

TEST_F(SchemeBytesTest, NewIdsTakeNoKeyOfAnotherProgramNorOfTheSystem) {
    m_reg.SetString(kApps + "\\A\\.Keep", "", "another program's");
    m_reg.SetString("AppEvents\\Schemes\\Apps\\Other\\F\\Keep", "", "another program's");
    struct Case {
        const char* name;
        const char* id;
    } cases[] = {{".Keep", "_Keep"}, {"Keep", "Keep2"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        InSettings([&](HWND hSettings) { SaveAs(hSettings, c.name); });
        EXPECT_EQ(Get(kSchemes + "\\Names\\" + c.id), std::string("1:") + c.name);
    }
    EXPECT_EQ(Get(kApps + "\\A\\.Keep"), "1:another program's");
    EXPECT_EQ(Get("AppEvents\\Schemes\\Apps\\Other\\F\\Keep"), "1:another program's");
}

TEST_F(SchemeBytesTest, SchemesNamedByALibraryAreTheSystemsAndStay) {
    harness::TestDirectory dir;
    std::string library = dir / "event_names.dll";
    ASSERT_TRUE(CopyFileA(harness::WindowsPath(ZORVAND_EVENT_NAMES_DLL).c_str(), library.c_str(), FALSE));
    m_reg.SetString(kSchemes + "\\Names\\theme", "", "@" + library + ",-5834");
    m_reg.SetString(kApps + "\\A\\theme", "", "C:\\theme.wav");
    Reopen();
    std::vector<std::string> before = m_reg.Dump();
    BOOL bDeletable = TRUE;
    MessageBoxRecorder boxes(IDYES);
    InSettings([&](HWND hSettings) {
        Select(hSettings, "Windows の起動");
        bDeletable = IsWindowEnabled(GetDlgItem(hSettings, IDC_SCHEME_DELETE));
        SaveAs(hSettings, "windows の起動");
    });
    EXPECT_FALSE(bDeletable);
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].text, "「Windows の起動」はシステムのスキームです。別の名前を付けてください。");
    EXPECT_EQ(m_reg.Dump(), before);
}

TEST_F(SchemeBytesTest, TheValueAnEventPlaysIsOneRuleForTheDialogSavingAndApplying) {
    // Only a named value, as other programs write it: the event plays it.
    m_reg.DeleteKey(kApps + "\\A\\.Current");
    m_reg.SetString(kApps + "\\A\\.Current", "Sound", "C:\\named.wav");
    m_reg.DeleteKey(kApps + "\\B\\x1");
    m_reg.SetString(kApps + "\\B\\x1", "Sound", "C:\\b-named.wav");
    m_reg.DeleteKey("AppEvents\\Schemes\\Apps\\Other\\F\\.Current");
    m_reg.SetString("AppEvents\\Schemes\\Apps\\Other\\F\\.Current", "Sound", "C:\\f-named.wav");
    Reopen();
    EXPECT_STREQ(m_dlg->Find("A")->GetSoundPath(), "C:\\named.wav");
    InSettings([&](HWND hSettings) {
        SaveAs(hSettings, "今の音");
        Select(hSettings, "ベータ");
        harness::ClickButton(hSettings, IDC_SCHEME_APPLY);
    });
    EXPECT_STREQ(m_dlg->Find("B")->GetSoundPath(), "C:\\b-named.wav");
    Ok(m_hDlg);
    struct Case {
        std::string path;
        const char* value;
    } cases[] = {
        {kApps + "\\A\\今の音", "1:C:\\named.wav"},
        {"AppEvents\\Schemes\\Apps\\Other\\F\\今の音", "1:C:\\f-named.wav"},
        {kApps + "\\B\\.Current", "1:C:\\b-named.wav"},
    };
    for (const Case& c : cases) EXPECT_EQ(Get(c.path), c.value) << c.path;
}

TEST_F(SchemeBytesTest, NoSoundSilencesEveryValueThatIsNotEmpty) {
    harness::TestDirectory dir;
    SetWide(kWideApps + L".Default\\Gone\\.Current", scheme::Widen(dir.Path().c_str()) + L"\\Zo\u00eb.wav");
    m_reg.SetString(apptest::kLabels + "\\Gone", "", "ない");
    m_reg.SetValue(kApps + "\\C\\.Current", "", REG_DWORD, std::string(4, '\1'));
    Reopen();
    for (const char* key : {"Gone", "C"}) ChooseNoSound(key);
    Ok(m_hDlg);
    for (const char* key : {"Gone", "C"}) EXPECT_EQ(Get(kApps + "\\" + key + "\\.Current"), "1:") << key;
}

}  // namespace
