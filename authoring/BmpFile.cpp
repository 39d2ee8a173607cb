// BMP files through the program's own DIB code: the file's header is reduced to
// the DISP chunk data that the dialog reads, ConvertDisplayDib checks and
// normalises it, and the pixels come from the normalised DIB.
#include <array>
#include <cstdlib>

#include "DisplayDib.h"
#include "Errors.h"
#include "Image.h"

namespace authoring {

namespace {

[[noreturn]] void Fail(const std::string& what) {
    throw InputError("the BMP picture " + what);
}

constexpr std::size_t kFileHeaderSize = 14;
constexpr std::uint32_t kBiRgb = 0;
constexpr std::uint32_t kBiRle8 = 1;
constexpr std::uint32_t kBiRle4 = 2;
constexpr std::uint32_t kBiBitfields = 3;
constexpr std::uint32_t kBiJpeg = 4;
constexpr std::uint32_t kBiPng = 5;
constexpr std::uint32_t kBiAlphaBitfields = 6;

// One colour field of a 16- or 32-bit pixel: where its bits are and how many.
struct Field {
    std::uint32_t mask = 0;
    int shift = 0;
    int width = 0;

    static Field FromMask(std::uint32_t mask, const char* name) {
        Field field;
        field.mask = mask;
        if (mask == 0) return field;
        while ((mask >> field.shift & 1) == 0) ++field.shift;
        while (field.shift + field.width < 32 && (mask >> (field.shift + field.width) & 1) != 0) ++field.width;
        if ((mask >> field.shift) != (field.width == 32 ? 0xFFFFFFFFu : (1u << field.width) - 1)) {
            Fail(std::string("has a ") + name + " mask whose bits are not contiguous");
        }
        return field;
    }

    std::uint8_t Get(std::uint32_t pixel) const {
        if (width == 0) return 0;
        const std::uint32_t value = (pixel & mask) >> shift;
        if (width >= 8) return static_cast<std::uint8_t>(value >> (width - 8));
        const std::uint32_t maximum = (1u << width) - 1;
        return static_cast<std::uint8_t>((value * 255 + maximum / 2) / maximum);
    }
};

}  // namespace

Image DecodeBmp(const Bytes& file, Rgb background) {
    if (file.size() < kFileHeaderSize + 4 || file[0] != 'B' || file[1] != 'M') {
        Fail("is too short or lacks the BM signature");
    }
    const std::uint32_t pixelOffset = le::Get32(&file[10]);
    const std::uint32_t headerSize = le::Get32(&file[14]);
    const bool core = headerSize == preview::kCoreHeaderSize;
    if (headerSize == 64) Fail("has an OS/2 2.x header, which this tool does not read");
    if (!core && headerSize != 40 && headerSize != 52 && headerSize != 56 && headerSize != 108 && headerSize != 124) {
        Fail("has a header of unknown size " + std::to_string(headerSize));
    }
    if (file.size() - kFileHeaderSize < headerSize) Fail("is cut short inside its header");
    const std::uint8_t* h = &file[kFileHeaderSize];

    const std::int64_t width = core ? le::Get16(h + 4) : static_cast<std::int32_t>(le::Get32(h + 4));
    const std::int64_t height = core ? le::Get16(h + 6) : static_cast<std::int32_t>(le::Get32(h + 8));
    const int bits = core ? le::Get16(h + 10) : le::Get16(h + 14);
    const std::uint32_t compression = core ? kBiRgb : le::Get32(h + 16);
    if (le::Get16(h + (core ? 8 : 12)) != 1) Fail("has a plane count other than 1");
    if (width <= 0 || height == 0) Fail("has no valid size");
    CheckPictureSize(static_cast<std::uint64_t>(width), static_cast<std::uint64_t>(std::abs(height)));
    if (compression == kBiRle8 || compression == kBiRle4) Fail("is RLE-compressed; save it uncompressed");
    if (compression == kBiJpeg || compression == kBiPng) Fail("holds a JPEG or PNG image; give that file instead");
    const bool bitfields = compression == kBiBitfields || compression == kBiAlphaBitfields;
    if (compression != kBiRgb && !bitfields) Fail("uses the unknown compression " + std::to_string(compression));
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) {
        Fail("has " + std::to_string(bits) + " bits per pixel, which BMP does not allow");
    }
    if (bitfields && bits != 16 && bits != 32) Fail("has bit fields at " + std::to_string(bits) + " bits per pixel");

    // An info header keeps its masks after itself; later headers inside.
    std::size_t tableAt = kFileHeaderSize + headerSize;
    std::array<std::uint32_t, 4> masks = {};
    if (bitfields) {
        const std::size_t masksAt = kFileHeaderSize + 40;
        const std::size_t maskCount = compression == kBiAlphaBitfields || headerSize >= 56 ? 4 : 3;
        if (headerSize == 40) tableAt += 4 * maskCount;
        if (file.size() < masksAt + 4 * maskCount) Fail("is cut short inside its colour masks");
        for (std::size_t i = 0; i < maskCount; ++i) masks[i] = le::Get32(&file[masksAt + 4 * i]);
    } else if (bits == 16) {
        masks = {0x7C00, 0x03E0, 0x001F, 0};
    } else if (bits == 32) {
        masks = {0x00FF0000, 0x0000FF00, 0x000000FF, 0};
    }
    const Field red = Field::FromMask(masks[0], "red");
    const Field green = Field::FromMask(masks[1], "green");
    const Field blue = Field::FromMask(masks[2], "blue");
    const Field alpha = Field::FromMask(masks[3], "alpha");

