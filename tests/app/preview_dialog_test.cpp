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
