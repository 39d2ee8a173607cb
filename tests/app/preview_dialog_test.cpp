// The picture and the description of the chosen wave file, as the dialog reads,
// paints and reports them; pixels are read back from the real dialog.
#include <algorithm>

#include "DIBitmap.h"
#include "DriveDirectory.h"
#include "app_fixture.h"
#include "riff_builder.h"

namespace {

using apptest::SchemeTest;
using harness::MessageBoxRecorder;
using riff::Bytes;

// A bottom-up 24-bit DIB of one colour, with its bottom row in another so that
// the anchoring can be seen.
Bytes SolidDib(int width, int height, COLORREF colour, COLORREF bottom) {
    int stride = (24 * width + 31) / 32 * 4;
    Bytes pixels;
    for (int row = 0; row < height; ++row) {
        COLORREF c = row == 0 ? bottom : colour;
        Bytes line;
        for (int x = 0; x < width; ++x) {
            line += static_cast<char>(GetBValue(c));
            line += static_cast<char>(GetGValue(c));
            line += static_cast<char>(GetRValue(c));
        }
        line.resize(stride, '\0');
        pixels += line;
    }
    return riff::InfoHeader(width, height, 24) + pixels;
}

Bytes WaveWith(const Bytes& dib, const std::string& text) {
    Bytes body = riff::Chunk("data", riff::Pattern(200, 1));
    if (!text.empty()) body += riff::List("INFO", riff::Chunk("ISBJ", text + std::string(1, '\0')));
    if (!dib.empty()) body += riff::Chunk("DISP", riff::DispData(8, dib));
    return riff::Wave(body);
}

class PreviewDialogTest : public SchemeTest {
protected:
    // One event without sound, which the files chosen here are assigned to.
    void SetUp() override { AddEvent("Preview", "プレビュー", ""); }
    void TearDown() override {
        if (m_dlg) m_dlg->DestroyWindow();
    }
    // Opens the dialog in the directory and chooses the file as the user would.
    void Choose(const std::string& name) {
        if (!m_dlg) {
            m_dlg = OpenDialog();
            m_hDlg = m_dlg->m_hWnd;
            SetWindowPos(m_hDlg, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
        }
        ASSERT_TRUE(browser::ChangeDirectory(m_dir.Path().c_str()));
        m_dlg->RefreshFileList();
        ASSERT_TRUE(ChooseFile(m_hDlg, name)) << name;
        UpdateWindow(m_hDlg);
        harness::PumpMessages(30);
    }
    COLORREF Pixel(int x, int y) {
        HDC hdc = GetDC(m_hDlg);
        COLORREF c = GetPixel(hdc, x, y);
        ReleaseDC(m_hDlg, hdc);
        return c;
    }
    // The bounding box of the pixels of a colour within a rectangle; empty when none.
    RECT Find(const RECT& area, COLORREF colour) {
        RECT box{INT_MAX, INT_MAX, INT_MIN, INT_MIN};
        HDC hdc = GetDC(m_hDlg);
        for (int y = area.top; y < area.bottom; ++y)
            for (int x = area.left; x < area.right; ++x)
                if (GetPixel(hdc, x, y) == colour) {
                    box.left = std::min<LONG>(box.left, x);
                    box.top = std::min<LONG>(box.top, y);
                    box.right = std::max<LONG>(box.right, x + 1);
                    box.bottom = std::max<LONG>(box.bottom, y + 1);
                }
        ReleaseDC(m_hDlg, hdc);
        if (box.left == INT_MAX) return RECT{0, 0, 0, 0};
        return box;
    }
    RECT Around(const RECT& rc, int margin) {
        return RECT{rc.left - margin, rc.top - margin, rc.right + margin, rc.bottom + margin};
    }

    harness::TestDirectory m_dir;
    std::unique_ptr<apptest::TestDlg> m_dlg;
    HWND m_hDlg = nullptr;
};

const COLORREF kBlue = RGB(0, 0, 255);
const COLORREF kGreen = RGB(0, 255, 0);

TEST_F(PreviewDialogTest, SmallPictureIsCentredAcrossAndAnchoredToTheFrameBottom) {
    m_dir.WriteFile("small.wav", WaveWith(SolidDib(40, 30, kBlue, kGreen), ""));
    Choose("small.wav");
    const CRect& frame = m_dlg->m_rcPicture;
    ASSERT_TRUE(m_dlg->m_pDIBitmap != nullptr);
    int x = frame.left + (frame.Width() - 40) / 2;
    int y = frame.top + (30 - frame.Height()) / 2;
    // The W x H block drawn from (x, y) ends with the picture's bottom row at y + H - 1.
    RECT expected{x, y + frame.Height() - 30, x + 40, y + frame.Height()};
    RECT all = Find(Around(frame, 4), kBlue);
    RECT bottom = Find(Around(frame, 4), kGreen);
    EXPECT_EQ(all.left, expected.left);
    EXPECT_EQ(all.right, expected.right);
    EXPECT_EQ(all.top, expected.top);
    EXPECT_EQ(bottom.bottom, expected.bottom);
    EXPECT_EQ(bottom.top, expected.bottom - 1) << "the bottom row is the picture's first row";
}

TEST_F(PreviewDialogTest, LargePictureFillsTheFrameWithItsBottomLeftAndNoMore) {
    m_dir.WriteFile("large.wav", WaveWith(SolidDib(400, 300, kBlue, kGreen), ""));
    Choose("large.wav");
    const CRect& frame = m_dlg->m_rcPicture;
    RECT blue = Find(Around(frame, 4), kBlue);
    RECT green = Find(Around(frame, 4), kGreen);
    RECT painted;
    UnionRect(&painted, &blue, &green);
    RECT whole = frame;
    EXPECT_TRUE(EqualRect(&painted, &whole))
        << painted.left << "," << painted.top << "-" << painted.right << "," << painted.bottom;
    EXPECT_EQ(green.top, frame.bottom - 1) << "the picture's bottom row lands on the frame's bottom row";
}

TEST_F(PreviewDialogTest, DescriptionWrapsAndShowsAmpersandsLiterally) {
    std::string text = "&&&&&&&& ";
    for (int i = 0; i < 40; ++i) text += "word ";
    m_dir.WriteFile("text.wav", WaveWith("", text));
    Choose("text.wav");
    EXPECT_EQ(std::string(m_dlg->m_strDescription), text);
    CRect inner = m_dlg->m_rcDescription;
    inner.InflateRect(-3, -3);
    COLORREF background = Pixel(inner.right - 1, inner.bottom - 1);
    // Text pixels: every row band that holds some.
    HDC hdc = GetDC(m_hDlg);
    std::vector<int> rows;
    int rightmost = 0;
    for (int y = inner.top; y < inner.bottom; ++y)
        for (int x = inner.left; x < inner.right; ++x)
            if (GetPixel(hdc, x, y) != background) {
                rows.push_back(y);
                rightmost = std::max(rightmost, x);
                break;
            }
    // Eight ampersands at the start of the first line, drawn in the context's default font.
    SIZE eight;
    GetTextExtentPoint32A(hdc, "&&&&&&&&", 8, &eight);
    ReleaseDC(m_hDlg, hdc);
    ASSERT_FALSE(rows.empty());
    EXPECT_GT(rows.back() - rows.front(), 2 * eight.cy) << "long text wraps onto further lines";
    EXPECT_LT(rightmost, inner.right);
    // Outside the deflated rectangle nothing is drawn: the frame keeps its background there.
    EXPECT_EQ(Pixel(inner.left - 1, inner.top + 2), background);
}

TEST_F(PreviewDialogTest, UnreadableFilesAreReportedOnceByThePictureReader) {
    m_dir.WriteFile("text.wav", "plain text, not RIFF");
    MessageBoxRecorder boxes;
    Choose("text.wav");
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].text, "WAVEファイルではありません");
    EXPECT_EQ(boxes.Boxes()[0].caption, "mmio");
    EXPECT_EQ(boxes.Boxes()[0].icon, 0u);
    EXPECT_EQ(boxes.Boxes()[0].owner, m_hDlg);
    EXPECT_TRUE(m_dlg->m_pDIBitmap == nullptr);
    EXPECT_TRUE(m_dlg->m_strDescription.IsEmpty());
}

