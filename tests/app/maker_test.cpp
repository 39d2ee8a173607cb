// The sound maker through the real dialogs: 作成 in the main dialog, the
// system's Open dialog, the maker, its boxes, on sources that ffmpeg makes at
// test time; what it writes is read by ffmpeg and by the main dialog.
#include <fstream>
#include <iterator>
#include <sstream>

#include "DIBitmap.h"
#include "app_fixture.h"
#include "oracle.h"

namespace {

using apptest::SchemeTest;

const char kMaker[] = "サウンドの作成";
const char kOpen[] = "音声ファイルの選択";
const char kCannotRead[] = "このファイルの音声を読み取れません。";

std::wstring Wide(const std::string& text) {
    int n = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
    std::wstring out(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, &out[0], n);
    out.pop_back();
    return out;
}

std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

bool Enabled(HWND hDlg, int nID) {
    return IsWindowEnabled(GetDlgItem(hDlg, nID)) != FALSE;
}

// What the maker is given before 作成 is pressed in it.
struct Making {
    const char* start = "0.00";
    const char* end = nullptr;  // as proposed
    bool level = true;
    const wchar_t* text = L"";
    std::string picture;  // a file for 絵の選択, or none
    std::string target;   // as proposed when empty
    bool abort = false;   // 中止 at once; the dialog is then cancelled
};

Making Kept(const char* start, const char* end, bool level, const std::string& target = "") {
    Making making;
    making.start = start;
    making.end = end;
    making.level = level;
    making.target = target;
    return making;
}

class MakerTest : public SchemeTest {
protected:
    void SetUp() override {
        AddEvent("SystemAsterisk", "一般の警告音", "");
        ASSERT_EQ(m_dir.RunUnix("bash " ZORVAND_MAKER_SOURCES_SCRIPT " ."), "exit 0\n");
        m_dir.MakeDirectory("local");
        GetEnvironmentVariableA("LOCALAPPDATA", m_szLocal, MAX_PATH);
        SetEnvironmentVariableA("LOCALAPPDATA", (m_dir / "local").c_str());
        m_dlg = OpenDialog();
    }
    void TearDown() override {
        m_dlg->DestroyWindow();
        SetEnvironmentVariableA("LOCALAPPDATA", m_szLocal);
    }

    // Presses 作成, chooses the source in the Open dialog and, when the maker
    // opens, fills it in as making says and presses its 作成. The maker's
    // source line once read; empty when it never opened.
    std::string Make(const std::string& source, const Making& making) {
        std::string line;
        harness::WhenShown(kOpen, [&](HWND hOpen) {
            harness::WhenShown(kMaker, [&](HWND hMaker) {
                if (making.abort) {
                    harness::ClickButton(hMaker, IDC_MAKER_ABORT);
                    EXPECT_TRUE(harness::PumpUntil([&] { return !Enabled(hMaker, IDC_MAKER_ABORT); }, 20000));
                    line = harness::WindowText(GetDlgItem(hMaker, IDC_MAKER_SOURCE));
                    harness::ClickButton(hMaker, IDCANCEL);
                    return;
                }
                EXPECT_TRUE(harness::PumpUntil([&] { return !Enabled(hMaker, IDC_MAKER_ABORT); }, 60000));
                line = harness::WindowText(GetDlgItem(hMaker, IDC_MAKER_SOURCE));
                SetDlgItemTextA(hMaker, IDC_MAKER_START, making.start);
                if (making.end != nullptr) SetDlgItemTextA(hMaker, IDC_MAKER_END, making.end);
                if (!making.level) SendDlgItemMessageA(hMaker, IDC_MAKER_LEVEL, BM_SETCHECK, BST_UNCHECKED, 0);
                SetDlgItemTextW(hMaker, IDC_MAKER_TEXT, making.text);
                if (!making.target.empty()) SetDlgItemTextA(hMaker, IDC_MAKER_TARGET, making.target.c_str());
                if (!making.picture.empty()) {
                    harness::WhenShown("絵の選択", [&](HWND hFiles) {
                        SetDlgItemTextW(hFiles, cmb13, Wide(making.picture).c_str());
                        harness::ClickButton(hFiles, IDOK);
                    });
                    harness::ClickButton(hMaker, IDC_MAKER_PICTURE_CHOOSE);
                }
                harness::ClickButton(hMaker, IDOK);
                // A refusal leaves the maker open.
                if (IsWindowVisible(hMaker)) harness::ClickButton(hMaker, IDCANCEL);
            });
            SetDlgItemTextW(hOpen, cmb13, Wide(source).c_str());
            harness::ClickButton(hOpen, IDOK);
        });
        harness::ClickButton(m_dlg->m_hWnd, IDC_MAKE);
        return line;
    }

