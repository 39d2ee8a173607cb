#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <limits>
#include <memory>
#include <optional>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "ByteSource.h"
#include "DisplayDib.h"
#include "PreviewReaders.h"
#include "RiffReader.h"
#include "SoundFormat.h"
#include "riff_builder.h"

namespace {

using preview::ChunkInfo;
using preview::DescriptionOutcome;
using preview::PictureOutcome;
using riff::Bytes;
using riff::Chunk;
using riff::CoreHeader;
using riff::DispData;
using riff::Fmt;
using riff::InfoHeader;
using riff::Le16;
using riff::Le32;
using riff::List;
using riff::Pattern;
using riff::RawChunk;
using riff::Riff;
using riff::Wave;

using Dib = std::vector<std::uint8_t>;

Dib ToDib(const Bytes& bytes) {
    return Dib(bytes.begin(), bytes.end());
}

// A header field; one past the end throws, which fails the test.
std::uint32_t Field32(const Dib& dib, std::size_t offset) {
    if (offset > dib.size() || dib.size() - offset < 4) throw std::out_of_range("field past the end of the DIB");
    return le::Get32(dib.data() + offset);
}

std::optional<Dib> Convert(const Bytes& chunk) {
    return preview::ConvertDisplayDib(reinterpret_cast<const std::uint8_t*>(chunk.data()), chunk.size());
}

std::uint16_t Colors(const Bytes& header) {
    return preview::CountDibColors(reinterpret_cast<const std::uint8_t*>(header.data()), header.size());
}

// A palette of n four-byte entries, or n triples for a core header.
Bytes Table(std::size_t n, std::size_t entrySize, unsigned seed) {
    return Pattern(n * entrySize, seed);
}

// A 33 x 10 8-bit DIB that states no image size: rows of 36 bytes.
Bytes EightBitDib(unsigned seed) {
    return InfoHeader(33, 10, 8) + Table(256, 4, seed) + Pattern(360, seed + 1);
}
Dib EightBitNormalised(unsigned seed) {
    return ToDib(InfoHeader(33, 10, 8, 256, 360) + Table(256, 4, seed) + Pattern(360, seed + 1));
}

// A 3 x 2 24-bit DIB: rows of 9 bytes padded to 12.
Bytes TrueColourDib(unsigned seed) {
    return InfoHeader(3, 2, 24) + Pattern(24, seed);
}
Dib TrueColourNormalised(unsigned seed) {
    return ToDib(InfoHeader(3, 2, 24, 0, 24) + Pattern(24, seed));
}

// Reads through another source and counts what was asked and what arrived.
class CountingSource : public preview::ByteSource {
public:
    explicit CountingSource(preview::ByteSource& inner) : m_inner(inner) {}
    std::size_t ReadAt(std::uint64_t offset, void* out, std::size_t size) override {
        ++reads;
        const std::size_t got = m_inner.ReadAt(offset, out, size);
        bytes += got;
        return got;
    }
    std::uint64_t Size() const override { return m_inner.Size(); }

    int reads = 0;
    std::uint64_t bytes = 0;

private:
    preview::ByteSource& m_inner;
};

// Gives at most limit bytes a read, as a failing disk would, while the size says
// everything is there.
class StingySource : public preview::ByteSource {
public:
    StingySource(preview::ByteSource& inner, std::size_t limit) : m_inner(inner), m_limit(limit) {}
    std::size_t ReadAt(std::uint64_t offset, void* out, std::size_t size) override {
        return m_inner.ReadAt(offset, out, size < m_limit ? size : m_limit);
    }
    std::uint64_t Size() const override { return m_inner.Size(); }

private:
    preview::ByteSource& m_inner;
    std::size_t m_limit;
};

std::string TempPath(const std::string& tag) {
    static int counter = 0;
    const testing::TestInfo* info = testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string(info->test_suite_name()) + "_" + info->name();
    for (char& c : name) {
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
    }
    return testing::TempDir() + "zorvand_preview_" + name + "_" + tag + std::to_string(++counter) + ".wav";
}

void WriteFile(const std::string& path, const Bytes& bytes) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr) << path;
    ASSERT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), file), bytes.size());
    ASSERT_EQ(std::fclose(file), 0);
}

// ---- The chunk walk ----

class Walk : public testing::Test {
protected:
    preview::RiffWalker& Walker(const Bytes& bytes) {
        m_bytes = bytes;
        m_source = std::make_unique<preview::MemoryByteSource>(m_bytes.data(), m_bytes.size());
        m_walker = std::make_unique<preview::RiffWalker>(*m_source);
        return *m_walker;
    }

private:
    Bytes m_bytes;
    std::unique_ptr<preview::MemoryByteSource> m_source;
    std::unique_ptr<preview::RiffWalker> m_walker;
};

TEST_F(Walk, DescendRiffFindsTheWaveFormAndStopsAfterItsType) {
    preview::RiffWalker& walker = Walker(Wave(""));
    ChunkInfo form;
    ASSERT_TRUE(walker.DescendRiff(preview::kFourCCWave, form));
    EXPECT_EQ(form.ckid, preview::kFourCCRiff);
    EXPECT_EQ(form.cksize, 4u + 24u);
    EXPECT_EQ(form.fccType, preview::kFourCCWave);
    EXPECT_EQ(form.dwDataOffset, 8u);
    EXPECT_EQ(form.DataEnd(), 36u);
    EXPECT_EQ(walker.Position(), 12u);
}

TEST_F(Walk, DescendRiffSkipsOtherChunksAndFormsByEvenSize) {
    const Bytes before = Chunk("junk", "abc") + Riff("AVI ", "xxxx");
    ASSERT_EQ(before.size(), 12u + 16u);
    preview::RiffWalker& walker = Walker(before + Wave(""));
    ChunkInfo form;
    ASSERT_TRUE(walker.DescendRiff(preview::kFourCCWave, form));
    EXPECT_EQ(form.dwDataOffset, 28u + 8u);
    EXPECT_EQ(walker.Position(), 28u + 12u);
}

TEST_F(Walk, DescendRiffStartsFromTheCurrentPosition) {
    const Bytes first = Wave(Chunk("one ", "1"));
    preview::RiffWalker& walker = Walker(first + Wave(Chunk("two ", "2")));
    walker.Seek(first.size());
    ChunkInfo form;
    ASSERT_TRUE(walker.DescendRiff(preview::kFourCCWave, form));
    EXPECT_EQ(form.dwDataOffset, first.size() + 8);
}

TEST_F(Walk, DescendRiffFailsOnForeignOrTruncatedData) {
    for (const Bytes& bytes : {Bytes(), Bytes("RIFF\x04\0\0", 7), Bytes("RIFF\x04\0\0\0WA", 10), Riff("AVI ", Fmt()),
                               Bytes("RIFX\x04\0\0\0WAVE", 12), Bytes("plain text, no chunks")}) {
        preview::RiffWalker& walker = Walker(bytes);
        ChunkInfo form;
        EXPECT_FALSE(walker.DescendRiff(preview::kFourCCWave, form)) << testing::PrintToString(bytes);
        EXPECT_EQ(walker.Position(), 0u) << "a failed search leaves the position alone";
    }
}