TEST_F(PreviewDialogTest, ShortChunksAreReportedAndWhatWasReadIsKept) {
    Bytes whole = WaveWith(SolidDib(8, 8, kBlue, kGreen), "");
    m_dir.WriteFile("cut.wav", whole.substr(0, whole.size() - 20));
    MessageBoxRecorder boxes;
    Choose("cut.wav");
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].text, "チャンクの読み取りに失敗しました");
    EXPECT_EQ(boxes.Boxes()[0].caption, "mmio");
    ASSERT_TRUE(m_dlg->m_pDIBitmap != nullptr) << "an empty bitmap stays behind";
    EXPECT_EQ(m_dlg->m_pDIBitmap->GetDimensions().cx, 0);

    // The file ends inside the text: the form still claims it.
    Bytes text = riff::Wave(riff::List("INFO", riff::Chunk("ISBJ", "abcdefghijklmnopqrst")));
    m_dir.WriteFile("shorttext.wav", text.substr(0, text.size() - 14));
    MessageBoxRecorder boxes2;
    Choose("shorttext.wav");
    ASSERT_EQ(boxes2.Boxes().size(), 1u);
    EXPECT_EQ(boxes2.Boxes()[0].text, "チャンクの読み取りに失敗しました");
    EXPECT_STREQ(m_dlg->m_strDescription, "abcdef");
}

