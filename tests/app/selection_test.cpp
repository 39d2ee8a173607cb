// Choosing an event moves the browser to its file; choosing a file assigns it.
// Merely looking at an event never changes what OK writes for it.
#include "DriveDirectory.h"
#include "riff_builder.h"
#include "selection_helpers.h"

namespace {

using apptest::kNone;
using apptest::RootWave;
using harness::MessageBoxRecorder;

class SelectionTest : public apptest::SelectionFixture {
protected:
    // Whether the event's row shows the loudspeaker. The list draws into a
    // bitmap of its own, so that windows of other tests on the screen do not matter.
    bool HasIcon(const std::string& key) const {
        HWND hList = GetDlgItem(m_hDlg, IDC_EVENT_LIST);
        RECT row;
        if (SendMessageA(hList, LB_GETITEMRECT, RowOf(key), reinterpret_cast<LPARAM>(&row)) == LB_ERR) return false;
        RECT client;
        GetClientRect(hList, &client);
        HDC hdcList = GetDC(hList);
        HDC hdc = CreateCompatibleDC(hdcList);
        HBITMAP hBitmap = CreateCompatibleBitmap(hdcList, client.right, client.bottom);
        ReleaseDC(hList, hdcList);
        HGDIOBJ hOld = SelectObject(hdc, hBitmap);
        SendMessageA(hList, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(hdc), PRF_CLIENT | PRF_ERASEBKGND);
        bool red = false;
        // Where the icon's opaque pixels lie within a row.
        for (int y = row.top + 2; y <= row.top + 12 && y < row.bottom; ++y)
            for (int x = 1; x <= 14; ++x) red = red || GetPixel(hdc, x, y) == RGB(255, 0, 0);
        SelectObject(hdc, hOld);
        DeleteObject(hBitmap);
        DeleteDC(hdc);
        return red;
    }
    // Whether the whole rectangle of the window waits for a repaint.
    static bool DueForRepaint(HWND hWnd, const RECT& rc) {
        HRGN hUpdate = CreateRectRgn(0, 0, 0, 0);
        GetUpdateRgn(hWnd, hUpdate, FALSE);
        HRGN hWanted = CreateRectRgnIndirect(&rc);
        HRGN hLeft = CreateRectRgn(0, 0, 0, 0);
        int kind = CombineRgn(hLeft, hWanted, hUpdate, RGN_DIFF);
        DeleteObject(hUpdate);
        DeleteObject(hWanted);
        DeleteObject(hLeft);
        return kind == NULLREGION;
    }
    static bool ListDueForRepaint(HWND hList) { return GetUpdateRect(hList, nullptr, FALSE) != FALSE; }
    // The event shows no sound: "(なし)" selected, the old text gone and both frames to be repainted.
    void ExpectNoSoundShown(const std::string& key) {
        EXPECT_EQ(m_dlg->m_nCurrentEvent, IndexOf(key));
        EXPECT_EQ(SendDlgItemMessageA(m_hDlg, IDC_FILE_LIST, LB_GETCURSEL, 0, 0), 0);
        EXPECT_EQ(SelectedFile(), kNone);
        EXPECT_TRUE(m_dlg->m_strDescription.IsEmpty()) << static_cast<LPCSTR>(m_dlg->m_strDescription);
        EXPECT_TRUE(DueForRepaint(m_hDlg, m_dlg->m_rcPicture));
        EXPECT_TRUE(DueForRepaint(m_hDlg, m_dlg->m_rcDescription));
    }
    harness::RegValue Current(const std::string& key) const {
        harness::RegValue value{"", REG_NONE, "<missing>"};
        m_reg.GetValue(apptest::kApps + "\\" + key + "\\.Current", "", &value);
        return value;
    }
    static harness::RegValue Sz(const std::string& text) {
        return harness::RegValue{"", REG_SZ, text + std::string(1, '\0')};
    }
};

TEST_F(SelectionTest, StartUpChoosesTheFirstEventAndMovesTheBrowserToItsFile) {
    harness::TestDirectory dir;
    dir.MakeDirectory("sub");
    dir.WriteFile("sub\\first.wav", harness::MakeWave(0.1));
    dir.WriteFile("sub\\other.wav", harness::MakeWave(0.1));
    dir.WriteFile("second.wav", harness::MakeWave(0.1));
    // Sorted by label, "First" is the top row although the registry lists it last.
    AddEvent("ASecond", "い", (dir / "second.wav").c_str());
    AddEvent("First", "あ", (dir / "sub\\first.wav").c_str());
    Open();
    EXPECT_EQ(RowOf("First"), 0);
    EXPECT_EQ(m_dlg->m_nCurrentEvent, IndexOf("First"));
    EXPECT_TRUE(ShowsDirectory(dir / "sub"));
    EXPECT_EQ(SelectedFile(), "first.wav");
    char drive[64] = "";
    SendDlgItemMessageA(m_hDlg, IDC_DRIVE_COMBO, WM_GETTEXT, sizeof drive, reinterpret_cast<LPARAM>(drive));
    EXPECT_EQ(std::string(drive).substr(0, 2), "D:") << "the drive of the event's file is chosen";
    EXPECT_EQ(FileOf("First"), dir / "sub\\first.wav");

    // The user chose no event yet: a file choice goes to the one chosen at start-up.
    ASSERT_TRUE(ChooseFile(m_hDlg, "other.wav"));
    EXPECT_EQ(FileOf("First"), Built("other.wav"));
    EXPECT_EQ(lstrcmpiA(FileOf("First").c_str(), (dir / "sub\\other.wav").c_str()), 0) << FileOf("First");
    EXPECT_EQ(FileOf("ASecond"), dir / "second.wav");
}

TEST_F(SelectionTest, StartUpKeepsAFirstEventWhoseSoundIsOnACdNotInserted) {
    AddEvent("Cd", "あ", "E:\\cd\\track.wav");
    AddEvent("Bare", "い", "chimes.wav");
    std::vector<std::string> before = m_reg.Dump("AppEvents");
    MessageBoxRecorder boxes;
    Open();
    EXPECT_EQ(m_dlg->m_nCurrentEvent, IndexOf("Cd"));
    EXPECT_TRUE(ShowsDirectory("E:\\")) << "the drive's root, as the directory is not there";
    EXPECT_EQ(SelectedFile(), kNone);
    EXPECT_EQ(FileOf("Cd"), "E:\\cd\\track.wav");
    harness::ClickButton(m_hDlg, IDOK);
    EXPECT_TRUE(boxes.Boxes().empty());
    EXPECT_EQ(m_reg.Dump("AppEvents"), before) << "OK wrote the sound on the CD back as it was";
}

TEST_F(SelectionTest, StartUpWithABareNameLeavesTheBrowserEmpty) {
    AddEvent("Bare", "あ", "chimes.wav");
    AddEvent("Other", "い", "C:\\x.wav");
    Open();
    EXPECT_EQ(m_dlg->m_nCurrentEvent, IndexOf("Bare"));
    EXPECT_EQ(Label(m_hDlg), "");
    EXPECT_EQ(Files(), std::vector<std::string>{});
    EXPECT_EQ(SendDlgItemMessageA(m_hDlg, IDC_DRIVE_COMBO, CB_GETCURSEL, 0, 0), CB_ERR);
    EXPECT_EQ(FileOf("Bare"), "chimes.wav");
}

TEST_F(SelectionTest, UnusableValuesShowNoSoundButOkWritesThemBackUnchanged) {
    harness::TestDirectory dir;
    dir.WriteFile("tone.wav", harness::MakeWave(0.1));
    dir.MakeDirectory("other");
    dir.WriteFile("other\\else.wav", harness::MakeWave(0.1));
    AddEvent("Shown", "a0", (dir / "tone.wav").c_str());
    struct Case {
        const char* key;
        std::string value;
        DWORD type;
        std::string file;       // what the dialog holds for it
        std::string directory;  // where the browser goes; empty: it stays
    } cases[] = {
        {"Bare", "chimes.wav", REG_SZ, "chimes.wav", ""},
        {"Empty", "", REG_SZ, "", ""},
        {"AbsentDrive", "Q:\\sounds\\ding.wav", REG_SZ, "Q:\\sounds\\ding.wav", ""},
        {"RamDisk", "R:\\ding.wav", REG_SZ, "R:\\ding.wav", ""},  // present, but not in the drive list
        {"Network", "\\\\srv\\share\\ding.wav", REG_SZ, "\\\\srv\\share\\ding.wav", ""},
        {"DriveRelative", "D:tone.wav", REG_SZ, "D:tone.wav", ""},
        {"Expand", "%ZORVAND_NOT_SET%\\media\\ding.wav", REG_EXPAND_SZ, "", ""},  // expands to no path
        {"NotFound", dir / "other\\missing.wav", REG_SZ, dir / "other\\missing.wav", dir / "other"},
        {"CdNotInserted", "E:\\cd\\track.wav", REG_SZ, "E:\\cd\\track.wav", "E:\\"},
    };
    char label[] = "a1";
    for (const Case& c : cases) {
        AddEvent(c.key, label, c.value.c_str(), c.type);
        ++label[1];
    }
    std::vector<std::string> before = m_reg.Dump("AppEvents");
    Open();
    MessageBoxRecorder boxes;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key);
        ChooseEvent("Shown");
        ASSERT_EQ(SelectedFile(), "tone.wav");
        std::string shownLabel = Label(m_hDlg);
        std::vector<std::string> shownFiles = Files();
        m_dlg->m_strDescription = "前の説明";
        UpdateWindow(m_hDlg);

