// Test playback through the real "waveaudio" device; what is played reaches the
// runtime's capture file.
#include <windows.h>
// after windows.h
#include <mmsystem.h>

#include <algorithm>
#include <cstdint>

#include "DriveDirectory.h"
#include "app_fixture.h"

namespace {

using apptest::SchemeTest;
using harness::MessageBoxRecorder;

const char kTest[] = "テスト(&T)";
const char kStop[] = "停止";

class PlaybackTest : public SchemeTest {
protected:
    void SetUp() override {
        // One event without sound, which the files chosen here are assigned to.
        AddEvent("Played", "再生", "");
        m_dlg = OpenDialog();
        m_hDlg = m_dlg->m_hWnd;
        harness::ClearCapturedSound();
    }
    void TearDown() override {
        if (m_dlg->m_hWnd != nullptr) m_dlg->DestroyWindow();
        // Whatever a test left playing must be gone with the dialog.
        EXPECT_FALSE(AliasOpen());
    }
    void GoTo(const std::string& path) {
        ASSERT_TRUE(browser::ChangeDirectory(path.c_str())) << path;
        m_dlg->RefreshFileList();
    }
    std::string Caption() { return harness::WindowText(GetDlgItem(m_hDlg, IDC_TEST)); }
    void PressTest() { harness::ClickButton(m_hDlg, IDC_TEST); }
    // Asked without a command: a command to an alias that is not open would
    // make the system try to open a device of that name.
    static bool AliasOpen() { return mciGetDeviceIDA("zorvand") != 0; }
    // Waits until the playback ends by itself and the caption is back.
    bool WaitForEnd(DWORD ms = 10000) {
        return harness::PumpUntil([&] { return Caption() == kTest; }, ms);
    }
    // The largest absolute 16-bit sample value in what was captured.
    static int CapturedPeak() {
        std::string raw = harness::CapturedSound();
        int peak = 0;
        for (size_t i = 0; i + 1 < raw.size(); i += 2) {
            auto v = static_cast<int16_t>(static_cast<uint8_t>(raw[i]) | (static_cast<uint8_t>(raw[i + 1]) << 8));
            peak = std::max(peak, std::abs(static_cast<int>(v)));
        }
        return peak;
    }

    std::unique_ptr<apptest::TestDlg> m_dlg;
    HWND m_hDlg = nullptr;
};

TEST_F(PlaybackTest, TestPlaysTheSelectedFileUntilItEnds) {
    harness::TestDirectory dir;
    std::string wave = harness::MakeWave(0.5);
    dir.WriteFile("tone.wav", wave);
    GoTo(dir.Path());
    ASSERT_TRUE(ChooseFile(m_hDlg, "tone.wav"));
    PressTest();
    EXPECT_EQ(Caption(), kStop);
    EXPECT_TRUE(AliasOpen());
    ASSERT_TRUE(WaitForEnd()) << "the end of playback was not reported";
    EXPECT_FALSE(AliasOpen()) << "the device is closed at the end";
    EXPECT_TRUE(harness::CapturedSound() == wave.substr(44))
        << "the file's samples reached the sound device: " << harness::CapturedSound().size() << " bytes";
}

TEST_F(PlaybackTest, SecondPressStops) {
    harness::TestDirectory dir;
    dir.WriteFile("long.wav", harness::MakeWave(20));
    GoTo(dir.Path());
    ASSERT_TRUE(ChooseFile(m_hDlg, "long.wav"));
    PressTest();
    ASSERT_EQ(Caption(), kStop);
    PressTest();
    EXPECT_EQ(Caption(), kTest);
    EXPECT_FALSE(AliasOpen());
    // The stopped playback's own end report, when it comes, changes nothing.
    harness::PumpMessages(300);
    EXPECT_EQ(Caption(), kTest);
    EXPECT_LT(harness::CapturedSound().size(), 20u * 44100u) << "it did not play to the end";
}

TEST_F(PlaybackTest, DoubleClickStopsAndPlaysTheOtherFileWhichALateReportDoesNotStop) {
    harness::TestDirectory dir;
    dir.WriteFile("first.wav", harness::MakeWave(20, 300));
    std::string second = harness::MakeWave(1.5, 600);
    dir.WriteFile("second.wav", second);
    GoTo(dir.Path());
    ASSERT_TRUE(ChooseFile(m_hDlg, "first.wav"));
    PressTest();
    ASSERT_EQ(Caption(), kStop);
    harness::PumpMessages(100);
    ASSERT_TRUE(ChooseFile(m_hDlg, "second.wav"));
    harness::ClearCapturedSound();
    harness::DoubleClickList(m_hDlg, IDC_FILE_LIST);
    EXPECT_EQ(Caption(), kStop) << "the double-clicked file plays";
    // The first playback's end report arrives now, for a device id the second has.
    harness::PumpMessages(200);
    EXPECT_EQ(Caption(), kStop) << "a report for the stopped playback did not stop the new one";
    EXPECT_TRUE(AliasOpen());
    ASSERT_TRUE(WaitForEnd());
    std::string captured = harness::CapturedSound();
    EXPECT_GE(captured.size(), second.size() - 44) << "the second file played to its end";
}

TEST_F(PlaybackTest, DirectoryEntriesNoneAndNoSelectionPlayNothing) {
    harness::TestDirectory dir;
    dir.MakeDirectory("sub");
    GoTo(dir.Path());
    MessageBoxRecorder boxes;
    ASSERT_TRUE(ChooseFile(m_hDlg, "[sub]"));
    PressTest();
    EXPECT_EQ(Caption(), kTest);
    ASSERT_TRUE(ChooseFile(m_hDlg, "(なし)"));
    PressTest();
    harness::DoubleClickList(m_hDlg, IDC_FILE_LIST);
    EXPECT_EQ(Caption(), kTest);
    EXPECT_FALSE(AliasOpen());
    EXPECT_TRUE(boxes.Boxes().empty());

    // With nothing selected the path is the directory alone, which the device refuses.
    m_dlg->RefreshFileList();
    PressTest();
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].caption, "szAppName");
    EXPECT_EQ(Caption(), kTest);
}