TEST_F(PreviewDialogTest, ChoosingNoneClearsPictureTextAndPalette) {
    Bytes dib8 = riff::InfoHeader(4, 4, 8, 2) + riff::Le32(0x00FF0000) + riff::Le32(0x0000FF00) + Bytes(16, '\1');
    m_dir.WriteFile("pal.wav", WaveWith(dib8, "テキスト"));
    Choose("pal.wav");
    ASSERT_TRUE(m_dlg->m_pDIBitmap != nullptr);
    EXPECT_TRUE(m_dlg->m_pPalette != nullptr) << "an 8-bit picture brings its palette";
    ASSERT_TRUE(ChooseFile(m_hDlg, "(なし)"));
    EXPECT_TRUE(m_dlg->m_pDIBitmap == nullptr);
    EXPECT_TRUE(m_dlg->m_pPalette == nullptr);
    EXPECT_TRUE(m_dlg->m_strDescription.IsEmpty());
}

// A wave file of a format, with bytes of sound.
Bytes Sound(WORD tag, WORD channels, DWORD rate, WORD bits, DWORD bytes, const Bytes& tail = "") {
    return riff::Riff("WAVE", riff::FmtOf(tag, channels, rate, bits, tail) + riff::Chunk("data", Bytes(bytes, 0)));
}

TEST_F(PreviewDialogTest, TheLineSaysWhatTheChosenSoundIsOrWhyItCannotPlay) {
    const Bytes cd = Sound(1, 2, 44100, 16, 176400);
    struct Row {
        const char* name;
        Bytes file;
        const char* line;
    } rows[] = {
        {"(なし)", "", ""},
        {"pcm8.wav", Sound(1, 1, 22050, 8, 11025), "PCM 22,050 Hz 8 ビット モノラル 0.50 秒"},
        {"float.wav", Sound(3, 2, 48000, 32, 96000), "IEEE float 48,000 Hz 32 ビット ステレオ 0.25 秒"},
        {"mulaw.wav", Sound(7, 1, 8000, 8, 2000), "μ-law 8,000 Hz 8 ビット モノラル 0.25 秒"},
        {"five.wav", Sound(0xFFFE, 5, 48000, 16, 48000, riff::Extensible(1)),
         "PCM 48,000 Hz 16 ビット 5 チャンネル 0.10 秒"},
        {"cut.wav", cd.substr(0, cd.size() - 88200), "PCM 44,100 Hz 16 ビット ステレオ 0.50 秒"},
        {"rifx.wav", "RIFX" + cd.substr(4), "ウェーブ ファイルとして読めません"},
        {"wma.wav", Sound(0x0160, 2, 44100, 16, 1000), "この形式はこのコンピューターでは再生できません"},
        {"text.wav", "plain text, not RIFF", "ウェーブ ファイルとして読めません"},
        {"pcm16.wav", Sound(1, 2, 44100, 16, 220500), "PCM 44,100 Hz 16 ビット ステレオ 1.25 秒"},
    };
    MessageBoxRecorder boxes;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        if (!row.file.empty()) m_dir.WriteFile(row.name, row.file);
        Choose(row.name);
        EXPECT_EQ(harness::WindowText(GetDlgItem(m_hDlg, IDC_SOUND_INFO)), row.line);
    }
    // Choosing the event shows its own file: the one chosen last.
    SetDlgItemTextA(m_hDlg, IDC_SOUND_INFO, "");
    harness::SelectListItem(m_hDlg, IDC_EVENT_LIST, 0);
    EXPECT_EQ(harness::WindowText(GetDlgItem(m_hDlg, IDC_SOUND_INFO)), rows[std::size(rows) - 1].line);
}

}  // namespace