TEST_F(Walk, DescendChunkSkipsByEvenSizeAndStopsAtTheData) {
    preview::RiffWalker& walker = Walker(Wave(Chunk("odd ", "abc") + Chunk("DISP", "hello") + Chunk("next", "")));
    ChunkInfo form;
    ASSERT_TRUE(walker.DescendRiff(preview::kFourCCWave, form));
    ChunkInfo disp;
    ASSERT_TRUE(walker.DescendChunk(preview::kFourCCDisp, form, disp));
    EXPECT_EQ(disp.ckid, preview::kFourCCDisp);
    EXPECT_EQ(disp.cksize, 5u);
    EXPECT_EQ(disp.fccType, 0u);
    EXPECT_EQ(disp.dwDataOffset, 36u + 12u + 8u);
    EXPECT_EQ(walker.Position(), disp.dwDataOffset);
    walker.Ascend(disp);
    EXPECT_EQ(walker.Position(), disp.dwDataOffset + 6) << "the pad byte of an odd size";
    ChunkInfo next;
    ASSERT_TRUE(walker.DescendChunk(preview::MakeFourCC('n', 'e', 'x', 't'), form, next));
    EXPECT_EQ(next.dwDataOffset, disp.dwDataOffset + 6 + 8);
}

TEST_F(Walk, DescendChunkLeavesAListAfterItsType) {
    preview::RiffWalker& walker = Walker(Wave(List("INFO", Chunk("ISBJ", "x"))));
    ChunkInfo form;
    ASSERT_TRUE(walker.DescendRiff(preview::kFourCCWave, form));
    ChunkInfo list;
    ASSERT_TRUE(walker.DescendChunk(preview::kFourCCList, form, list));
    EXPECT_EQ(list.fccType, preview::kFourCCInfo);
    EXPECT_EQ(walker.Position(), list.dwDataOffset + 4);
    ChunkInfo isbj;
    ASSERT_TRUE(walker.DescendChunk(preview::kFourCCIsbj, list, isbj));
    EXPECT_EQ(isbj.dwDataOffset, list.dwDataOffset + 4 + 8);
}

TEST_F(Walk, DescendChunkFailsAtTheEndOfTheParent) {
    // The form's size covers the format chunk only; a DISP chunk follows in the file.
    const Bytes fmt = Fmt();
    preview::RiffWalker& walker = Walker(RawChunk("RIFF", 4 + fmt.size(), "WAVE" + fmt) + Chunk("DISP", "data"));
    ChunkInfo form;
    ASSERT_TRUE(walker.DescendRiff(preview::kFourCCWave, form));
    ChunkInfo disp;
    EXPECT_FALSE(walker.DescendChunk(preview::kFourCCDisp, form, disp));
    EXPECT_EQ(walker.Position(), 12u);
}

TEST_F(Walk, DescendChunkNeedsTheWholeHeaderWithinTheParent) {
    // The form ends four bytes into the DISP chunk's header.
    const Bytes body = "WAVE" + Fmt() + Chunk("DISP", "data");
    preview::RiffWalker& walker = Walker(RawChunk("RIFF", 4 + 24 + 4, body));
    ChunkInfo form;
    ASSERT_TRUE(walker.DescendRiff(preview::kFourCCWave, form));
    ChunkInfo disp;
    EXPECT_FALSE(walker.DescendChunk(preview::kFourCCDisp, form, disp));
}

TEST_F(Walk, DescendChunkFailsFromBeforeTheParentsData) {
    preview::RiffWalker& walker = Walker(Wave(Chunk("DISP", "data")));
    ChunkInfo form;
    ASSERT_TRUE(walker.DescendRiff(preview::kFourCCWave, form));
    walker.Seek(4);
    ChunkInfo disp;
    EXPECT_FALSE(walker.DescendChunk(preview::kFourCCDisp, form, disp));
    walker.Seek(12);
    EXPECT_TRUE(walker.DescendChunk(preview::kFourCCDisp, form, disp));
}

TEST_F(Walk, AZeroSizeListTakesTheNextFourBytesAsItsType) {
    preview::RiffWalker& walker = Walker(Wave(RawChunk("LIST", 0, "") + Chunk("abcd", "")));
    ChunkInfo form;
    ASSERT_TRUE(walker.DescendRiff(preview::kFourCCWave, form));
    ChunkInfo list;
    ASSERT_TRUE(walker.DescendChunk(preview::kFourCCList, form, list));
    EXPECT_EQ(list.cksize, 0u);
    EXPECT_EQ(list.fccType, preview::MakeFourCC('a', 'b', 'c', 'd'));
    EXPECT_EQ(walker.Position(), list.dwDataOffset + 4);
}

TEST_F(Walk, AZeroSizeListAtTheEndOfTheFileHasTypeZero) {
    const Bytes body = "WAVE" + Fmt() + RawChunk("LIST", 0, "");
    preview::RiffWalker& walker = Walker(RawChunk("RIFF", body.size(), body));
    ChunkInfo form;
    ASSERT_TRUE(walker.DescendRiff(preview::kFourCCWave, form));
    ChunkInfo list;
    ASSERT_TRUE(walker.DescendChunk(preview::kFourCCList, form, list));
    EXPECT_EQ(list.fccType, 0u);
}

TEST_F(Walk, SizesNearFourGigabytesDoNotWrap) {
    const Bytes body = "WAVE" + RawChunk("big ", 0xFFFFFFFFu, "tiny");
    preview::RiffWalker& walker = Walker(RawChunk("RIFF", 0xFFFFFFFFu, body) + Chunk("DISP", "data"));
    ChunkInfo form;
    ASSERT_TRUE(walker.DescendRiff(preview::kFourCCWave, form));
    EXPECT_EQ(form.DataEnd(), 8u + 0xFFFFFFFFull);
    ChunkInfo big;
    ASSERT_TRUE(walker.DescendChunk(preview::MakeFourCC('b', 'i', 'g', ' '), form, big));
    walker.Ascend(big);
    EXPECT_EQ(walker.Position(), 20ull + 0xFFFFFFFFull + 1) << "past 4 GiB, not wrapped to a small offset";
    ChunkInfo disp;
    EXPECT_FALSE(walker.DescendChunk(preview::kFourCCDisp, form, disp)) << "nothing to read out there";
}

TEST_F(Walk, ReadMovesByWhatArrived) {
    preview::RiffWalker& walker = Walker("0123456789");
    walker.Seek(7);
    char out[8] = {};
    EXPECT_EQ(walker.Read(out, sizeof out), 3u);
    EXPECT_EQ(std::string(out, 3), "789");
    EXPECT_EQ(walker.Position(), 10u);
    EXPECT_EQ(walker.Read(out, sizeof out), 0u);
    EXPECT_EQ(walker.Position(), 10u);
}

// ---- Colour counts and the image size rule ----

