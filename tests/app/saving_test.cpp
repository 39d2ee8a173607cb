// OK writes the scheme back; Cancel, Escape and Close write nothing.
#include <algorithm>
#include <functional>
#include <set>

#include "app_fixture.h"

namespace {

using apptest::kApps;
using apptest::kLabels;
using apptest::SchemeTest;
using harness::MessageBoxRecorder;
using harness::RecordedBox;
using harness::RegValue;

class SavingTest : public SchemeTest {
protected:
    // Values and keys that differ between two dumps, each side apart.
    static std::vector<std::string> Added(const std::vector<std::string>& before,
                                          const std::vector<std::string>& after) {
        std::vector<std::string> out;
        std::set_difference(after.begin(), after.end(), before.begin(), before.end(), std::back_inserter(out));
        return out;
    }
    RegValue Current(const std::string& key) {
        RegValue v{"", 0, "<missing>"};
        m_reg.GetValue(kApps + "\\" + key + "\\.Current", "", &v);
        return v;
    }
    static RegValue Sz(const std::string& text) { return RegValue{"", REG_SZ, text + std::string(1, '\0')}; }
};

TEST_F(SavingTest, OkWithoutChangesKeepsEveryValueAndCreatesMissingOnes) {
    AddEvent("Sz", "文字列", "C:\\WAVE\\ding.wav");
    AddEvent("Expand", "展開", "%SystemRoot%\\media\\Windows Ding.wav", REG_EXPAND_SZ);
    AddEvent("Bare", "名前だけ", "chimes.wav");
    AddEvent("Empty", "空", "");
    AddEvent("Missing", "なし");
    m_reg.SetValue(kApps + "\\Binary\\.Current", "", REG_BINARY, std::string("\x01\x02", 2));
    m_reg.SetString(kLabels + "\\Binary", "", "バイナリ");
    m_reg.SetValue(kApps + "\\NoNul\\.Current", "", REG_SZ, "C:\\nonul.wav");
    m_reg.SetString(kLabels + "\\NoNul", "", "終端なし");
    m_reg.SetString(kApps + "\\Unlabelled\\.Current", "", "C:\\unlabelled.wav");
    m_reg.SetString(kApps + "\\Sz\\OtherScheme", "", "C:\\other.wav");
    m_reg.SetString(kApps + "\\Sz\\.Current", "Named", "kept");
    std::vector<std::string> before = m_reg.Dump("AppEvents");

    auto dlg = OpenDialog();
    MessageBoxRecorder boxes;
    harness::ClickButton(dlg->m_hWnd, IDOK);
    EXPECT_TRUE(boxes.Boxes().empty());

    std::vector<std::string> after = m_reg.Dump("AppEvents");
    EXPECT_EQ(Added(after, before), std::vector<std::string>{}) << "nothing was lost or changed";
    std::vector<std::string> added = Added(before, after);
    EXPECT_EQ(added.size(), 2u) << "only the missing .Current of the labelled event is new";
    EXPECT_EQ(Current("Missing"), Sz(""));
    EXPECT_EQ(Current("Expand").type, static_cast<DWORD>(REG_EXPAND_SZ));
    dlg->DestroyWindow();
}

TEST_F(SavingTest, OkLeavesTheKeysOfUntouchedEventsExactlyAsTheyWere) {
    // A .Current whose only value is a named one: the event has that sound, and
    // its key gains no default value.
    m_reg.SetString(kLabels + "\\Named", "", "名前付き");
    m_reg.SetString(kApps + "\\Named\\.Current", "Sound", "C:\\named.wav");
    // A .Current without any value.
    m_reg.SetString(kLabels + "\\Valueless", "", "値なし");
    m_reg.CreateKey(kApps + "\\Valueless\\.Current");
    AddEvent("Changed", "変更", "C:\\old.wav");
    std::vector<std::string> before = m_reg.Dump("AppEvents");

    auto dlg = OpenDialog();
    ASSERT_STREQ(dlg->Find("Named")->GetFile(), "C:\\named.wav");
    dlg->Find("Changed")->SetFile("C:\\new.wav");
    MessageBoxRecorder boxes;
    harness::ClickButton(dlg->m_hWnd, IDOK);
    EXPECT_TRUE(boxes.Boxes().empty());

    std::vector<std::string> after = m_reg.Dump("AppEvents");
    std::vector<std::string> gone = Added(after, before), added = Added(before, after);
    ASSERT_EQ(gone.size(), 1u);
    ASSERT_EQ(added.size(), 1u);
    EXPECT_NE(gone[0].find("Changed\\.Current|"), std::string::npos) << gone[0];
    EXPECT_NE(added[0].find("Changed\\.Current|"), std::string::npos) << added[0];
    EXPECT_EQ(Current("Changed"), Sz("C:\\new.wav"));
    dlg->DestroyWindow();
}

TEST_F(SavingTest, OkCreatesOnlyTheCurrentKeysThatAreStillMissing) {
    // Events without a .Current at start-up, and what another program does to
    // them while the dialog is open.
    struct Row {
        const char* key;
        const char* meanwhile;  // the value another program writes; null: nothing, "-": a key without value
        const char* chosen;     // the user's assignment, or null
        RegValue after;
    } rows[] = {
        {"Untouched", nullptr, nullptr, Sz("")},
        {"Given", "C:\\other.wav", nullptr, Sz("C:\\other.wav")},
        {"Keyed", "-", nullptr, RegValue{"", 0, "<missing>"}},
        {"Chosen", "C:\\other.wav", "C:\\mine.wav", Sz("C:\\mine.wav")},
    };
    for (const Row& row : rows) AddEvent(row.key, row.key);
    auto dlg = OpenDialog();
    for (const Row& row : rows) {
        std::string current = kApps + "\\" + row.key + "\\.Current";
        if (row.meanwhile != nullptr && std::string(row.meanwhile) == "-") m_reg.CreateKey(current);
        if (row.meanwhile != nullptr && std::string(row.meanwhile) != "-") m_reg.SetString(current, "", row.meanwhile);
        if (row.chosen != nullptr) dlg->Find(row.key)->SetFile(row.chosen);
    }
    harness::ClickButton(dlg->m_hWnd, IDOK);
    for (const Row& row : rows) EXPECT_EQ(Current(row.key), row.after) << row.key;
    EXPECT_TRUE(m_reg.KeyExists(kApps + "\\Keyed\\.Current"));
    dlg->DestroyWindow();
}

TEST_F(SavingTest, AssignmentsAreWrittenAsRegSzWithTheirNul) {
    AddEvent("A", "エー", "C:\\a.wav");
    AddEvent("B", "ビー", "%SystemRoot%\\b.wav", REG_EXPAND_SZ);
    AddEvent("C", "シー", "C:\\c.wav");
    auto dlg = OpenDialog();
    dlg->Find("A")->SetFile("D:\\新しい\\音.wav");
    dlg->Find("B")->SetFile("C:\\b2.wav");
    dlg->Find("C")->SetFile("");
    harness::ClickButton(dlg->m_hWnd, IDOK);
    EXPECT_EQ(Current("A"), Sz("D:\\新しい\\音.wav"));
    EXPECT_EQ(Current("B"), Sz("C:\\b2.wav")) << "the user's choice replaces a value of another type";
    EXPECT_EQ(Current("C"), Sz("")) << "no sound is one NUL byte, never a deleted value";
    dlg->DestroyWindow();
}

TEST_F(SavingTest, CancelEscapeAndCloseWriteNothing) {
    AddEvent("A", "エー", "C:\\a.wav");
    AddEvent("Missing", "なし");
    std::vector<std::string> before = m_reg.Dump("AppEvents");
    for (int way = 0; way < 3; ++way) {
        auto dlg = OpenDialog();
        dlg->Find("A")->SetFile("C:\\changed.wav");
        if (way == 0) harness::ClickButton(dlg->m_hWnd, IDCANCEL);
        if (way == 1) {
            PostMessageA(GetDlgItem(dlg->m_hWnd, IDOK), WM_KEYDOWN, VK_ESCAPE, 0);
            MSG msg;
            while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
                if (!IsDialogMessageA(dlg->m_hWnd, &msg)) DispatchMessageA(&msg);
        }
        if (way == 2) {
            SendMessageA(dlg->m_hWnd, WM_SYSCOMMAND, SC_CLOSE, 0);
            harness::PumpMessages();  // the dialog manager posts IDCANCEL for WM_CLOSE
        }
        EXPECT_FALSE(IsWindowVisible(dlg->m_hWnd)) << "way " << way << " ended the dialog";
        dlg->DestroyWindow();
        EXPECT_EQ(m_reg.Dump("AppEvents"), before) << "way " << way;
    }
}

TEST_F(SavingTest, EmptyTableWritesNothing) {
    CreateApp();
    std::vector<std::string> before = m_reg.Dump("AppEvents");
    auto dlg = OpenDialog();
    MessageBoxRecorder boxes;
    harness::ClickButton(dlg->m_hWnd, IDOK);
    EXPECT_TRUE(boxes.Boxes().empty());
    EXPECT_EQ(m_reg.Dump("AppEvents"), before);
    dlg->DestroyWindow();
}

TEST_F(SavingTest, ApplicationKeyGoneAtOkIsReportedAndNothingIsWritten) {
    AddEvent("A", "エー", "C:\\a.wav");
    auto dlg = OpenDialog();
    dlg->Find("A")->SetFile("C:\\b.wav");
    m_reg.DeleteKey(kApps);
    MessageBoxRecorder boxes;
    harness::ClickButton(dlg->m_hWnd, IDOK);
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].text, "ﾚｼﾞｽﾄﾘｵｰﾌﾟﾝｴﾗｰ");
    EXPECT_EQ(boxes.Boxes()[0].caption, AfxGetApp()->m_pszExeName);
    EXPECT_EQ(boxes.Boxes()[0].icon, static_cast<UINT>(MB_ICONEXCLAMATION));
    EXPECT_FALSE(m_reg.KeyExists(kApps));
    EXPECT_FALSE(IsWindowVisible(dlg->m_hWnd)) << "the dialog closes all the same";
    dlg->DestroyWindow();
}

