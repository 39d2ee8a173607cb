// Reading the sound events and their current files from the registry.
#include "app_fixture.h"

namespace {

using apptest::kApps;
using apptest::kLabels;
using apptest::SchemeTest;
using apptest::TestDlg;
using harness::MessageBoxRecorder;

class CatalogueTest : public SchemeTest {
protected:
    // Loads as OnInitDialog does; false when either step failed.
    bool Load() { return m_dlg.LoadEvents(L".Default") && m_dlg.LoadCurrentSounds(L".Default"); }
    std::string File(const std::string& key) {
        SoundEvent* e = m_dlg.Find(key);
        return e == nullptr ? "<not in the table>" : std::string(e->GetFile(), e->GetFile().GetLength());
    }
    TestDlg m_dlg{m_reg.Root()};
};

TEST_F(CatalogueTest, ApplicationKeyWithoutEventsGivesAnEmptyTable) {
    CreateApp();
    MessageBoxRecorder boxes;
    EXPECT_TRUE(Load());
    EXPECT_EQ(m_dlg.EventCount(), 0);
    EXPECT_TRUE(boxes.Boxes().empty());
}

TEST_F(CatalogueTest, EventsComeInRegistryOrderWithLabelsAndFiles) {
    AddEvent("SystemAsterisk", "一般の警告音", "C:\\WAVE\\ding.wav");
    AddEvent("AppGPFault", "プログラム エラー", "");
    AddEvent(".Default", "既定の音", "chimes.wav");
    ASSERT_TRUE(Load());
    ASSERT_EQ(m_dlg.EventCount(), 3);
    // The registry enumerates subkeys by name.
    EXPECT_STREQ(m_dlg.Event(0)->GetKey(), ".Default");
    EXPECT_STREQ(m_dlg.Event(1)->GetKey(), "AppGPFault");
    EXPECT_STREQ(m_dlg.Event(2)->GetKey(), "SystemAsterisk");
    EXPECT_STREQ(m_dlg.Event(2)->GetLabel(), "一般の警告音");
    EXPECT_EQ(File("SystemAsterisk"), "C:\\WAVE\\ding.wav");
    EXPECT_EQ(File("AppGPFault"), "") << "an empty value is an empty file";
    EXPECT_EQ(File(".Default"), "chimes.wav") << "a bare name is kept as it was read";
}

TEST_F(CatalogueTest, EmptyLabelStillListsTheEvent) {
    AddEvent("Quiet", "", "C:\\q.wav");
    ASSERT_TRUE(Load());
    ASSERT_NE(m_dlg.Find("Quiet"), nullptr);
    EXPECT_EQ(m_dlg.Find("Quiet")->GetLabel().GetLength(), 0);
}

TEST_F(CatalogueTest, EventsWithoutAUsableLabelAreLeftOut) {
    AddEvent("Labelled", "ラベル", "C:\\a.wav");
    m_reg.CreateKey(kApps + "\\NoLabelKey");
    m_reg.SetString(kLabels + "\\ExpandLabel", "", "%Label%", REG_EXPAND_SZ);
    m_reg.CreateKey(kApps + "\\ExpandLabel");
    m_reg.CreateKey(kLabels + "\\EmptyLabelKey");
    m_reg.CreateKey(kApps + "\\EmptyLabelKey");
    m_reg.SetString(kLabels + "\\OnlyLabelled", "", "どこにもない");
    ASSERT_TRUE(Load());
    EXPECT_EQ(m_dlg.EventCount(), 1);
    EXPECT_NE(m_dlg.Find("Labelled"), nullptr);
}

TEST_F(CatalogueTest, OnlyTextValuesNameASound) {
    ASSERT_TRUE(SetEnvironmentVariableA("ZORVAND_SOUNDS", "C:\\sounds"));
    const std::string nul(1, '\0');
    struct Row {
        const char* key;
        DWORD type;  // REG_NONE: no .Current key, or with data "key" one without values
        std::string data;
        const char* file;  // what OK would write back if the user chose it again
        const char* path;  // what the dialog shows and plays
    } rows[] = {
        {"Sz", REG_SZ, "C:\\a.wav" + nul, "C:\\a.wav", "C:\\a.wav"},
        {"Expand", REG_EXPAND_SZ, "%ZORVAND_SOUNDS%\\b.wav" + nul, "", "C:\\sounds\\b.wav"},
        {"Multi", REG_MULTI_SZ, "C:\\c.wav" + nul + nul, "", ""},
        {"Binary", REG_BINARY, "C:\\d.wav", "", ""},
        {"Dword", REG_DWORD, std::string("\1\0\0\0", 4), "", ""},
        {"NoCurrent", REG_NONE, "", "", ""},
        {"EmptyCurrentKey", REG_NONE, "key", "", ""},
    };
    for (const Row& row : rows) {
        AddEvent(row.key, row.key);
        std::string current = kApps + "\\" + row.key + "\\.Current";
        if (row.type != REG_NONE) m_reg.SetValue(current, "", row.type, row.data);
        if (row.type == REG_NONE && row.data == "key") m_reg.CreateKey(current);
    }
    ASSERT_TRUE(Load());
    ASSERT_EQ(m_dlg.EventCount(), 7);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.key);
        const SoundEvent* pEvent = m_dlg.Find(row.key);
        EXPECT_EQ(File(row.key), row.file);
        EXPECT_EQ(std::string(pEvent->GetSoundPath()), row.path);
        EXPECT_EQ(pEvent->HasStoredValue(), row.type != REG_NONE);
        EXPECT_EQ(pEvent->HasStoredValue() ? pEvent->GetStoredValue().dwType : REG_NONE, row.type);
    }
}