namespace {

class PaletteTest : public PreviewDialogTest {
protected:
    // An 8-bit picture: it brings a palette of its own.
    void ChoosePalettePicture() {
        Bytes dib = riff::InfoHeader(4, 4, 8, 2) + riff::Le32(0x00FF0000) + riff::Le32(0x0000FF00) + Bytes(16, '\1');
        m_dir.WriteFile("pal.wav", WaveWith(dib, "色"));
        Choose("pal.wav");
        ASSERT_TRUE(m_dlg->m_pPalette != nullptr);
        m_dlg->m_realized.clear();
        ValidateRect(m_hDlg, nullptr);
    }
    HPALETTE Held() { return static_cast<HPALETTE>(m_dlg->m_pPalette->GetSafeHandle()); }
    bool FramesInvalid() {
        HRGN rgn = CreateRectRgn(0, 0, 0, 0);
        GetUpdateRgn(m_hDlg, rgn, FALSE);
        bool both = RectInRegion(rgn, m_dlg->m_rcPicture) && RectInRegion(rgn, m_dlg->m_rcDescription);
        DeleteObject(rgn);
        return both;
    }
};

TEST_F(PaletteTest, WithoutAPictureThereIsNothingToRealise) {
    m_dir.WriteFile("plain.wav", WaveWith("", ""));
    Choose("plain.wav");
    m_dlg->m_nRealizeResult = 10;
    EXPECT_EQ(SendMessageA(m_hDlg, WM_QUERYNEWPALETTE, 0, 0), FALSE);
    EXPECT_TRUE(m_dlg->m_realized.empty());
}

TEST_F(PaletteTest, QueryRealisesThePictureAndRepaintsOnlyWhenColoursChanged) {
    ChoosePalettePicture();
    m_dlg->m_nRealizeResult = 0;
    EXPECT_EQ(SendMessageA(m_hDlg, WM_QUERYNEWPALETTE, 0, 0), FALSE);
    ASSERT_EQ(m_dlg->m_realized.size(), 1u);
    EXPECT_EQ(m_dlg->m_realized[0], Held()) << "the picture's palette is the one realised";
    EXPECT_FALSE(FramesInvalid());

    m_dlg->m_nRealizeResult = 7;
    EXPECT_EQ(SendMessageA(m_hDlg, WM_QUERYNEWPALETTE, 0, 0), TRUE);
    EXPECT_TRUE(FramesInvalid());
}

TEST_F(PaletteTest, ChangesByTheDialogOrItsControlsAreIgnored) {
    ChoosePalettePicture();
    m_dlg->m_nRealizeResult = 7;
    SendMessageA(m_hDlg, WM_PALETTECHANGED, reinterpret_cast<WPARAM>(m_hDlg), 0);
    SendMessageA(m_hDlg, WM_PALETTECHANGED, reinterpret_cast<WPARAM>(GetDlgItem(m_hDlg, IDC_FILE_LIST)), 0);
    EXPECT_TRUE(m_dlg->m_realized.empty());
    EXPECT_FALSE(FramesInvalid());

    HWND other = CreateWindowA("STATIC", "other", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    SendMessageA(m_hDlg, WM_PALETTECHANGED, reinterpret_cast<WPARAM>(other), 0);
    DestroyWindow(other);
    EXPECT_EQ(m_dlg->m_realized.size(), 1u) << "another window's change is answered in the background";
    EXPECT_TRUE(FramesInvalid());
}

TEST_F(PaletteTest, FocusBringsAFreshPaletteAndNoneRemovesIt) {
    ChoosePalettePicture();
    HPALETTE before = Held();
    SendMessageA(m_hDlg, WM_SETFOCUS, 0, 0);
    ASSERT_TRUE(m_dlg->m_pPalette != nullptr);
    EXPECT_NE(Held(), before) << "a fresh palette from the picture";
    EXPECT_EQ(GetObjectType(before), 0u) << "the replaced palette is deleted";
    // Focus moving into a dialog that another test process had just made inactive
    // activates it first, which realises the old palette: only the fresh one counts.
    ASSERT_FALSE(m_dlg->m_realized.empty());
    EXPECT_EQ(m_dlg->m_realized.back(), Held());
    EXPECT_EQ(std::count(m_dlg->m_realized.begin(), m_dlg->m_realized.end(), Held()), 1);

    m_dlg->m_realized.clear();
    CPalette* previous = m_dlg->SetPalette(nullptr);
    EXPECT_NE(previous, nullptr);
    EXPECT_TRUE(m_dlg->m_realized.empty()) << "nothing to realise";
    EXPECT_FALSE(FramesInvalid());
    delete previous;
}

}  // namespace

namespace {

// Files made by the authoring tool: the Windows build of it runs here, and the
// dialog must show what it was given.
class ThemedFileTest : public PreviewDialogTest {
protected:
    // The tool's exit status.
    static DWORD RunWavtheme(const std::string& arguments) {
        std::string command = "\"" + harness::WindowsPath(ZORVAND_WAVTHEME_EXE) + "\" " + arguments;
        STARTUPINFOA si{};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi{};
        if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &si,
                            &pi))
            return ~0u;
        DWORD code = ~0u;
        if (WaitForSingleObject(pi.hProcess, 60000) == WAIT_OBJECT_0) GetExitCodeProcess(pi.hProcess, &code);
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
        return code;
    }
    // UTF-8 as the dialog holds it, in code page 932.
    static std::string Cp932(const std::string& utf8) {
        std::wstring wide(utf8.size(), L'\0');
        wide.resize(MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), &wide[0],
                                        static_cast<int>(wide.size())));
        std::string out(wide.size() * 2, '\0');
        out.resize(WideCharToMultiByte(932, 0, wide.data(), static_cast<int>(wide.size()), &out[0],
                                       static_cast<int>(out.size()), nullptr, nullptr));
        return out;
    }
};

