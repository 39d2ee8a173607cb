// The picture's bitmap class: its held layout, palettes, drawing through real
// GDI, its stored record on real files of drive D:, the DIBs it refuses, and
// ImageMagick's reading of the BMP image it stores.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "DIBitmap.h"
#include "DisplayDib.h"
#include "riff_builder.h"
#include "test_files.h"

namespace {

using riff::Le16;
using riff::Le32;

// The members, for the checks only.
class ExposedDIBitmap : public CDIBitmap {
public:
    const BITMAPFILEHEADER& FileHeader() const { return m_bmfHeader; }
    HGLOBAL Block() const { return m_hDIB; }
    const BITMAPINFOHEADER* Header() const { return m_lpbi; }
    DWORD Size() const { return m_dwDIBSize; }
    const BYTE* Table() const { return reinterpret_cast<const BYTE*>(m_lpbi) + sizeof(BITMAPINFOHEADER); }
    std::string Held() const {
        return m_lpbi != nullptr ? std::string(reinterpret_cast<const char*>(m_lpbi), m_dwDIBSize) : std::string();
    }
};

BITMAPINFOHEADER Header(WORD bitCount, LONG width, LONG height, DWORD clrUsed, DWORD sizeImage) {
    BITMAPINFOHEADER h = {};
    h.biSize = sizeof h;
    h.biWidth = width;
    h.biHeight = height;
    h.biPlanes = 1;
    h.biBitCount = bitCount;
    h.biSizeImage = sizeImage;
    h.biClrUsed = clrUsed;
    return h;
}

std::string Bytes(const void* p, size_t n) {
    return std::string(static_cast<const char*>(p), n);
}

std::string PackedDib(const BITMAPINFOHEADER& h, const std::vector<RGBQUAD>& table, const std::string& pixels) {
    std::string s = Bytes(&h, sizeof h);
    for (const RGBQUAD& q : table) s += Bytes(&q, sizeof q);
    return s + pixels;
}

std::vector<RGBQUAD> Table(size_t n) {
    std::vector<RGBQUAD> table(n);
    for (size_t i = 0; i < n; ++i)
        table[i] = {static_cast<BYTE>(i), static_cast<BYTE>(255 - i % 256), static_cast<BYTE>(i / 2), 0};
    return table;
}

COLORREF ColorOf(const RGBQUAD& q) {
    return RGB(q.rgbRed, q.rgbGreen, q.rgbBlue);
}

// A movable block holding bytes, size bytes long (at least the bytes).
HGLOBAL Block(const std::string& bytes, SIZE_T size = 0) {
    HGLOBAL h = ::GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size > bytes.size() ? size : bytes.size());
    void* p = ::GlobalLock(h);
    std::memcpy(p, bytes.data(), bytes.size());
    ::GlobalUnlock(h);
    return h;
}

bool IsFreed(HGLOBAL h) {
    return ::GlobalFlags(h) == GMEM_INVALID_HANDLE;
}

// An 8-bit 3 x 2 DIB of 256 colours stated by biClrUsed 0: the bottom row
// holds indexes 1, 2, 3 and the top row 4, 5, 6, each row padded to 4 bytes.
std::string EightBitDib() {
    const std::string pixels = {1, 2, 3, 0, 4, 5, 6, 0};
    return PackedDib(Header(8, 3, 2, 0, 8), Table(256), pixels);
}

const COLORREF kRed = RGB(255, 0, 0), kGreen = RGB(0, 255, 0), kBlue = RGB(0, 0, 255), kWhite = RGB(255, 255, 255);
const COLORREF kGrey = RGB(0x55, 0x55, 0x55);

// A 24-bit 2 x 2 DIB: red and green at the bottom, blue and white on top.
std::string TrueColourDib() {
    const std::string pixels = {0, 0, '\xFF', 0, '\xFF', 0, 0, 0, '\xFF', 0, 0, '\xFF', '\xFF', '\xFF', 0, 0};
    return PackedDib(Header(24, 2, 2, 0, 16), {}, pixels);
}

// A DIB of bit fields: the header, the red, green and blue masks, the table, the
// pixels.
std::string BitFieldDib(WORD bitCount, LONG width, LONG height, DWORD clrUsed, DWORD sizeImage,
                        const std::string& masks, const std::vector<RGBQUAD>& table, const std::string& pixels) {
    BITMAPINFOHEADER h = Header(bitCount, width, height, clrUsed, sizeImage);
    h.biCompression = BI_BITFIELDS;
    std::string s = Bytes(&h, sizeof h) + masks;
    for (const RGBQUAD& q : table) s += Bytes(&q, sizeof q);
    return s + pixels;
}

const std::string kMasks565 = Le32(0xF800) + Le32(0x07E0) + Le32(0x001F);
const std::string kMasksBgr = Le32(0x000000FF) + Le32(0x0000FF00) + Le32(0x00FF0000);

// TrueColourDib's picture at 16 bits, 5-6-5: red and green at the bottom, blue
// and white on top, two bytes a pixel, rows of 4 bytes.
const std::string kPixels565 = {0, '\xF8', '\xE0', 0x07, 0x1F, 0, '\xFF', '\xFF'};
// The same at 32 bits with red in the low byte and blue in the third.
const std::string kPixelsBgr = {'\xFF', 0, 0, 0, 0, '\xFF', 0, 0, 0, 0, '\xFF', 0, '\xFF', '\xFF', '\xFF', 0};

// A memory context drawing into a top-down 32-bit DIB section, filled with one colour.
class Canvas {
public:
    Canvas(int width, int height, COLORREF fill) : m_width(width) {
        BITMAPINFO bi = {};
        bi.bmiHeader = Header(32, width, -height, 0, 0);
        m_hBitmap = ::CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, reinterpret_cast<void**>(&m_pBits), nullptr, 0);
        m_dc.m_hDC = ::CreateCompatibleDC(nullptr);
        m_hOld = ::SelectObject(m_dc.m_hDC, m_hBitmap);
        const DWORD pixel = GetRValue(fill) << 16 | GetGValue(fill) << 8 | GetBValue(fill);
        for (int i = 0; i < width * height; ++i) m_pBits[i] = pixel;
    }
    ~Canvas() {
        ::SelectObject(m_dc.m_hDC, m_hOld);
        ::DeleteDC(m_dc.m_hDC);
        ::DeleteObject(m_hBitmap);
    }
    CDC* DC() { return &m_dc; }
    COLORREF Pixel(int x, int y) const {
        ::GdiFlush();
        const DWORD p = m_pBits[y * m_width + x];
        return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
    }