TEST(CountDibColors, FollowsTheTable) {
    struct Row {
        std::uint16_t bits;
        std::uint32_t clrUsed;
        std::uint16_t expected;
    };
    const Row rows[] = {{1, 0, 2},   {1, 1, 1},       {1, 3, 2},         {4, 0, 16},          {4, 20, 16},  {4, 9, 9},
                        {8, 0, 256}, {8, 100, 100},   {8, 300, 256},     {8, 256, 256},       {16, 0, 0},   {16, 5, 0},
                        {24, 0, 0},  {24, 20, 0},     {24, 300, 0},      {32, 0, 0},          {32, 256, 0}, {2, 0, 0},
                        {0, 12, 0},  {8, 0x10005, 5}, {8, 0x10000, 256}, {4, 0xFFFF0000u, 16}};
    for (const Row& row : rows) {
        EXPECT_EQ(Colors(InfoHeader(1, 1, row.bits, row.clrUsed)), row.expected)
            << row.bits << " bits, biClrUsed " << row.clrUsed;
    }
}

TEST(CountDibColors, ACoreHeaderStatesNoCount) {
    EXPECT_EQ(Colors(CoreHeader(1, 1, 1)), 2);
    EXPECT_EQ(Colors(CoreHeader(1, 1, 4)), 16);
    EXPECT_EQ(Colors(CoreHeader(1, 1, 8)), 256);
    EXPECT_EQ(Colors(CoreHeader(1, 1, 24)), 0);
    // What would be biClrUsed in a longer header is colour-table data here.
    EXPECT_EQ(Colors(CoreHeader(1, 1, 8) + Pattern(40, 3)), 256);
}

TEST(CountDibColors, AnyOtherHeaderSizeReadsTheInfoFields) {
    Bytes v4 = InfoHeader(1, 1, 8, 7);
    v4.replace(0, 4, Le32(108));
    EXPECT_EQ(Colors(v4 + Pattern(68, 1)), 7);
}

TEST(CountDibColors, IsZeroWhenTheFieldsAreNotThere) {
    EXPECT_EQ(preview::CountDibColors(nullptr, 40), 0);
    EXPECT_EQ(Colors(""), 0);
    EXPECT_EQ(Colors(Le32(40)), 0);
    EXPECT_EQ(Colors(InfoHeader(1, 1, 8).substr(0, 35)), 0);
    EXPECT_EQ(Colors(InfoHeader(1, 1, 8).substr(0, 36)), 256);
    EXPECT_EQ(Colors(CoreHeader(1, 1, 8).substr(0, 11)), 0);
}

TEST(DibImageSize, RoundsRowsTo32Bits) {
    EXPECT_EQ(preview::DibImageSize(8, 33, 10), 360);
    EXPECT_EQ(preview::DibImageSize(24, 3, 2), 24);
    EXPECT_EQ(preview::DibImageSize(1, 1, 1), 4);
    EXPECT_EQ(preview::DibImageSize(4, 7, 3), 12);
    EXPECT_EQ(preview::DibImageSize(8, 0, 10), 0);
    EXPECT_EQ(preview::DibImageSize(8, 33, -10), -360) << "a top-down DIB gives a negative size";
    EXPECT_EQ(preview::DibImageSize(1, -40, 1), -4) << "the shift rounds down";
    EXPECT_EQ(preview::DibImageSize(32, std::numeric_limits<std::int32_t>::max(), 1), 8589934588ll);
}

TEST(DibImageSize, IsEmptyBeyondSixtyFourBits) {
    const std::int32_t most = std::numeric_limits<std::int32_t>::max();
    const std::int32_t least = std::numeric_limits<std::int32_t>::min();
    EXPECT_FALSE(preview::DibImageSize(65535, most, most).has_value());
    EXPECT_FALSE(preview::DibImageSize(65535, least, least).has_value());
    EXPECT_FALSE(preview::DibImageSize(32, most, least).has_value());
    EXPECT_EQ(preview::DibImageSize(8, most, most), 4611686016279904256ll) << "2^31 x (2^31 - 1) fits";
}

// ---- Normalisation ----

TEST(ConvertDisplayDib, EightBitWithoutImageSize) {
    const std::optional<Dib> dib = Convert(DispData(8, EightBitDib(1)));
    ASSERT_TRUE(dib.has_value());
    EXPECT_EQ(dib->size(), 1424u) << "40 + 1024 + 360";
    EXPECT_EQ(Field32(*dib, 20), 360u) << "biSizeImage";
    EXPECT_EQ(Field32(*dib, 32), 256u) << "biClrUsed";
    EXPECT_EQ(*dib, EightBitNormalised(1));
}

TEST(ConvertDisplayDib, CoreHeaderFourBit) {
    const Bytes triples = Table(16, 3, 5);
    const Bytes pixels = Pattern(12, 6);
    const std::optional<Dib> dib = Convert(DispData(8, CoreHeader(7, 3, 4) + triples + pixels));
    ASSERT_TRUE(dib.has_value());
    Bytes quads;
    for (int i = 0; i < 16; ++i) quads += triples.substr(3 * i, 3) + '\0';
    const Bytes header =
        Le32(40) + Le32(7) + Le32(3) + Le16(1) + Le16(4) + Le32(0) + Le32(12) + Le32(0) + Le32(0) + Le32(16) + Le32(16);
    EXPECT_EQ(*dib, ToDib(header + quads + pixels)) << "pixels from offset 12 + 48 of the source header";
}

TEST(ConvertDisplayDib, CoreHeaderSizesWidenUpToTheLargestPicture) {
    const Bytes pixels = Pattern(512, 2);
    const std::optional<Dib> dib = Convert(DispData(8, CoreHeader(4096, 1, 1) + Table(2, 3, 1) + pixels));
    ASSERT_TRUE(dib.has_value());
    EXPECT_EQ(Field32(*dib, 4), 4096u);
    EXPECT_EQ(Field32(*dib, 20), 512u);
    EXPECT_EQ(dib->size(), 40u + 8u + 512u);
    EXPECT_FALSE(Convert(DispData(8, CoreHeader(0x8000, 1, 1) + Table(2, 3, 1) + Pattern(4096, 2))).has_value());
}

TEST(ConvertDisplayDib, TrueColourHasNoTable) {
    const std::optional<Dib> dib = Convert(DispData(8, TrueColourDib(4)));
    ASSERT_TRUE(dib.has_value());
    EXPECT_EQ(*dib, TrueColourNormalised(4)) << "pixels right after the header, at 40";
}

TEST(ConvertDisplayDib, OneBitGetsTwoEntries) {
    const Bytes dib = InfoHeader(8, 2, 1) + Table(2, 4, 1) + Pattern(8, 2);
    EXPECT_EQ(Convert(DispData(8, dib)), ToDib(InfoHeader(8, 2, 1, 2, 8) + Table(2, 4, 1) + Pattern(8, 2)));
}