        ChooseEvent(c.key);
        ExpectNoSoundShown(c.key);
        if (c.directory.empty()) {
            EXPECT_EQ(Label(m_hDlg), shownLabel) << "the browser did not move";
            EXPECT_EQ(Files(), shownFiles);
        } else {
            EXPECT_TRUE(ShowsDirectory(c.directory));
        }
        EXPECT_EQ(FileOf(c.key), c.file) << "choosing an event left its value alone";
    }
    EXPECT_TRUE(boxes.Boxes().empty());
    harness::ClickButton(m_hDlg, IDOK);
    EXPECT_EQ(m_reg.Dump("AppEvents"), before);
}

TEST_F(SelectionTest, FileInARootIsFoundThroughItsOneBackslash) {
    RootWave ding("C:\\", "ding");
    harness::TestDirectory dir;
    dir.WriteFile("x.wav", harness::MakeWave(0.1));
    AddEvent("Root", "あ", ding.Path().c_str());
    AddEvent("Elsewhere", "い", (dir / "x.wav").c_str());
    Open();
    EXPECT_TRUE(ShowsDirectory("C:\\"));
    EXPECT_EQ(SelectedFile(), ding.Name());
    ChooseEvent("Elsewhere");
    ASSERT_TRUE(ShowsDirectory(dir.Path()));
    // C: now remembers a directory of its own, which is not where the file lies.
    ChooseDrive('C');
    DoubleClick("[windows]");
    ASSERT_TRUE(ShowsDirectory("C:\\windows"));
    ChooseEvent("Root");
    EXPECT_TRUE(ShowsDirectory("C:\\"));
    EXPECT_EQ(SelectedFile(), ding.Name());
    EXPECT_EQ(FileOf("Root"), ding.Path());
}

