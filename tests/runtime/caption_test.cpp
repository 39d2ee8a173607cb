// The runtime's fonts as the real dialog shows them: the caption's close box is
// drawn with the symbol font, a cross, never a letter of a text font.
#include <algorithm>
#include <cstring>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "app_fixture.h"

namespace {

class CaptionTest : public apptest::SchemeTest {};

using Pixel = std::pair<int, int>;  // x, y

// The whole window as drawn, non-client area included, one 0x00RRGGBB value a pixel.
std::vector<DWORD> Capture(HWND hWnd, int nWidth, int nHeight) {
    std::vector<DWORD> pixels(static_cast<size_t>(nWidth) * nHeight);
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = nWidth;
    bi.bmiHeader.biHeight = -nHeight;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    HDC hWindowDC = GetWindowDC(hWnd);
    HDC hMemDC = CreateCompatibleDC(hWindowDC);
    void* pBits = nullptr;
    HBITMAP hBitmap = CreateDIBSection(hMemDC, &bi, DIB_RGB_COLORS, &pBits, nullptr, 0);
    HGDIOBJ hOld = SelectObject(hMemDC, hBitmap);
    BitBlt(hMemDC, 0, 0, nWidth, nHeight, hWindowDC, 0, 0, SRCCOPY);
    GdiFlush();
    std::memcpy(pixels.data(), pBits, pixels.size() * sizeof(DWORD));
    SelectObject(hMemDC, hOld);
    DeleteObject(hBitmap);
    DeleteDC(hMemDC);
    ReleaseDC(hWnd, hWindowDC);
    return pixels;
}

bool IsInk(DWORD rgb) {
    // The glyph is drawn in the button text colour, black; the button's shaded
    // edges are grey and stay out.
    int sum = static_cast<int>((rgb >> 16 & 0xFF) + (rgb >> 8 & 0xFF) + (rgb & 0xFF));
    return sum < 3 * 64;
}

TEST_F(CaptionTest, TheCloseBoxShowsACrossNotALetter) {
    AddEvent("SystemStart", "Windows の起動");
    auto dlg = OpenDialog();
    HWND hDlg = dlg->GetSafeHwnd();
    ASSERT_NE(hDlg, nullptr);
    ShowWindow(hDlg, SW_SHOW);
    RedrawWindow(hDlg, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW);
    harness::PumpMessages();

    RECT rcWindow;
    GetWindowRect(hDlg, &rcWindow);
    TITLEBARINFO title{};
    title.cbSize = sizeof title;
    ASSERT_TRUE(GetTitleBarInfo(hDlg, &title));
    ASSERT_EQ(GetWindowLongA(hDlg, GWL_STYLE) & WS_SYSMENU, WS_SYSMENU) << "the dialog has no close box";
    int nWidth = rcWindow.right - rcWindow.left;
    int nHeight = rcWindow.bottom - rcWindow.top;
    std::vector<DWORD> pixels = Capture(hDlg, nWidth, nHeight);

    // The close box is the title bar's right-most square; its edges are left out.
    int nSize = title.rcTitleBar.bottom - title.rcTitleBar.top;
    int right = title.rcTitleBar.right - rcWindow.left;
    int top = title.rcTitleBar.top - rcWindow.top;
    std::set<Pixel> ink;
    std::string picture;
    for (int y = top + 2; y < top + nSize - 2; ++y) {
        for (int x = right - nSize + 2; x < right - 2; ++x) {
            bool bInk = x >= 0 && x < nWidth && y >= 0 && y < nHeight && IsInk(pixels[y * nWidth + x]);
            if (bInk) ink.insert({x, y});
            picture += bInk ? '#' : '.';
        }
        picture += '\n';
    }
    ASSERT_GE(ink.size(), 6u) << "no glyph in the close box:\n" << picture;

    // A cross is the same mirrored left to right and top to bottom; a letter is not.
    int left = ink.begin()->first, rightmost = left, upper = ink.begin()->second, lower = upper;
    for (const Pixel& p : ink) {
        left = std::min(left, p.first);
        rightmost = std::max(rightmost, p.first);
        upper = std::min(upper, p.second);
        lower = std::max(lower, p.second);
    }
    size_t nMirrored = 0;
    for (const Pixel& p : ink) {
        if (ink.count({left + rightmost - p.first, p.second}) != 0 &&
            ink.count({p.first, upper + lower - p.second}) != 0)
            ++nMirrored;
    }
    EXPECT_GE(nMirrored * 10, ink.size() * 9) << "the close box shows no cross:\n" << picture;
    dlg->DestroyWindow();
}

}  // namespace