private:
    int m_width;
    DWORD* m_pBits = nullptr;
    HBITMAP m_hBitmap;
    HGDIOBJ m_hOld;
    CDC m_dc;
};

std::string ReadAll(const std::string& path) {
    CFile file;
    if (!file.Open(path.c_str(), CFile::modeRead)) return "(cannot open " + path + ")";
    std::string bytes(static_cast<size_t>(file.GetLength()), '\0');
    if (!bytes.empty()) bytes.resize(file.Read(&bytes[0], static_cast<UINT>(bytes.size())));
    return bytes;
}

// The record that Serialize stores, through an archive on a real file.
std::string StoredRecord(CDIBitmap& bitmap, const std::string& path) {
    {
        CFile file;
        if (!file.Open(path.c_str(), CFile::modeCreate | CFile::modeWrite)) return "(cannot create " + path + ")";
        CArchive ar(&file, CArchive::store);
        bitmap.Serialize(ar);
    }
    return ReadAll(path);
}

// Loads bitmap from a record file; the rest of the file follows as a DWORD.
DWORD LoadRecord(CDIBitmap& bitmap, const std::string& path, ULONGLONG* pEnd = nullptr) {
    CFile file;
    if (!file.Open(path.c_str(), CFile::modeRead)) {
        ADD_FAILURE() << "cannot open " << path;
        return 0;
    }
    CArchive ar(&file, CArchive::load);
    bitmap.Serialize(ar);
    if (pEnd != nullptr) *pEnd = file.GetPosition();
    DWORD dwAfter = 0;
    ar >> dwAfter;
    return dwAfter;
}

void ExpectEmpty(const ExposedDIBitmap& bitmap) {
    EXPECT_EQ(bitmap.Block(), nullptr);
    EXPECT_EQ(bitmap.Header(), nullptr);
    EXPECT_EQ(bitmap.Size(), 0u);
    EXPECT_EQ(bitmap.GetBits(), nullptr);
    EXPECT_EQ(bitmap.GetDimensions().cx, 0);
    EXPECT_EQ(bitmap.GetDimensions().cy, 0);
    EXPECT_EQ(bitmap.GetColorCount(), 0);
    std::unique_ptr<CPalette> pPalette(bitmap.CreateDIBPalette());
    EXPECT_EQ(pPalette, nullptr);
}

TEST(CDIBitmapTest, IsASerialClassThatStartsEmpty) {
    CRuntimeClass* pClass = CRuntimeClass::FromName("CDIBitmap");
    ASSERT_EQ(pClass, RUNTIME_CLASS(CDIBitmap));
    EXPECT_EQ(pClass->m_wSchema, 1u);
    EXPECT_EQ(pClass->m_pBaseClass, RUNTIME_CLASS(CObject));
    std::unique_ptr<CObject> pObject(pClass->CreateObject());
    ASSERT_NE(pObject, nullptr);
    EXPECT_EQ(pObject->GetRuntimeClass(), RUNTIME_CLASS(CDIBitmap));

    ExposedDIBitmap bitmap;
    ExpectEmpty(bitmap);
    EXPECT_EQ(bitmap.FileHeader().bfType, 0x4D42);
    EXPECT_EQ(bitmap.FileHeader().bfSize, 0u);
    EXPECT_EQ(bitmap.FileHeader().bfReserved1, 0);
    EXPECT_EQ(bitmap.FileHeader().bfReserved2, 0);
    EXPECT_EQ(bitmap.FileHeader().bfOffBits, 0u);
    EXPECT_FALSE(bitmap.PrepareFileHeader());
    EXPECT_EQ(bitmap.FileHeader().bfSize, 0u);

    harness::TestDirectory dir;
    CFile file;
    ASSERT_TRUE(file.Open((dir / "empty.bin").c_str(), CFile::modeCreate | CFile::modeWrite));
    EXPECT_FALSE(bitmap.WriteDIB(&file));
    EXPECT_EQ(file.GetLength(), 0u);

    Canvas canvas(4, 4, kGrey);
    EXPECT_EQ(bitmap.Draw(canvas.DC(), 0, 0, 0, 0, 4, 4, SRCCOPY, nullptr), 0);
    EXPECT_EQ(canvas.Pixel(0, 3), kGrey);
}