// A bottom-up 24-bit BMP file, its left half red and right half blue, with a
// green bottom row.
Bytes PictureFile(int width, int height) {
    Bytes dib = SolidDib(width, height, RGB(255, 0, 0), kGreen);
    int stride = (24 * width + 31) / 32 * 4;
    for (int row = 1; row < height; ++row)
        for (int x = width / 2; x < width; ++x) {
            size_t at = 40 + row * stride + x * 3;
            dib[at] = '\xFF';
            dib[at + 1] = dib[at + 2] = '\0';
        }
    return "BM" + riff::Le32(14 + static_cast<std::uint32_t>(dib.size())) + riff::Le32(0) + riff::Le32(14 + 40) + dib;
}

TEST_F(ThemedFileTest, TheDialogShowsThePictureAndTextTheToolWasGiven) {
    m_dir.WriteFile("plain.wav", harness::MakeWave(0.1));
    m_dir.WriteFile("picture.bmp", PictureFile(30, 20));
    const std::string text = "ベルの音 & 鐘\r\n二行目";
    ASSERT_EQ(RunWavtheme("set \"" + (m_dir / "plain.wav") + "\" --picture \"" + (m_dir / "picture.bmp") +
                          "\" --text \"ベルの音 & 鐘\n二行目\" -o \"" + (m_dir / "themed.wav") + "\""),
              0u);
    MessageBoxRecorder boxes;
    Choose("themed.wav");
    EXPECT_TRUE(boxes.Boxes().empty());
    EXPECT_EQ(std::string(m_dlg->m_strDescription), text);

    const CRect& frame = m_dlg->m_rcPicture;
    int x = frame.left + (frame.Width() - 30) / 2;
    int bottom = frame.top + (20 - frame.Height()) / 2 + frame.Height();
    RECT red = Find(Around(frame, 4), RGB(255, 0, 0));
    RECT blue = Find(Around(frame, 4), kBlue);
    RECT green = Find(Around(frame, 4), kGreen);
    auto equal = [](RECT a, RECT b) { return EqualRect(&a, &b) != FALSE; };
    EXPECT_TRUE(equal(red, RECT{x, bottom - 20, x + 15, bottom - 1}));
    EXPECT_TRUE(equal(blue, RECT{x + 15, bottom - 20, x + 30, bottom - 1}));
    EXPECT_TRUE(equal(green, RECT{x, bottom - 1, x + 30, bottom}));
}

TEST_F(ThemedFileTest, EverySoundOfTheDemoPackHasItsPictureAndDescription) {
    for (const char* kind : {"ding", "chime", "chord", "tada", "exit", "notify"}) {
        SCOPED_TRACE(kind);
        std::string name = std::string(kind) + ".wav";
        ASSERT_TRUE(CopyFileA(harness::WindowsPath(std::string(ZORVAND_DEMO_DIR) + "/" + name).c_str(),
                              (m_dir / name).c_str(), FALSE));
        MessageBoxRecorder boxes;
        Choose(name);
        EXPECT_TRUE(boxes.Boxes().empty());
        ASSERT_TRUE(m_dlg->m_pDIBitmap != nullptr);
        EXPECT_GT(m_dlg->m_pDIBitmap->GetDimensions().cx, 0);

        // The description is the source text, its line ends as CR LF and without the final one.
        HANDLE hFile = CreateFileA(harness::WindowsPath(std::string(ZORVAND_DEMO_TEXTS) + "/" + kind + ".txt").c_str(),
                                   GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(hFile, INVALID_HANDLE_VALUE);
        std::string source(4096, '\0');
        DWORD got = 0;
        ReadFile(hFile, &source[0], static_cast<DWORD>(source.size()), &got, nullptr);
        CloseHandle(hFile);
        source.resize(got);
        while (!source.empty() && source.back() == '\n') source.pop_back();
        std::string lines;
        for (char c : source) lines += c == '\n' ? std::string("\r\n") : std::string(1, c);
        EXPECT_EQ(std::string(m_dlg->m_strDescription), Cp932(lines));
    }
}

}  // namespace