TEST_F(SavingTest, CatalogueWithoutCurrentSoundsWritesNoEmptyValues) {
    AddEvent("A", "エー", "C:\\a.wav");
    AddEvent("Missing", "なし");
    std::vector<std::string> before = m_reg.Dump("AppEvents");
    apptest::TestDlg dlg(m_reg.Root());
    ASSERT_TRUE(dlg.LoadEvents(L".Default"));
    EXPECT_TRUE(dlg.SaveCurrentSounds(L".Default"));
    EXPECT_EQ(m_reg.Dump("AppEvents"), before);
}

// What the registry refuses for one event is told in its box, and the others are saved.
TEST_F(SavingTest, AFailureAtOkIsReportedAndTheOtherEventsAreSaved) {
    struct Row {
        const char* what;
        std::function<void(apptest::TestDlg&)> spoil;  // what happens to B's keys
        RecordedBox box;
    } rows[] = {
        {"event key gone",
         [this](apptest::TestDlg&) { m_reg.DeleteKey(kApps + "\\B"); },
         {AfxGetApp()->m_pszExeName, "レジストリキーのオープンに失敗しました\tB", MB_ICONEXCLAMATION}},
        // The key is deleted once it is open for the write, so that the registry
        // itself refuses the value.
        {"value refused",
         [this](apptest::TestDlg& dlg) {
             dlg.GetStore().SetValueWriter([this, nWrites = 0](HKEY hKey, const scheme::StoredValue& value) mutable {
                 if (++nWrites == 2) m_reg.DeleteKey(kApps + "\\B\\.Current");
                 return scheme::WriteDefaultValue(hKey, value);
             });
         },
         {AfxGetApp()->m_pszExeName, "レジストリ更新失敗", 0}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        for (const char* key : {"A", "B", "C"}) AddEvent(key, key, (std::string("C:\\") + key + ".wav").c_str());
        auto dlg = OpenDialog();
        for (const char* key : {"A", "B", "C"}) dlg->Find(key)->SetFile(CString("C:\\new") + key + ".wav");
        row.spoil(*dlg);
        MessageBoxRecorder boxes;
        harness::ClickButton(dlg->m_hWnd, IDOK);
        ASSERT_EQ(boxes.Boxes().size(), 1u);
        EXPECT_EQ(harness::Describe(boxes.Boxes()[0]), harness::Describe(row.box));
        EXPECT_EQ(Current("A"), Sz("C:\\newA.wav"));
        EXPECT_EQ(Current("B"), (RegValue{"", 0, "<missing>"})) << "nothing is made for what vanished";
        EXPECT_EQ(Current("C"), Sz("C:\\newC.wav"));
        dlg->DestroyWindow();
        m_reg.DeleteKey("AppEvents");
    }
}

}  // namespace
