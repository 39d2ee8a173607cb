// Palettes and their selection into device contexts, with real GDI objects.
#include <gtest/gtest.h>

#include <vector>

#include "afxwin.h"

namespace {

// A LOGPALETTE of the given colours, in a buffer that LOGPALETTE's one declared
// entry cannot hold.
std::vector<BYTE> LogPalette(const std::vector<COLORREF>& colors) {
    std::vector<BYTE> buffer(sizeof(LOGPALETTE) + colors.size() * sizeof(PALETTEENTRY));
    auto* lp = reinterpret_cast<LPLOGPALETTE>(buffer.data());
    lp->palVersion = 0x300;
    lp->palNumEntries = static_cast<WORD>(colors.size());
    PALETTEENTRY* entries = lp->palPalEntry;
    for (size_t i = 0; i < colors.size(); ++i)
        entries[i] = {GetRValue(colors[i]), GetGValue(colors[i]), GetBValue(colors[i]), 0};
    return buffer;
}

// A memory context of the screen's format, deleted with the test.
class MemoryDC : public CDC {
public:
    MemoryDC() { m_hDC = ::CreateCompatibleDC(nullptr); }
    ~MemoryDC() override { ::DeleteDC(m_hDC); }
};

TEST(CPaletteTest, CreatesAttachesAndDetaches) {
    std::vector<BYTE> lp = LogPalette({RGB(10, 20, 30), RGB(200, 100, 50)});
    CPalette palette;
    ASSERT_TRUE(palette.CreatePalette(reinterpret_cast<LPLOGPALETTE>(lp.data())));
    HPALETTE hPalette = palette;
    ASSERT_NE(hPalette, nullptr);
    EXPECT_EQ(::GetObjectType(hPalette), static_cast<DWORD>(OBJ_PAL));
    PALETTEENTRY entries[3] = {};
    ASSERT_EQ(::GetPaletteEntries(hPalette, 0, 3, entries), 2u);
    EXPECT_EQ(entries[1].peRed, 200);
    EXPECT_EQ(entries[1].peGreen, 100);
    EXPECT_EQ(entries[1].peBlue, 50);
    EXPECT_FALSE(palette.CreatePalette(reinterpret_cast<LPLOGPALETTE>(lp.data()))) << "one palette per object";
    EXPECT_EQ(static_cast<HPALETTE>(palette), hPalette);

    EXPECT_EQ(palette.Detach(), hPalette);
    EXPECT_EQ(palette.m_hObject, nullptr);
    {
        CPalette borrowed;
        EXPECT_FALSE(borrowed.Attach(nullptr));
        EXPECT_TRUE(borrowed.Attach(hPalette));
        EXPECT_FALSE(borrowed.Attach(::GetStockObject(DEFAULT_PALETTE))) << "one handle per object";
        EXPECT_EQ(borrowed.Detach(), hPalette);
    }
    EXPECT_EQ(::GetObjectType(hPalette), static_cast<DWORD>(OBJ_PAL)) << "detached handles are not deleted";
    {
        CPalette owner;
        ASSERT_TRUE(owner.Attach(hPalette));
    }
    EXPECT_EQ(::GetObjectType(hPalette), 0u) << "an attached handle goes with its object";
}

TEST(CDCTest, SelectPaletteHandsBackThePreviousOne) {
    std::vector<BYTE> lp = LogPalette({RGB(255, 0, 0), RGB(0, 0, 255)});
    CPalette palette;
    ASSERT_TRUE(palette.CreatePalette(reinterpret_cast<LPLOGPALETTE>(lp.data())));
    const HGDIOBJ hDefault = ::GetStockObject(DEFAULT_PALETTE);
    HPALETTE hPalette = palette;
    {
        MemoryDC dc;
        ASSERT_NE(dc.m_hDC, nullptr);
        CPalette* pOld = dc.SelectPalette(&palette, TRUE);
        ASSERT_NE(pOld, nullptr);
        EXPECT_NE(pOld, &palette);
        EXPECT_EQ(pOld->m_hObject, hDefault);
        EXPECT_EQ(::GetCurrentObject(dc.m_hDC, OBJ_PAL), hPalette);
        // A true-colour display has no hardware palette: realising changes no entry.
        EXPECT_EQ(dc.RealizePalette(), 0u);

        CPalette* pMine = dc.SelectPalette(pOld, TRUE);
        ASSERT_NE(pMine, nullptr);
        EXPECT_EQ(pMine->m_hObject, hPalette);
        EXPECT_EQ(::GetCurrentObject(dc.m_hDC, OBJ_PAL), hDefault);
        EXPECT_EQ(dc.SelectPalette(&palette, FALSE), pOld) << "one wrapper per handle";
        EXPECT_EQ(dc.SelectPalette(pOld, FALSE), pMine);

        CPalette empty;
        EXPECT_EQ(dc.SelectPalette(&empty, FALSE), nullptr) << "no palette to select";
        EXPECT_EQ(::GetCurrentObject(dc.m_hDC, OBJ_PAL), hDefault);
    }
    EXPECT_EQ(::GetObjectType(hPalette), static_cast<DWORD>(OBJ_PAL))
        << "the context's wrappers leave the palette to its owner";
    EXPECT_EQ(static_cast<HPALETTE>(palette), hPalette);
}

}  // namespace