TEST(CDIBitmapTest, EightBitsWithoutClrUsedHold256Colours) {
    const std::string dib = EightBitDib();
    ExposedDIBitmap bitmap;
    HGLOBAL h = Block(dib);
    ASSERT_EQ(bitmap.SetDIB(h), h);
    EXPECT_EQ(bitmap.Block(), h);
    EXPECT_EQ(::GlobalFlags(h) & GMEM_LOCKCOUNT, 1u) << "held locked";
    EXPECT_EQ(bitmap.GetColorCount(), 256);
    EXPECT_EQ(bitmap.GetPaletteSize(), 1024);
    EXPECT_EQ(bitmap.GetBits() - reinterpret_cast<const BYTE*>(bitmap.Header()), 1064);
    EXPECT_EQ(bitmap.Size(), 8u + 1064u);
    EXPECT_EQ(bitmap.GetDimensions().cx, 3);
    EXPECT_EQ(bitmap.GetDimensions().cy, 2);
    EXPECT_EQ(bitmap.SetDIB(h), h) << "the block held already";
    EXPECT_EQ(bitmap.Held(), dib);

    harness::TestDirectory dir;
    const std::string record = StoredRecord(bitmap, dir / "eight.rec");
    EXPECT_EQ(record, Le32(1072) + "BM" + Le32(1086) + Le16(0) + Le16(0) + Le32(1078) + dib);
    EXPECT_EQ(bitmap.FileHeader().bfOffBits, 1078u);
    EXPECT_EQ(bitmap.FileHeader().bfSize, 1086u);

    std::unique_ptr<CPalette> pPalette(bitmap.CreateDIBPalette());
    ASSERT_NE(pPalette, nullptr);
    ASSERT_NE(pPalette->m_hObject, nullptr);
    PALETTEENTRY entries[257] = {};
    ASSERT_EQ(::GetPaletteEntries(*pPalette, 0, 257, entries), 256u);
    for (int i : {0, 5, 200, 255}) {
        EXPECT_EQ(RGB(entries[i].peRed, entries[i].peGreen, entries[i].peBlue), ColorOf(Table(256)[i])) << i;
        EXPECT_EQ(entries[i].peFlags, 0) << i;
    }

    Canvas canvas(3, 2, kGrey);
    EXPECT_GT(bitmap.Draw(canvas.DC(), 0, 0, 0, 0, 3, 2, SRCCOPY, nullptr), 0);
    EXPECT_EQ(canvas.Pixel(0, 1), ColorOf(Table(256)[1])) << "bottom row, first pixel";
    EXPECT_EQ(canvas.Pixel(2, 1), ColorOf(Table(256)[3]));
    EXPECT_EQ(canvas.Pixel(1, 0), ColorOf(Table(256)[5])) << "top row";
    EXPECT_EQ(::GetCurrentObject(canvas.DC()->m_hDC, OBJ_PAL), ::GetStockObject(DEFAULT_PALETTE))
        << "the palette made for drawing is selected out again";
}

TEST(CDIBitmapTest, TwentyFourBitsHaveNoColourTable) {
    const std::string dib = TrueColourDib();
    ExposedDIBitmap bitmap;
    HGLOBAL h = Block(dib);
    ASSERT_EQ(bitmap.SetDIB(h), h);
    EXPECT_EQ(bitmap.GetColorCount(), 0);
    EXPECT_EQ(bitmap.GetPaletteSize(), 0);
    EXPECT_EQ(bitmap.GetBits() - reinterpret_cast<const BYTE*>(bitmap.Header()), 40);
    EXPECT_EQ(bitmap.Size(), 56u);

    std::unique_ptr<CPalette> pPalette(bitmap.CreateDIBPalette());
    ASSERT_NE(pPalette, nullptr) << "a palette object of no entries";
    if (pPalette->m_hObject != nullptr) {
        WORD nEntries = 0xFFFF;
        EXPECT_EQ(::GetObjectA(pPalette->m_hObject, sizeof nEntries, &nEntries), static_cast<int>(sizeof nEntries));
        EXPECT_EQ(nEntries, 0);
    }

    harness::TestDirectory dir;
    const std::string record = StoredRecord(bitmap, dir / "true.rec");
    EXPECT_EQ(record, Le32(56) + "BM" + Le32(70) + Le16(0) + Le16(0) + Le32(54) + dib);
}

TEST(CDIBitmapTest, ClrUsed300GivesNoPaletteButDraws) {
    std::vector<RGBQUAD> table = Table(300);
    table[0] = {0, 0, 255, 0};
    table[255] = {255, 0, 0, 0};
    const std::string pixels = {0, '\xFF', 0, 0, '\xFF', 0, 0, 0};
    const std::string dib = PackedDib(Header(8, 2, 2, 300, 8), table, pixels);
    ExposedDIBitmap bitmap;
    ASSERT_NE(bitmap.SetDIB(Block(dib)), nullptr);
    EXPECT_EQ(bitmap.GetColorCount(), 300);
    EXPECT_EQ(bitmap.GetPaletteSize(), 1200);
    EXPECT_EQ(bitmap.Size(), 40u + 1200u + 8u);
    EXPECT_EQ(bitmap.GetBits() - reinterpret_cast<const BYTE*>(bitmap.Header()), 1240);
    std::unique_ptr<CPalette> pPalette(bitmap.CreateDIBPalette());
    EXPECT_EQ(pPalette, nullptr);

    Canvas canvas(2, 2, kGrey);
    EXPECT_GT(bitmap.Draw(canvas.DC(), 0, 0, 0, 0, 2, 2, SRCCOPY, nullptr), 0);
    EXPECT_EQ(canvas.Pixel(0, 1), kRed);
    EXPECT_EQ(canvas.Pixel(1, 1), kBlue);
    EXPECT_EQ(canvas.Pixel(0, 0), kBlue);
    EXPECT_EQ(canvas.Pixel(1, 0), kRed);

    harness::TestDirectory dir;
    const std::string record = StoredRecord(bitmap, dir / "many.rec");
    EXPECT_EQ(record.substr(0, 18), Le32(1248) + "BM" + Le32(1262) + Le16(0) + Le16(0) + Le32(1254));
}

TEST(CDIBitmapTest, AnEmptyObjectStoresAZeroSizeOnly) {
    harness::TestDirectory dir;
    CDIBitmap empty;
    EXPECT_EQ(StoredRecord(empty, dir / "empty.rec"), std::string(4, '\0'));

    dir.WriteFile("zero.rec", Le32(0) + Le32(0xCAFEF00D));
    std::unique_ptr<CObject> pObject(RUNTIME_CLASS(CDIBitmap)->CreateObject());
    auto* pCreated = static_cast<CDIBitmap*>(pObject.get());
    EXPECT_EQ(LoadRecord(*pCreated, dir / "zero.rec"), 0xCAFEF00Du) << "nothing read after the size";
    EXPECT_EQ(pCreated->GetBits(), nullptr);

    // Loading replaces what was held, also with nothing.
    ExposedDIBitmap held;
    HGLOBAL h = Block(TrueColourDib());
    ASSERT_EQ(held.SetDIB(h), h);
    EXPECT_EQ(LoadRecord(held, dir / "zero.rec"), 0xCAFEF00Du);
    ExpectEmpty(held);
    EXPECT_TRUE(IsFreed(h));
}