TEST(ConvertDisplayDib, OnlyClipboardFormatEight) {
    for (std::uint32_t format : {0u, 1u, 2u, 9u, 0x108u}) {
        EXPECT_FALSE(Convert(DispData(format, EightBitDib(1))).has_value()) << format;
    }
}

TEST(ConvertDisplayDib, OnlyInfoAndCoreHeaders) {
    for (std::uint32_t headerSize : {0u, 11u, 13u, 39u, 41u, 64u, 108u, 124u}) {
        Bytes dib = EightBitDib(1);
        dib.replace(0, 4, Le32(headerSize));
        EXPECT_FALSE(Convert(DispData(8, dib)).has_value()) << headerSize;
    }
}

TEST(ConvertDisplayDib, TruncatedChunksAreRefusedWhole) {
    const Bytes chunk = DispData(8, EightBitDib(1));
    for (std::size_t size : {std::size_t{0}, std::size_t{3}, std::size_t{4}, std::size_t{7}, std::size_t{8},
                             std::size_t{43}, std::size_t{44}, std::size_t{44 + 1023}, chunk.size() - 1}) {
        EXPECT_FALSE(Convert(chunk.substr(0, size)).has_value()) << size;
    }
    const Bytes core = DispData(8, CoreHeader(7, 3, 4) + Table(16, 3, 1) + Pattern(12, 2));
    EXPECT_FALSE(Convert(core.substr(0, core.size() - 1)).has_value());
    EXPECT_FALSE(Convert(core.substr(0, 4 + 11)).has_value());
    EXPECT_TRUE(Convert(core).has_value());
    EXPECT_FALSE(preview::ConvertDisplayDib(nullptr, 100).has_value());
}

TEST(ConvertDisplayDib, ExtraBytesAfterThePixelsAreLeft) {
    EXPECT_EQ(Convert(DispData(8, EightBitDib(1) + "trailing")), EightBitNormalised(1));
}

TEST(ConvertDisplayDib, AStatedImageSizeBeyondTheChunkIsRefused) {
    EXPECT_FALSE(Convert(DispData(8, InfoHeader(3, 2, 24, 0, 25) + Pattern(24, 1))).has_value());
    EXPECT_FALSE(Convert(DispData(8, InfoHeader(3, 2, 24, 0, 0xFFFFFFFFu) + Pattern(24, 1))).has_value());
}

TEST(ConvertDisplayDib, AStatedImageSizeIsCopiedAsStated) {
    const Bytes pixels = Pattern(30, 1);
    EXPECT_EQ(Convert(DispData(8, InfoHeader(3, 2, 24, 0, 30) + pixels + "xx")),
              ToDib(InfoHeader(3, 2, 24, 0, 30) + pixels));
}

TEST(ConvertDisplayDib, UncompressedPixelsMustCoverEveryRow) {
    EXPECT_FALSE(Convert(DispData(8, InfoHeader(3, 2, 24, 0, 23) + Pattern(24, 1))).has_value());
    EXPECT_FALSE(
        Convert(DispData(8, InfoHeader(100000, 100000, 8, 0, 16) + Table(256, 4, 1) + Pattern(16, 1))).has_value());
    // Run-length data states its own size.
    const Bytes rle = InfoHeader(4096, 4096, 8, 0, 16, 1) + Table(256, 4, 1) + Pattern(16, 1);
    const std::optional<Dib> dib = Convert(DispData(8, rle));
    ASSERT_TRUE(dib.has_value());
    EXPECT_EQ(dib->size(), 40u + 1024u + 16u);
}

TEST(ConvertDisplayDib, ANegativeWidthIsRefusedWhenUncompressed) {
    EXPECT_FALSE(Convert(DispData(8, InfoHeader(-3, 2, 24, 0, 24) + Pattern(24, 1))).has_value());
    EXPECT_FALSE(Convert(DispData(8, InfoHeader(-33, -10, 8) + Table(256, 4, 1) + Pattern(400, 1))).has_value())
        << "two negatives make a positive size, still no usable DIB";
}

TEST(ConvertDisplayDib, NegativeHeight) {
    EXPECT_FALSE(Convert(DispData(8, InfoHeader(3, -2, 24) + Pattern(24, 1))).has_value())
        << "a top-down DIB that states no size";
    const std::optional<Dib> dib = Convert(DispData(8, InfoHeader(3, -2, 24, 0, 24) + Pattern(24, 1)));
    ASSERT_TRUE(dib.has_value()) << "a top-down DIB that states its size";
    EXPECT_EQ(*dib, ToDib(InfoHeader(3, -2, 24, 0, 24) + Pattern(24, 1)));
    EXPECT_FALSE(Convert(DispData(8, InfoHeader(3, -2, 24, 0, 23) + Pattern(24, 1))).has_value());
    EXPECT_FALSE(
        Convert(DispData(8, InfoHeader(3, std::numeric_limits<std::int32_t>::min(), 24, 0, 24) + Pattern(24, 1)))
            .has_value());
}

TEST(ConvertDisplayDib, HugeDimensionsAreRefused) {
    const std::int32_t most = std::numeric_limits<std::int32_t>::max();
    EXPECT_FALSE(Convert(DispData(8, InfoHeader(most, most, 32) + Pattern(64, 1))).has_value());
    EXPECT_FALSE(Convert(DispData(8, InfoHeader(most, 1, 32) + Pattern(64, 1))).has_value()) << "a size beyond 32 bits";
    EXPECT_FALSE(Convert(DispData(8, InfoHeader(65536, 65536, 1) + Table(2, 4, 1) + Pattern(64, 1))).has_value());
    EXPECT_FALSE(Convert(DispData(8, CoreHeader(0xFFFF, 0xFFFF, 24) + Pattern(64, 1))).has_value());
    EXPECT_FALSE(Convert(DispData(8, InfoHeader(1, 1, 65535) + Pattern(64, 1))).has_value());
}

TEST(ConvertDisplayDib, AnEmptyImageKeepsItsTable) {
    EXPECT_EQ(Convert(DispData(8, InfoHeader(0, 0, 8) + Table(256, 4, 1))),
              ToDib(InfoHeader(0, 0, 8, 256) + Table(256, 4, 1)));
}

// The bitmap counts colours by biClrUsed: the result's always equals the entries stored.
TEST(ConvertDisplayDib, ClrUsedAboveTheMaximumBecomesTheMaximum) {
    const Bytes table = Table(256, 4, 2);
    const Bytes pixels = Pattern(360, 3);
    const std::optional<Dib> dib = Convert(DispData(8, InfoHeader(33, 10, 8, 300, 0, 0, 300) + table + pixels));
    ASSERT_TRUE(dib.has_value());
    EXPECT_EQ(*dib, ToDib(InfoHeader(33, 10, 8, 256, 360, 0, 300) + table + pixels));
    EXPECT_EQ(dib->size(), 40u + 4u * Field32(*dib, 32) + Field32(*dib, 20));

    const std::optional<Dib> four = Convert(DispData(8, InfoHeader(7, 3, 4, 20) + Table(16, 4, 1) + Pattern(12, 1)));
    ASSERT_TRUE(four.has_value());
    EXPECT_EQ(Field32(*four, 32), 16u);
    EXPECT_EQ(four->size(), 40u + 64u + 12u);
}