    // ffmpeg's word on a written file: "codec,rate,channels,frames".
    std::string Probe(const std::string& file) {
        std::string out = m_dir.RunUnix(
            "ffprobe -v error -show_entries stream=codec_name,sample_rate,channels,"
            "duration_ts -of csv=p=0 '" +
            file + "'");
        return out.substr(0, out.find('\n'));
    }
    double Loudness(const std::string& file) {
        std::string out = m_dir.RunUnix("ffmpeg -nostats -i '" + file +
                                        "' -af ebur128 -f null - 2>&1 | grep -A1 'Integrated' | "
                                        "tail -1 | awk '{print $2}'");
        return std::atof(out.c_str());
    }

    harness::TestDirectory m_dir;
    char m_szLocal[MAX_PATH] = "";
    std::unique_ptr<apptest::TestDlg> m_dlg;
};

// Each format the runtime decodes becomes a 16-bit wave file of the range kept,
// whose samples are ffmpeg's decoding of the source there, given to the event.
TEST_F(MakerTest, MakesWaveFilesOfTheRangeFromEachFormat) {
    for (const char* file : {"tone.mp3", "tone.m4a", "tone.flac", "tone.ogg"}) {
        SCOPED_TRACE(file);
        std::string line = Make(m_dir / file, Kept("0.50", "3.00", false));
        EXPECT_EQ(line, std::string(file) + "  44100 Hz ステレオ  " + line.substr(line.rfind("  ") + 2));
        std::string name = std::string(file).substr(0, std::string(file).find('.')) + ".wav";
        std::string made = "local\\ZORVAND\\サウンド\\" + name;
        std::string unixMade = "local/ZORVAND/サウンド/" + name;
        EXPECT_EQ(Probe(unixMade), "pcm_s16le,44100,2,110250");
        ASSERT_EQ(m_dir.RunUnix("ffmpeg -v error -y -i '" + unixMade + "' -f s16le made.s16"), "exit 0\n");
        std::vector<float> got = maker::test::FromS16(ReadBytes(m_dir / "made.s16"));
        std::vector<float> source = maker::test::FromS16(ReadBytes(m_dir / (std::string(file) + ".s16")));
        // The source from a decoder frame before the range on.
        const long nFrom = 22050 - maker::test::kMaxLag;
        std::vector<float> expected(source.begin() + 2 * nFrom, source.end());
        maker::test::Alignment aligned = maker::test::Align(got, expected, 2);
        EXPECT_GE(aligned.correlation, 0.99);
        EXPECT_LE(std::labs(aligned.lag - maker::test::kMaxLag), 1152);
        // Chosen in the browser for the event, as a click on it would: the
        // browser names the folder as the system lists it, in lower case.
        EXPECT_EQ(lstrcmpiA(Label(m_dlg->m_hWnd).c_str(), (m_dir / "local\\ZORVAND\\サウンド").c_str()), 0);
        EXPECT_EQ(lstrcmpiA(m_dlg->Find("SystemAsterisk")->GetFile(), (m_dir / made).c_str()), 0);
        DeleteFileA((m_dir / made).c_str());
    }
}

// Levelled, ffmpeg's own measure gives -18 LUFS, from a loud and a quiet clip.
TEST_F(MakerTest, LevelsToMinus18Lufs) {
    for (const char* file : {"tone.mp3", "quiet.mp3"}) {
        SCOPED_TRACE(file);
        Make(m_dir / file, Kept("0.00", "4.00", true, m_dir / "levelled.wav"));
        EXPECT_NEAR(Loudness("levelled.wav"), -18.0, 0.5);
        DeleteFileA((m_dir / "levelled.wav").c_str());
    }
}

// What the system cannot decode gets the box with its reason, and nothing opens
// or is written.
TEST_F(MakerTest, RefusesWhatTheSystemCannotDecode) {
    for (const char* file : {"text.mp3", "damaged.m4a", "tone.wma"}) {
        SCOPED_TRACE(file);
        harness::MessageBoxRecorder boxes;
        EXPECT_EQ(Make(m_dir / file, {}), "");
        ASSERT_EQ(boxes.Boxes().size(), 1u);
        EXPECT_EQ(boxes.Boxes()[0].text.rfind(std::string(kCannotRead) + "\n\n", 0), 0u) << boxes.Boxes()[0].text;
        EXPECT_NE(boxes.Boxes()[0].text.find("(0x"), std::string::npos);
        EXPECT_EQ(boxes.Boxes()[0].caption, "maker_dialog_tests");
        EXPECT_EQ(m_dir.RunUnix("ls local/ZORVAND/サウンド 2>/dev/null | wc -l"), "0\nexit 0\n");
    }
}

// An existing file is replaced only when the user says so.
TEST_F(MakerTest, ReplacesOnlyWhenAskedAndNeverDamages) {
    m_dir.WriteFile("old.wav", "old bytes");
    const struct {
        const char* target;
        int answer;
        std::vector<std::string> boxes;
        const char* after;  // the old bytes, or null for a new wave file
    } rows[] = {
        {"old.wav", IDNO, {"「" + (m_dir / "old.wav") + "」は既にあります。\n置き換えますか?"}, "old bytes"},
        {"old.wav", IDYES, {"「" + (m_dir / "old.wav") + "」は既にあります。\n置き換えますか?"}, nullptr},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.target);
        harness::MessageBoxRecorder boxes(row.answer);
        Make(m_dir / "tone.flac", Kept("0.00", "1.00", false, m_dir / row.target));
        ASSERT_EQ(boxes.Boxes().size(), row.boxes.size());
        for (size_t i = 0; i < row.boxes.size(); ++i)
            EXPECT_EQ(boxes.Boxes()[i].text.substr(0, row.boxes[i].size()), row.boxes[i]);
        std::string bytes = ReadBytes(m_dir / row.target);
        if (row.after != nullptr) {
            EXPECT_EQ(bytes, row.after);
        } else {
            EXPECT_EQ(bytes.substr(0, 4), "RIFF");
        }
    }
}