TEST(CDIBitmapTest, DrawsAtItsOwnScaleAnchoredBottomLeft) {
    ExposedDIBitmap bitmap;
    ASSERT_NE(bitmap.SetDIB(Block(TrueColourDib())), nullptr);
    Canvas canvas(8, 6, kGrey);
    EXPECT_GT(bitmap.Draw(canvas.DC(), 1, 1, 0, 0, 5, 4, SRCCOPY, nullptr), 0);
    // The destination's rows are 1 to 4: the DIB's bottom row lands on row 4.
    for (int y = 0; y < 6; ++y) {
        for (int x = 0; x < 8; ++x) {
            COLORREF expected = kGrey;
            if (y == 4 && x == 1) expected = kRed;
            if (y == 4 && x == 2) expected = kGreen;
            if (y == 3 && x == 1) expected = kBlue;
            if (y == 3 && x == 2) expected = kWhite;
            EXPECT_EQ(canvas.Pixel(x, y), expected) << "at " << x << "," << y;
        }
    }

    // Source coordinates count from the lower-left pixel.
    Canvas one(1, 1, kGrey);
    EXPECT_GT(bitmap.Draw(one.DC(), 0, 0, 1, 0, 1, 1, SRCCOPY, nullptr), 0);
    EXPECT_EQ(one.Pixel(0, 0), kGreen);
}

TEST(CDIBitmapTest, DrawSelectsAGivenPaletteOnlyMeanwhile) {
    ExposedDIBitmap bitmap;
    ASSERT_NE(bitmap.SetDIB(Block(EightBitDib())), nullptr);
    std::unique_ptr<CPalette> pPalette(bitmap.CreateDIBPalette());
    ASSERT_NE(pPalette, nullptr);
    Canvas canvas(3, 2, kGrey);
    EXPECT_GT(bitmap.Draw(canvas.DC(), 0, 0, 0, 0, 3, 2, SRCCOPY, pPalette.get()), 0);
    EXPECT_EQ(canvas.Pixel(0, 1), ColorOf(Table(256)[1]));
    EXPECT_EQ(::GetCurrentObject(canvas.DC()->m_hDC, OBJ_PAL), ::GetStockObject(DEFAULT_PALETTE));
    EXPECT_EQ(::GetObjectType(pPalette->m_hObject), static_cast<DWORD>(OBJ_PAL)) << "the caller's palette stays";
}

TEST(CDIBitmapTest, LoadsACoreHeaderRecordAsAFortyByteHeader) {
    // A 4-bit 3 x 2 DIB with a 12-byte header and 16 three-byte entries.
    std::string core = Le32(12) + Le16(3) + Le16(2) + Le16(1) + Le16(4);
    for (int i = 0; i < 16; ++i) core += std::string{static_cast<char>(i), static_cast<char>(2 * i), 'r'};
    const std::string pixelBytes("\x12\x30\0\0\x45\x60\0\0", 8);
    core += pixelBytes;
    harness::TestDirectory dir;
    dir.WriteFile("core.rec", Le32(12 + 48 + 8) + "BM" + Le32(14 + 68) + Le16(7) + Le16(9) + Le32(14 + 12 + 48) + core);

    ExposedDIBitmap bitmap;
    ULONGLONG nEnd = 0;
    LoadRecord(bitmap, dir / "core.rec", &nEnd);
    ASSERT_NE(bitmap.Header(), nullptr);
    const BITMAPINFOHEADER& h = *bitmap.Header();
    EXPECT_EQ(h.biSize, 40u);
    EXPECT_EQ(h.biWidth, 3);
    EXPECT_EQ(h.biHeight, 2);
    EXPECT_EQ(h.biPlanes, 1);
    EXPECT_EQ(h.biBitCount, 4);
    EXPECT_EQ(h.biCompression, 0u);
    EXPECT_EQ(h.biSizeImage, 8u) << "computed from the dimensions";
    EXPECT_EQ(h.biXPelsPerMeter, 0);
    EXPECT_EQ(h.biClrUsed, 16u);
    EXPECT_EQ(h.biClrImportant, 16u);
    EXPECT_EQ(bitmap.Size(), 40u + 64u + 8u);
    for (int i = 0; i < 16; ++i) {
        const BYTE* entry = bitmap.Table() + 4 * i;
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(entry), 4),
                  (std::string{static_cast<char>(i), static_cast<char>(2 * i), 'r', '\0'}))
            << "entry " << i;
    }
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(bitmap.GetBits()), 8), pixelBytes);
    EXPECT_EQ(bitmap.FileHeader().bfReserved1, 7) << "the file header as read";
    EXPECT_EQ(bitmap.FileHeader().bfReserved2, 9);
    EXPECT_EQ(nEnd, 4u + 14u + 112u) << "the end follows the widened size";
}

TEST(CDIBitmapTest, RoundTripsThroughTheObjectOperators) {
    // 8 bits, 4 colours stated, 5 x 3: rows of 8 bytes.
    std::vector<RGBQUAD> table = {{0, 0, 255, 0}, {0, 255, 0, 0}, {255, 0, 0, 0}, {255, 255, 255, 0}};
    std::string pixels;
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 5; ++x) pixels += static_cast<char>((x + y) % 4);
        pixels += std::string(3, '\0');
    }
    const std::string dib = PackedDib(Header(8, 5, 3, 4, 24), table, pixels);
    harness::TestDirectory dir;
    const std::string path = dir / "objects.bin";
    {
        CDIBitmap picture, empty;
        ASSERT_NE(picture.SetDIB(Block(dib)), nullptr);
        CFile file;
        ASSERT_TRUE(file.Open(path.c_str(), CFile::modeCreate | CFile::modeWrite));
        CArchive ar(&file, CArchive::store);
        ar << &picture << &empty << static_cast<DWORD>(0x0D15EA5E);
    }
    const std::string record = Le32(40 + 16 + 24) + "BM" + Le32(94) + Le16(0) + Le16(0) + Le32(70) + dib;
    EXPECT_EQ(ReadAll(path), std::string("\xFF\xFF\x01\x00\x09\x00", 6) + "CDIBitmap" + record +
                                 std::string("\x01\x80", 2) + Le32(0) + Le32(0x0D15EA5E));

    CFile file;
    ASSERT_TRUE(file.Open(path.c_str(), CFile::modeRead));
    CArchive ar(&file, CArchive::load);
    CDIBitmap* pPicture = nullptr;
    CDIBitmap* pEmpty = nullptr;
    DWORD dwAfter = 0;
    ar >> pPicture >> pEmpty >> dwAfter;
    std::unique_ptr<CDIBitmap> picture(pPicture), empty(pEmpty);
    ASSERT_NE(pPicture, nullptr);
    ASSERT_NE(pEmpty, nullptr);
    EXPECT_EQ(dwAfter, 0x0D15EA5Eu) << "the archive goes on after both records";
    EXPECT_EQ(pPicture->GetDimensions().cx, 5);
    EXPECT_EQ(pPicture->GetColorCount(), 4);
    EXPECT_EQ(pEmpty->GetBits(), nullptr);
    EXPECT_EQ(StoredRecord(*pPicture, dir / "again.rec"), record) << "stored again, byte for byte";
}