TEST(ConvertDisplayDib, ClrUsedAtSixteenBitsAndMoreBecomesZero) {
    for (std::uint16_t bits : {16, 24, 32}) {
        for (std::uint32_t stated : {0u, 5u, 256u, 300u}) {
            const std::int64_t image = *preview::DibImageSize(bits, 5, 3);
            const Bytes pixels = Pattern(static_cast<std::size_t>(image), bits);
            const std::optional<Dib> dib = Convert(DispData(8, InfoHeader(5, 3, bits, stated) + pixels));
            ASSERT_TRUE(dib.has_value()) << bits << " " << stated;
            EXPECT_EQ(*dib, ToDib(InfoHeader(5, 3, bits, 0, static_cast<std::uint32_t>(image)) + pixels))
                << bits << " bits, biClrUsed " << stated << ": pixels at 40, no table";
        }
    }
}

TEST(ConvertDisplayDib, ASmallerStatedCountIsKept) {
    const Bytes table = Table(100, 4, 1);
    const Bytes pixels = Pattern(360, 2);
    EXPECT_EQ(Convert(DispData(8, InfoHeader(33, 10, 8, 100) + table + pixels)),
              ToDib(InfoHeader(33, 10, 8, 100, 360) + table + pixels));
}

// ---- The readers, over memory and over a file ----

enum class Via { kMemory, kFile };

void PrintTo(Via via, std::ostream* os) {
    *os << (via == Via::kMemory ? "memory" : "file");
}

class Readers : public testing::TestWithParam<Via> {
protected:
    void TearDown() override {
        m_source.reset();
        for (const std::string& path : m_paths) std::remove(path.c_str());
    }

    preview::ByteSource& Source(const Bytes& bytes) {
        m_source.reset();
        m_bytes = bytes;
        if (GetParam() == Via::kMemory) {
            m_source = std::make_unique<preview::MemoryByteSource>(m_bytes.data(), m_bytes.size());
        } else {
            m_paths.push_back(TempPath("readers"));
            WriteFile(m_paths.back(), bytes);
            m_source = preview::FileByteSource::Open(m_paths.back().c_str());
        }
        EXPECT_NE(m_source, nullptr);
        return *m_source;
    }

    preview::PictureResult Picture(const Bytes& bytes, const preview::DibHolder& hold = nullptr) {
        return preview::ReadPicture(Source(bytes), hold);
    }
    preview::DescriptionResult Description(const Bytes& bytes) { return preview::ReadDescription(Source(bytes)); }

private:
    Bytes m_bytes;
    std::unique_ptr<preview::ByteSource> m_source;
    std::vector<std::string> m_paths;
};

INSTANTIATE_TEST_SUITE_P(Sources, Readers, testing::Values(Via::kMemory, Via::kFile),
                         [](const testing::TestParamInfo<Via>& info) {
                             return info.param == Via::kMemory ? std::string("Memory") : std::string("File");
                         });

TEST_P(Readers, AWaveWithoutListOrDispHasNeitherPictureNorText) {
    const Bytes file = Wave(Chunk("data", Pattern(100, 1)));
    const preview::PictureResult picture = Picture(file);
    EXPECT_EQ(picture.outcome, PictureOutcome::kNoPicture);
    EXPECT_TRUE(picture.dib.empty());
    const preview::DescriptionResult description = Description(file);
    EXPECT_EQ(description.outcome, DescriptionOutcome::kNoList);
    EXPECT_EQ(description.text, "");
}

TEST_P(Readers, NotAWaveFile) {
    for (const Bytes& file :
         {Bytes(), Bytes("just some text"), Riff("AVI ", Chunk("DISP", DispData(8, TrueColourDib(1)))),
          Bytes("RIFF\x20\0\0\0WA", 10)}) {
        EXPECT_EQ(Picture(file).outcome, PictureOutcome::kNotWave);
        EXPECT_EQ(Description(file).outcome, DescriptionOutcome::kNotWave);
    }
}

TEST_P(Readers, FormatOneThenFormatEight) {
    const Bytes file = Wave(Chunk("DISP", DispData(1, "plain text\0")) + Chunk("data", Pattern(64, 1)) +
                            Chunk("DISP", DispData(8, EightBitDib(7))));
    const preview::PictureResult picture = Picture(file);
    EXPECT_EQ(picture.outcome, PictureOutcome::kPicture);
    EXPECT_EQ(picture.dib, EightBitNormalised(7));
}

TEST_P(Readers, TheFirstUsableDibWins) {
    const Bytes file = Wave(Chunk("DISP", DispData(8, TrueColourDib(1))) + Chunk("DISP", DispData(8, EightBitDib(2))));
    EXPECT_EQ(Picture(file).dib, TrueColourNormalised(1));
}

TEST_P(Readers, UnusableDispChunksAreLeftByTheirPaddedSize) {
    Bytes v5 = TrueColourDib(1);
    v5.replace(0, 4, Le32(124));
    const Bytes file = Wave(Chunk("DISP", DispData(8, v5) + "x") + Chunk("DISP", DispData(8, "short")) +
                            Chunk("DISP", DispData(8, InfoHeader(3, -2, 24) + Pattern(24, 1))) +
                            Chunk("DISP", DispData(8, TrueColourDib(9))));
    const preview::PictureResult picture = Picture(file);
    EXPECT_EQ(picture.outcome, PictureOutcome::kPicture);
    EXPECT_EQ(picture.dib, TrueColourNormalised(9));
}

TEST_P(Readers, NoUsableDispChunk) {
    const Bytes file = Wave(Chunk("DISP", DispData(2, "bitmap handle")) + Chunk("DISP", "") +
                            Chunk("DISP", DispData(8, EightBitDib(1).substr(0, 500))));
    const preview::PictureResult picture = Picture(file);
    EXPECT_EQ(picture.outcome, PictureOutcome::kNoPicture);
    EXPECT_TRUE(picture.dib.empty());
}

TEST_P(Readers, ADispChunkPastTheFormEndIsSkippedAndTheSearchGoesOnInsideIt) {
    // The outer chunk claims far more than the form holds; its data begins with a
    // complete DISP chunk of its own, which the next search finds.
    const Bytes inner = Chunk("DISP", DispData(8, EightBitDib(3)));
    const Bytes file = Wave(RawChunk("DISP", 0x100000, inner));
    const preview::PictureResult picture = Picture(file);
    EXPECT_EQ(picture.outcome, PictureOutcome::kPicture);
    EXPECT_EQ(picture.dib, EightBitNormalised(3));
}