namespace {

// The forms a DISP picture may take besides bottom-up 24 bits: the dialog shows
// each exactly as that form, and a picture that it cannot hold leaves the frame
// to a later chunk.
class PictureFormsTest : public PreviewDialogTest {
protected:
    enum class Form { kBottomUp24, kTopDown24, kBitFields565, kTopDownBitFields565, kBitFields32, kTopDownBitFields32 };

    // Colours of 0 and 255 only, which 5-6-5 pixels hold exactly, in bands of 7
    // columns and 5 rows counted from the bottom-left pixel.
    static COLORREF PictureColour(int x, int y) {
        static const COLORREF kColours[] = {RGB(255, 0, 0),   RGB(0, 255, 0),   RGB(0, 0, 255),     RGB(255, 255, 0),
                                            RGB(0, 255, 255), RGB(255, 0, 255), RGB(255, 255, 255), RGB(0, 0, 0)};
        return kColours[(x / 7 + 3 * (y / 5)) % 8];
    }

    // The same picture, width x height, in one form. The 32-bit bit fields keep
    // red in the low byte, so that reading them as plain 32 bits would swap red
    // and blue.
    static Bytes Picture(int width, int height, Form form) {
        const bool topDown =
            form == Form::kTopDown24 || form == Form::kTopDownBitFields565 || form == Form::kTopDownBitFields32;
        int bits = 24;
        Bytes masks;
        if (form == Form::kBitFields565 || form == Form::kTopDownBitFields565) {
            bits = 16;
            masks = riff::Le32(0xF800) + riff::Le32(0x07E0) + riff::Le32(0x001F);
        } else if (form == Form::kBitFields32 || form == Form::kTopDownBitFields32) {
            bits = 32;
            masks = riff::Le32(0x000000FF) + riff::Le32(0x0000FF00) + riff::Le32(0x00FF0000);
        }
        const int stride = (bits * width + 31) / 32 * 4;
        Bytes pixels;
        for (int row = 0; row < height; ++row) {
            const int y = topDown ? height - 1 - row : row;
            Bytes line;
            for (int x = 0; x < width; ++x) {
                const COLORREF c = PictureColour(x, y);
                if (bits == 24) {
                    line += Bytes{static_cast<char>(GetBValue(c)), static_cast<char>(GetGValue(c)),
                                  static_cast<char>(GetRValue(c))};
                } else if (bits == 16) {
                    line += riff::Le16(static_cast<std::uint16_t>((GetRValue(c) >> 3) << 11 | (GetGValue(c) >> 2) << 5 |
                                                                  GetBValue(c) >> 3));
                } else {
                    line += Bytes{static_cast<char>(GetRValue(c)), static_cast<char>(GetGValue(c)),
                                  static_cast<char>(GetBValue(c)), '\0'};
                }
            }
            line.resize(stride, '\0');
            pixels += line;
        }
        // A top-down DIB must state its image size.
        const std::uint32_t image = topDown ? static_cast<std::uint32_t>(stride * height) : 0;
        return riff::InfoHeader(width, topDown ? -height : height, static_cast<std::uint16_t>(bits), 0, image,
                                masks.empty() ? 0 : 3) +
               masks + pixels;
    }

    // A wave file whose DISP chunks hold these DIBs, in this order.
    static Bytes WaveWithPictures(const std::vector<Bytes>& dibs) {
        Bytes body = riff::Chunk("data", riff::Pattern(200, 1));
        for (const Bytes& dib : dibs) body += riff::Chunk("DISP", riff::DispData(8, dib));
        return riff::Wave(body);
    }