TEST_F(CatalogueTest, ValueNamesOfTheLargestLegalLengthAreRead) {
    // 16,383 characters, the registry's limit for a value name: 32,766 bytes in the code page.
    std::string name;
    for (int i = 0; i < 16383; ++i) name += "音";
    AddEvent("Long", "長い名前");
    m_reg.SetString(kLabels + "\\Long", name, "別の名前");
    m_reg.SetString(kApps + "\\Long\\.Current", name, "C:\\long.wav");
    AddEvent("Next", "次", "C:\\next.wav");
    auto dlg = OpenDialog();
    EXPECT_TRUE(IsWindowVisible(GetDlgItem(dlg->m_hWnd, IDC_EVENT_LIST))) << "the dialog came up";
    ASSERT_EQ(dlg->EventCount(), 2);
    EXPECT_STREQ(dlg->Find("Long")->GetLabel(), "長い名前");
    EXPECT_STREQ(dlg->Find("Long")->GetFile(), "C:\\long.wav");
    EXPECT_STREQ(dlg->Find("Next")->GetFile(), "C:\\next.wav");
    dlg->DestroyWindow();
}

TEST_F(CatalogueTest, FirstValueCountsWhateverItsName) {
    AddEvent("Named", "名前付き");
    m_reg.SetString(kApps + "\\Named\\.Current", "Sound", "C:\\named.wav");
    ASSERT_TRUE(Load());
    EXPECT_EQ(File("Named"), "C:\\named.wav");
}

TEST_F(CatalogueTest, LongValuesAreReadWholeAndOnlyARealNulIsDropped) {
    std::string longPath = "C:\\" + std::string(300, 'x') + "\\ding.wav";
    std::string longLabel(400, 'L');
    AddEvent("Long", longLabel, longPath.c_str());
    AddEvent("NoNul", "終端なし");
    m_reg.SetValue(kApps + "\\NoNul\\.Current", "", REG_SZ, "C:\\ding.wav");
    ASSERT_TRUE(Load());
    EXPECT_EQ(File("Long"), longPath);
    EXPECT_EQ(std::string(m_dlg.Find("Long")->GetLabel()), longLabel);
    EXPECT_EQ(File("NoNul"), "C:\\ding.wav") << "a value stored without NUL keeps its last character";
    BYTE stored[64];
    DWORD nStored = sizeof stored;
    ASSERT_EQ(RegGetValueW(m_reg.Root(), L"AppEvents\\Schemes\\Apps\\.Default\\NoNul\\.Current", L"",
                           RRF_RT_ANY | RRF_NOEXPAND, nullptr, stored, &nStored),
              ERROR_SUCCESS);
    EXPECT_EQ(m_dlg.Find("NoNul")->GetStoredValue().data, std::vector<BYTE>(stored, stored + nStored))
        << "the stored bytes are kept as the registry gives them, in UTF-16";
}

