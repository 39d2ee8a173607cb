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
    bool Load() { return m_dlg.LoadEvents(".Default") && m_dlg.LoadCurrentSounds(".Default"); }
    std::string File(const std::string& key) {
        SoundEvent* e = m_dlg.Find(key);
        return e == nullptr ? "<not in the table>" : std::string(e->GetFile(), e->GetFile().GetLength());
    }
    TestDlg m_dlg;
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

TEST_F(CatalogueTest, CurrentValuesThatAreNotRegSzGiveNoSound) {
    AddEvent("Expand", "展開", "%SystemRoot%\\media\\ding.wav", REG_EXPAND_SZ);
    AddEvent("NoCurrent", "なし");
    AddEvent("EmptyCurrentKey", "空");
    m_reg.CreateKey(kApps + "\\EmptyCurrentKey\\.Current");
    ASSERT_TRUE(Load());
    EXPECT_EQ(File("Expand"), "");
    EXPECT_EQ(File("NoCurrent"), "");
    EXPECT_EQ(File("EmptyCurrentKey"), "");
    EXPECT_EQ(m_dlg.EventCount(), 3);
    EXPECT_TRUE(m_dlg.Find("Expand")->HasStoredValue());
    EXPECT_EQ(m_dlg.Find("Expand")->GetStoredType(), static_cast<DWORD>(REG_EXPAND_SZ));
    EXPECT_FALSE(m_dlg.Find("NoCurrent")->HasStoredValue());
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
    harness::RegValue stored;
    ASSERT_TRUE(m_reg.GetValue(kApps + "\\NoNul\\.Current", "", &stored));
    const CString& kept = m_dlg.Find("NoNul")->GetStoredData();
    EXPECT_EQ(std::string(kept, kept.GetLength()), stored.data)
        << "the stored bytes are kept as the registry gives them";
}

TEST_F(CatalogueTest, TheLongestKeyNameTheRegistryTakesIsRead) {
    // This registry refuses long names well before the 260 characters that the
    // enumeration buffer could not hold; find the longest event name it takes.
    // Each refusal is slow, so the length is found by halving: taken up to a length, refused above.
    auto takes = [](size_t n) {
        HKEY hKey;
        std::string path = kApps + "\\" + std::string(n, 'P');
        if (RegCreateKeyExA(HKEY_CURRENT_USER, (path + "\\.Current").c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                            &hKey, nullptr) != ERROR_SUCCESS)
            return false;
        RegCloseKey(hKey);
        RegDeleteKeyA(HKEY_CURRENT_USER, (path + "\\.Current").c_str());
        RegDeleteKeyA(HKEY_CURRENT_USER, path.c_str());
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
    EXPECT_FALSE(m_dlg.LoadEvents(".Default"));
    EXPECT_FALSE(m_dlg.LoadCurrentSounds(".Default"));
    ASSERT_EQ(boxes.Boxes().size(), 2u);
    for (const harness::RecordedBox& box : boxes.Boxes()) {
        EXPECT_EQ(box.text, "ﾚｼﾞｽﾄﾘｵｰﾌﾟﾝｴﾗｰ");
        EXPECT_EQ(box.caption, AfxGetApp()->m_pszExeName);
        EXPECT_EQ(box.icon, static_cast<UINT>(MB_ICONEXCLAMATION));
    }
    EXPECT_EQ(m_dlg.EventCount(), 0);
}

}  // namespace