TEST(CDIBitmapTest, SetDIBRefusesAndFreesBlocksItCannotDrawSafely) {
    struct Case {
        const char* what;
        std::string bytes;
        SIZE_T blockSize;
    };
    BITMAPINFOHEADER negative = Header(24, 2, -2, 0, 16);
    BITMAPINFOHEADER narrow = Header(24, -2, 2, 0, 16);
    BITMAPINFOHEADER fields = Header(32, 1, 1, 0, 4);
    fields.biCompression = BI_BITFIELDS;
    BITMAPINFOHEADER rle = Header(24, 2, 2, 0, 16);
    rle.biCompression = BI_RLE8;
    BITMAPINFOHEADER core = Header(24, 2, 2, 0, 16);
    core.biSize = 12;
    const std::vector<Case> cases = {
        {"a block too small for its header", EightBitDib().substr(0, 20), 0},
        {"a table beyond the block", PackedDib(Header(8, 3, 2, 0, 8), Table(4), std::string(8, '\1')), 0},
        {"biSizeImage beyond the block", PackedDib(Header(24, 2, 2, 0, 64), {}, std::string(16, '\1')), 0},
        {"pixels short of the rows", PackedDib(Header(24, 2, 2, 0, 8), {}, std::string(16, '\1')), 0},
        {"a negative height", PackedDib(negative, {}, std::string(16, '\1')), 0},
        {"a negative width", PackedDib(narrow, {}, std::string(16, '\1')), 0},
        {"a core header", PackedDib(core, {}, std::string(16, '\1')), 0},
        {"bit fields", PackedDib(fields, {}, std::string(16, '\1')), 0},
        {"RLE8 at 24 bits", PackedDib(rle, {}, std::string(16, '\1')), 0},
        {"2 bits", PackedDib(Header(2, 2, 2, 4, 8), Table(4), std::string(8, '\1')), 0},
        {"16384 colours", PackedDib(Header(8, 1, 1, 16384, 4), Table(16384), std::string(4, '\1')), 0},
        {"huge dimensions", PackedDib(Header(32, 0x7FFFFFFF, 0x7FFFFFFF, 0, 0xFFFFFFFF), {}, ""), 64},
        {"no block", "", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ExposedDIBitmap bitmap;
        HGLOBAL hHeld = Block(TrueColourDib());
        ASSERT_EQ(bitmap.SetDIB(hHeld), hHeld);
        HGLOBAL h = c.bytes.empty() ? nullptr : Block(c.bytes, c.blockSize);
        EXPECT_EQ(bitmap.SetDIB(h), nullptr);
        ExpectEmpty(bitmap);
        EXPECT_TRUE(IsFreed(hHeld)) << "the block held before is released";
        EXPECT_TRUE(h == nullptr || IsFreed(h)) << "the refused block is freed";
        Canvas canvas(2, 2, kGrey);
        EXPECT_EQ(bitmap.Draw(canvas.DC(), 0, 0, 0, 0, 2, 2, SRCCOPY, nullptr), 0);
    }

    // The limits themselves are held; a larger block keeps the DIB's own size.
    ExposedDIBitmap bitmap;
    ASSERT_NE(bitmap.SetDIB(Block(PackedDib(Header(8, 1, 1, 16383, 4), Table(16383), std::string(4, '\1')))), nullptr);
    EXPECT_EQ(bitmap.GetPaletteSize(), 65532);
    EXPECT_EQ(bitmap.Size(), 40u + 65532u + 4u);
    ASSERT_NE(bitmap.SetDIB(Block(TrueColourDib(), 4096)), nullptr);
    EXPECT_EQ(bitmap.Size(), 56u);
}

TEST(CDIBitmapTest, ReadDIBRefusesWhatTheFileCannotSupply) {
    struct Case {
        const char* what;
        std::string bytes;
    };
    const std::string pixels(16, '\1');
    const std::vector<Case> cases = {
        {"fewer than 40 bytes", TrueColourDib().substr(0, 39)},
        {"biSizeImage beyond the file", PackedDib(Header(24, 2, 2, 0, 1000), {}, pixels)},
        {"biSizeImage of 4 GB", PackedDib(Header(24, 2, 2, 0, 0xFFFFFFF0), {}, pixels)},
        {"colours beyond the file", PackedDib(Header(8, 3, 2, 0, 8), Table(16), pixels)},
        {"a stated count beyond the file", PackedDib(Header(8, 3, 2, 200, 8), Table(16), pixels)},
        {"a negative height to compute", PackedDib(Header(24, 2, -2, 0, 0), {}, pixels)},
        {"a negative height stated", PackedDib(Header(24, 2, -2, 0, 16), {}, pixels)},
        {"an overflowing size", PackedDib(Header(32, 0x7FFFFFFF, 0x7FFFFFFF, 0, 0), {}, pixels)},
        {"a size beyond 32 bits", PackedDib(Header(32, 65536, 65536, 0, 0), {}, pixels)},
        {"pixels short of the rows", PackedDib(Header(24, 2, 2, 0, 8), {}, pixels)},
    };
    harness::TestDirectory dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        dir.WriteFile("dib.bin", c.bytes);
        CFile file;
        ASSERT_TRUE(file.Open((dir / "dib.bin").c_str(), CFile::modeRead));
        ExposedDIBitmap bitmap;
        HGLOBAL hHeld = Block(TrueColourDib());
        ASSERT_EQ(bitmap.SetDIB(hHeld), hHeld);
        EXPECT_FALSE(bitmap.ReadDIB(&file));
        ExpectEmpty(bitmap);
        EXPECT_TRUE(IsFreed(hHeld)) << "the block held before is released";
    }

    // A size of 0 is computed; compressed data is guessed at one and a half times.
    BITMAPINFOHEADER rle = Header(8, 4, 2, 2, 0);
    rle.biCompression = BI_RLE8;
    const std::string rleData("\x04\x01\x00\x00\x04\x00\x00\x00\x00\x01\x00\x00", 12);
    dir.WriteFile("rle.bin", PackedDib(rle, Table(2), rleData));
    CFile file;
    ASSERT_TRUE(file.Open((dir / "rle.bin").c_str(), CFile::modeRead));
    ExposedDIBitmap bitmap;
    ASSERT_TRUE(bitmap.ReadDIB(&file));
    EXPECT_EQ(bitmap.Header()->biSizeImage, 12u);
    EXPECT_EQ(bitmap.Size(), 40u + 8u + 12u);
    EXPECT_EQ(file.GetPosition(), file.GetLength());
}