TEST_F(CatalogueTest, TheLongestKeyNameTheRegistryTakesIsRead) {
    // This registry refuses long names well before the 260 characters that the
    // enumeration buffer could not hold; find the longest event name it takes.
    // Each refusal is slow, so the length is found by halving: taken up to a length, refused above.
    auto takes = [this](size_t n) {
        HKEY hKey;
        std::string path = kApps + "\\" + std::string(n, 'P');
        if (RegCreateKeyExA(m_reg.Root(), (path + "\\.Current").c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &hKey,
                            nullptr) != ERROR_SUCCESS)
            return false;
        RegCloseKey(hKey);
        RegDeleteKeyA(m_reg.Root(), (path + "\\.Current").c_str());
        RegDeleteKeyA(m_reg.Root(), path.c_str());
        return true;
    };
    size_t taken = 1, refused = 256;
    ASSERT_TRUE(takes(taken));
    while (refused - taken > 1) {
        size_t mid = (taken + refused) / 2;
        (takes(mid) ? taken : refused) = mid;
    }
    std::string longest(taken, 'K');
    ASSERT_GE(longest.size(), 100u);
    AddEvent("Before", "前", "C:\\a.wav");
    AddEvent(longest, "最長", "C:\\m.wav");
    AddEvent("ZAfter", "後", "C:\\c.wav");
    ASSERT_TRUE(Load());
    EXPECT_EQ(m_dlg.EventCount(), 3);
    EXPECT_EQ(File(longest), "C:\\m.wav");
}

TEST_F(CatalogueTest, MissingApplicationKeyIsReportedByBothOperations) {
    MessageBoxRecorder boxes;
    EXPECT_FALSE(m_dlg.LoadEvents(L".Default"));
    EXPECT_FALSE(m_dlg.LoadCurrentSounds(L".Default"));
    ASSERT_EQ(boxes.Boxes().size(), 2u);
    for (const harness::RecordedBox& box : boxes.Boxes()) {
        EXPECT_EQ(box.text, "ﾚｼﾞｽﾄﾘｵｰﾌﾟﾝｴﾗｰ");
        EXPECT_EQ(box.caption, AfxGetApp()->m_pszExeName);
        EXPECT_EQ(box.icon, static_cast<UINT>(MB_ICONEXCLAMATION));
    }
    EXPECT_EQ(m_dlg.EventCount(), 0);
}

// The reading started ahead of the window fails on its way, as running out of
// memory would: the dialog says so as for any failed read and stays open,
// its event list hidden.
class FailingReadDlg : public TestDlg {
public:
    using TestDlg::TestDlg;

protected:
    Reading ReadAhead() override { throw std::bad_alloc(); }
};

TEST_F(CatalogueTest, AReadingAheadThatFailsIsReportedAsAFailedRead) {
    AddEvent("A", "エー", "C:\\a.wav");
    FailingReadDlg dlg(m_reg.Root());
    dlg.StartReading();
    MessageBoxRecorder boxes;
    ASSERT_TRUE(dlg.Create(IDD_SOUNDCONTROL_DIALOG));
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(harness::Describe(boxes.Boxes()[0]),
              harness::Describe({AfxGetApp()->m_pszExeName, "ﾚｼﾞｽﾄﾘｵｰﾌﾟﾝｴﾗｰ", MB_ICONEXCLAMATION}));
    EXPECT_TRUE(IsWindow(dlg.m_hWnd));
    EXPECT_FALSE(IsWindowVisible(dlg.GetDlgItem(IDC_EVENT_LIST)->m_hWnd));
    dlg.DestroyWindow();
}

