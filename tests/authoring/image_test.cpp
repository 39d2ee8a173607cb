#include <gtest/gtest.h>

#include <random>

#include "DisplayDib.h"
#include "Errors.h"
#include "Image.h"
#include "test_support.h"

namespace authoring {
namespace {

using riff::Le16;
using riff::Le32;
using test::Bytes;
using test::PngChunk;
using test::PngPicture;
using test::ToVector;

const Rgb kBackground{10, 200, 30};

Image DecodedPng(const Bytes& file) {
    return DecodeImage(ToVector(file), kBackground);
}
Image DecodedBmp(const Bytes& file) {
    return DecodeBmp(ToVector(file), kBackground);
}

template <typename Decode>
std::string MessageOf(Decode decode) {
    try {
        decode();
    } catch (const InputError& error) {
        return error.what();
    }
    return "no error";
}

std::uint8_t To8(std::uint32_t v, int depth) {
    return static_cast<std::uint8_t>(depth == 16 ? (v * 255 + 32767) / 65535 : v);
}

std::uint8_t Blend(std::uint8_t c, std::uint8_t a, std::uint8_t back) {
    return static_cast<std::uint8_t>((c * a + back * (255 - a) + 127) / 255);
}

Bytes Palette(std::size_t count) {
    Bytes plte;
    for (std::size_t i = 0; i < count; ++i) {
        plte += static_cast<char>(i * 7);
        plte += static_cast<char>(255 - i);
        plte += static_cast<char>(i * 3 + 1);
    }
    return plte;
}

PngPicture MakePng(int colourType, int depth, bool interlaced, std::uint32_t width = 13, std::uint32_t height = 11) {
    PngPicture png;
    png.width = width;
    png.height = height;
    png.depth = depth;
    png.colourType = colourType;
    png.interlaced = interlaced;
    std::mt19937 random(static_cast<unsigned>(colourType * 100 + depth + (interlaced ? 50 : 0)));
    std::uint32_t limit = 1u << depth;
    if (colourType == 3) {
        const std::size_t entries = depth == 8 ? 200 : limit;
        limit = static_cast<std::uint32_t>(entries);
        png.extraChunks = PngChunk("PLTE", Palette(entries));
    }
    for (std::size_t i = 0; i < std::size_t{width} * height * png.Channels(); ++i) {
        png.samples.push_back(random() % limit);
    }
    // Fully transparent and fully opaque pixels at the corners.
    if (colourType == 4 || colourType == 6) {
        png.samples[png.Channels() - 1] = 0;
        png.samples[png.Channels() * 2 - 1] = limit - 1;
    }
    return png;
}

// What the decoder must make of a PNG's samples.
Image Expected(const PngPicture& png) {
    Image image;
    image.width = png.width;
    image.height = png.height;
    const std::size_t count = std::size_t{png.width} * png.height;
    if (png.colourType == 3 || (png.colourType == 0 && png.depth <= 8)) {
        image.indexBits = png.depth == 1 ? 1 : png.depth == 8 ? 8 : 4;
        if (png.colourType == 3) {
            const Bytes plte = png.extraChunks.substr(8, png.extraChunks.size() - 12);
            for (std::size_t i = 0; i < plte.size(); i += 3) {
                image.palette.push_back({static_cast<std::uint8_t>(plte[i]), static_cast<std::uint8_t>(plte[i + 1]),
                                         static_cast<std::uint8_t>(plte[i + 2])});
            }
        } else {
            const std::uint32_t levels = 1u << png.depth;
            for (std::uint32_t v = 0; v < levels; ++v) {
                const auto grey = static_cast<std::uint8_t>(v * 255 / (levels - 1));
                image.palette.push_back({grey, grey, grey});
            }
        }
        for (std::uint32_t s : png.samples) image.pixels.push_back(static_cast<std::uint8_t>(s));
        return image;
    }
    const int channels = png.Channels();
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint32_t* s = &png.samples[i * channels];
        const bool grey = png.colourType == 0 || png.colourType == 4;
        const std::uint8_t r = To8(s[0], png.depth);
        const std::uint8_t g = grey ? r : To8(s[1], png.depth);
        const std::uint8_t b = grey ? r : To8(s[2], png.depth);
        const std::uint8_t a = png.colourType == 4   ? To8(s[1], png.depth)
                               : png.colourType == 6 ? To8(s[3], png.depth)
                                                     : 255;
        image.pixels.push_back(Blend(r, a, kBackground.r));
        image.pixels.push_back(Blend(g, a, kBackground.g));
        image.pixels.push_back(Blend(b, a, kBackground.b));
    }
    return image;
}

void ExpectSame(const Image& actual, const Image& expected) {
    EXPECT_EQ(actual.width, expected.width);
    EXPECT_EQ(actual.height, expected.height);
    EXPECT_EQ(actual.indexBits, expected.indexBits);
    EXPECT_TRUE(actual.palette == expected.palette);
    EXPECT_TRUE(actual.pixels == expected.pixels);
}

TEST(Png, DecodesEveryColourTypeAndDepthPlainAndInterlaced) {
    const std::pair<int, std::vector<int>> kinds[] = {
        {0, {1, 2, 4, 8, 16}}, {2, {8, 16}}, {3, {1, 2, 4, 8}}, {4, {8, 16}}, {6, {8, 16}}};
    for (const auto& kind : kinds) {
        for (int depth : kind.second) {
            for (bool interlaced : {false, true}) {
                SCOPED_TRACE("colour type " + std::to_string(kind.first) + ", depth " + std::to_string(depth) +
                             (interlaced ? ", interlaced" : ""));
                const PngPicture png = MakePng(kind.first, depth, interlaced);
                ExpectSame(DecodedPng(png.File()), Expected(png));
            }
        }
    }
}

TEST(Png, DecodesInterlacedPicturesSmallerThanAPassBlock) {
    for (std::uint32_t size : {1u, 2u, 3u, 5u}) {
        const PngPicture png = MakePng(2, 8, true, size, size + 1);
        ExpectSame(DecodedPng(png.File()), Expected(png));
    }
}

TEST(Png, BlendsTransparentPaletteEntriesOntoTheBackground) {
    PngPicture png = MakePng(3, 4, false);
    Image expected = Expected(png);
    png.extraChunks += PngChunk("tRNS", Bytes("\x00\x80", 2));
    const Rgb first = expected.palette[0];
    const Rgb second = expected.palette[1];
    expected.palette[0] = kBackground;
    expected.palette[1] = {Blend(second.r, 0x80, kBackground.r), Blend(second.g, 0x80, kBackground.g),
                           Blend(second.b, 0x80, kBackground.b)};
    EXPECT_FALSE(first == kBackground);
    ExpectSame(DecodedPng(png.File()), expected);
}

TEST(Png, TurnsTheTransparentGreyOrColourIntoTheBackground) {
    PngPicture grey = MakePng(0, 8, false);
    grey.extraChunks = PngChunk("tRNS", Bytes("\x00\x05", 2));
    Image expected = Expected(grey);
    expected.palette[5] = kBackground;
    ExpectSame(DecodedPng(grey.File()), expected);

    PngPicture colour = MakePng(2, 16, false, 2, 1);
    colour.samples = {0x1234, 0x5678, 0x9ABC, 0x1234, 0x5678, 0x9ABD};
    colour.extraChunks = PngChunk("tRNS", Bytes("\x12\x34\x56\x78\x9A\xBC", 6));
    const Image decoded = DecodedPng(colour.File());
    EXPECT_EQ(decoded.pixels[0], kBackground.r);
    EXPECT_EQ(decoded.pixels[1], kBackground.g);
    EXPECT_EQ(decoded.pixels[2], kBackground.b);
    EXPECT_EQ(decoded.pixels[3], To8(0x1234, 16));
    EXPECT_EQ(decoded.pixels[5], To8(0x9ABD, 16));
}

TEST(Png, IgnoresAncillaryChunksItDoesNotKnow) {
    PngPicture png = MakePng(2, 8, false);
    png.extraChunks = PngChunk("tEXt", Bytes("Comment\0hi", 10)) + PngChunk("zzZZ", "x");
    ExpectSame(DecodedPng(png.File()), Expected(png));
}

TEST(Png, RefusesPicturesLargerThanTheLimit) {
    EXPECT_NE(MessageOf([] { DecodedPng(MakePng(0, 1, false, 1025, 1).File()); }).find("1025 x 1 pixels, larger"),
              std::string::npos);
    EXPECT_NE(MessageOf([] { DecodedPng(MakePng(0, 1, false, 1, 1025).File()); }).find("larger than the 1024 x 1024"),
              std::string::npos);
    EXPECT_NO_THROW(DecodedPng(MakePng(0, 1, false, 1024, 1024).File()));
}

TEST(Png, RefusesEveryTruncation) {
    const Bytes file = MakePng(6, 8, true).File();
    for (std::size_t size = 0; size < file.size(); ++size) {
        EXPECT_THROW(DecodedPng(file.substr(0, size)), InputError) << size;
    }
}

TEST(Png, RefusesDamagedChunks) {
    const Bytes good = MakePng(2, 8, false).File();
    Bytes crc = good;
    crc[20] = static_cast<char>(crc[20] ^ 1);
    EXPECT_NE(MessageOf([&] {
                  DecodedPng(crc);
              }).find("the PNG picture is damaged or not one this tool reads (libpng: IHDR: CRC error)"),
              std::string::npos);

    const Bytes noHeader = good.substr(0, 8) + PngChunk("gAMA", Bytes(4, '\1')) + good.substr(8);
    EXPECT_NE(MessageOf([&] { DecodedPng(noHeader); }).find("missing IHDR"), std::string::npos);

    PngPicture critical = MakePng(2, 8, false);
    critical.extraChunks = PngChunk("QQQQ", "x");
    EXPECT_NE(MessageOf([&] { DecodedPng(critical.File()); }).find("QQQQ: unhandled critical chunk"),
              std::string::npos);

    PngPicture noPalette = MakePng(3, 4, false);
    noPalette.extraChunks.clear();
    EXPECT_NE(MessageOf([&] { DecodedPng(noPalette.File()); }).find("Missing PLTE before IDAT"), std::string::npos);

    const Bytes noData = good.substr(0, 33) + PngChunk("IEND", "");
    EXPECT_NE(MessageOf([&] { DecodedPng(noData); }).find("IEND: out of place"), std::string::npos);
}

// A PNG of the given header and a little image data, whatever the header says.
Bytes PngWithHeader(int depth, int colourType, int interlace) {
    Bytes header = test::Be32(1) + test::Be32(1);
    header += static_cast<char>(depth);
    header += static_cast<char>(colourType);
    header += Bytes("\0\0", 2);
    header += static_cast<char>(interlace);
    return Bytes("\x89PNG\r\n\x1a\n", 8) + PngChunk("IHDR", header) + PngChunk("IDAT", test::Compress(Bytes(2, '\0'))) +
           PngChunk("IEND", "");
}

TEST(Png, RefusesHeadersPngDoesNotAllow) {
    for (const auto& kind : std::vector<std::pair<int, int>>{{3, 16}, {2, 4}, {6, 1}, {0, 3}}) {
        const Bytes file = PngWithHeader(kind.second, kind.first, 0);
        EXPECT_NE(MessageOf([&] { DecodedPng(file); }).find("Invalid IHDR data"), std::string::npos)
            << kind.first << " " << kind.second;
    }
    EXPECT_NE(MessageOf([&] { DecodedPng(PngWithHeader(8, 5, 0)); }).find("Invalid IHDR data"), std::string::npos);
    EXPECT_NE(MessageOf([&] { DecodedPng(PngWithHeader(8, 0, 2)); }).find("Invalid IHDR data"), std::string::npos);
    EXPECT_NO_THROW(DecodedPng(PngWithHeader(8, 0, 0)));
}

TEST(Png, RefusesPixelsOutsideThePalette) {
    PngPicture png = MakePng(3, 8, false, 3, 1);
    png.extraChunks = PngChunk("PLTE", Palette(4));
    png.samples = {0, 3, 7};
    EXPECT_NE(MessageOf([&] { DecodedPng(png.File()); }).find("uses colour 7 of a palette of 4"), std::string::npos);
}

TEST(Png, RefusesUnknownRowFiltersAndTooLittleImageData) {
    PngPicture png = MakePng(0, 8, false, 2, 1);
    const Bytes start = Bytes("\x89PNG\r\n\x1a\n", 8) + png.File().substr(8, 25);
    EXPECT_NE(MessageOf([&] {
                  DecodedPng(start + PngChunk("IDAT", test::Compress(Bytes("\x05\x01\x02", 3))) + PngChunk("IEND", ""));
              }).find("bad adaptive filter value"),
              std::string::npos);
    // Image data past the last row is left unread, as libpng leaves it.
    const Image extra =
        DecodedPng(start + PngChunk("IDAT", test::Compress(Bytes("\x00\x01\x02\x03", 4))) + PngChunk("IEND", ""));
    EXPECT_EQ(extra.pixels, (authoring::Bytes{1, 2}));
    EXPECT_NE(MessageOf([&] {
                  DecodedPng(start + PngChunk("IDAT", test::Compress(Bytes("\x00\x01", 2))) + PngChunk("IEND", ""));
              }).find("Not enough image data"),
              std::string::npos);
}

// A BMP file: pixels are palette indices or raw 16- or 32-bit values, or
// 0xRRGGBB at 24 bits, rows top to bottom; height < 0 stores them top-down.
struct BmpPicture {
    std::int32_t width = 0;
    std::int32_t height = 0;
    int bits = 8;
    std::uint32_t compression = 0;
    std::uint32_t headerSize = 40;
    std::uint32_t clrUsed = 0;
    std::vector<std::uint32_t> palette;
    std::vector<std::uint32_t> masks;
    std::vector<std::uint32_t> pixels;

