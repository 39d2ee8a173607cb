// Choosing events and files while a test sound plays through the real device.
#include <windows.h>
// after windows.h
#include <mmsystem.h>

#include "selection_helpers.h"

namespace {

const char kTest[] = "テスト(&T)";
const char kStop[] = "停止";

class SelectionPlaybackTest : public apptest::SelectionFixture {
protected:
    void TearDown() override {
        SelectionFixture::TearDown();
        EXPECT_FALSE(AliasOpen()) << "the dialog's end stops any playback";
    }
    std::string Caption() const { return harness::WindowText(GetDlgItem(m_hDlg, IDC_TEST)); }
    // Asked without a command, which would open a device of that name.
    static bool AliasOpen() { return mciGetDeviceIDA("zorvand") != 0; }
    // Opens the dialog on the event and plays the file that its selection found.
    void OpenAndPlay(const std::string& entry) {
        Open();
        ASSERT_EQ(SelectedFile(), entry);
        harness::ClickButton(m_hDlg, IDC_TEST);
        ASSERT_EQ(Caption(), kStop);
        ASSERT_TRUE(AliasOpen());
    }

    // Outlives the dialog: a file that still plays cannot be deleted.
    harness::TestDirectory m_dir;
};

TEST_F(SelectionPlaybackTest, ChoosingAFileWhileATestPlaysStopsItAndAssignsTheFile) {
    m_dir.WriteFile("long.wav", harness::MakeWave(20));
    m_dir.WriteFile("short.wav", harness::MakeWave(0.2));
    AddEvent("A", "あ", (m_dir / "long.wav").c_str());
    OpenAndPlay("long.wav");
    ASSERT_TRUE(ChooseFile(m_hDlg, "short.wav"));
    EXPECT_EQ(Caption(), kTest);
    EXPECT_FALSE(AliasOpen());
    EXPECT_EQ(FileOf("A"), Built("short.wav"));
}

TEST_F(SelectionPlaybackTest, ChoosingADirectoryEntryStopsTheTestAndAssignsNothing) {
    m_dir.WriteFile("long.wav", harness::MakeWave(20));
    m_dir.WriteFile("[odd].wav", harness::MakeWave(0.2));
    m_dir.MakeDirectory("sub");
    AddEvent("A", "あ", (m_dir / "long.wav").c_str());
    std::vector<std::string> before = m_reg.Dump("AppEvents");
    // A wave file whose name begins with "[" is taken for a directory entry too.
    for (const char* entry : {"[sub]", "[odd].wav"}) {
        SCOPED_TRACE(entry);
        OpenAndPlay("long.wav");
        ASSERT_TRUE(ChooseFile(m_hDlg, entry));
        EXPECT_EQ(Caption(), kTest);
        EXPECT_FALSE(AliasOpen());
        EXPECT_TRUE(ShowsDirectory(m_dir.Path())) << "a single click enters nothing";
        EXPECT_EQ(FileOf("A"), m_dir / "long.wav");
        harness::ClickButton(m_hDlg, IDOK);
        EXPECT_EQ(m_reg.Dump("AppEvents"), before);
        m_dlg->DestroyWindow();
    }
}

TEST_F(SelectionPlaybackTest, ChoosingAnEventWhileATestPlaysLeavesItPlaying) {
    m_dir.WriteFile("long.wav", harness::MakeWave(20));
    m_dir.MakeDirectory("sub");
    m_dir.WriteFile("sub\\b.wav", harness::MakeWave(0.2));
    AddEvent("A", "あ", (m_dir / "long.wav").c_str());
    AddEvent("B", "い", (m_dir / "sub\\b.wav").c_str());
    AddEvent("C", "う", "chimes.wav");
    OpenAndPlay("long.wav");
    ChooseEvent("B");
    EXPECT_TRUE(ShowsDirectory(m_dir / "sub"));
    EXPECT_EQ(SelectedFile(), "b.wav");
    EXPECT_EQ(Caption(), kStop);
    EXPECT_TRUE(AliasOpen());
    ChooseEvent("C");
    EXPECT_EQ(SelectedFile(), apptest::kNone);
    EXPECT_EQ(Caption(), kStop) << "an event without sound does not stop it either";
    EXPECT_TRUE(AliasOpen());
    harness::ClickButton(m_hDlg, IDC_TEST);
    EXPECT_EQ(Caption(), kTest) << "Test still stops what plays";
    EXPECT_FALSE(AliasOpen());
    EXPECT_EQ(FileOf("A"), m_dir / "long.wav");
    EXPECT_EQ(FileOf("B"), m_dir / "sub\\b.wav");
    EXPECT_EQ(FileOf("C"), "chimes.wav");
}

}  // namespace