    // The DISP chunk data: the header as the DIB code reads it (a core header, or
    // the 40 bytes of an info header that every later one begins with, stating
    // plain RGB: the masks stay here), the colour table, then the pixels.
    const std::uint16_t colours = preview::CountDibColors(h, headerSize);
    const std::size_t tableBytes = static_cast<std::size_t>(colours) * (core ? 3 : 4);
    if (tableAt > file.size() || file.size() - tableAt < tableBytes) Fail("is cut short inside its palette");
    const std::optional<std::int64_t> pixelBytes =
        preview::DibImageSize(static_cast<std::uint16_t>(bits), static_cast<std::int32_t>(width),
                              static_cast<std::int32_t>(std::abs(height)));
    if (!pixelBytes || pixelOffset > file.size() ||
        static_cast<std::uint64_t>(file.size() - pixelOffset) < static_cast<std::uint64_t>(*pixelBytes)) {
        Fail("is cut short inside its pixels");
    }
    Bytes chunk;
    le::Append32(chunk, preview::kClipboardFormatDib);
    chunk.insert(chunk.end(), h, h + (core ? preview::kCoreHeaderSize : preview::kInfoHeaderSize));
    if (!core) {
        std::uint8_t* stated = &chunk[4];
        stated[0] = preview::kInfoHeaderSize;
        for (int i = 16; i < 24; ++i) stated[i] = 0;
        const auto size = static_cast<std::uint32_t>(*pixelBytes);
        for (int i = 0; i < 4; ++i) stated[20 + i] = static_cast<std::uint8_t>(size >> (8 * i));
    }
    chunk.insert(chunk.end(), file.begin() + static_cast<std::ptrdiff_t>(tableAt),
                 file.begin() + static_cast<std::ptrdiff_t>(tableAt + tableBytes));
    const auto pixelsAt = file.begin() + static_cast<std::ptrdiff_t>(pixelOffset);
    chunk.insert(chunk.end(), pixelsAt, pixelsAt + static_cast<std::ptrdiff_t>(*pixelBytes));
    const std::optional<std::vector<std::uint8_t>> dib = preview::ConvertDisplayDib(chunk.data(), chunk.size());
    if (!dib) Fail("is not a bitmap that ZORVAND can show");

    Image image;
    image.width = static_cast<std::uint32_t>(width);
    image.height = static_cast<std::uint32_t>(std::abs(height));
    const std::uint8_t* table = dib->data() + preview::kInfoHeaderSize;
    const std::uint32_t entries = le::Get32(dib->data() + 32);
    for (std::uint32_t i = 0; i < entries; ++i)
        image.palette.push_back({table[4 * i + 2], table[4 * i + 1], table[4 * i]});
    const std::ptrdiff_t rowBytes = (static_cast<std::ptrdiff_t>(bits) * image.width + 31) / 32 * 4;
    const std::uint8_t* rows = table + 4 * entries;
    // From the top row down: rows stored bottom-up are read from the last one back.
    const std::uint8_t* top = height < 0 ? rows : rows + (image.height - 1) * rowBytes;
    const std::ptrdiff_t stride = height < 0 ? rowBytes : -rowBytes;
    if (bits <= 8) {
        UnpackIndices(image, top, stride, bits, "the BMP picture");
        return image;
    }
    Bytes rgba;
    for (std::uint32_t y = 0; y < image.height; ++y) {
        const std::uint8_t* row = top + static_cast<std::ptrdiff_t>(y) * stride;
        for (std::uint32_t x = 0; x < image.width; ++x) {
            if (bits == 24) {
                rgba.insert(rgba.end(), {row[3 * x + 2], row[3 * x + 1], row[3 * x], 255});
                continue;
            }
            const std::uint32_t pixel = bits == 16 ? le::Get16(row + 2 * x) : le::Get32(row + 4 * x);
            rgba.insert(rgba.end(), {red.Get(pixel), green.Get(pixel), blue.Get(pixel),
                                     alpha.width != 0 ? alpha.Get(pixel) : std::uint8_t{255}});
        }
    }
    // Many writers leave the alpha bits 0 throughout: such a picture is opaque.
    bool alphaUnused = true;
    for (std::size_t i = 3; i < rgba.size(); i += 4) alphaUnused = alphaUnused && rgba[i] == 0;
    for (std::size_t i = 3; alphaUnused && i < rgba.size(); i += 4) rgba[i] = 255;
    image.pixels = BlendRgba(rgba, background);
    return image;
}

}  // namespace authoring
