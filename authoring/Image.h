// Pictures read from image files, and the packed DIB that a DISP chunk carries
// after its clipboard format. BMP files go through the program's own DIB code;
// every other format through the platform's decoders: the Windows Imaging
// Component on Windows, libpng and libjpeg elsewhere.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "Bytes.h"

namespace authoring {

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

// Decodes an image file. Transparent pixels are blended onto the background.
// Throws InputError, saying why, for a file that no decoder takes, for a damaged
// one and for a picture larger than kMaxPictureSide in either direction.
Image DecodeImage(const Bytes& file, Rgb background);

// BMP: core, info, V4 and V5 headers; 1, 4 and 8 bits with a palette; 16, 24
// and 32 bits as RGB or bit fields (alpha from a V3 or later header's mask).
// Compressed (RLE, JPEG, PNG) bitmaps are refused.
Image DecodeBmp(const Bytes& file, Rgb background);

// Any other picture, through the platform's decoders. A palette (PNG's, or
// grey scales of at most 8 bits) stays a palette at 1, 4 or 8 bits; the rest
// becomes true colour, 16-bit samples rounded to 8 bits.
Image DecodeWithPlatform(const Bytes& file, Rgb background);

// A colour over the background at alpha (0 transparent, 255 opaque).
Rgb Blend(Rgb colour, std::uint32_t alpha, Rgb background);

// True-colour pixels from 8-bit red, green, blue and alpha samples, blended onto
// the background.
Bytes BlendRgba(const Bytes& rgba, Rgb background);

// The palette of grey levels at bits bits per pixel, black to white.
std::vector<Rgb> GreyLevels(int bits);

// Gives an image, its size and palette set, its pixels from indices of bits bits
// (1, 2, 4 or 8) packed from each byte's high bits: the top row at rows, each
// next one stride bytes on (less for rows stored bottom-up). 2-bit indices are
// held at 4 bits. Throws InputError, what being the picture, for an index
// outside the palette.
void UnpackIndices(Image& image, const std::uint8_t* rows, std::ptrdiff_t stride, int bits, const std::string& what);

// Throws InputError when a picture of this size is refused.
void CheckPictureSize(std::uint64_t width, std::uint64_t height);

// A packed DIB: a 40-byte BITMAPINFOHEADER, the palette as RGBQUADs, then the
// rows bottom-up, each padded to 32 bits. biSizeImage and biClrUsed are always
// stated and every field that says nothing about the picture is 0, so the same
// image always gives the same bytes.
Bytes MakePackedDib(const Image& image);

// "96 x 112, 8 bits per pixel, 16 colours", for messages and listings.
std::string DescribeDib(std::int32_t width, std::int32_t height, int bitCount, std::uint32_t colours);

}  // namespace authoring