TEST(CDIBitmapTest, LoadingAnUnusableRecordSkipsItAsItsSizeStates) {
    const std::string dib = PackedDib(Header(24, 2, -2, 0, 16), {}, std::string(16, '\1'));
    harness::TestDirectory dir;
    dir.WriteFile("bad.rec", Le32(56) + "BM" + Le32(70) + Le32(0) + Le32(54) + dib + Le32(0xFEEDBEEF));
    ExposedDIBitmap bitmap;
    EXPECT_EQ(LoadRecord(bitmap, dir / "bad.rec"), 0xFEEDBEEFu);
    ExpectEmpty(bitmap);

    dir.WriteFile("short.rec", Le32(56) + "BM" + Le32(70));
    EXPECT_EQ(LoadRecord(bitmap, dir / "short.rec"), 0u);
    ExpectEmpty(bitmap);
}

// Draws bitmap onto a 2 x 2 canvas: TrueColourDib's picture, as every form of it
// must show.
void ExpectTrueColourPicture(const CDIBitmap& bitmap) {
    Canvas canvas(2, 2, kGrey);
    EXPECT_GT(bitmap.Draw(canvas.DC(), 0, 0, 0, 0, 2, 2, SRCCOPY, nullptr), 0);
    EXPECT_EQ(canvas.Pixel(0, 1), kRed) << "bottom left";
    EXPECT_EQ(canvas.Pixel(1, 1), kGreen);
    EXPECT_EQ(canvas.Pixel(0, 0), kBlue) << "top left";
    EXPECT_EQ(canvas.Pixel(1, 0), kWhite);
}

