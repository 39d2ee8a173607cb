// The pictures that the reader takes are the ones the bitmap class holds: bit
// fields with their masks, top-down rows turned over for holding, and any other
// form refused, so that the search goes on to a later DISP chunk.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "ByteSource.h"
#include "DisplayDib.h"
#include "PreviewReaders.h"
#include "riff_builder.h"

namespace {

using riff::Bytes;
using riff::Chunk;
using riff::DispData;
using riff::InfoHeader;
using riff::Le32;
using riff::Pattern;
using riff::Wave;

using Dib = std::vector<std::uint8_t>;

constexpr std::uint32_t kRle8 = 1;
constexpr std::uint32_t kRle4 = 2;
constexpr std::uint32_t kBitFields = 3;

Dib ToDib(const Bytes& bytes) {
    return Dib(bytes.begin(), bytes.end());
}

const std::uint8_t* Data(const Bytes& bytes) {
    return reinterpret_cast<const std::uint8_t*>(bytes.data());
}

std::optional<Dib> Convert(const Bytes& dib) {
    const Bytes chunk = DispData(8, dib);
    return preview::ConvertDisplayDib(Data(chunk), chunk.size());
}

Dib Held(const Dib& dib) {
    Dib out(dib.size(), 0xCD);
    preview::CopyAsHeld(dib.data(), dib.size(), out.data());
    return out;
}

Bytes Masks(std::uint32_t red, std::uint32_t green, std::uint32_t blue) {
    return Le32(red) + Le32(green) + Le32(blue);
}

const Bytes kMasks565 = Masks(0xF800, 0x07E0, 0x001F);
const Bytes kMasksBgr = Masks(0x000000FF, 0x0000FF00, 0x00FF0000);

// Rows of stride bytes, each filled with its own number, last row first when
// topDown: the same picture either way.
Bytes Rows(int count, int stride, bool topDown) {
    Bytes rows;
    for (int i = 0; i < count; ++i) rows += Bytes(stride, static_cast<char>(0x10 + (topDown ? count - 1 - i : i)));
    return rows;
}

// ---- Bit fields ----

TEST(HeldDibBitFields, KeepTheirMasksBetweenHeaderAndPixels) {
    // 3 x 2 at 16 bits: rows of 6 bytes padded to 8.
    const Bytes pixels = Pattern(16, 4);
    const std::optional<Dib> dib = Convert(InfoHeader(3, 2, 16, 0, 0, kBitFields) + kMasks565 + pixels);
    ASSERT_TRUE(dib.has_value());
    EXPECT_EQ(*dib, ToDib(InfoHeader(3, 2, 16, 0, 16, kBitFields) + kMasks565 + pixels))
        << "the image size computed, the masks at 40, the pixels at 52";
    EXPECT_EQ(preview::DibPixelOffset(dib->data()), 52u);

    // A stated count at 32 bits gives no table: the pixels follow the masks.
    const Bytes wide = Pattern(16, 5);
    EXPECT_EQ(Convert(InfoHeader(2, 2, 32, 5, 16, kBitFields) + kMasksBgr + wide + Pattern(20, 6)),
              ToDib(InfoHeader(2, 2, 32, 0, 16, kBitFields) + kMasksBgr + wide));
}

TEST(HeldDibBitFields, NeedTheirMasksAndPixelsInTheChunk) {
    const Bytes whole = InfoHeader(3, 2, 16, 0, 16, kBitFields) + kMasks565 + Pattern(16, 1);
    EXPECT_TRUE(Convert(whole).has_value());
    for (std::size_t size : {std::size_t{40}, std::size_t{44}, std::size_t{51}, std::size_t{52}, whole.size() - 1}) {
        EXPECT_FALSE(Convert(whole.substr(0, size)).has_value()) << size;
    }
}

TEST(HeldDibBitFields, OnlyAtSixteenAndThirtyTwoBits) {
    for (std::uint16_t bits : {1, 4, 8, 24}) {
        const Bytes table = bits <= 8 ? Pattern(4u << bits, 1) : Bytes();
        EXPECT_FALSE(Convert(InfoHeader(4, 2, bits, 0, 0, kBitFields) + kMasks565 + table + Pattern(64, 2)).has_value())
            << bits;
    }
    EXPECT_TRUE(Convert(InfoHeader(4, 2, 32, 0, 0, kBitFields) + kMasksBgr + Pattern(32, 2)).has_value());
}

TEST(HeldDibBitFields, MasksAreOneRunEachWithinThePixelAndApart) {
    struct Case {
        std::uint16_t bits;
        Bytes masks;
        bool usable;
    };
    const std::vector<Case> cases = {
        {16, kMasks565, true},
        {16, Masks(0x7C00, 0x03E0, 0x001F), true},
        {16, Masks(0x000F, 0x00F0, 0x0F00), true},
        {32, Masks(0x00FF0000, 0x0000FF00, 0x000000FF), true},
        {32, kMasksBgr, true},
        {32, Masks(0x3FF00000, 0x000FFC00, 0x000003FF), true},
        {32, Masks(0xFFC00000u, 0x003FF800, 0x000007FF), true},
        {32, Masks(0x80000000u, 0x00000001, 0x00000002), true},
        {16, Masks(0, 0x07E0, 0x001F), false},
        {32, Masks(0x00FF0000, 0x0000FF00, 0), false},
        {32, Masks(0x01010101, 0x01010101, 0x01010101), false},
        {32, Masks(0x00FF00FF, 0x0000FF00, 0x00000000), false},
        {16, Masks(0xF801, 0x07E0, 0x0010), false},
        {16, Masks(0xF800, 0x0FE0, 0x001F), false},
        {16, Masks(0x1F0000, 0x07E0, 0x001F), false},
        {16, Masks(0x18000, 0x07E0, 0x001F), false},
        {32, Masks(0xFFFFFFFFu, 0x1, 0x2), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.bits << " bits, case " << (&c - cases.data()));
        EXPECT_EQ(preview::UsableBitFields(c.bits, Data(c.masks)), c.usable);
        const Bytes dib = InfoHeader(2, 1, c.bits, 0, 0, kBitFields) + c.masks + Pattern(8, 1);
        EXPECT_EQ(Convert(dib).has_value(), c.usable) << "the reader refuses what the bitmap refuses";
    }
    EXPECT_FALSE(preview::UsableBitFields(16, nullptr));
    EXPECT_FALSE(preview::UsableBitFields(0, Data(kMasks565)));
    EXPECT_FALSE(preview::UsableBitFields(33, Data(kMasksBgr)));
}

// ---- Forms ----

TEST(HeldDibForms, FollowTheBitmapsRules) {
    struct Case {
        std::uint16_t bits;
        std::uint32_t compression;
        std::int32_t width;
        std::int32_t height;
        std::uint32_t sizeImage;
        bool held;
    };
    const std::vector<Case> cases = {
        {1, 0, 32, 2, 8, true},      {4, 0, 8, 2, 8, true},       {8, 0, 4, 2, 8, true},   {16, 0, 2, 2, 8, true},
        {24, 0, 3, 2, 24, true},     {32, 0, 2, 2, 16, true},     {16, 3, 2, 2, 8, true},  {32, 3, 2, 2, 16, true},
        {8, 1, 1000, 1000, 4, true}, {4, 2, 1000, 1000, 4, true}, {0, 0, 0, 0, 0, false},  {2, 0, 16, 2, 8, false},
        {24, 3, 1, 1, 4, false},     {8, 3, 4, 1, 4, false},      {8, 2, 4, 1, 4, false},  {4, 1, 4, 1, 4, false},
        {0, 4, 4, 4, 100, false},    {0, 5, 4, 4, 100, false},    {32, 6, 1, 1, 4, false}, {24, 0, 3, 2, 23, false},
        {32, 3, 2, 2, 15, false},    {8, 0, -4, 1, 4, false},     {8, 0, 4, -1, 4, false}, {8, 1, -4, 1, 4, false},
        {8, 1, 4, -1, 4, false},     {24, 0, 0, 0, 0, true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(preview::IsHeldDibForm(c.bits, c.compression, c.width, c.height, c.sizeImage), c.held)
            << c.bits << " bits, compression " << c.compression << ", " << c.width << " x " << c.height << ", "
            << c.sizeImage << " bytes";
    }
}

TEST(HeldDibForms, WhatTheBitmapCannotHoldIsRefused) {
    struct Case {
        const char* what;
        Bytes dib;
    };
    const Bytes table2 = Pattern(8, 1);
    const Bytes table16 = Pattern(64, 1);
    const Bytes table256 = Pattern(1024, 1);
    const std::vector<Case> cases = {
        {"2 bits", InfoHeader(16, 2, 2, 4, 8) + Pattern(16, 1) + Pattern(8, 2)},
        {"0 bits, uncompressed", InfoHeader(4, 4, 0, 0, 16) + Pattern(16, 2)},
        {"JPEG data", InfoHeader(4, 4, 0, 0, 16, 4) + Pattern(16, 2)},
        {"PNG data", InfoHeader(4, 4, 0, 0, 16, 5) + Pattern(16, 2)},
        {"alpha bit fields", InfoHeader(1, 1, 32, 0, 4, 6) + kMasksBgr + Le32(0xFF000000u) + Pattern(4, 2)},
        {"RLE8 at 4 bits", InfoHeader(4, 2, 4, 0, 8, kRle8) + table16 + Pattern(8, 2)},
        {"RLE4 at 8 bits", InfoHeader(4, 2, 8, 0, 8, kRle4) + table256 + Pattern(8, 2)},
        {"RLE8 top-down", InfoHeader(4, -2, 8, 2, 8, kRle8) + table2 + Pattern(8, 2)},
        {"RLE4 top-down", InfoHeader(4, -2, 4, 2, 8, kRle4) + table2 + Pattern(8, 2)},
        {"RLE8 of negative width", InfoHeader(-4, 2, 8, 2, 8, kRle8) + table2 + Pattern(8, 2)},
        {"a height of -2^31 and no width",
         InfoHeader(0, std::numeric_limits<std::int32_t>::min(), 24, 0, 4) + Pattern(4, 2)},
        {"bit fields, top-down, rows short", InfoHeader(2, -2, 32, 0, 12, kBitFields) + kMasksBgr + Pattern(16, 2)},
    };
    for (const Case& c : cases) {
        EXPECT_FALSE(Convert(c.dib).has_value()) << c.what;
    }
    EXPECT_TRUE(Convert(InfoHeader(0, -5, 24, 0, 4) + Pattern(4, 2)).has_value()) << "an empty top-down picture";
}

// ---- Top-down rows, held bottom-up ----

TEST(HeldDibTopDown, IsTurnedOverIntoItsBottomUpForm) {
    struct Case {
        const char* what;
        Bytes topDown;
        Bytes bottomUp;
    };
    // 3 x 4 at 24 bits: rows of 12 bytes; 4 x 3 at 8 bits of 2 colours: rows of 4;
    // 3 x 3 bit fields at 16 bits: rows of 8; 5 x 2 at 32 bits: rows of 20.
    const Bytes table = Pattern(8, 7);
    const std::vector<Case> cases = {
        {"24 bits", InfoHeader(3, -4, 24, 0, 48) + Rows(4, 12, true), InfoHeader(3, 4, 24) + Rows(4, 12, false)},
        {"8 bits", InfoHeader(4, -3, 8, 2, 12) + table + Rows(3, 4, true),
         InfoHeader(4, 3, 8, 2) + table + Rows(3, 4, false)},
        {"bit fields", InfoHeader(3, -3, 16, 0, 24, kBitFields) + kMasks565 + Rows(3, 8, true),
         InfoHeader(3, 3, 16, 0, 0, kBitFields) + kMasks565 + Rows(3, 8, false)},
        {"32-bit bit fields", InfoHeader(5, -2, 32, 0, 40, kBitFields) + kMasksBgr + Rows(2, 20, true),
         InfoHeader(5, 2, 32, 0, 0, kBitFields) + kMasksBgr + Rows(2, 20, false)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::optional<Dib> topDown = Convert(c.topDown);
        const std::optional<Dib> bottomUp = Convert(c.bottomUp);
        ASSERT_TRUE(topDown.has_value());
        ASSERT_TRUE(bottomUp.has_value());
        EXPECT_EQ(*topDown, ToDib(c.topDown)) << "normalised, it stays top-down";
        EXPECT_EQ(Held(*topDown), *bottomUp) << "held, it is its bottom-up form byte for byte";
        EXPECT_EQ(Held(*bottomUp), *bottomUp) << "a bottom-up DIB is held as it is";
    }
}

TEST(HeldDibTopDown, BytesBeyondTheRowsStayInPlace) {
    const Bytes extra = "tail";
    const std::optional<Dib> dib = Convert(InfoHeader(3, -2, 24, 0, 28) + Rows(2, 12, true) + extra);
    ASSERT_TRUE(dib.has_value());
    EXPECT_EQ(Held(*dib), ToDib(InfoHeader(3, 2, 24, 0, 28) + Rows(2, 12, false) + extra));
}

TEST(HeldDibTopDown, WhatIsNoNormalisedDibIsCopiedAsItCame) {
    const std::vector<Bytes> blocks = {
        "short",
        InfoHeader(0, std::numeric_limits<std::int32_t>::min(), 24),
        InfoHeader(3, -4, 24, 0, 48) + Rows(3, 12, true),
        InfoHeader(3, -1, 24, 0x40000000u, 12) + Rows(1, 12, true),
        InfoHeader(0x7FFFFFFF, -2, 0xFFFF) + Pattern(8, 1),
    };
    for (const Bytes& block : blocks) {
        EXPECT_EQ(Held(ToDib(block)), ToDib(block)) << block.size() << " bytes";
    }
}

// ---- The search through the chunks ----

Dib ReadPicture(const Bytes& wave) {
    preview::MemoryByteSource source(wave.data(), wave.size());
    const preview::PictureResult result = preview::ReadPicture(source);
    EXPECT_EQ(result.outcome, preview::PictureOutcome::kPicture);
    return result.dib;
}

TEST(HeldDibSearch, GoesOnPastAPictureTheBitmapCannotHold) {
    const Bytes later = InfoHeader(3, 2, 24) + Pattern(24, 9);
    const Dib laterDib = *Convert(later);
    const Bytes table2 = Pattern(8, 1);
    const std::vector<Bytes> unusable = {
        InfoHeader(16, 2, 2, 4, 8) + Pattern(16, 1) + Pattern(8, 2),
        InfoHeader(4, 4, 0, 0, 16, 4) + Pattern(16, 2),
        InfoHeader(4, -2, 8, 2, 8, kRle8) + table2 + Pattern(8, 2),
        InfoHeader(-4, 2, 8, 2, 8, kRle8) + table2 + Pattern(8, 2),
        InfoHeader(1, 1, 32, 0, 4, kBitFields) + Masks(0x01010101, 0x01010101, 0x01010101) + Pattern(4, 2),
        InfoHeader(1, 1, 24, 0, 4, kBitFields) + kMasks565 + Pattern(4, 2),
        // A few bytes of runs that claim 900 million pixels, and just past the bound.
        InfoHeader(30000, 30000, 8, 2, 8, kRle8) + table2 + Pattern(8, 2),
        InfoHeader(preview::kMaxPictureSide + 1, 1, 8, 2, 8, kRle8) + table2 + Pattern(8, 2),
        InfoHeader(1, preview::kMaxPictureSide + 1, 8, 2, 8, kRle8) + table2 + Pattern(8, 2),
    };
    for (const Bytes& first : unusable) {
        SCOPED_TRACE(testing::Message() << "unusable case " << (&first - unusable.data()));
        EXPECT_EQ(ReadPicture(Wave(Chunk("DISP", DispData(8, first)) + Chunk("DISP", DispData(8, later)))), laterDib);
    }

    // Top-down and bit-field pictures, and pictures of the largest size, are taken where they are.
    const std::int32_t side = preview::kMaxPictureSide;
    const Bytes largest = InfoHeader(side, side, 8, 2, 8, kRle8) + table2 + Pattern(8, 2);
    EXPECT_EQ(ReadPicture(Wave(Chunk("DISP", DispData(8, largest)) + Chunk("DISP", DispData(8, later)))),
              *Convert(largest));
    const Bytes topDown = InfoHeader(3, -2, 24, 0, 24) + Pattern(24, 3);
    const Bytes fields = InfoHeader(3, 2, 16, 0, 0, kBitFields) + kMasks565 + Pattern(16, 3);
    EXPECT_EQ(ReadPicture(Wave(Chunk("DISP", DispData(8, topDown)) + Chunk("DISP", DispData(8, later)))),
              *Convert(topDown));
    EXPECT_EQ(ReadPicture(Wave(Chunk("DISP", DispData(8, fields)) + Chunk("DISP", DispData(8, later)))),
              *Convert(fields));
}

}  // namespace
