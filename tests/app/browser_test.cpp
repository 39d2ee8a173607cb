// The drive selector and the sound file browser on the test drives.
#include <algorithm>

#include "DriveDirectory.h"
#include "app_fixture.h"

namespace {

using apptest::SchemeTest;

class BrowserTest : public SchemeTest {
protected:
    void SetUp() override {
        CreateApp();
        m_dlg = OpenDialog();
        m_hDlg = m_dlg->m_hWnd;
    }
    void TearDown() override { m_dlg->DestroyWindow(); }
    // Goes to a directory as the event selection does, then refills.
    void GoTo(const std::string& path) {
        ASSERT_TRUE(browser::ChangeDirectory(path.c_str())) << path;
        m_dlg->RefreshFileList();
    }
    std::vector<std::string> Files() { return Entries(m_hDlg, IDC_FILE_LIST); }
    // The label shows the directory in the letter case that the system chooses.
    void ExpectLabel(const std::string& expected, int line) {
        std::string label = Label(m_hDlg);
        EXPECT_EQ(lstrcmpiA(label.c_str(), expected.c_str()), 0)
            << "line " << line << ": label " << label << ", expected " << expected;
        EXPECT_EQ(label.size(), expected.size());
    }
    void DoubleClick(const std::string& entry) {
        ASSERT_TRUE(ChooseFile(m_hDlg, entry)) << entry;
        harness::DoubleClickList(m_hDlg, IDC_FILE_LIST);
    }
    void ChooseDrive(char letter) {
        auto drives = Entries(m_hDlg, IDC_DRIVE_COMBO);
        auto it = std::find_if(drives.begin(), drives.end(), [&](const std::string& d) { return d[0] == letter; });
        ASSERT_NE(it, drives.end()) << letter;
        harness::SelectComboItem(m_hDlg, IDC_DRIVE_COMBO, static_cast<int>(it - drives.begin()));
    }