TEST_P(Readers, ADispChunkPastTheFormEndIsNotRead) {
    // Its data would be a good DIB, and the whole file holds it, but not the form.
    const Bytes disp = Chunk("DISP", DispData(8, TrueColourDib(5)));
    const Bytes fmt = Fmt();
    const Bytes body = "WAVE" + fmt + disp;
    const Bytes file = RawChunk("RIFF", static_cast<std::uint32_t>(body.size() - 1), body);
    EXPECT_EQ(Picture(file).outcome, PictureOutcome::kNoPicture);
    EXPECT_EQ(Picture(Riff("WAVE", fmt + disp)).outcome, PictureOutcome::kPicture) << "the same, with the right size";
}

TEST_P(Readers, ADispChunkPastTheFileEndIsAShortRead) {
    // The form claims nearly 4 GiB; the chunk fits in it but not in the file.
    const Bytes body = "WAVE" + Fmt() + RawChunk("DISP", 5000, DispData(8, TrueColourDib(1)));
    const preview::PictureResult picture = Picture(RawChunk("RIFF", 0xFFFFFF00u, body));
    EXPECT_EQ(picture.outcome, PictureOutcome::kShortRead);
    EXPECT_TRUE(picture.dib.empty());
}

TEST_P(Readers, AnOddDispChunkWithoutItsPadAtTheEndOfTheFile) {
    const Bytes data = DispData(8, InfoHeader(1, 1, 24, 0, 5) + Pattern(5, 1));
    ASSERT_EQ(data.size() % 2, 1u);
    const Bytes body = "WAVE" + Fmt() + RawChunk("DISP", static_cast<std::uint32_t>(data.size()), data);
    const preview::PictureResult picture = Picture(RawChunk("RIFF", static_cast<std::uint32_t>(body.size()), body));
    EXPECT_EQ(picture.outcome, PictureOutcome::kPicture);
    EXPECT_EQ(picture.dib, ToDib(InfoHeader(1, 1, 24, 0, 5) + Pattern(5, 1)));
}

TEST_P(Readers, CoreHeaderPicture) {
    const Bytes triples = Table(16, 3, 5);
    const Bytes pixels = Pattern(12, 6);
    const preview::PictureResult picture =
        Picture(Wave(Chunk("DISP", DispData(8, CoreHeader(7, 3, 4) + triples + pixels))));
    ASSERT_EQ(picture.outcome, PictureOutcome::kPicture);
    EXPECT_EQ(picture.dib.size(), 40u + 64u + 12u);
    EXPECT_EQ(Field32(picture.dib, 32), 16u);
    EXPECT_EQ(Field32(picture.dib, 36), 16u);
}

TEST_P(Readers, OnlyTopLevelDispChunksCount) {
    const Bytes file = Wave(List("INFO", Chunk("DISP", DispData(8, TrueColourDib(1)))));
    EXPECT_EQ(Picture(file).outcome, PictureOutcome::kNoPicture);
}

TEST_P(Readers, AHolderThatCannotKeepADibSendsTheSearchOn) {
    const Bytes file = Wave(Chunk("DISP", DispData(8, TrueColourDib(1))) + Chunk("DISP", DispData(8, EightBitDib(2))));
    std::vector<Dib> offered;
    const preview::PictureResult picture = Picture(file, [&](const Dib& dib) {
        offered.push_back(dib);
        return offered.size() == 2;
    });
    EXPECT_EQ(picture.outcome, PictureOutcome::kPicture);
    EXPECT_EQ(picture.dib, EightBitNormalised(2));
    ASSERT_EQ(offered.size(), 2u);
    EXPECT_EQ(offered[0], TrueColourNormalised(1));

    EXPECT_EQ(Picture(file, [](const Dib&) { return false; }).outcome, PictureOutcome::kNoPicture);
}

TEST_P(Readers, AFirstListOfAnotherTypeHidesTheInfoList) {
    const Bytes file = Wave(List("adtl", Chunk("labl", "cue one")) + List("INFO", Chunk("ISBJ", "subject")));
    const preview::DescriptionResult description = Description(file);
    EXPECT_EQ(description.outcome, DescriptionOutcome::kListNotInfo);
    EXPECT_EQ(description.text, "");
}

TEST_P(Readers, ThreeLettersWithoutNul) {
    const preview::DescriptionResult description = Description(Wave(List("INFO", Chunk("ISBJ", "abc"))));
    EXPECT_EQ(description.outcome, DescriptionOutcome::kText);
    EXPECT_EQ(description.text, "abc");
    EXPECT_EQ(description.textChunkSize, 3u);
}

TEST_P(Readers, TextEndsAtTheFirstNul) {
    const preview::DescriptionResult description = Description(Wave(List("INFO", Chunk("ISBJ", Bytes("ab\0cd", 5)))));
    EXPECT_EQ(description.outcome, DescriptionOutcome::kText);
    EXPECT_EQ(description.text, "ab");
    EXPECT_EQ(description.textChunkSize, 5u);
}

TEST_P(Readers, AnEmptyTextChunkGivesAnEmptyDescription) {
    const preview::DescriptionResult description = Description(Wave(List("INFO", Chunk("ISBJ", ""))));
    EXPECT_EQ(description.outcome, DescriptionOutcome::kText);
    EXPECT_EQ(description.text, "");
    EXPECT_EQ(description.textChunkSize, 0u);
}

TEST_P(Readers, TextBytesAreKeptUnconverted) {
    const Bytes text("\x83\x60\x83\x83\x83\x43\x83\x80\r\n\xff", 11);
    EXPECT_EQ(Description(Wave(List("INFO", Chunk("INAM", "name") + Chunk("ISBJ", text + '\0')))).text, text);
}

TEST_P(Readers, AnOddTextChunkWithoutItsPadAtTheEndOfTheFile) {
    const Bytes body = "WAVE" + Fmt() + RawChunk("LIST", 4 + 8 + 3, "INFO" + RawChunk("ISBJ", 3, "xyz"));
    const preview::DescriptionResult description =
        Description(RawChunk("RIFF", static_cast<std::uint32_t>(body.size()), body));
    EXPECT_EQ(description.outcome, DescriptionOutcome::kText);
    EXPECT_EQ(description.text, "xyz");
}

TEST_P(Readers, TheTextSearchRunsOnPastTheList) {
    const Bytes file =
        Wave(List("INFO", Chunk("INAM", "name")) + Chunk("data", Pattern(10, 1)) + Chunk("ISBJ", "later"));
    EXPECT_EQ(Description(file).text, "later");
}

TEST_P(Readers, AListSizeBeyondTheFormDoesNotMatter) {
    const Bytes file = Wave(RawChunk("LIST", 0x7FFFFFFF, "INFO" + Chunk("ISBJ", "inside")));
    const preview::DescriptionResult description = Description(file);
    EXPECT_EQ(description.outcome, DescriptionOutcome::kText);
    EXPECT_EQ(description.text, "inside");
}

TEST_P(Readers, NoTextChunk) {
    EXPECT_EQ(Description(Wave(List("INFO", Chunk("INAM", "name")))).outcome, DescriptionOutcome::kNoText);
    // One after the form's end is not searched.
    EXPECT_EQ(Description(Wave(List("INFO", "")) + Chunk("ISBJ", "outside")).outcome, DescriptionOutcome::kNoText);
}