    Bytes File() const {
        Bytes header;
        const std::uint32_t rows = static_cast<std::uint32_t>(std::abs(height));
        if (headerSize == 12) {
            header = Le32(12) + Le16(static_cast<std::uint16_t>(width)) + Le16(static_cast<std::uint16_t>(height)) +
                     Le16(1) + Le16(static_cast<std::uint16_t>(bits));
        } else {
            header = Le32(headerSize) + Le32(static_cast<std::uint32_t>(width)) +
                     Le32(static_cast<std::uint32_t>(height)) + Le16(1) + Le16(static_cast<std::uint16_t>(bits)) +
                     Le32(compression) + Le32(0) + Le32(2835) + Le32(2835) + Le32(clrUsed) + Le32(0);
            if (headerSize > 40) {
                for (std::uint32_t m : masks) header += Le32(m);
                header.resize(headerSize, '\0');
            }
        }
        Bytes table;
        if (headerSize == 40) {
            for (std::uint32_t m : masks) table += Le32(m);
        }
        for (std::uint32_t c : palette) {
            table += static_cast<char>(c);
            table += static_cast<char>(c >> 8);
            table += static_cast<char>(c >> 16);
            if (headerSize != 12) table += '\0';
        }
        const std::size_t stride = (static_cast<std::size_t>(bits) * width + 31) / 32 * 4;
        Bytes data;
        for (std::uint32_t r = 0; r < rows; ++r) {
            const std::uint32_t y = height < 0 ? r : rows - 1 - r;
            Bytes row(stride, '\0');
            for (std::int32_t x = 0; x < width; ++x) {
                const std::uint32_t v = pixels[y * width + x];
                if (bits < 8) {
                    const std::size_t bit = static_cast<std::size_t>(x) * bits;
                    row[bit / 8] = static_cast<char>(row[bit / 8] | v << (8 - bits - bit % 8));
                } else {
                    for (int i = 0; i < bits / 8; ++i) row[x * (bits / 8) + i] = static_cast<char>(v >> (8 * i));
                }
            }
            data += row;
        }
        const std::uint32_t offset = static_cast<std::uint32_t>(14 + header.size() + table.size());
        return Bytes("BM", 2) + Le32(static_cast<std::uint32_t>(offset + data.size())) + Le32(0) + Le32(offset) +
               header + table + data;
    }
};

BmpPicture IndexedBmp(int bits, std::uint32_t colours, std::int32_t width = 13, std::int32_t height = 5) {
    BmpPicture bmp;
    bmp.width = width;
    bmp.height = height;
    bmp.bits = bits;
    const std::uint32_t maximum = 1u << bits;
    bmp.clrUsed = colours == maximum ? 0 : colours;
    for (std::uint32_t i = 0; i < colours; ++i) bmp.palette.push_back(0x010203 * i + 0x400000);
    for (std::int32_t i = 0; i < width * std::abs(height); ++i) bmp.pixels.push_back((i * 5 + i / 3) % colours);
    return bmp;
}

void ExpectIndexed(const Image& image, const BmpPicture& bmp) {
    EXPECT_EQ(image.indexBits, bmp.bits);
    ASSERT_EQ(image.palette.size(), bmp.palette.size());
    for (std::size_t i = 0; i < bmp.palette.size(); ++i) {
        EXPECT_TRUE(image.palette[i] ==
                    (Rgb{static_cast<std::uint8_t>(bmp.palette[i] >> 16),
                         static_cast<std::uint8_t>(bmp.palette[i] >> 8), static_cast<std::uint8_t>(bmp.palette[i])}));
    }
    ASSERT_EQ(image.pixels.size(), bmp.pixels.size());
    for (std::size_t i = 0; i < bmp.pixels.size(); ++i) EXPECT_EQ(image.pixels[i], bmp.pixels[i]) << i;
}

std::vector<std::uint8_t> Rgbs(const Image& image) {
    return std::vector<std::uint8_t>(image.pixels.begin(), image.pixels.end());
}

TEST(Bmp, DecodesPalettesOfEveryDepth) {
    for (const auto& [bits, colours] :
         std::vector<std::pair<int, std::uint32_t>>{{1, 2}, {4, 16}, {4, 5}, {8, 256}, {8, 37}}) {
        SCOPED_TRACE(std::to_string(bits) + " bits, " + std::to_string(colours) + " colours");
        const BmpPicture bmp = IndexedBmp(bits, colours);
        const Image image = DecodedBmp(bmp.File());
        EXPECT_EQ(image.width, 13u);
        EXPECT_EQ(image.height, 5u);
        ExpectIndexed(image, bmp);
    }
}

TEST(Bmp, DecodesCoreHeadersAndTopDownRows) {
    BmpPicture core = IndexedBmp(8, 256);
    core.headerSize = 12;
    ExpectIndexed(DecodedBmp(core.File()), core);
    BmpPicture topDown = IndexedBmp(4, 16, 7, -6);
    ExpectIndexed(DecodedBmp(topDown.File()), topDown);
}

TEST(Bmp, DecodesTrueColourAndBitFields) {
    BmpPicture bmp;
    bmp.width = 3;
    bmp.height = 1;
    bmp.bits = 24;
    bmp.pixels = {0x102030, 0xFFFFFF, 0x00FF7F};
    EXPECT_EQ(Rgbs(DecodedBmp(bmp.File())), (std::vector<std::uint8_t>{0x10, 0x20, 0x30, 255, 255, 255, 0, 255, 0x7F}));

    bmp.bits = 16;  // 5-5-5
    bmp.pixels = {0x7C00, 0x03E0, 0x0421};
    EXPECT_EQ(Rgbs(DecodedBmp(bmp.File())), (std::vector<std::uint8_t>{255, 0, 0, 0, 255, 0, 8, 8, 8}));

    bmp.compression = 3;  // 5-6-5 bit fields after an info header
    bmp.masks = {0xF800, 0x07E0, 0x001F};
    bmp.pixels = {0xF800, 0x07E0, 0x0841};
    EXPECT_EQ(Rgbs(DecodedBmp(bmp.File())), (std::vector<std::uint8_t>{255, 0, 0, 0, 255, 0, 8, 8, 8}));

    bmp.bits = 32;  // no alpha in an info header's RGB: the top byte means nothing
    bmp.compression = 0;
    bmp.masks.clear();
    bmp.pixels = {0xAA102030, 0x00405060, 0xFFFFFFFF};
    EXPECT_EQ(Rgbs(DecodedBmp(bmp.File())),
              (std::vector<std::uint8_t>{0x10, 0x20, 0x30, 0x40, 0x50, 0x60, 255, 255, 255}));
}

TEST(Bmp, BlendsAlphaFromAVersion5Header) {
    BmpPicture bmp;
    bmp.width = 3;
    bmp.height = 1;
    bmp.bits = 32;
    bmp.compression = 3;
    bmp.headerSize = 124;
    bmp.masks = {0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000};
    bmp.pixels = {0x00FFFFFF, 0xFF102030, 0x80FF0000};
    EXPECT_EQ(Rgbs(DecodedBmp(bmp.File())),
              (std::vector<std::uint8_t>{kBackground.r, kBackground.g, kBackground.b, 0x10, 0x20, 0x30,
                                         Blend(255, 0x80, kBackground.r), Blend(0, 0x80, kBackground.g),
                                         Blend(0, 0x80, kBackground.b)}));

    // Alpha 0 throughout is a writer's omission: the picture is opaque.
    bmp.pixels = {0x00FFFFFF, 0x00102030, 0x00FF0000};
    EXPECT_EQ(Rgbs(DecodedBmp(bmp.File())), (std::vector<std::uint8_t>{255, 255, 255, 0x10, 0x20, 0x30, 255, 0, 0}));
}

TEST(Bmp, RefusesWhatItCannotRead) {
    BmpPicture rle = IndexedBmp(8, 256);
    rle.compression = 1;
    EXPECT_NE(MessageOf([&] { DecodedBmp(rle.File()); }).find("RLE-compressed"), std::string::npos);

    BmpPicture outside = IndexedBmp(4, 5);
    outside.pixels[3] = 9;
    EXPECT_NE(MessageOf([&] { DecodedBmp(outside.File()); }).find("uses colour 9 of a palette of 5"),
              std::string::npos);

    BmpPicture large = IndexedBmp(1, 2, 2000, 1);
    EXPECT_NE(MessageOf([&] { DecodedBmp(large.File()); }).find("2000 x 1 pixels, larger"), std::string::npos);

    BmpPicture os2 = IndexedBmp(8, 256);
    os2.headerSize = 64;
    EXPECT_NE(MessageOf([&] { DecodedBmp(os2.File()); }).find("OS/2"), std::string::npos);

    BmpPicture gaps;
    gaps.width = 1;
    gaps.height = 1;
    gaps.bits = 16;
    gaps.compression = 3;
    gaps.masks = {0xF00F, 0x0F00, 0x00F0};
    gaps.pixels = {0};
    EXPECT_NE(MessageOf([&] { DecodedBmp(gaps.File()); }).find("not contiguous"), std::string::npos);

    BmpPicture empty = IndexedBmp(8, 256);
    empty.width = 0;
    empty.pixels.clear();
    EXPECT_NE(MessageOf([&] { DecodedBmp(empty.File()); }).find("no valid size"), std::string::npos);
}

TEST(Bmp, RefusesEveryTruncation) {
    for (const Bytes& file : {IndexedBmp(8, 256).File(), IndexedBmp(4, 16).File()}) {
        for (std::size_t size = 0; size + 3 < file.size(); ++size) {
            EXPECT_THROW(DecodedBmp(file.substr(0, size)), InputError) << size;
        }
    }
}

TEST(Image, TellsPngAndBmpApartAndRefusesTheRest) {
    EXPECT_EQ(DecodeImage(ToVector(MakePng(2, 8, false).File()), kBackground).width, 13u);
    EXPECT_EQ(DecodeImage(ToVector(IndexedBmp(8, 256).File()), kBackground).width, 13u);
    EXPECT_THROW(DecodeImage(ToVector("GIF89a"), kBackground), InputError);
    EXPECT_THROW(DecodeImage({}, kBackground), InputError);
}

Image SmallImage(int indexBits, std::uint32_t width, std::uint32_t height) {
    Image image;
    image.width = width;
    image.height = height;
    image.indexBits = indexBits;
    const std::uint32_t colours = indexBits == 0 ? 0 : 1u << indexBits;
    for (std::uint32_t i = 0; i < colours; ++i) {
        image.palette.push_back({static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(i * 2), 7});
    }
    for (std::uint32_t i = 0; i < width * height * (indexBits == 0 ? 3 : 1); ++i) {
        image.pixels.push_back(static_cast<std::uint8_t>(indexBits == 0 ? i * 11 : i % colours));
    }
    return image;
}

TEST(PackedDib, HasTheHeaderPaletteAndBottomUpPaddedRows) {
    const Image image = SmallImage(8, 13, 3);
    const authoring::Bytes dib = MakePackedDib(image);
    const std::uint32_t stride = 16;
    ASSERT_EQ(dib.size(), 40u + 4 * 256 + stride * 3);
    EXPECT_EQ(le::Get32(&dib[0]), 40u);
    EXPECT_EQ(le::Get32(&dib[4]), 13u);
    EXPECT_EQ(le::Get32(&dib[8]), 3u);
    EXPECT_EQ(le::Get16(&dib[12]), 1);
    EXPECT_EQ(le::Get16(&dib[14]), 8);
    EXPECT_EQ(le::Get32(&dib[16]), 0u);
    EXPECT_EQ(le::Get32(&dib[20]), stride * 3);
    EXPECT_EQ(le::Get32(&dib[32]), 256u);
    EXPECT_EQ(dib[40 + 4 * 5 + 0], 7);   // blue
    EXPECT_EQ(dib[40 + 4 * 5 + 1], 10);  // green
    EXPECT_EQ(dib[40 + 4 * 5 + 2], 5);   // red
    EXPECT_EQ(dib[40 + 4 * 5 + 3], 0);
    const std::size_t bits = 40 + 4 * 256;
    EXPECT_EQ(dib[bits], image.pixels[2 * 13]);  // the bottom row first
    EXPECT_EQ(dib[bits + 2 * stride + 12], image.pixels[12]);
    EXPECT_EQ(dib[bits + 13], 0);  // padding
}

TEST(PackedDib, PacksSmallIndicesFromTheHighBitsAndTrueColourAsBlueGreenRed) {
    const Image one = SmallImage(1, 10, 1);
    const authoring::Bytes oneDib = MakePackedDib(one);
    ASSERT_EQ(oneDib.size(), 40u + 8 + 4);
    EXPECT_EQ(oneDib[48], 0x55);  // 0101 0101
    EXPECT_EQ(oneDib[49], 0x40);  // 01

    const Image four = SmallImage(4, 3, 1);
    const authoring::Bytes fourDib = MakePackedDib(four);
    EXPECT_EQ(fourDib[40 + 64], 0x01);
    EXPECT_EQ(fourDib[40 + 64 + 1], 0x20);

    const Image rgb = SmallImage(0, 5, 2);
    const authoring::Bytes rgbDib = MakePackedDib(rgb);
    ASSERT_EQ(rgbDib.size(), 40u + 16 * 2);
    EXPECT_EQ(le::Get32(&rgbDib[32]), 0u);
    EXPECT_EQ(rgbDib[40], rgb.pixels[15 + 2]);  // bottom row, blue first
    EXPECT_EQ(rgbDib[42], rgb.pixels[15]);
}

// ZORVAND holds exactly the DIB that the tool writes: it is already normal.
TEST(PackedDib, IsWhatTheProgramHolds) {
    for (int bits : {0, 1, 4, 8}) {
        const authoring::Bytes dib = MakePackedDib(SmallImage(bits, 33, 10));
        authoring::Bytes chunk;
        le::Append32(chunk, 8);
        chunk.insert(chunk.end(), dib.begin(), dib.end());
        const auto held = preview::ConvertDisplayDib(chunk.data(), chunk.size());
        ASSERT_TRUE(held.has_value()) << bits;
        EXPECT_TRUE(*held == dib) << bits;
    }
}

}  // namespace
}  // namespace authoring