// The picture and the description written are what the main dialog then shows.
TEST_F(MakerTest, PictureAndDescriptionShowInTheMainDialog) {
    ASSERT_EQ(m_dir.RunUnix("convert -size 20x10 xc:red p.png"), "exit 0\n");
    Making bell = Kept("1.00", "2.00", true, m_dir / "bell.wav");
    bell.text = L"ベルの音\r\n二行目";
    bell.picture = m_dir / "p.png";
    Make(m_dir / "tone.ogg", bell);
    EXPECT_STREQ(m_dlg->m_strDescription, "ベルの音\r\n二行目");
    ASSERT_NE(m_dlg->m_pDIBitmap, nullptr);
    EXPECT_EQ(m_dlg->m_pDIBitmap->GetDimensions().cx, 20);
    EXPECT_EQ(m_dlg->m_pDIBitmap->GetDimensions().cy, 10);

    // Text the code page cannot hold is refused, naming the character.
    harness::MessageBoxRecorder boxes;
    Making emoji = Kept("1.00", "2.00", true, m_dir / "emoji.wav");
    emoji.text = L"鐘 \U0001F514 の音";
    Make(m_dir / "tone.ogg", emoji);
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_NE(boxes.Boxes()[0].text.find("説明の「"), std::string::npos);
    EXPECT_EQ(ReadBytes(m_dir / "emoji.wav"), "");
}

// 中止 stops reading a long source: the maker knows only what it read.
TEST_F(MakerTest, AbortStopsALongReading) {
    ASSERT_EQ(m_dir.RunUnix("ffmpeg -v error -f lavfi -i 'sine=frequency=300:sample_rate=8000:duration=1800' "
                            "-c:a libmp3lame -b:a 16k long.mp3"),
              "exit 0\n");
    Making making;
    making.abort = true;
    std::string line = Make(m_dir / "long.mp3", making);
    double seconds = std::atof(line.substr(line.rfind("  ") + 2).c_str());
    EXPECT_GT(seconds, 0.0);
    EXPECT_LT(seconds, 1700.0) << line;
}

}  // namespace