// A key whose access list lets everyone read it and nobody change it.
class ReadOnlyKey {
public:
    ReadOnlyKey(HKEY hRoot, const std::string& path) : m_hRoot(hRoot), m_path(path) { Protect(KEY_READ); }
    ~ReadOnlyKey() { Protect(KEY_ALL_ACCESS); }
    ReadOnlyKey(const ReadOnlyKey&) = delete;
    ReadOnlyKey& operator=(const ReadOnlyKey&) = delete;

private:
    void Protect(DWORD dwAccess) {
        SECURITY_DESCRIPTOR sd;
        InitializeSecurityDescriptor(&sd, SECURITY_DESCRIPTOR_REVISION);
        SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
        PSID pEveryone = nullptr;
        AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &pEveryone);
        char acl[256];
        InitializeAcl(reinterpret_cast<PACL>(acl), sizeof acl, ACL_REVISION);
        AddAccessAllowedAce(reinterpret_cast<PACL>(acl), ACL_REVISION, dwAccess, pEveryone);
        SetSecurityDescriptorDacl(&sd, TRUE, reinterpret_cast<PACL>(acl), FALSE);
        HKEY hKey;
        if (RegOpenKeyExA(m_hRoot, m_path.c_str(), 0, WRITE_DAC, &hKey) == ERROR_SUCCESS) {
            EXPECT_EQ(RegSetKeySecurity(hKey, DACL_SECURITY_INFORMATION, &sd), ERROR_SUCCESS) << m_path;
            RegCloseKey(hKey);
        } else {
            ADD_FAILURE() << "cannot change the access list of " << m_path;
        }
        FreeSid(pEveryone);
    }
    HKEY m_hRoot;
    std::string m_path;
};

TEST_F(CatalogueTest, KeysTheUserMayReadButNotChangeAreRead) {
    AddEvent("Locked", "読むだけ", "C:\\locked.wav");
    AddEvent("Open", "開く", "C:\\open.wav");
    ReadOnlyKey label(m_reg.Root(), kLabels + "\\Locked");
    ReadOnlyKey current(m_reg.Root(), kApps + "\\Locked\\.Current");
    HKEY hKey;
    ASSERT_EQ(RegOpenKeyExA(m_reg.Root(), (kLabels + "\\Locked").c_str(), 0, KEY_ALL_ACCESS, &hKey),
              ERROR_ACCESS_DENIED)
        << "the registry enforces the access list";
    ASSERT_TRUE(Load());
    ASSERT_NE(m_dlg.Find("Locked"), nullptr) << "the event is listed";
    EXPECT_STREQ(m_dlg.Find("Locked")->GetLabel(), "読むだけ");
    EXPECT_EQ(File("Locked"), "C:\\locked.wav");

    // Writing it needs more than reading: OK reports the key it cannot open.
    m_dlg.Find("Locked")->SetFile("C:\\new.wav");
    m_dlg.Find("Open")->SetFile("C:\\new.wav");
    MessageBoxRecorder boxes;
    EXPECT_TRUE(m_dlg.SaveCurrentSounds(L".Default"));
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].text, "レジストリキーのオープンまたは作成に失敗しました\t\".Current\"");
    harness::RegValue value;
    ASSERT_TRUE(m_reg.GetValue(kApps + "\\Locked\\.Current", "", &value));
    EXPECT_EQ(value.data, std::string("C:\\locked.wav", 14));
    ASSERT_TRUE(m_reg.GetValue(kApps + "\\Open\\.Current", "", &value));
    EXPECT_EQ(value.data, std::string("C:\\new.wav", 11)) << "the other event is saved";
}

}  // namespace