    std::unique_ptr<apptest::TestDlg> m_dlg;
    HWND m_hDlg = nullptr;
};

TEST_F(BrowserTest, DriveListShowsUsableDrivesWithLabelsInOrder) {
    // The runtime's layout: A: floppy, C: and Z: fixed without labels, D: fixed "SOUNDS",
    // E: CD-ROM "WAVECD", N: the network share, R: a RAM disk.
    EXPECT_EQ(Entries(m_hDlg, IDC_DRIVE_COMBO),
              (std::vector<std::string>{"A:  ", "C:  ", "D:  SOUNDS", "E:  WAVECD", "N:  \\\\srv\\share", "Z:  "}));
    EXPECT_EQ(SendDlgItemMessageA(m_hDlg, IDC_DRIVE_COMBO, CB_GETCURSEL, 0, 0), CB_ERR) << "nothing chosen yet";
}

TEST_F(BrowserTest, FileListHoldsNoneWaveFilesAndDirectoriesSortedWithoutCase) {
    harness::TestDirectory dir;
    dir.WriteFile("b.wav", harness::MakeWave(0.1));
    dir.WriteFile("A.wav", harness::MakeWave(0.1));
    dir.WriteFile("音.wav", harness::MakeWave(0.1));
    dir.WriteFile("notes.txt", "text");
    dir.MakeDirectory("sub");
    dir.MakeDirectory("表示");
    dir.MakeDirectory("[br]");
    dir.MakeDirectory("dir.wav");
    GoTo(dir.Path());
    std::vector<std::string> files = Files();
    ASSERT_FALSE(files.empty());
    EXPECT_EQ(files[0], "(なし)");
    std::vector<std::string> rest(files.begin() + 1, files.end());
    std::vector<std::string> expected{"A.wav", "b.wav", "音.wav", "[..]", "[sub]", "[表示]", "[[br]]", "[dir.wav]"};
    std::vector<std::string> sortedRest = rest, sortedExpected = expected;
    std::sort(sortedRest.begin(), sortedRest.end());
    std::sort(sortedExpected.begin(), sortedExpected.end());
    EXPECT_EQ(sortedRest, sortedExpected) << "no [.], no notes.txt, dir.wav only as a directory";
    EXPECT_TRUE(std::is_sorted(rest.begin(), rest.end(), [](const std::string& a, const std::string& b) {
        return lstrcmpiA(a.c_str(), b.c_str()) < 0;
    })) << "files and directories in one order, without regard to case";
    ExpectLabel(dir.Path(), __LINE__);
    EXPECT_EQ(SendDlgItemMessageA(m_hDlg, IDC_FILE_LIST, LB_GETCURSEL, 0, 0), LB_ERR) << "no selection after a refill";
}

TEST_F(BrowserTest, RootHasNoParentEntry) {
    GoTo("D:\\");
    std::vector<std::string> files = Files();
    EXPECT_EQ(std::count(files.begin(), files.end(), "[..]"), 0);
    EXPECT_EQ(std::count(files.begin(), files.end(), "[.]"), 0);
    ExpectLabel("D:\\", __LINE__);
}

TEST_F(BrowserTest, DoubleClicksEnterDirectoriesAndTheParent) {
    harness::TestDirectory dir;
    dir.MakeDirectory("sub");
    dir.MakeDirectory("[br]");
    dir.MakeDirectory("表示");
    dir.MakeDirectory("アイ");  // trail bytes 0x41 and 0x43, which a byte-wise case change would alter
    dir.WriteFile("[odd].wav", harness::MakeWave(0.1));
    GoTo(dir.Path());

    DoubleClick("[sub]");
    ExpectLabel(dir / "sub", __LINE__);
    DoubleClick("[..]");
    ExpectLabel(dir.Path(), __LINE__);
    DoubleClick("[[br]]");
    ExpectLabel(dir / "[br]", __LINE__);
    DoubleClick("[..]");
    DoubleClick("[表示]");
    ExpectLabel(dir / "表示", __LINE__);
    DoubleClick("[..]");
    DoubleClick("[アイ]");
    EXPECT_NE(Label(m_hDlg).find("アイ"), std::string::npos) << "Japanese names keep their bytes";
    DoubleClick("[..]");

    // A file named like a directory entry: the change fails and the list is rebuilt as it was.
    std::vector<std::string> before = Files();
    DoubleClick("[odd].wav");
    ExpectLabel(dir.Path(), __LINE__);
    EXPECT_EQ(Files(), before);
    EXPECT_EQ(SendDlgItemMessageA(m_hDlg, IDC_FILE_LIST, LB_GETCURSEL, 0, 0), LB_ERR);
}

TEST_F(BrowserTest, EachDriveRemembersItsDirectory) {
    harness::TestDirectory dir;
    dir.MakeDirectory("sub");
    GoTo(dir / "sub");
    ChooseDrive('C');
    EXPECT_EQ(lstrcmpiA(Label(m_hDlg).substr(0, 3).c_str(), "C:\\"), 0);
    ChooseDrive('D');
    ExpectLabel(dir / "sub", __LINE__);
    ChooseDrive('N');
    EXPECT_EQ(lstrcmpiA(Label(m_hDlg).substr(0, 3).c_str(), "N:\\"), 0);
    ChooseDrive('D');
    ExpectLabel(dir / "sub", __LINE__);
}

TEST_F(BrowserTest, DirectoryRemovedMeanwhileLeavesTheListWhereItWas) {
    harness::TestDirectory dir;
    dir.MakeDirectory("gone");
    GoTo(dir.Path());
    RemoveDirectoryA((dir / "gone").c_str());
    DoubleClick("[gone]");
    ExpectLabel(dir.Path(), __LINE__);
    std::vector<std::string> files = Files();
    EXPECT_EQ(std::count(files.begin(), files.end(), "[gone]"), 0) << "rebuilt from the unchanged directory";
}

TEST(DriveDirectoryTest, DriveNumbersOutsideTheAlphabetAreRefused) {
    char before[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, before);
    EXPECT_FALSE(browser::ChangeDrive(0));
    EXPECT_FALSE(browser::ChangeDrive(32));
    EXPECT_FALSE(browser::ChangeDrive('d' - 0x40)) << "a lower-case letter";
    EXPECT_FALSE(browser::ChangeDrive(('Q' - 0x40))) << "no drive Q:";
    char after[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, after);
    EXPECT_STREQ(before, after);
}

}  // namespace