    // The dialog's pixels around the picture frame, row by row from the top.
    std::vector<COLORREF> CaptureFrame() {
        const RECT area = Around(m_dlg->m_rcPicture, 4);
        const int width = area.right - area.left;
        const int height = area.bottom - area.top;
        HDC hdc = GetDC(m_hDlg);
        HDC hMem = CreateCompatibleDC(hdc);
        BITMAPINFO bi{};
        bi.bmiHeader.biSize = sizeof bi.bmiHeader;
        bi.bmiHeader.biWidth = width;
        bi.bmiHeader.biHeight = -height;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        void* pBits = nullptr;
        HBITMAP hBitmap = CreateDIBSection(hdc, &bi, DIB_RGB_COLORS, &pBits, nullptr, 0);
        HGDIOBJ hOld = SelectObject(hMem, hBitmap);
        BitBlt(hMem, 0, 0, width, height, hdc, area.left, area.top, SRCCOPY);
        GdiFlush();
        std::vector<COLORREF> pixels;
        for (int i = 0; i < width * height; ++i) {
            const DWORD p = static_cast<const DWORD*>(pBits)[i];
            pixels.push_back(RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF));
        }
        SelectObject(hMem, hOld);
        DeleteObject(hBitmap);
        DeleteDC(hMem);
        ReleaseDC(m_hDlg, hdc);
        return pixels;
    }

    // The "picture:" line of what the authoring tool's Windows build lists for a
    // file of the directory.
    std::string ListedPicture(const std::string& name) {
        const std::string out = m_dir / (name + ".txt");
        SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
        HANDLE hOut = CreateFileA(out.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &sa, CREATE_ALWAYS, 0, nullptr);
        if (hOut == INVALID_HANDLE_VALUE) return "(cannot create " + out + ")";
        std::string command = "\"" + harness::WindowsPath(ZORVAND_WAVTHEME_EXE) + "\" list \"" + (m_dir / name) + "\"";
        STARTUPINFOA si{};
        si.cb = sizeof si;
        si.dwFlags = STARTF_USESTDHANDLES;
        si.hStdOutput = hOut;
        si.hStdError = hOut;
        PROCESS_INFORMATION pi{};
        const BOOL started =
            CreateProcessA(nullptr, &command[0], nullptr, nullptr, TRUE, DETACHED_PROCESS, nullptr, nullptr, &si, &pi);
        CloseHandle(hOut);
        if (!started) return "(cannot start " + command + ")";
        const DWORD waited = WaitForSingleObject(pi.hProcess, 60000);
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
        if (waited != WAIT_OBJECT_0) return "(no end of " + command + ")";
        std::string listing(4096, '\0');
        DWORD got = 0;
        HANDLE hIn = CreateFileA(out.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                 0, nullptr);
        if (hIn == INVALID_HANDLE_VALUE) return "(cannot read " + out + ")";
        ReadFile(hIn, &listing[0], static_cast<DWORD>(listing.size()), &got, nullptr);
        CloseHandle(hIn);
        listing.resize(got);
        const std::size_t at = listing.find("picture:");
        if (at == std::string::npos) return listing;
        return listing.substr(at, listing.find_first_of("\r\n", at) - at);
    }

    // Chooses the file and checks that the dialog holds a picture of this size
    // and no message came; returns the frame's pixels.
    std::vector<COLORREF> ShowPicture(const std::string& name, int width, int height) {
        MessageBoxRecorder boxes;
        Choose(name);
        EXPECT_TRUE(boxes.Boxes().empty()) << name;
        EXPECT_TRUE(m_dlg->m_pDIBitmap != nullptr) << name;
        if (m_dlg->m_pDIBitmap != nullptr) {
            EXPECT_EQ(m_dlg->m_pDIBitmap->GetDimensions().cx, width) << name;
            EXPECT_EQ(m_dlg->m_pDIBitmap->GetDimensions().cy, height) << name << ": held bottom-up";
        }
        return CaptureFrame();
    }
};