TEST(CDIBitmapTest, BitFieldsHoldTheirMasksBeforeThePixels) {
    struct Case {
        const char* what;
        std::string dib;
    };
    const std::vector<Case> cases = {
        {"16 bits, 5-6-5", BitFieldDib(16, 2, 2, 0, 8, kMasks565, {}, kPixels565)},
        {"32 bits, red low", BitFieldDib(32, 2, 2, 0, 16, kMasksBgr, {}, kPixelsBgr)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ExposedDIBitmap bitmap;
        HGLOBAL h = Block(c.dib);
        ASSERT_EQ(bitmap.SetDIB(h), h);
        EXPECT_EQ(bitmap.GetColorCount(), 0);
        EXPECT_EQ(bitmap.GetPaletteSize(), 0);
        EXPECT_EQ(bitmap.GetBits() - reinterpret_cast<const BYTE*>(bitmap.Header()), 52) << "after the 12 mask bytes";
        EXPECT_EQ(bitmap.Size(), c.dib.size());
        EXPECT_EQ(bitmap.GetDimensions().cx, 2);
        EXPECT_EQ(bitmap.GetDimensions().cy, 2);
        std::unique_ptr<CPalette> pPalette(bitmap.CreateDIBPalette());
        ASSERT_NE(pPalette, nullptr) << "a palette object of no entries, as for 24 bits";
        if (pPalette->m_hObject != nullptr) {
            WORD nEntries = 0xFFFF;
            EXPECT_EQ(::GetObjectA(pPalette->m_hObject, sizeof nEntries, &nEntries), static_cast<int>(sizeof nEntries));
            EXPECT_EQ(nEntries, 0);
        }
        ExpectTrueColourPicture(bitmap);

        harness::TestDirectory dir;
        const DWORD size = static_cast<DWORD>(c.dib.size());
        EXPECT_EQ(StoredRecord(bitmap, dir / "fields.rec"),
                  Le32(size) + "BM" + Le32(14 + size) + Le16(0) + Le16(0) + Le32(14 + 40 + 12) + c.dib)
            << "the pixels start after the masks";
    }
}

TEST(CDIBitmapTest, ATableAfterBitFieldMasksMakesThePalette) {
    std::vector<RGBQUAD> table = {{0x10, 0x20, 0x30, 0}, {0x40, 0x50, 0x60, 0}};
    const std::string dib = BitFieldDib(16, 2, 2, 2, 8, kMasks565, table, kPixels565);
    ExposedDIBitmap bitmap;
    ASSERT_NE(bitmap.SetDIB(Block(dib)), nullptr);
    EXPECT_EQ(bitmap.GetColorCount(), 2);
    EXPECT_EQ(bitmap.GetBits() - reinterpret_cast<const BYTE*>(bitmap.Header()), 40 + 12 + 8);
    EXPECT_EQ(bitmap.Size(), 40u + 12u + 8u + 8u);
    std::unique_ptr<CPalette> pPalette(bitmap.CreateDIBPalette());
    ASSERT_NE(pPalette, nullptr);
    PALETTEENTRY entries[3] = {};
    ASSERT_EQ(::GetPaletteEntries(*pPalette, 0, 3, entries), 2u);
    EXPECT_EQ(RGB(entries[0].peRed, entries[0].peGreen, entries[0].peBlue), ColorOf(table[0])) << "not a mask";
    EXPECT_EQ(RGB(entries[1].peRed, entries[1].peGreen, entries[1].peBlue), ColorOf(table[1]));
    ExpectTrueColourPicture(bitmap);

    harness::TestDirectory dir;
    EXPECT_EQ(StoredRecord(bitmap, dir / "table.rec").substr(0, 18),
              Le32(68) + "BM" + Le32(82) + Le16(0) + Le16(0) + Le32(14 + 40 + 12 + 8));
}

TEST(CDIBitmapTest, BitFieldRecordsLoadAsStored) {
    const std::string dib = BitFieldDib(16, 2, 2, 0, 8, kMasks565, {}, kPixels565);
    harness::TestDirectory dir;
    std::string record;
    {
        ExposedDIBitmap bitmap;
        ASSERT_NE(bitmap.SetDIB(Block(dib)), nullptr);
        record = StoredRecord(bitmap, dir / "fields.rec");
    }
    dir.WriteFile("fields.rec", record + Le32(0xABCD1234));
    ExposedDIBitmap loaded;
    EXPECT_EQ(LoadRecord(loaded, dir / "fields.rec"), 0xABCD1234u) << "the file goes on after the record";
    EXPECT_EQ(loaded.Held(), dib);
    ExpectTrueColourPicture(loaded);

    // A size of 0 is computed exactly: bit fields are not compressed.
    dir.WriteFile("unsized.bin", BitFieldDib(16, 2, 2, 0, 0, kMasks565, {}, kPixels565));
    CFile file;
    ASSERT_TRUE(file.Open((dir / "unsized.bin").c_str(), CFile::modeRead));
    ASSERT_TRUE(loaded.ReadDIB(&file));
    EXPECT_EQ(loaded.Header()->biSizeImage, 8u);
    EXPECT_EQ(loaded.Size(), 60u);
    EXPECT_EQ(file.GetPosition(), file.GetLength());
    ExpectTrueColourPicture(loaded);
}

TEST(CDIBitmapTest, BitFieldsItCannotDrawAlikeEverywhereAreRefused) {
    struct Case {
        const char* what;
        std::string bytes;
    };
    const std::vector<Case> cases = {
        {"masks beyond the block", BitFieldDib(16, 2, 2, 0, 8, "", {}, kPixels565)},
        {"a zero mask", BitFieldDib(16, 2, 2, 0, 8, Le32(0xF800) + Le32(0) + Le32(0x1F), {}, kPixels565)},
        {"a mask of two runs", BitFieldDib(16, 2, 2, 0, 8, Le32(0xF801) + Le32(0x07E0) + Le32(0x1E), {}, kPixels565)},
        {"overlapping masks", BitFieldDib(16, 2, 2, 0, 8, Le32(0xF800) + Le32(0x0FE0) + Le32(0x1F), {}, kPixels565)},
        {"a mask beyond 16 bits",
         BitFieldDib(16, 2, 2, 0, 8, Le32(0x1F0000) + Le32(0x07E0) + Le32(0x1F), {}, kPixels565)},
        {"24 bits", BitFieldDib(24, 2, 2, 0, 16, kMasksBgr, {}, std::string(16, '\1'))},
        {"8 bits", BitFieldDib(8, 4, 2, 0, 8, kMasksBgr, Table(256), std::string(8, '\1'))},
        {"pixels short of the rows", BitFieldDib(32, 2, 2, 0, 12, kMasksBgr, {}, kPixelsBgr)},
    };
    harness::TestDirectory dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ExposedDIBitmap bitmap;
        HGLOBAL h = Block(c.bytes);
        EXPECT_EQ(bitmap.SetDIB(h), nullptr);
        ExpectEmpty(bitmap);
        EXPECT_TRUE(IsFreed(h));

        dir.WriteFile("fields.bin", c.bytes);
        CFile file;
        ASSERT_TRUE(file.Open((dir / "fields.bin").c_str(), CFile::modeRead));
        EXPECT_FALSE(bitmap.ReadDIB(&file));
        ExpectEmpty(bitmap);
    }
}

// What the picture reader hands the bitmap for a DISP chunk's DIB.
HGLOBAL ReaderBlock(const std::string& dib) {
    const std::string chunk = Le32(8) + dib;
    const auto normalised =
        preview::ConvertDisplayDib(reinterpret_cast<const std::uint8_t*>(chunk.data()), chunk.size());
    if (!normalised) return nullptr;
    HGLOBAL h = ::GlobalAlloc(GMEM_MOVEABLE, normalised->size());
    preview::CopyAsHeld(normalised->data(), normalised->size(), static_cast<std::uint8_t*>(::GlobalLock(h)));
    ::GlobalUnlock(h);
    return h;
}

// TrueColourDib's picture stored top-down: blue and white first.
std::string TopDownTrueColourDib() {
    const std::string pixels = {'\xFF', 0, 0, '\xFF', '\xFF', '\xFF', 0, 0, 0, 0, '\xFF', 0, '\xFF', 0, 0, 0};
    return PackedDib(Header(24, 2, -2, 0, 16), {}, pixels);
}