TEST_F(SelectionTest, FileChosenInARootIsStoredWithOneBackslashAndFoundAgain) {
    harness::TestDirectory dir;
    dir.WriteFile("x.wav", harness::MakeWave(0.1));
    RootWave chosen("D:\\", "chosen");
    AddEvent("Elsewhere", "あ", (dir / "x.wav").c_str());
    AddEvent("Target", "い", "");
    Open();
    ChooseEvent("Target");
    DoubleClick("[..]");
    ASSERT_TRUE(ShowsDirectory("D:\\"));
    MessageBoxRecorder boxes;
    ASSERT_TRUE(ChooseFile(m_hDlg, chosen.Name()));
    std::string stored = FileOf("Target");
    EXPECT_EQ(lstrcmpiA(stored.c_str(), ("D:\\" + chosen.Name()).c_str()), 0) << stored;
    EXPECT_EQ(stored, Built(chosen.Name()));
    EXPECT_TRUE(boxes.Boxes().empty()) << "the file is previewed through the same path";

    ChooseEvent("Elsewhere");
    ASSERT_TRUE(ShowsDirectory(dir.Path()));
    ChooseEvent("Target");
    EXPECT_TRUE(ShowsDirectory("D:\\"));
    EXPECT_EQ(SelectedFile(), chosen.Name());
    EXPECT_EQ(FileOf("Target"), stored);
    harness::ClickButton(m_hDlg, IDOK);
    EXPECT_EQ(Current("Target"), Sz(stored));
}

