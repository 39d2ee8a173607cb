// The pictures that wave files carry in "DISP" chunks, and the one layout in which
// the program holds them.
//
// A DISP chunk's data: a 32-bit clipboard format (only 8, CF_DIB, is used), then a
// packed DIB: a 40-byte BITMAPINFOHEADER followed by n RGBQUADs, or a 12-byte
// BITMAPCOREHEADER followed by n RGBTRIPLEs, then the pixels; n is CountDibColors.
//
// The normalised DIB that ConvertDisplayDib makes, byte for byte:
//   offset 0           BITMAPINFOHEADER, 40 bytes, biSize 40
//   offset 40          n RGBQUAD entries (blue, green, red, 0), 4n bytes
//   offset 40 + 4n     biSizeImage bytes of pixels
// and nothing after: 40 + 4n + biSizeImage bytes in all, where n is the header's
// biClrUsed, at most 256. biClrUsed is always set to the n entries stored, so a
// reader that counts colours by biClrUsed (the bitmap class does) finds the pixels
// where they are, and the block's size follows from its header alone.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace preview {

constexpr std::uint32_t kClipboardFormatDib = 8;
constexpr std::uint32_t kInfoHeaderSize = 40;
constexpr std::uint32_t kCoreHeaderSize = 12;

// The image size rule ((bitCount x width + 31) >> 5) x 4 x height: rows rounded up
// to 32 bits, the shift rounding down for a negative width. Computed in 64 bits;
// empty when the product leaves that range.
std::optional<std::int64_t> DibImageSize(std::uint16_t bitCount, std::int32_t width, std::int32_t height);

// Colour-table entries of a source DIB header of size bytes. A 12-byte core header
// states no count; any other header states the low 16 bits of biClrUsed. The
// result is that count when it is neither 0 nor above the maximum of the bit
// depth (2, 16 or 256 for 1, 4 or 8 bits), else the maximum; 0 at other depths.
// 0 too when the bytes do not reach the fields the rule reads.
std::uint16_t CountDibColors(const std::uint8_t* header, std::size_t size);

// The normalised DIB of one DISP chunk's whole data, or nothing when the chunk is
// not a usable DIB:
// - the format is not 8, or the header size is neither 40 nor 12;
// - biSizeImage is 0 and the image size rule gives a negative size (a top-down
//   DIB that states no size) or one beyond 32 bits;
// - the chunk is too short for the header, the colour table and biSizeImage pixel
//   bytes: it is refused whole, never copied in part;
// - it is uncompressed (biCompression 0) and its pixel bytes do not cover every
//   row that its width, height and bit count describe, or its width is negative;
// - no memory for the result.
// A core header becomes a 40-byte header (width and height widened without sign,
// biClrUsed = biClrImportant = n, the rest 0) and its triples four-byte entries;
// a biSizeImage of 0 becomes the image size rule's size. Whatever biClrUsed the
// source states, the result's is n: 20 at 4 bits becomes 16, 300 at 8 bits 256,
// anything at 16, 24 or 32 bits 0.
std::optional<std::vector<std::uint8_t>> ConvertDisplayDib(const std::uint8_t* chunk, std::size_t size);

}  // namespace preview