TEST_F(PlaybackTest, FilesTheDeviceCannotPlayShowItsErrorText) {
    harness::TestDirectory dir;
    dir.WriteFile("text.wav", "this is not a wave file at all");
    dir.WriteFile("gone.wav", harness::MakeWave(0.1));
    GoTo(dir.Path());
    DeleteFileA((dir / "gone.wav").c_str());
    for (const char* name : {"text.wav", "gone.wav"}) {
        SCOPED_TRACE(name);
        MessageBoxRecorder boxes;
        ASSERT_TRUE(ChooseFile(m_hDlg, name));
        // Choosing the file already tried to read its picture.
        ASSERT_EQ(boxes.Boxes().size(), 1u);
        EXPECT_EQ(boxes.Boxes()[0].caption, "mmio");
        PressTest();
        ASSERT_EQ(boxes.Boxes().size(), 2u);
        const harness::RecordedBox& box = boxes.Boxes()[1];
        EXPECT_EQ(box.caption, "szAppName");
        EXPECT_EQ(box.icon, static_cast<UINT>(MB_ICONHAND));
        EXPECT_EQ(box.owner, m_hDlg);
        // The device's own text for the error.
        char open[512];
        wsprintfA(open, "open \"waveaudio!%s\" alias probe", (dir / name).c_str());
        MCIERROR error = mciSendStringA(open, nullptr, 0, nullptr);
        ASSERT_NE(error, 0u);
        char text[128] = "";
        mciGetErrorStringA(error, text, sizeof text);
        EXPECT_EQ(box.text, text);
        EXPECT_EQ(Caption(), kTest) << "the caption is back before the box";
        EXPECT_FALSE(AliasOpen());
    }
}

TEST_F(PlaybackTest, PathsWithSpacesAndLongPathsPlay) {
    harness::TestDirectory dir;
    std::string deep = "a directory with spaces";
    dir.MakeDirectory(deep);
    std::string longName = std::string(90, 'x') + ".wav";
    std::string wave = harness::MakeWave(0.2);
    dir.WriteFile(deep + "\\" + longName, wave);
    GoTo(dir / deep);
    ASSERT_GT((dir / deep).size() + 1 + longName.size(), 97u);
    ASSERT_TRUE(ChooseFile(m_hDlg, longName));
    MessageBoxRecorder boxes;
    PressTest();
    EXPECT_TRUE(boxes.Boxes().empty());
    ASSERT_TRUE(WaitForEnd());
    EXPECT_TRUE(harness::CapturedSound() == wave.substr(44)) << harness::CapturedSound().size() << " bytes";
}

TEST_F(PlaybackTest, ClosingTheDialogStopsThePlayback) {
    harness::TestDirectory dir;
    dir.WriteFile("long.wav", harness::MakeWave(20));
    GoTo(dir.Path());
    ASSERT_TRUE(ChooseFile(m_hDlg, "long.wav"));
    PressTest();
    ASSERT_TRUE(AliasOpen());
    m_dlg->DestroyWindow();
    EXPECT_FALSE(AliasOpen());
}

TEST_F(PlaybackTest, ReportWithNothingOpenChangesNothing) {
    SendMessageA(m_hDlg, MM_MCINOTIFY, MCI_NOTIFY_SUCCESSFUL, 1);
    EXPECT_EQ(Caption(), kTest);
    EXPECT_FALSE(AliasOpen());
}

}  // namespace
