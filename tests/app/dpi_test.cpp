// The dialog on a display at 144 DPI: what it draws itself follows the scale.
// Run by at_dpi.sh, which starts this program with the runtime set to 144 DPI.
#include <algorithm>

#include "DriveDirectory.h"
#include "app_fixture.h"
#include "riff_builder.h"

namespace {

using apptest::SchemeTest;
using riff::Bytes;

const COLORREF kRed = RGB(255, 0, 0);
const COLORREF kBlue = RGB(0, 0, 255);
const COLORREF kGreen = RGB(0, 255, 0);
// Red pixels of the loudspeaker drawn for 96 and for 144 DPI (app/res/assigned16.txt, assigned24.txt).
const int kRedAt96 = 30;
const int kRedAt144 = 78;

// A blue bottom-up 24-bit picture with a green bottom row, inside a wave file.
Bytes WaveWithPicture(int width, int height) {
    int stride = (24 * width + 31) / 32 * 4;
    Bytes pixels;
    for (int row = 0; row < height; ++row) {
        COLORREF c = row == 0 ? kGreen : kBlue;
        Bytes line;
        for (int x = 0; x < width; ++x)
            line += {static_cast<char>(GetBValue(c)), static_cast<char>(GetGValue(c)), static_cast<char>(GetRValue(c))};
        line.resize(stride, '\0');
        pixels += line;
    }
    Bytes dib = riff::InfoHeader(width, height, 24) + pixels;
    return riff::Wave(riff::Chunk("data", riff::Pattern(200, 1)) + riff::Chunk("DISP", riff::DispData(8, dib)));
}

class DpiTest : public SchemeTest {
protected:
    void TearDown() override {
        if (m_dlg) m_dlg->DestroyWindow();
    }
    // The bounding box of the pixels of a colour within a rectangle of a window; empty when none.
    static RECT Find(HWND hWnd, const RECT& area, COLORREF colour, int* pCount = nullptr) {
        RECT box{INT_MAX, INT_MAX, INT_MIN, INT_MIN};
        int nCount = 0;
        HDC hdc = GetDC(hWnd);
        for (int y = area.top; y < area.bottom; ++y)
            for (int x = area.left; x < area.right; ++x)
                if (GetPixel(hdc, x, y) == colour) {
                    ++nCount;
                    box = RECT{std::min<LONG>(box.left, x), std::min<LONG>(box.top, y),
                               std::max<LONG>(box.right, x + 1), std::max<LONG>(box.bottom, y + 1)};
                }
        ReleaseDC(hWnd, hdc);
        if (pCount != nullptr) *pCount = nCount;
        return nCount == 0 ? RECT{0, 0, 0, 0} : box;
    }
    int RowHeight() { return static_cast<int>(SendMessageA(m_hList, LB_GETITEMHEIGHT, 0, 0)); }
    // The red pixels in the first row's loudspeaker square and beyond it, in that row.
    int RedInSquare() {
        UpdateWindow(m_hList);
        int nCount = 0;
        Find(m_hList, RECT{0, 0, RowHeight(), RowHeight()}, kRed, &nCount);
        return nCount;
    }

