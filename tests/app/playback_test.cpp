// Test playback through the real "waveaudio" device; what is played reaches the
// runtime's capture file.
#include <windows.h>
// after windows.h
#include <mmsystem.h>
// after mmsystem.h
#include <mmreg.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <iterator>
#include <random>
#include <thread>
#include <vector>

#include "DriveDirectory.h"
#include "app_fixture.h"

namespace {

using apptest::SchemeTest;
using harness::MessageBoxRecorder;

const char kTest[] = "テスト(&T)";
const char kStop[] = "停止";

// A wave file of the stress test, of silence: how the device ends a playback does
// not depend on what it plays. Extensible files carry the tag as their sub-format.
struct WaveFormat {
    const char* name;
    WORD tag, channels, bits;
    DWORD rate, ms;
    enum { kPlain, kExtensible, kBigEndian, kTruncated, kOversized } form;
};

const WaveFormat kFormats[] = {
    {"u8", WAVE_FORMAT_PCM, 1, 8, 11025, 120, WaveFormat::kPlain},
    {"s16-2ch", WAVE_FORMAT_PCM, 2, 16, 22050, 200, WaveFormat::kPlain},
    {"s24", WAVE_FORMAT_PCM, 1, 24, 44100, 80, WaveFormat::kPlain},
    {"s32-3ch", WAVE_FORMAT_PCM, 3, 32, 32000, 60, WaveFormat::kPlain},
    {"s64", WAVE_FORMAT_PCM, 1, 64, 8000, 100, WaveFormat::kPlain},
    {"f32-2ch", WAVE_FORMAT_IEEE_FLOAT, 2, 32, 48000, 150, WaveFormat::kPlain},
    {"f64", WAVE_FORMAT_IEEE_FLOAT, 1, 64, 22050, 90, WaveFormat::kPlain},
    {"mulaw", WAVE_FORMAT_MULAW, 1, 8, 8000, 300, WaveFormat::kPlain},
    {"alaw-2ch", WAVE_FORMAT_ALAW, 2, 8, 8000, 250, WaveFormat::kPlain},
    {"ext-s16-5ch", WAVE_FORMAT_PCM, 5, 16, 44100, 70, WaveFormat::kExtensible},
    {"ext-s24-4ch", WAVE_FORMAT_PCM, 4, 24, 48000, 50, WaveFormat::kExtensible},
    {"ext-f32-5ch", WAVE_FORMAT_IEEE_FLOAT, 5, 32, 22050, 40, WaveFormat::kExtensible},
    {"rifx-s16", WAVE_FORMAT_PCM, 1, 16, 22050, 100, WaveFormat::kBigEndian},
    {"truncated-s16", WAVE_FORMAT_PCM, 1, 16, 22050, 300, WaveFormat::kTruncated},
    {"oversized-u8", WAVE_FORMAT_PCM, 1, 8, 11025, 60, WaveFormat::kOversized},
};

std::string FileName(const WaveFormat& f) {
    return std::string(f.name) + ".wav";
}

std::string FormatWave(const WaveFormat& f) {
    const bool big = f.form == WaveFormat::kBigEndian;
    auto put = [big](std::string& s, uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i) s += static_cast<char>(v >> 8 * (big ? bytes - 1 - i : i));
    };
    const WORD block = static_cast<WORD>(f.channels * f.bits / 8);
    std::string fmt;
    put(fmt, f.form == WaveFormat::kExtensible ? WAVE_FORMAT_EXTENSIBLE : f.tag, 2);
    put(fmt, f.channels, 2);
    put(fmt, f.rate, 4);
    put(fmt, f.rate * block, 4);
    put(fmt, block, 2);
    put(fmt, f.bits, 2);
    if (f.form == WaveFormat::kExtensible) {
        put(fmt, 22, 2);
        put(fmt, f.bits, 2);
        put(fmt, (1u << f.channels) - 1, 4);
        fmt += std::string(1, static_cast<char>(f.tag)) + std::string("\0\0\0\0\0\x10\0\x80\0\0\xAA\0\x38\x9B\x71", 15);
    } else if (f.tag != WAVE_FORMAT_PCM) {
        put(fmt, 0, 2);
    }
    std::string data(f.rate * f.ms / 1000 * block, '\0');
    auto declared = static_cast<uint32_t>(f.form == WaveFormat::kOversized ? 0x7FFFFF00 : data.size());
    if (f.form == WaveFormat::kTruncated) data.resize(data.size() / 3);
    std::string wave = big ? "RIFX" : "RIFF";
    put(wave, static_cast<uint32_t>(20 + fmt.size() + declared), 4);
    wave += "WAVEfmt ";
    put(wave, static_cast<uint32_t>(fmt.size()), 4);
    wave += fmt + "data";
    put(wave, declared, 4);
    return wave + data;
}