TEST_F(PictureFormsTest, TopDownAndBitFieldPicturesShowWhatTheirBottomUpFormShows) {
    const std::vector<Form> forms = {Form::kTopDown24, Form::kBitFields565, Form::kTopDownBitFields565,
                                     Form::kBitFields32, Form::kTopDownBitFields32};
    m_dir.WriteFile("plain.wav", WaveWithPictures({}));
    // A picture smaller than the frame is centred; of a larger one the frame shows
    // the bottom-left part.
    for (const SIZE size : {SIZE{40, 30}, SIZE{400, 300}}) {
        const int w = size.cx, h = size.cy;
        SCOPED_TRACE(testing::Message() << w << " x " << h);
        const std::string prefix = w < 100 ? "s" : "l";
        m_dir.WriteFile(prefix + "ref.wav", WaveWithPictures({Picture(w, h, Form::kBottomUp24)}));
        for (std::size_t i = 0; i < forms.size(); ++i)
            m_dir.WriteFile(prefix + std::to_string(i) + ".wav", WaveWithPictures({Picture(w, h, forms[i])}));

        Choose("plain.wav");
        const std::vector<COLORREF> empty = CaptureFrame();
        const std::vector<COLORREF> expected = ShowPicture(prefix + "ref.wav", w, h);
        ASSERT_NE(expected, empty) << "the bottom-up picture is painted";
        for (std::size_t i = 0; i < forms.size(); ++i) {
            SCOPED_TRACE(testing::Message() << "form " << static_cast<int>(forms[i]));
            EXPECT_TRUE(ShowPicture(prefix + std::to_string(i) + ".wav", w, h) == expected)
                << "not the pixels of the bottom-up 24-bit picture";
        }
    }
}

// DIBs that no picture reader draws alike, or that the bitmap has no way to draw.
std::vector<Bytes> UnusablePictures() {
    const Bytes twoColours = riff::Le32(0x000000FF) + riff::Le32(0x00FF0000);
    return {
        riff::InfoHeader(16, 2, 2, 4, 8) + riff::Pattern(16, 1) + Bytes(8, '\x1B'),
        riff::InfoHeader(4, 4, 32, 0, 64, 3) + riff::Le32(0x00FF00FF) + riff::Le32(0x0000FF00) +
            riff::Le32(0xFF000000u) + Bytes(64, '\xFF'),
        riff::InfoHeader(4, 4, 24, 0, 48, 3) + riff::Le32(0xFF0000) + riff::Le32(0xFF00) + riff::Le32(0xFF) +
            Bytes(48, '\xFF'),
        riff::InfoHeader(4, -2, 8, 2, 8, 1) + twoColours + riff::Le16(0x0104) + riff::Le16(0) + riff::Le16(0x0004) +
            riff::Le16(0x0100),
        riff::InfoHeader(4, 4, 0, 0, 16, 4) + Bytes(16, '\xFF'),
    };
}

TEST_F(PictureFormsTest, APictureTheBitmapCannotHoldLeavesTheFrameToALaterChunk) {
    const Bytes later = SolidDib(40, 30, kBlue, kGreen);
    m_dir.WriteFile("later.wav", WaveWithPictures({later}));
    const std::vector<COLORREF> expected = ShowPicture("later.wav", 40, 30);
    const RECT blue = Find(Around(m_dlg->m_rcPicture, 4), kBlue);
    ASSERT_FALSE(IsRectEmpty(&blue));

    const std::vector<Bytes> unusable = UnusablePictures();
    for (std::size_t i = 0; i < unusable.size(); ++i)
        m_dir.WriteFile("u" + std::to_string(i) + ".wav", WaveWithPictures({unusable[i], later}));
    for (std::size_t i = 0; i < unusable.size(); ++i) {
        SCOPED_TRACE(testing::Message() << "unusable picture " << i);
        EXPECT_TRUE(ShowPicture("u" + std::to_string(i) + ".wav", 40, 30) == expected)
            << "not the later chunk's picture";
    }
}

TEST_F(PictureFormsTest, TheToolListsThePictureTheDialogShows) {
    struct Case {
        const char* name;
        Bytes wave;
        const char* listed;
        int width;
        int height;
    };
    const std::vector<Bytes> unusable = UnusablePictures();
    const Bytes later = SolidDib(40, 30, kBlue, kGreen);
    const std::vector<Case> cases = {
        {"two_bit.wav", WaveWithPictures({unusable[0], later}), "picture:     40 x 30, 24 bits per pixel", 40, 30},
        {"split.wav", WaveWithPictures({unusable[1], later}), "picture:     40 x 30, 24 bits per pixel", 40, 30},
        {"rle_td.wav", WaveWithPictures({unusable[3], later}), "picture:     40 x 30, 24 bits per pixel", 40, 30},
        {"f565.wav", WaveWithPictures({Picture(12, 9, Form::kBitFields565), later}),
         "picture:     12 x 9, 16 bits per pixel", 12, 9},
        {"f32.wav", WaveWithPictures({Picture(12, 9, Form::kBitFields32), later}),
         "picture:     12 x 9, 32 bits per pixel", 12, 9},
    };
    for (const Case& c : cases) m_dir.WriteFile(c.name, c.wave);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ListedPicture(c.name), c.listed);
        ShowPicture(c.name, c.width, c.height);
    }
}

}  // namespace
