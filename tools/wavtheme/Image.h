// Pictures read from BMP and PNG files, and the packed DIB that a DISP chunk
// carries after its clipboard format.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "Bytes.h"

namespace wavtheme {

// The largest width and height taken. The dialog's frame shows about 100 x 116
// pixels; the limit keeps a DISP chunk of a few megabytes at most.
constexpr std::uint32_t kMaxPictureSide = 1024;
// The dialog's picture frame, inside its border: a larger picture shows only its
// bottom-left part.
constexpr std::uint32_t kFrameWidth = 100;
constexpr std::uint32_t kFrameHeight = 116;

struct Rgb {
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;
    bool operator==(const Rgb& other) const { return r == other.r && g == other.g && b == other.b; }
};

struct Image {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    // 0 for true colour; otherwise the DIB's bits per pixel for the palette
    // indices: 1, 4 or 8. Every index is below 2 to this power and below the
    // palette's size.
    int indexBits = 0;
    std::vector<Rgb> palette;
    // Rows top to bottom, without padding: one palette index per pixel, or red,
    // green and blue bytes per pixel.
    Bytes pixels;
};

// Decodes a PNG or a BMP file, told apart by their signatures. Transparent
// pixels are blended onto the background. Throws InputError, saying why, for
// anything else, for a damaged file and for a picture larger than
// kMaxPictureSide in either direction.
Image DecodeImage(const Bytes& file, Rgb background);

// PNG: colour types 0, 2, 3, 4 and 6 at every bit depth they allow (16-bit
// samples are rounded to 8 bits), interlaced or not. A palette or a grey scale of
// at most 8 bits stays a palette; the rest becomes true colour.
Image DecodePng(const Bytes& file, Rgb background);

// BMP: core, info, V4 and V5 headers; 1, 4 and 8 bits with a palette; 16, 24
// and 32 bits as RGB or bit fields (alpha from a V3 or later header's mask).
// Compressed (RLE, JPEG, PNG) bitmaps are refused.
Image DecodeBmp(const Bytes& file, Rgb background);

// Throws InputError when a picture of this size is refused.
void CheckPictureSize(std::uint64_t width, std::uint64_t height);

// A packed DIB: a 40-byte BITMAPINFOHEADER, the palette as RGBQUADs, then the
// rows bottom-up, each padded to 32 bits. biSizeImage and biClrUsed are always
// stated and every field that says nothing about the picture is 0, so the same
// image always gives the same bytes.
Bytes MakePackedDib(const Image& image);

// "96 x 112, 8 bits per pixel, 16 colours", for messages and listings.
std::string DescribeDib(std::int32_t width, std::int32_t height, int bitCount, std::uint32_t colours);

}  // namespace wavtheme