TEST_F(SelectionTest, EventWhoseDirectoryIsGoneShowsNoSoundAndTakesNoOtherFile) {
    harness::TestDirectory dir;
    dir.WriteFile("same.wav", harness::MakeWave(0.1));
    dir.MakeDirectory("sub");
    dir.WriteFile("sub\\same.wav", harness::MakeWave(0.1));
    // The browser stands in dir, which holds a file of the same name.
    AddEvent("Here", "あ", (dir / "same.wav").c_str());
    AddEvent("Gone", "い", (dir / "gone\\same.wav").c_str());
    // A directory removed after start-up, with the browser still in it.
    AddEvent("Removed", "う", (dir / "sub\\same.wav").c_str());
    std::vector<std::string> before = m_reg.Dump("AppEvents");
    Open();
    ASSERT_TRUE(ShowsDirectory(dir.Path()));
    MessageBoxRecorder boxes;
    ChooseEvent("Gone");
    ExpectNoSoundShown("Gone");
    EXPECT_EQ(m_dlg->m_pDIBitmap, nullptr);
    EXPECT_EQ(FileOf("Gone"), dir / "gone\\same.wav") << "the stored value is kept";

    ChooseEvent("Removed");
    ASSERT_TRUE(ShowsDirectory(dir / "sub"));
    ASSERT_EQ(SelectedFile(), "same.wav");
    ChooseEvent("Here");
    ASSERT_TRUE(DeleteFileA((dir / "sub\\same.wav").c_str()));
    ASSERT_TRUE(RemoveDirectoryA((dir / "sub").c_str()));
    ChooseEvent("Removed");
    ExpectNoSoundShown("Removed");
    EXPECT_EQ(FileOf("Removed"), dir / "sub\\same.wav");
    EXPECT_TRUE(boxes.Boxes().empty()) << harness::Describe(boxes.Boxes().front());
    harness::ClickButton(m_hDlg, IDOK);
    EXPECT_EQ(m_reg.Dump("AppEvents"), before);
}

TEST_F(SelectionTest, WithoutAnyEventAChosenFileIsNeitherAssignedNorPreviewed) {
    harness::TestDirectory dir;
    dir.WriteFile("themed.wav", riff::Wave(riff::Chunk("data", riff::Pattern(200, 1)) +
                                           riff::List("INFO", riff::Chunk("ISBJ", std::string("説明\0", 5)))));
    dir.WriteFile("broken.wav", "not a wave file");
    CreateApp();
    Open();
    ASSERT_EQ(m_dlg->EventCount(), 0);
    ASSERT_TRUE(browser::ChangeDirectory(dir.Path().c_str()));
    m_dlg->RefreshFileList();
    MessageBoxRecorder boxes;
    for (const char* name : {"themed.wav", "broken.wav"}) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(ChooseFile(m_hDlg, name));
        EXPECT_TRUE(m_dlg->m_strDescription.IsEmpty()) << static_cast<LPCSTR>(m_dlg->m_strDescription);
        EXPECT_EQ(m_dlg->m_pDIBitmap, nullptr);
    }
    EXPECT_TRUE(boxes.Boxes().empty()) << harness::Describe(boxes.Boxes().front());
}