TEST_P(Readers, ATextChunkPastTheFormEnd) {
    const Bytes body = "WAVE" + Fmt() + List("INFO", Chunk("ISBJ", "abcdef"));
    const Bytes file = RawChunk("RIFF", static_cast<std::uint32_t>(body.size() - 2), body);
    const preview::DescriptionResult description = Description(file);
    EXPECT_EQ(description.outcome, DescriptionOutcome::kTextOutsideForm);
    EXPECT_EQ(description.text, "");
}

TEST_P(Readers, ATextChunkPastTheFileEndIsAShortRead) {
    const Bytes body = "WAVE" + Fmt() + List("INFO", RawChunk("ISBJ", 1000, "hel"));
    const preview::DescriptionResult description = Description(RawChunk("RIFF", 0xFFFFFF00u, body));
    EXPECT_EQ(description.outcome, DescriptionOutcome::kShortRead);
    EXPECT_EQ(description.text, "hel");
    EXPECT_EQ(description.textChunkSize, 1000u);
}

TEST_P(Readers, MissingBytesAfterTheNulStillMakeAShortRead) {
    const Bytes body = "WAVE" + Fmt() + List("INFO", RawChunk("ISBJ", 1000, Bytes("hi\0there", 8)));
    const preview::DescriptionResult description = Description(RawChunk("RIFF", 0xFFFFFF00u, body));
    EXPECT_EQ(description.outcome, DescriptionOutcome::kShortRead);
    EXPECT_EQ(description.text, "hi");
}

TEST_P(Readers, BytesAfterTheNulAreNotReadButMustBeThere) {
    // Longer than one piece of reading, with the NUL in the first piece.
    const Bytes text = Bytes("hi\0", 3) + Pattern(70000, 2);
    const Bytes whole = Wave(List("INFO", Chunk("ISBJ", text)));
    preview::ByteSource& source = Source(whole);
    CountingSource counting(source);
    const preview::DescriptionResult description = preview::ReadDescription(counting);
    EXPECT_EQ(description.outcome, DescriptionOutcome::kText);
    EXPECT_EQ(description.text, "hi");
    EXPECT_LT(counting.bytes, 66000u);

    const Bytes body = "WAVE" + Fmt() + List("INFO", RawChunk("ISBJ", 100000, text.substr(0, 65536)));
    const preview::DescriptionResult cut = Description(RawChunk("RIFF", 0xFFFFFF00u, body));
    EXPECT_EQ(cut.outcome, DescriptionOutcome::kShortRead);
    EXPECT_EQ(cut.text, "hi");
}

TEST_P(Readers, AZeroSizeList) {
    EXPECT_EQ(Description(Wave(RawChunk("LIST", 0, "") + List("INFO", Chunk("ISBJ", "text")))).outcome,
              DescriptionOutcome::kListNotInfo)
        << "its type is the next chunk's identifier";
    const Bytes body = "WAVE" + Fmt() + RawChunk("LIST", 0, "");
    EXPECT_EQ(Description(RawChunk("RIFF", static_cast<std::uint32_t>(body.size()), body)).outcome,
              DescriptionOutcome::kListNotInfo)
        << "at the end of the file";
}

TEST_P(Readers, TruncatedHeaders) {
    const Bytes body = "WAVE" + Fmt() + "LIS";
    const Bytes file = RawChunk("RIFF", static_cast<std::uint32_t>(body.size() + 20), body);
    EXPECT_EQ(Description(file).outcome, DescriptionOutcome::kNoList);
    EXPECT_EQ(Picture(file).outcome, PictureOutcome::kNoPicture);
    const Bytes cut = Wave(List("INFO", Chunk("ISBJ", "text")));
    EXPECT_EQ(Description(cut.substr(0, cut.size() - 10)).outcome, DescriptionOutcome::kNoText)
        << "the form's size reaches past the file, and the ISBJ header is cut";
}

