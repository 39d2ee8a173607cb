#include <algorithm>
#include <cstdlib>

#include "Errors.h"
#include "Image.h"

namespace wavtheme {

namespace {

[[noreturn]] void Fail(const std::string& what) {
    throw InputError("the BMP picture " + what);
}

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
    if (file.size() < 18 || file[0] != 'B' || file[1] != 'M') Fail("is too short or lacks the BM signature");
    const std::uint32_t pixelOffset = GetLe32(&file[10]);
    const std::uint32_t headerSize = GetLe32(&file[14]);
    const bool core = headerSize == 12;
    if (headerSize == 64) Fail("has an OS/2 2.x header, which this tool does not read");
    if (!core && headerSize != 40 && headerSize != 52 && headerSize != 56 && headerSize != 108 && headerSize != 124) {
        Fail("has a header of unknown size " + std::to_string(headerSize));
    }
    if (file.size() - 14 < headerSize) Fail("is cut short inside its header");
    const std::uint8_t* h = &file[14];

    std::int64_t width = 0;
    std::int64_t height = 0;
    int bits = 0;
    std::uint32_t compression = kBiRgb;
    std::uint32_t coloursUsed = 0;
    if (core) {
        width = GetLe16(h + 4);
        height = GetLe16(h + 6);
        if (GetLe16(h + 8) != 1) Fail("has a plane count other than 1");
        bits = GetLe16(h + 10);
    } else {
        width = static_cast<std::int32_t>(GetLe32(h + 4));
        height = static_cast<std::int32_t>(GetLe32(h + 8));
        if (GetLe16(h + 12) != 1) Fail("has a plane count other than 1");
        bits = GetLe16(h + 14);
        compression = GetLe32(h + 16);
        coloursUsed = GetLe32(h + 32);
    }
    const bool topDown = height < 0;
    height = std::abs(height);
    if (width <= 0 || height == 0) Fail("has no valid size");
    CheckPictureSize(static_cast<std::uint64_t>(width), static_cast<std::uint64_t>(height));

    if (compression == kBiRle8 || compression == kBiRle4) Fail("is RLE-compressed; save it uncompressed");
    if (compression == kBiJpeg || compression == kBiPng) Fail("holds a JPEG or PNG image; give that file instead");
    const bool fields = compression == kBiBitfields || compression == kBiAlphaBitfields;
    if (compression != kBiRgb && !fields) Fail("uses the unknown compression " + std::to_string(compression));
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) {
        Fail("has " + std::to_string(bits) + " bits per pixel, which BMP does not allow");
    }
    if (fields && bits != 16 && bits != 32) Fail("has bit fields at " + std::to_string(bits) + " bits per pixel");

    Image image;
    image.width = static_cast<std::uint32_t>(width);
    image.height = static_cast<std::uint32_t>(height);
    std::size_t tableAt = 14 + headerSize;

    Field red;
    Field green;
    Field blue;
    Field alpha;
    if (fields) {
        // An info header keeps its masks after itself; later headers inside.
        const std::size_t masksAt = 14 + 40;
        const std::size_t maskCount = compression == kBiAlphaBitfields ? 4 : 3;
        if (headerSize == 40) tableAt += 4 * maskCount;
        if (file.size() < masksAt + 4 * maskCount) Fail("is cut short inside its colour masks");
        red = Field::FromMask(GetLe32(&file[masksAt]), "red");
        green = Field::FromMask(GetLe32(&file[masksAt + 4]), "green");
        blue = Field::FromMask(GetLe32(&file[masksAt + 8]), "blue");
        if (maskCount == 4 || headerSize >= 56) alpha = Field::FromMask(GetLe32(&file[masksAt + 12]), "alpha");
    } else if (bits == 16) {
        red = Field::FromMask(0x7C00, "red");
        green = Field::FromMask(0x03E0, "green");
        blue = Field::FromMask(0x001F, "blue");
    } else if (bits == 32) {
        red = Field::FromMask(0x00FF0000, "red");
        green = Field::FromMask(0x0000FF00, "green");
        blue = Field::FromMask(0x000000FF, "blue");
    }

    if (bits <= 8) {
        const std::uint32_t maximum = 1u << bits;
        const std::uint32_t count = coloursUsed == 0 || coloursUsed > maximum ? maximum : coloursUsed;
        const std::size_t entryBytes = core ? 3 : 4;
        if ((file.size() - std::min(file.size(), tableAt)) / entryBytes < count) {
            Fail("is cut short inside its palette");
        }
        for (std::uint32_t i = 0; i < count; ++i) {
            const std::uint8_t* entry = &file[tableAt + i * entryBytes];
            image.palette.push_back({entry[2], entry[1], entry[0]});
        }
        image.indexBits = bits;
    }

    const std::size_t stride = (static_cast<std::size_t>(bits) * image.width + 31) / 32 * 4;
    const std::size_t lastRowBytes = (static_cast<std::size_t>(bits) * image.width + 7) / 8;
    if (pixelOffset > file.size() || file.size() - pixelOffset < stride * (image.height - 1) + lastRowBytes) {
        Fail("is cut short inside its pixels");
    }

    const std::size_t pixelCount = static_cast<std::size_t>(image.width) * image.height;
    image.pixels.assign(bits <= 8 ? pixelCount : pixelCount * 3, 0);
    Bytes alphas;
    if (alpha.width != 0) alphas.assign(pixelCount, 0);
    for (std::uint32_t y = 0; y < image.height; ++y) {
        const std::uint32_t stored = topDown ? y : image.height - 1 - y;
        const std::uint8_t* row = &file[pixelOffset + stored * stride];
        for (std::uint32_t x = 0; x < image.width; ++x) {
            const std::size_t at = static_cast<std::size_t>(y) * image.width + x;
            if (bits <= 8) {
                const std::size_t bit = static_cast<std::size_t>(x) * bits;
                const std::uint32_t index = (row[bit / 8] >> (8 - bits - bit % 8)) & ((1u << bits) - 1);
                if (index >= image.palette.size()) {
                    Fail("uses colour " + std::to_string(index) + " of a palette of " +
                         std::to_string(image.palette.size()));
                }
                image.pixels[at] = static_cast<std::uint8_t>(index);
                continue;
            }
            Rgb colour;
            if (bits == 24) {
                colour = {row[3 * x + 2], row[3 * x + 1], row[3 * x]};
            } else {
                const std::uint32_t pixel = bits == 16 ? GetLe16(row + 2 * x) : GetLe32(row + 4 * x);
                colour = {red.Get(pixel), green.Get(pixel), blue.Get(pixel)};
                if (!alphas.empty()) alphas[at] = alpha.Get(pixel);
            }
            image.pixels[3 * at] = colour.r;
            image.pixels[3 * at + 1] = colour.g;
            image.pixels[3 * at + 2] = colour.b;
        }
    }

    // Many writers leave the alpha bits 0 throughout: such a picture is opaque.
    if (!alphas.empty() && std::any_of(alphas.begin(), alphas.end(), [](std::uint8_t a) { return a != 0; })) {
        const std::uint8_t back[3] = {background.r, background.g, background.b};
        for (std::size_t i = 0; i < pixelCount; ++i) {
            for (int c = 0; c < 3; ++c) {
                std::uint8_t& v = image.pixels[3 * i + c];
                v = static_cast<std::uint8_t>((v * alphas[i] + back[c] * (255 - alphas[i]) + 127) / 255);
            }
        }
    }
    return image;
}

}  // namespace wavtheme