TEST_F(SelectionTest, DoubleByteCharactersWhoseTrailByteIsABackslashDoNotSplitThePath) {
    // 表 is 0x95 0x5C and 能 is 0x94 0x5C in code page 932.
    harness::TestDirectory dir;
    dir.MakeDirectory("表");
    dir.WriteFile("表\\表.wav", harness::MakeWave(0.1));
    dir.WriteFile("表\\能.wav", harness::MakeWave(0.1));
    dir.WriteFile("x.wav", harness::MakeWave(0.1));
    AddEvent("Stored", "あ", (dir / "表\\表.wav").c_str());
    AddEvent("Chosen", "い", (dir / "x.wav").c_str());
    Open();
    EXPECT_TRUE(ShowsDirectory(dir / "表"));
    EXPECT_EQ(SelectedFile(), "表.wav");

    ChooseEvent("Chosen");
    ASSERT_TRUE(ShowsDirectory(dir.Path()));
    DoubleClick("[表]");
    ASSERT_TRUE(ChooseFile(m_hDlg, "能.wav"));
    EXPECT_EQ(lstrcmpiA(FileOf("Chosen").c_str(), (dir / "表\\能.wav").c_str()), 0) << FileOf("Chosen");
    ChooseEvent("Stored");
    ChooseDrive('C');
    ChooseEvent("Chosen");
    EXPECT_TRUE(ShowsDirectory(dir / "表"));
    EXPECT_EQ(SelectedFile(), "能.wav");
    ChooseEvent("Stored");
    EXPECT_TRUE(ShowsDirectory(dir / "表"));
    EXPECT_EQ(SelectedFile(), "表.wav");
}

TEST_F(SelectionTest, FileChoiceGoesToTheEventChosenLastWhereverTheBrowserWent) {
    harness::TestDirectory dir;
    dir.MakeDirectory("sub");
    dir.WriteFile("sub\\b.wav", harness::MakeWave(0.1));
    dir.WriteFile("a.wav", harness::MakeWave(0.1));
    AddEvent("A", "あ", (dir / "a.wav").c_str());
    AddEvent("B", "い", (dir / "sub\\b.wav").c_str());
    Open();
    ChooseEvent("B");
    EXPECT_TRUE(ShowsDirectory(dir / "sub"));
    EXPECT_EQ(SelectedFile(), "b.wav");
    DoubleClick("[..]");
    ChooseDrive('C');
    ChooseDrive('D');
    ASSERT_TRUE(ShowsDirectory(dir.Path())) << "D: remembers the directory";
    EXPECT_EQ(m_dlg->m_nCurrentEvent, IndexOf("B")) << "moving the browser keeps the event";
    EXPECT_EQ(FileOf("B"), dir / "sub\\b.wav") << "and its file";

    ASSERT_TRUE(ChooseFile(m_hDlg, "a.wav"));
    EXPECT_EQ(FileOf("B"), Built("a.wav"));
    EXPECT_EQ(FileOf("A"), dir / "a.wav");
    ChooseEvent("A");
    ChooseDrive('C');
    ChooseEvent("B");
    EXPECT_TRUE(ShowsDirectory(dir.Path()));
    EXPECT_EQ(SelectedFile(), "a.wav");
}