TEST(CDIBitmapTest, ATopDownPictureIsHeldAsItsBottomUpForm) {
    ExposedDIBitmap bitmap;
    HGLOBAL h = ReaderBlock(TopDownTrueColourDib());
    ASSERT_NE(h, nullptr) << "the reader takes it";
    ASSERT_EQ(bitmap.SetDIB(h), h) << "so the bitmap holds it";
    EXPECT_EQ(bitmap.Held(), TrueColourDib());
    EXPECT_EQ(bitmap.GetDimensions().cy, 2);
    ExpectTrueColourPicture(bitmap);

    // Top-down bit fields likewise.
    const std::string topDownFields =
        BitFieldDib(16, 2, -2, 0, 8, kMasks565, {}, kPixels565.substr(4) + kPixels565.substr(0, 4));
    ASSERT_NE(bitmap.SetDIB(ReaderBlock(topDownFields)), nullptr);
    EXPECT_EQ(bitmap.Held(), BitFieldDib(16, 2, 2, 0, 8, kMasks565, {}, kPixels565));
    ExpectTrueColourPicture(bitmap);
}

// ---------------------------------------------------------------- ImageMagick

struct Decoded {
    int width = 0;
    int height = 0;
    std::vector<COLORREF> pixels;  // top row first
    std::string output;
};

// ImageMagick's reading of a BMP file in dir: a native program, run by the shell.
Decoded DecodeWithImageMagick(const harness::TestDirectory& dir, const std::string& name) {
    Decoded decoded;
    decoded.output = dir.RunUnix("/usr/bin/convert " + name + " -depth 8 txt:-");

    std::istringstream lines(decoded.output);
    std::string line;
    while (std::getline(lines, line)) {
        int x = 0, y = 0, r = 0, g = 0, b = 0;
        if (std::sscanf(line.c_str(), "# ImageMagick pixel enumeration: %d,%d,", &decoded.width, &decoded.height) ==
            2) {
            decoded.pixels.assign(static_cast<size_t>(decoded.width) * decoded.height, CLR_INVALID);
        } else if (std::sscanf(line.c_str(), "%d,%d: (%d,%d,%d", &x, &y, &r, &g, &b) == 5 && x >= 0 && y >= 0 &&
                   x < decoded.width && y < decoded.height) {
            decoded.pixels[static_cast<size_t>(y) * decoded.width + x] = RGB(r, g, b);
        }
    }
    return decoded;
}

// Stores bitmap, writes the record's BMP image (from its fifth byte) to a file,
// and has ImageMagick read it.
Decoded DecodeStoredImage(CDIBitmap& bitmap, const harness::TestDirectory& dir) {
    const std::string record = StoredRecord(bitmap, dir / "picture.rec");
    dir.WriteFile("picture.bmp", record.size() > 4 ? record.substr(4) : "");
    return DecodeWithImageMagick(dir, "picture.bmp");
}

TEST(CDIBitmapImageMagickTest, ReadsTheStoredPalettedImage) {
    // 3 x 2 at 4 bits, 16 colours: rows padded to 4 bytes.
    std::vector<RGBQUAD> table = Table(16);
    table[1] = {0, 0, 255, 0};
    table[2] = {0, 255, 0, 0};
    table[3] = {255, 0, 0, 0};
    table[4] = {255, 255, 255, 0};
    table[5] = {0x10, 0x20, 0x30, 0};
    table[6] = {0, 0, 0, 0};
    const std::string pixels = {'\x12', '\x30', 0, 0, '\x45', '\x60', 0, 0};
    CDIBitmap bitmap;
    ASSERT_NE(bitmap.SetDIB(Block(PackedDib(Header(4, 3, 2, 0, 8), table, pixels))), nullptr);

    harness::TestDirectory dir;
    const Decoded decoded = DecodeStoredImage(bitmap, dir);
    ASSERT_EQ(decoded.width, 3) << decoded.output;
    ASSERT_EQ(decoded.height, 2) << decoded.output;
    EXPECT_NE(decoded.output.find("exit 0"), std::string::npos) << decoded.output;
    // ImageMagick counts rows from the top: the DIB's bottom row is its row 1.
    const std::vector<COLORREF> expected = {
        RGB(0xFF, 0xFF, 0xFF), RGB(0x30, 0x20, 0x10), RGB(0, 0, 0), kRed, kGreen, kBlue};
    EXPECT_EQ(decoded.pixels, expected) << decoded.output;
}

TEST(CDIBitmapImageMagickTest, ReadsTheStoredTrueColourImageBottomUpOrTopDown) {
    // A top-down picture is held, and stored, the right way up.
    for (HGLOBAL hDIB : {Block(TrueColourDib()), ReaderBlock(TopDownTrueColourDib())}) {
        CDIBitmap bitmap;
        ASSERT_NE(bitmap.SetDIB(hDIB), nullptr);
        harness::TestDirectory dir;
        const Decoded decoded = DecodeStoredImage(bitmap, dir);
        ASSERT_EQ(decoded.width, 2) << decoded.output;
        ASSERT_EQ(decoded.height, 2) << decoded.output;
        const std::vector<COLORREF> expected = {kBlue, kWhite, kRed, kGreen};
        EXPECT_EQ(decoded.pixels, expected) << decoded.output;
    }
}

TEST(CDIBitmapImageMagickTest, ReadsTheStoredBitFieldImages) {
    // ImageMagick counts rows from the top: blue and white first.
    const std::vector<COLORREF> expected = {kBlue, kWhite, kRed, kGreen};
    for (const std::string& dib : {BitFieldDib(16, 2, 2, 0, 8, kMasks565, {}, kPixels565),
                                   BitFieldDib(32, 2, 2, 0, 16, kMasksBgr, {}, kPixelsBgr),
                                   BitFieldDib(16, 2, 2, 2, 8, kMasks565, Table(2), kPixels565)}) {
        SCOPED_TRACE(dib.size());
        CDIBitmap bitmap;
        ASSERT_NE(bitmap.SetDIB(Block(dib)), nullptr);
        harness::TestDirectory dir;
        const Decoded decoded = DecodeStoredImage(bitmap, dir);
        EXPECT_NE(decoded.output.find("exit 0"), std::string::npos) << decoded.output;
        ASSERT_EQ(decoded.width, 2) << decoded.output;
        ASSERT_EQ(decoded.height, 2) << decoded.output;
        EXPECT_EQ(decoded.pixels, expected) << decoded.output;
    }
}

}  // namespace
