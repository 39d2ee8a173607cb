// The pictures that wave files carry in "DISP" chunks, and the one layout in which
// the program holds them.
//
// A DISP chunk's data: a 32-bit clipboard format (only 8, CF_DIB, is used), then a
// packed DIB: a 40-byte BITMAPINFOHEADER followed by n RGBQUADs, or a 12-byte
// BITMAPCOREHEADER followed by n RGBTRIPLEs, then the pixels; n is CountDibColors.
//
// The normalised DIB that ConvertDisplayDib makes, byte for byte:
//   offset 0           BITMAPINFOHEADER, 40 bytes, biSize 40
//   offset 40          m mask bytes: for bit fields (biCompression 3) the red,
//                      green and blue masks as three DWORDs, m = 12; else m = 0
//   offset 40 + m      n RGBQUAD entries (blue, green, red, 0), 4n bytes
//   offset 40 + m + 4n biSizeImage bytes of pixels
// and nothing after: 40 + m + 4n + biSizeImage bytes in all, where n is the
// header's biClrUsed, at most 256. biClrUsed is always set to the n entries
// stored, so a reader that counts colours by biClrUsed (the bitmap class does)
// finds the pixels where they are, and the block's size follows from its header
// alone. Rows are bottom-up, or top-down when biHeight is negative; the bitmap
// class holds them bottom-up (CopyAsHeld).
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

constexpr std::uint32_t kCompressionRgb = 0;
constexpr std::uint32_t kCompressionRle8 = 1;
constexpr std::uint32_t kCompressionRle4 = 2;
constexpr std::uint32_t kCompressionBitFields = 3;
// The three DWORD masks that follow a 40-byte header of bit fields.
constexpr std::uint32_t kBitFieldMaskBytes = 12;
// The largest packed DIB that a BMP file (14-byte file header, 32-bit size) holds.
constexpr std::uint64_t kMaxStoredDibSize = 0xFFFFFFFFull - 14;
// The largest picture a DISP chunk may bring: far beyond a frame of a few hundred
// pixels, yet bounded, since a few bytes of run-length data can claim a picture
// that a graphics service expands to its full size on every paint.
constexpr std::int32_t kMaxPictureSide = 4096;
constexpr std::uint64_t kMaxPictureBytes = 64ull << 20;

// Whether the bitmap class holds, draws and stores a DIB of this form, its rows
// bottom-up: uncompressed at 1, 4, 8, 16, 24 or 32 bits, bit fields at 16 or 32
// bits, RLE8 at 8 and RLE4 at 4 bits; width and height not negative; and, unless
// run-length encoded, sizeImage bytes covering every row (the graphics service
// reads them all, whatever sizeImage says).
bool IsHeldDibForm(std::uint16_t bitCount, std::uint32_t compression, std::int32_t width, std::int32_t height,
                   std::uint32_t sizeImage);

// Whether the three little-endian DWORD masks at masks describe pixels of
// bitCount bits unambiguously: each one run of set bits within the pixel, and no
// bit in two masks. Anything else the graphics service and picture readers each
// read in their own way.
bool UsableBitFields(std::uint16_t bitCount, const std::uint8_t* masks);

// The offset of the first pixel byte of a normalised DIB: 40, the masks and
// biClrUsed entries. header holds at least the 40-byte header.
std::uint64_t DibPixelOffset(const std::uint8_t* header);

// Copies a normalised DIB of size bytes to out (size bytes too) as the bitmap
// class holds it: a top-down one gets its rows in bottom-up order and a positive
// height, pixel bytes beyond the rows staying where they are; any other is copied
// as it is.
void CopyAsHeld(const std::uint8_t* dib, std::size_t size, std::uint8_t* out);

// Colour-table entries of a source DIB header of size bytes. A 12-byte core header
// states no count; any other header states the low 16 bits of biClrUsed. The
// result is that count when it is neither 0 nor above the maximum of the bit
// depth (2, 16 or 256 for 1, 4 or 8 bits), else the maximum; 0 at other depths.
// 0 too when the bytes do not reach the fields the rule reads.
std::uint16_t CountDibColors(const std::uint8_t* header, std::size_t size);

// The normalised DIB of one DISP chunk's whole data, or nothing when the chunk is
// not a DIB that the bitmap class can hold:
// - the format is not 8, or the header size is neither 40 nor 12;
// - biSizeImage is 0 and the image size rule gives a negative size (a top-down
//   DIB that states no size) or one beyond 32 bits;
// - the chunk is too short for the header, the masks, the colour table and
//   biSizeImage pixel bytes: it is refused whole, never copied in part;
// - its form is not one IsHeldDibForm allows with the height's magnitude, or it
//   is top-down and run-length encoded, or its height is -2^31 (no bottom-up
//   height states it);
// - its bit-field masks are not usable (UsableBitFields);
// - it is wider or taller than kMaxPictureSide pixels, or its biSizeImage is
//   above kMaxPictureBytes;
// - the result with a 14-byte file header in front would exceed 2^32 - 1 bytes,
//   the most that a BMP file's size states;
// - no memory for the result.
// A core header becomes a 40-byte header (width and height widened without sign,
// biClrUsed = biClrImportant = n, the rest 0) and its triples four-byte entries;
// a biSizeImage of 0 becomes the image size rule's size. Whatever biClrUsed the
// source states, the result's is n: 20 at 4 bits becomes 16, 300 at 8 bits 256,
// anything at 16, 24 or 32 bits 0; the pixels of those follow the header, or the
// masks of bit fields, directly.
std::optional<std::vector<std::uint8_t>> ConvertDisplayDib(const std::uint8_t* chunk, std::size_t size);

}  // namespace preview