TEST_F(SelectionTest, ChoosingNoneRemovesTheIconAndAFileBringsItBack) {
    harness::TestDirectory dir;
    dir.WriteFile("tone.wav", harness::MakeWave(0.1));
    AddEvent("Ding", "あ", (dir / "tone.wav").c_str());
    AddEvent("Quiet", "い", "");
    Open();
    HWND hEvents = GetDlgItem(m_hDlg, IDC_EVENT_LIST);
    ASSERT_TRUE(HasIcon("Ding"));
    ASSERT_FALSE(HasIcon("Quiet"));

    m_dlg->m_strDescription = "前の説明";
    UpdateWindow(m_hDlg);
    UpdateWindow(hEvents);
    ASSERT_TRUE(ChooseFile(m_hDlg, kNone));
    EXPECT_EQ(FileOf("Ding"), "");
    ExpectNoSoundShown("Ding");
    EXPECT_TRUE(ListDueForRepaint(hEvents)) << "the event list repaints";
    EXPECT_FALSE(HasIcon("Ding"));

    ChooseEvent("Quiet");
    UpdateWindow(hEvents);
    ASSERT_TRUE(ChooseFile(m_hDlg, "tone.wav"));
    EXPECT_EQ(FileOf("Quiet"), Built("tone.wav"));
    EXPECT_TRUE(ListDueForRepaint(hEvents));
    EXPECT_TRUE(HasIcon("Quiet"));
    EXPECT_FALSE(HasIcon("Ding"));

    harness::ClickButton(m_hDlg, IDOK);
    EXPECT_EQ(Current("Ding"), Sz("")) << "no sound is one NUL byte";
    EXPECT_EQ(Current("Quiet"), Sz(FileOf("Quiet")));
}

TEST_F(SelectionTest, KeyboardMovesAssignEachFileInTurn) {
    harness::TestDirectory dir;
    for (const char* name : {"a.wav", "b.wav", "c.wav"}) dir.WriteFile(name, harness::MakeWave(0.1));
    dir.MakeDirectory("sub");
    AddEvent("Key", "あ", (dir / "a.wav").c_str());
    Open();
    HWND hFiles = GetDlgItem(m_hDlg, IDC_FILE_LIST);
    ASSERT_EQ(Files(), (std::vector<std::string>{kNone, "[..]", "[sub]", "a.wav", "b.wav", "c.wav"}));
    ASSERT_EQ(SelectedFile(), "a.wav");
    struct Step {
        UINT key;
        const char* selected;
        const char* assigned;  // entry whose path the event holds; "" for no sound
    } steps[] = {
        {VK_DOWN, "b.wav", "b.wav"}, {VK_DOWN, "c.wav", "c.wav"}, {VK_DOWN, "c.wav", "c.wav"},
        {VK_UP, "b.wav", "b.wav"},   {VK_UP, "a.wav", "a.wav"},   {VK_UP, "[sub]", "a.wav"},
        {VK_UP, "[..]", "a.wav"},    {VK_UP, kNone, ""},          {VK_END, "c.wav", "c.wav"},
    };
    // Back on the stored file, the event holds its stored value again.
    const std::string stored = dir / "a.wav";
    for (const Step& step : steps) {
        SCOPED_TRACE(std::string(step.key == VK_DOWN ? "down"
                                 : step.key == VK_UP ? "up"
                                                     : "end") +
                     " to " + step.selected);
        SendMessageA(hFiles, WM_KEYDOWN, step.key, 0);
        SendMessageA(hFiles, WM_KEYUP, step.key, 0);
        EXPECT_EQ(SelectedFile(), step.selected);
        EXPECT_EQ(FileOf("Key"), *step.assigned == '\0'                  ? std::string()
                                 : std::string(step.assigned) == "a.wav" ? stored
                                                                         : Built(step.assigned));
    }
    EXPECT_EQ(lstrcmpiA(FileOf("Key").c_str(), (dir / "c.wav").c_str()), 0) << FileOf("Key");
}