    std::unique_ptr<apptest::TestDlg> m_dlg;
    HWND m_hList = nullptr;
};

TEST_F(DpiTest, RowsLoudspeakerPictureAndTextFollowTheScale) {
    HDC hScreen = GetDC(nullptr);
    int nDpi = GetDeviceCaps(hScreen, LOGPIXELSY);
    ReleaseDC(nullptr, hScreen);
    ASSERT_EQ(nDpi, 144) << "run through tests/app/at_dpi.sh";

    AddEvent("A", "エー", "C:\\a.wav");
    AddEvent("B", "ビー", "");
    m_dlg = OpenDialog();
    HWND hDlg = m_dlg->m_hWnd;
    m_hList = GetDlgItem(hDlg, IDC_EVENT_LIST);
    SetWindowPos(hDlg, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);

    // Rows hold their text in the list's font and the loudspeaker drawn for this scale.
    HDC hdc = GetDC(m_hList);
    HGDIOBJ hOld = SelectObject(hdc, reinterpret_cast<HGDIOBJ>(SendMessageA(m_hList, WM_GETFONT, 0, 0)));
    TEXTMETRICA tm;
    GetTextMetricsA(hdc, &tm);
    SelectObject(hdc, hOld);
    ReleaseDC(m_hList, hdc);
    int nRow = RowHeight();
    EXPECT_GE(nRow, tm.tmHeight);
    EXPECT_GE(nRow, 24);
    EXPECT_EQ(RedInSquare(), kRedAt144);
    EXPECT_EQ(Find(m_hList, RECT{nRow, 0, nRow * 3, nRow}, kRed).right, 0) << "nothing red beside the square";

    // A picture as large as the frame is at 96 DPI fills it here too, bottom row at its bottom.
    harness::TestDirectory dir;
    const CRect frame = m_dlg->m_rcPicture;
    dir.WriteFile("p.wav", WaveWithPicture(MulDiv(frame.Width(), 96, nDpi), MulDiv(frame.Height(), 96, nDpi)));
    ASSERT_TRUE(browser::ChangeDirectory(dir.Path().c_str()));
    m_dlg->RefreshFileList();
    ASSERT_TRUE(ChooseFile(hDlg, "p.wav"));
    UpdateWindow(hDlg);
    harness::PumpMessages(30);
    RECT around{frame.left - 4, frame.top - 4, frame.right + 4, frame.bottom + 4};
    RECT blue = Find(hDlg, around, kBlue);
    RECT green = Find(hDlg, around, kGreen);
    EXPECT_EQ(blue.left, frame.left);
    EXPECT_EQ(blue.right, frame.right);
    EXPECT_EQ(blue.top, frame.top);
    EXPECT_EQ(green.bottom, frame.bottom);
    EXPECT_GE(green.bottom - green.top, 1);
    EXPECT_LE(green.bottom - green.top, 2) << "one picture row is one and a half pixels";

    // Nothing of the template is clipped or covered: every control lies in the dialog,
    // apart from the others, its text within it (the line about the chosen sound
    // too); the directory label shortens a long path at any scale.
    EXPECT_EQ(harness::WindowText(GetDlgItem(hDlg, IDC_SOUND_INFO)), "PCM 22,050 Hz 16 ビット モノラル 0.00 秒");
    RECT client;
    GetClientRect(hDlg, &client);
    std::vector<RECT> placed;
    for (HWND hCtl = GetWindow(hDlg, GW_CHILD); hCtl != nullptr; hCtl = GetWindow(hCtl, GW_HWNDNEXT)) {
        SCOPED_TRACE(harness::WindowText(hCtl));
        RECT rc;
        GetWindowRect(hCtl, &rc);
        MapWindowPoints(nullptr, hDlg, reinterpret_cast<POINT*>(&rc), 2);
        EXPECT_TRUE(rc.left >= 0 && rc.top >= 0 && rc.right <= client.right && rc.bottom <= client.bottom);
        RECT common;
        for (const RECT& other : placed) EXPECT_FALSE(IntersectRect(&common, &rc, &other));
        placed.push_back(rc);
        std::string text = harness::WindowText(hCtl);
        if (text.empty() || GetDlgCtrlID(hCtl) == IDC_DIRECTORY_LABEL) continue;
        HDC hCtlDC = GetDC(hCtl);
        hOld = SelectObject(hCtlDC, reinterpret_cast<HGDIOBJ>(SendMessageA(hCtl, WM_GETFONT, 0, 0)));
        RECT need{0, 0, 0, 0};
        DrawTextA(hCtlDC, text.c_str(), -1, &need, DT_CALCRECT | DT_SINGLELINE);
        SelectObject(hCtlDC, hOld);
        ReleaseDC(hCtl, hCtlDC);
        EXPECT_LE(need.right, rc.right - rc.left);
        EXPECT_LE(need.bottom, rc.bottom - rc.top);
    }
}

TEST_F(DpiTest, MovingToAnotherScaleTakesTheSuggestedSizeAndRedrawsAtIt) {
    AddEvent("A", "エー", "C:\\a.wav");
    m_dlg = OpenDialog();
    HWND hDlg = m_dlg->m_hWnd;
    m_hList = GetDlgItem(hDlg, IDC_EVENT_LIST);
    SetWindowPos(hDlg, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
    RECT at144;
    GetWindowRect(hDlg, &at144);
    int nRowAt144 = RowHeight();

    // As the system sends it when the window reaches a monitor at 96 DPI, and back.
    struct Step {
        int nDpi;
        RECT suggested;
        int nRed;
    } steps[] = {
        {96, RECT{10, 20, 10 + (at144.right - at144.left) * 2 / 3, 20 + (at144.bottom - at144.top) * 2 / 3}, kRedAt96},
        {144, at144, kRedAt144},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.nDpi);
        SendMessageA(hDlg, WM_DPICHANGED, MAKEWPARAM(step.nDpi, step.nDpi), reinterpret_cast<LPARAM>(&step.suggested));
        harness::PumpMessages(30);
        RECT rc;
        GetWindowRect(hDlg, &rc);
        EXPECT_TRUE(EqualRect(&rc, &step.suggested));
        if (step.nDpi == 144)
            EXPECT_EQ(RowHeight(), nRowAt144);
        else
            EXPECT_TRUE(RowHeight() >= 16 && RowHeight() < nRowAt144) << RowHeight();
        EXPECT_EQ(RedInSquare(), step.nRed);
    }
    // Without a suggested rectangle the window stays where it is.
    SendMessageA(hDlg, WM_DPICHANGED, MAKEWPARAM(144, 144), 0);
    RECT rc;
    GetWindowRect(hDlg, &rc);
    EXPECT_TRUE(EqualRect(&rc, &at144));
}

}  // namespace