// What the dialog shows of a chosen sound comes from one walk: each part as its
// own reader gives it, with the chunk data read once.
TEST_P(Readers, OneWalkGivesEveryPartAsItsReaderDoes) {
    const Bytes picture = Chunk("DISP", DispData(8, EightBitDib(4)));
    Bytes junk;
    for (int i = 0; i < 100000; ++i) junk += Chunk("JUNK", "");
    // The list's one sub-chunk ends four bytes past the list, where the text
    // search goes on by itself and finds an ISBJ that the form's walk steps over.
    const Bytes astray = RawChunk("LIST", 14, "INFO" + RawChunk("INAM", 6, "ab")) + "cdef" + Chunk("ISBJ", "beside");
    struct Row {
        const char* what;
        Bytes file;
        const char* text;
    } rows[] = {
        {"as a tool writes them",
         Wave(List("INFO", Chunk("INAM", "name") + Chunk("ISBJ", "a bell\0")) + Chunk("data", Pattern(2000, 1)) +
              picture),
         "a bell"},
        {"100,000 chunks before the data, the picture and the text",
         riff::Riff("WAVE", Fmt() + junk + Chunk("data", "ab") + List("INFO", Chunk("ISBJ", "far")) + picture), "far"},
        {"a picture inside a DISP chunk past the form's end",
         Wave(Chunk("data", "ab") + RawChunk("DISP", 0x100000, picture)), ""},
        {"a list whose sub-chunks end past it", Wave(Chunk("data", "ab") + picture + astray), "beside"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        CountingSource counting(Source(row.file));
        const preview::ChosenSound sound = preview::ReadChosenSound(counting, preview::kEveryPart);
        EXPECT_LE(counting.bytes, row.file.size() + preview::RiffWalker::kWindowSize) << "one walk";
        const preview::PictureResult alone = preview::ReadPicture(counting);
        EXPECT_EQ(sound.picture.outcome, alone.outcome);
        EXPECT_EQ(sound.picture.dib, alone.dib);
        EXPECT_EQ(sound.picture.dib, EightBitNormalised(4));
        const preview::DescriptionResult description = preview::ReadDescription(counting);
        EXPECT_EQ(sound.description.outcome, description.outcome);
        EXPECT_EQ(sound.description.text, description.text);
        EXPECT_EQ(sound.description.text, row.text);
        const std::optional<preview::SoundFormat> format = preview::ReadSoundFormat(counting);
        ASSERT_TRUE(sound.format && format);
        EXPECT_EQ(sound.format->format, format->format);
        EXPECT_EQ(sound.format->nDataBytes, format->nDataBytes);
    }
}

// ---- Reading what the walk skips, and the file source ----

TEST(Skipping, TheSoundDataIsNeverRead) {
    const Bytes file = Wave(Chunk("data", Pattern(1 << 20, 1)) + List("INFO", Chunk("ISBJ", "tone")) +
                            Chunk("DISP", DispData(8, TrueColourDib(1))));
    preview::MemoryByteSource memory(file.data(), file.size());
    CountingSource counting(memory);
    EXPECT_EQ(preview::ReadPicture(counting).dib, TrueColourNormalised(1));
    EXPECT_EQ(preview::ReadDescription(counting).text, "tone");
    EXPECT_LT(counting.bytes, 300u);
    EXPECT_LT(counting.reads, 20);
}

TEST(Skipping, AReadThatComesUpShortMidFile) {
    const Bytes file = Wave(Chunk("DISP", DispData(8, EightBitDib(1))) + List("INFO", Chunk("ISBJ", Pattern(200, 1))));
    preview::MemoryByteSource memory(file.data(), file.size());
    StingySource stingy(memory, 100);
    EXPECT_EQ(preview::ReadPicture(stingy).outcome, PictureOutcome::kShortRead);
    const preview::DescriptionResult description = preview::ReadDescription(stingy);
    EXPECT_EQ(description.outcome, DescriptionOutcome::kShortRead);
    EXPECT_EQ(description.text, Pattern(200, 1).substr(0, 100));
}

TEST(FileByteSource, ReadsAtOffsets) {
    const std::string path = TempPath("source");
    WriteFile(path, "0123456789");
    {
        std::unique_ptr<preview::FileByteSource> source = preview::FileByteSource::Open(path.c_str());
        ASSERT_NE(source, nullptr);
        EXPECT_EQ(source->Size(), 10u);
        char out[8] = {};
        EXPECT_EQ(source->ReadAt(3, out, 4), 4u);
        EXPECT_EQ(std::string(out, 4), "3456");
        EXPECT_EQ(source->ReadAt(8, out, 8), 2u);
        EXPECT_EQ(std::string(out, 2), "89");
        EXPECT_EQ(source->ReadAt(10, out, 8), 0u);
        EXPECT_EQ(source->ReadAt(0xFFFFFFFFFFFFull, out, 8), 0u);
        EXPECT_EQ(source->ReadAt(0, out, 1), 1u);
        EXPECT_EQ(out[0], '0');
    }
    std::remove(path.c_str());
}

TEST(FileByteSource, AMissingFileDoesNotOpen) {
    EXPECT_EQ(preview::FileByteSource::Open(TempPath("missing").c_str()), nullptr);
}

// A 1 GiB sound chunk, sparse on disk, with the LIST and DISP chunks after it.
TEST(FileByteSource, ChunksAfterAGigabyteOfSoundAreReachedWithoutReadingIt) {
    const std::uint32_t soundSize = 1u << 30;
    const Bytes tail = List("INFO", Chunk("ISBJ", "far away")) + Chunk("DISP", DispData(8, EightBitDib(6)));
    const Bytes fmt = Fmt();
    const Bytes head = RawChunk("RIFF", static_cast<std::uint32_t>(4 + fmt.size() + 8 + soundSize + tail.size()),
                                "WAVE" + fmt + RawChunk("data", soundSize, ""));
    const std::string path = TempPath("sparse");
    WriteFile(path, head);
    std::filesystem::resize_file(path, head.size() + soundSize);
    std::FILE* file = std::fopen(path.c_str(), "ab");
    ASSERT_NE(file, nullptr);
    ASSERT_EQ(std::fwrite(tail.data(), 1, tail.size(), file), tail.size());
    ASSERT_EQ(std::fclose(file), 0);
    {
        std::unique_ptr<preview::FileByteSource> source = preview::FileByteSource::Open(path.c_str());
        ASSERT_NE(source, nullptr);
        EXPECT_EQ(source->Size(), head.size() + soundSize + tail.size());
        CountingSource counting(*source);
        const preview::PictureResult picture = preview::ReadPicture(counting);
        EXPECT_EQ(picture.outcome, PictureOutcome::kPicture);
        EXPECT_EQ(picture.dib, EightBitNormalised(6));
        const preview::DescriptionResult description = preview::ReadDescription(counting);
        EXPECT_EQ(description.outcome, DescriptionOutcome::kText);
        EXPECT_EQ(description.text, "far away");
        EXPECT_LT(counting.bytes, 4096u) << "headers and the two chunks' data only";
        EXPECT_LT(counting.reads, 20);
    }
    std::remove(path.c_str());
}

// ---- The sound format ----

// The rules that the dialog's table (app/preview_dialog_test.cpp) does not reach.
TEST(SoundFormat, TheLineFollowsTheFormatChunkAndTheDataSize) {
    auto wave = [](const Bytes& fmt, const Bytes& data) { return riff::Riff("WAVE", fmt + Chunk("data", data)); };
    struct Row {
        const char* what;
        Bytes file;
        const char* line;  // null: not a readable wave file
        std::size_t formatSize;
    } rows[] = {
        {"a minute on, half a hundredth up", wave(riff::FmtOf(6, 1, 1000, 8), Bytes(65305, 0)),
         "A-law 1,000 Hz 8 ビット モノラル 1:05.31", 18},
        {"extra bytes kept, no byte rate", wave(riff::FmtOf(2, 1, 22050, 4, riff::Le16(32) + Bytes(32, 1)), ""),
         "ADPCM 22,050 Hz 4 ビット モノラル", 50},
        {"no sample size, a tag by number", wave(riff::FmtOf(0x55, 2, 44100, 0), ""), "0x0055 44,100 Hz ステレオ", 18},
        {"an extensible format of no tag",
         wave(riff::FmtOf(0xFFFE, 2, 44100, 16, riff::Extensible(1, "ABCDEFGHIJKL")), ""),
         "0xFFFE 44,100 Hz 16 ビット ステレオ 0.00 秒", 40},
        {"cbSize past the chunk, chunks before the data",
         wave(riff::FmtOf(1, 1, 8000, 8, riff::Le16(100)) + Chunk("JUNK", "xy") + riff::List("INFO", ""), ""),
         "PCM 8,000 Hz 8 ビット モノラル 0.00 秒", 118},
        {"17 bytes: no cbSize", wave(Chunk("fmt ", riff::FmtOf(1, 1, 8000, 8).substr(8, 16) + "\xFF"), ""),
         "PCM 8,000 Hz 8 ビット モノラル 0.00 秒", 18},
        {"short format", wave(Chunk("fmt ", Bytes(14, 1)), "ab"), nullptr, 0},
        {"no format", riff::Riff("WAVE", Chunk("data", "ab")), nullptr, 0},
        {"data before the format", riff::Riff("WAVE", Chunk("data", "ab") + riff::FmtOf(1, 1, 8000, 8)), nullptr, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        preview::MemoryByteSource memory(row.file.data(), row.file.size());
        CountingSource source(memory);
        std::optional<preview::SoundFormat> format = preview::ReadSoundFormat(source);
        ASSERT_EQ(format.has_value(), row.line != nullptr);
        if (!format) continue;
        EXPECT_EQ(preview::DescribeSoundFormat(*format), row.line);
        EXPECT_EQ(format->format.size(), row.formatSize);
        EXPECT_GE(format->format.size(), 18u + le::Get16(format->format.data() + 16)) << "every byte cbSize promises";
        EXPECT_LT(source.bytes, 200u) << "headers and the format only, never the sound";
    }
}

}  // namespace