TEST_F(SelectionTest, PrefixMatchIgnoresCaseAndKeepsTheStoredText) {
    harness::TestDirectory dir;
    for (const char* name : {"atone.wav", "Tone.wav", "other.wav"}) dir.WriteFile(name, harness::MakeWave(0.1));
    std::string upper = dir / "TONE";
    std::vector<char> lower(upper.begin(), upper.end());
    lower.push_back('\0');
    CharLowerA(lower.data());
    std::string lowerOther = std::string(lower.data(), upper.size() - 4) + "oth";
    AddEvent("Upper", "あ", upper.c_str());
    AddEvent("Lower", "い", lowerOther.c_str());  // a lower-case drive letter too
    std::vector<std::string> before = m_reg.Dump("AppEvents");
    MessageBoxRecorder boxes;
    Open();
    EXPECT_TRUE(ShowsDirectory(dir.Path()));
    EXPECT_EQ(SelectedFile(), "Tone.wav");
    ChooseEvent("Lower");
    EXPECT_TRUE(ShowsDirectory(dir.Path()));
    EXPECT_EQ(SelectedFile(), "other.wav");
    ChooseEvent("Upper");
    EXPECT_EQ(SelectedFile(), "Tone.wav");
    EXPECT_EQ(FileOf("Upper"), upper) << "the match does not rewrite the stored text";
    EXPECT_EQ(FileOf("Lower"), lowerOther);
    // The preview reads the stored text itself, which names no file: one report per choice.
    ASSERT_EQ(boxes.Boxes().size(), 3u);
    for (const harness::RecordedBox& box : boxes.Boxes())
        EXPECT_EQ(Describe(box), "mmio|ファイルのオープンに失敗しました|0");
    harness::ClickButton(m_hDlg, IDOK);
    EXPECT_EQ(m_reg.Dump("AppEvents"), before);
}

class NoCurrentEventTest : public SelectionTest {
protected:
    // The user finds a directory and chooses a file, then no sound.
    void ChooseFilesWithoutAnEvent(const std::string& directory) {
        ASSERT_TRUE(browser::ChangeDirectory(directory.c_str()));
        ChooseDrive('D');
        ASSERT_TRUE(ShowsDirectory(directory));
        ASSERT_TRUE(ChooseFile(m_hDlg, "x.wav"));
        ASSERT_TRUE(ChooseFile(m_hDlg, kNone));
        EXPECT_EQ(SelectedFile(), kNone);
        EXPECT_EQ(m_dlg->m_nCurrentEvent, -1);
        EXPECT_EQ(m_dlg->EventCount(), 0);
    }
};

TEST_F(NoCurrentEventTest, EmptyTableTakesFileChoicesWithoutWritingAnything) {
    harness::TestDirectory dir;
    dir.WriteFile("x.wav", harness::MakeWave(0.1));
    CreateApp();
    std::vector<std::string> before = m_reg.Dump("AppEvents");
    MessageBoxRecorder boxes;
    Open();
    EXPECT_EQ(m_dlg->m_nCurrentEvent, -1);
    ChooseFilesWithoutAnEvent(dir.Path());
    harness::ClickButton(m_hDlg, IDOK);
    EXPECT_TRUE(boxes.Boxes().empty());
    EXPECT_EQ(m_reg.Dump("AppEvents"), before);
}

TEST_F(NoCurrentEventTest, FailedCatalogueTakesFileChoicesWithoutWritingAnything) {
    harness::TestDirectory dir;
    dir.WriteFile("x.wav", harness::MakeWave(0.1));
    MessageBoxRecorder boxes;
    Open();
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    ChooseFilesWithoutAnEvent(dir.Path());
    EXPECT_EQ(boxes.Boxes().size(), 1u);
    harness::ClickButton(m_hDlg, IDOK);
    EXPECT_EQ(boxes.Boxes().size(), 2u) << "only OK's own report of the missing key";
    EXPECT_FALSE(m_reg.KeyExists("AppEvents"));
}

}  // namespace