// Handles messages until the condition holds or the time is up, waking for each
// message as the dialog's own loop does: a pump that sleeps between looks hears
// of a playback's end only after the device's thread has left the driver.
template <typename Condition>
bool RunLoop(DWORD nMs, Condition done) {
    for (const DWORD start = GetTickCount();;) {
        harness::PumpMessages();
        if (done()) return true;
        DWORD elapsed = GetTickCount() - start;
        if (elapsed >= nMs) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, nMs - elapsed, QS_ALLINPUT);
    }
}

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
    // The device's play thread may still be running the driver's code when the
    // playback closes: the driver stays loaded.
    EXPECT_NE(GetModuleHandleA("mciwave.dll"), nullptr);
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

// Test and stop in quick turns over files of many formats, on a loaded machine, so
// that a playback is closed while the device's own thread is still ending it. A
// crash ends the process, which fails the test.
TEST_F(PlaybackTest, QuickTurnsOverManyFormatsUnderLoad) {
    harness::TestDirectory dir;
    for (const WaveFormat& f : kFormats) dir.WriteFile(FileName(f), FormatWave(f));
    GoTo(dir.Path());
    auto anyFile = [](std::mt19937& rng) { return FileName(kFormats[rng() % std::size(kFormats)]); };
    auto stopped = [&] { return Caption() == kTest; };
    // The device's refusals, and the picture reader's words on damaged files.
    MessageBoxRecorder boxes;
    std::mt19937 rng(90);
    // A machine busy with many short tasks: threads that work a tenth of a
    // millisecond in every one, twice as many as there are processors. Threads
    // that only spin leave the device's threads the processor whenever they wake.
    struct Load {
        std::atomic<bool> stop{false};
        std::vector<std::thread> threads;
        ~Load() {
            stop = true;
            for (std::thread& thread : threads) thread.join();
        }
    } load;
    for (unsigned i = 0; i < 2 * std::thread::hardware_concurrency(); ++i)
        load.threads.emplace_back([&load] {
            while (!load.stop) {
                const auto begin = std::chrono::steady_clock::now();
                while (std::chrono::steady_clock::now() - begin < std::chrono::microseconds(100)) continue;
                Sleep(1);
            }
        });
    const DWORD start = GetTickCount();
    int turns = 0;
    int played = 0;
    for (; turns < 600 && GetTickCount() - start < 45000; ++turns) {
        ASSERT_TRUE(ChooseFile(m_hDlg, anyFile(rng)));
        if (rng() % 4 == 0)
            harness::DoubleClickList(m_hDlg, IDC_FILE_LIST);
        else
            PressTest();
        if (Caption() != kStop) continue;
        ++played;
        const unsigned end = rng() % 4;
        if (end < 2) {
            ASSERT_TRUE(RunLoop(10000, stopped)) << "the playback ends by itself";
        } else if (!RunLoop(rng() % 30, stopped)) {
            if (end == 2)
                PressTest();
            else
                ASSERT_TRUE(ChooseFile(m_hDlg, anyFile(rng)));
        }
        ASSERT_EQ(Caption(), kTest);
        ASSERT_FALSE(AliasOpen());
    }
    std::printf("%d turns, %d played, %lu ms, %zu busy threads\n", turns, played, GetTickCount() - start,
                load.threads.size());
    EXPECT_GT(played, turns / 2);
}

TEST_F(PlaybackTest, AReportWithNothingOpenLeavesTheNextPlaybacksEndToBeReported) {
    SendMessageA(m_hDlg, MM_MCINOTIFY, MCI_NOTIFY_SUCCESSFUL, 1);
    EXPECT_EQ(Caption(), kTest);
    harness::TestDirectory dir;
    dir.WriteFile("short.wav", harness::MakeWave(0.3));
    GoTo(dir.Path());
    ASSERT_TRUE(ChooseFile(m_hDlg, "short.wav"));
    PressTest();
    ASSERT_EQ(Caption(), kStop);
    EXPECT_TRUE(WaitForEnd()) << "the playback's own end was taken for a stray report";
    EXPECT_FALSE(AliasOpen());
}

}  // namespace
