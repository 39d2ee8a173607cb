#include <algorithm>
#include <array>
#include <cstring>
#include <optional>

#include "Errors.h"
#include "Image.h"
#include "Inflate.h"

namespace wavtheme {

namespace {

[[noreturn]] void Fail(const std::string& what) {
    throw InputError("the PNG picture " + what);
}

std::uint32_t Crc32(const std::uint8_t* data, std::size_t size) {
    static const std::array<std::uint32_t, 256> kTable = [] {
        std::array<std::uint32_t, 256> table{};
        for (std::uint32_t n = 0; n < 256; ++n) {
            std::uint32_t c = n;
            for (int k = 0; k < 8; ++k) c = (c & 1) != 0 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            table[n] = c;
        }
        return table;
    }();
    std::uint32_t crc = 0xFFFFFFFFu;
    for (std::size_t i = 0; i < size; ++i) crc = kTable[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFu;
}

std::string ChunkName(const std::uint8_t* type) {
    std::string name;
    for (int i = 0; i < 4; ++i) name += (type[i] >= 0x20 && type[i] < 0x7F) ? static_cast<char>(type[i]) : '?';
    return name;
}

struct Header {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    int depth = 0;
    int colourType = 0;
    bool interlaced = false;

    int Channels() const {
        static const int kChannels[7] = {1, 0, 3, 1, 2, 0, 4};
        return kChannels[colourType];
    }
    int BitsPerPixel() const { return Channels() * depth; }
    std::size_t RowBytes(std::uint32_t columns) const {
        return (static_cast<std::size_t>(columns) * BitsPerPixel() + 7) / 8;
    }
};

Header ReadHeader(const std::uint8_t* p, std::uint32_t length) {
    if (length != 13) Fail("has a damaged IHDR chunk");
    Header h;
    h.width = GetBe32(p);
    h.height = GetBe32(p + 4);
    h.depth = p[8];
    h.colourType = p[9];
    if (h.width == 0 || h.height == 0 || h.width > 0x7FFFFFFF || h.height > 0x7FFFFFFF) Fail("has no valid size");
    bool depthOk = false;
    switch (h.colourType) {
    case 0:
        depthOk = h.depth == 1 || h.depth == 2 || h.depth == 4 || h.depth == 8 || h.depth == 16;
        break;
    case 3:
        depthOk = h.depth == 1 || h.depth == 2 || h.depth == 4 || h.depth == 8;
        break;
    case 2:
    case 4:
    case 6:
        depthOk = h.depth == 8 || h.depth == 16;
        break;
    default:
        Fail("has the unknown colour type " + std::to_string(h.colourType));
    }
    if (!depthOk) {
        Fail("has colour type " + std::to_string(h.colourType) + " at " + std::to_string(h.depth) +
             " bits, which PNG does not allow");
    }
    if (p[10] != 0 || p[11] != 0) Fail("uses an unknown compression or filter method");
    if (p[12] > 1) Fail("uses an unknown interlace method");
    h.interlaced = p[12] == 1;
    CheckPictureSize(h.width, h.height);
    return h;
}

// The sub-images of the stored data: the whole image, or the seven passes of
// Adam7 interlacing, each with its first column and row and its steps.
struct Pass {
    std::uint32_t x0, y0, dx, dy;
    std::uint32_t Columns(std::uint32_t width) const { return width > x0 ? (width - x0 + dx - 1) / dx : 0; }
    std::uint32_t Rows(std::uint32_t height) const { return height > y0 ? (height - y0 + dy - 1) / dy : 0; }
};

std::vector<Pass> Passes(const Header& h) {
    if (!h.interlaced) return {{0, 0, 1, 1}};
    return {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4}, {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}};
}

std::size_t StoredSize(const Header& h) {
    std::size_t size = 0;
    for (const Pass& pass : Passes(h)) {
        const std::uint32_t columns = pass.Columns(h.width);
        const std::uint32_t rows = pass.Rows(h.height);
        if (columns != 0 && rows != 0) size += rows * (1 + h.RowBytes(columns));
    }
    return size;
}

std::uint8_t Paeth(int a, int b, int c) {
    const int p = a + b - c;
    const int pa = p > a ? p - a : a - p;
    const int pb = p > b ? p - b : b - p;
    const int pc = p > c ? p - c : c - p;
    if (pa <= pb && pa <= pc) return static_cast<std::uint8_t>(a);
    return static_cast<std::uint8_t>(pb <= pc ? b : c);
}

// Undoes the row filters of one sub-image in place; returns where its rows end.
std::size_t Unfilter(Bytes& data, std::size_t start, std::size_t rowBytes, std::uint32_t rows, std::size_t pixelBytes) {
    std::size_t at = start;
    for (std::uint32_t y = 0; y < rows; ++y) {
        const std::uint8_t filter = data[at];
        std::uint8_t* row = data.data() + at + 1;
        const std::uint8_t* prior = y > 0 ? row - 1 - rowBytes : nullptr;
        for (std::size_t i = 0; i < rowBytes; ++i) {
            const int a = i >= pixelBytes ? row[i - pixelBytes] : 0;
            const int b = prior != nullptr ? prior[i] : 0;
            const int c = prior != nullptr && i >= pixelBytes ? prior[i - pixelBytes] : 0;
            switch (filter) {
            case 0:
                break;
            case 1:
                row[i] = static_cast<std::uint8_t>(row[i] + a);
                break;
            case 2:
                row[i] = static_cast<std::uint8_t>(row[i] + b);
                break;
            case 3:
                row[i] = static_cast<std::uint8_t>(row[i] + (a + b) / 2);
                break;
            case 4:
                row[i] = static_cast<std::uint8_t>(row[i] + Paeth(a, b, c));
                break;
            default:
                Fail("uses the unknown row filter " + std::to_string(filter));
            }
        }
        at += 1 + rowBytes;
    }
    return at;
}

// Sample c of pixel x in an unfiltered row.
std::uint32_t Sample(const std::uint8_t* row, const Header& h, std::uint32_t x, int c) {
    if (h.depth < 8) {
        const std::size_t bit = static_cast<std::size_t>(x) * h.depth;
        return (row[bit / 8] >> (8 - h.depth - bit % 8)) & ((1u << h.depth) - 1);
    }
    const std::size_t index = static_cast<std::size_t>(x) * h.Channels() + c;
    if (h.depth == 8) return row[index];
    return static_cast<std::uint32_t>(row[2 * index] << 8 | row[2 * index + 1]);
}

std::uint8_t To8Bits(std::uint32_t sample, int depth) {
    return static_cast<std::uint8_t>(depth == 16 ? (sample * 255 + 32767) / 65535 : sample);
}

std::uint8_t Blend(std::uint8_t colour, std::uint8_t alpha, std::uint8_t background) {
    return static_cast<std::uint8_t>((colour * alpha + background * (255 - alpha) + 127) / 255);
}

struct Transparency {
    // Alpha of palette entries, in palette order; entries past its end are opaque.
    Bytes paletteAlpha;
    // The one grey or RGB value, at the file's sample depth, that is transparent.
    std::optional<std::array<std::uint32_t, 3>> key;
};

}  // namespace

Image DecodePng(const Bytes& file, Rgb background) {
    static const std::uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (file.size() < 8 || std::memcmp(file.data(), kSignature, 8) != 0) Fail("lacks the PNG signature");

    std::optional<Header> header;
    std::vector<Rgb> palette;
    Transparency transparency;
    Bytes compressed;
    bool ended = false;
    for (std::size_t pos = 8; !ended;) {
        if (file.size() - pos < 12) Fail("ends before its IEND chunk");
        const std::uint32_t length = GetBe32(file.data() + pos);
        const std::uint8_t* type = file.data() + pos + 4;
        const std::string name = ChunkName(type);
        if (length > 0x7FFFFFFF || file.size() - pos - 12 < length) Fail("is cut short inside its " + name + " chunk");
        const std::uint8_t* data = type + 4;
        if (GetBe32(data + length) != Crc32(type, 4 + length)) Fail("fails the checksum of its " + name + " chunk");
        pos += 12 + length;

        if (!header && name != "IHDR") Fail("does not start with an IHDR chunk");
        if (name == "IHDR") {
            if (header) Fail("has two IHDR chunks");
            header = ReadHeader(data, length);
        } else if (name == "PLTE") {
            if (length == 0 || length % 3 != 0 || length > 3 * 256) Fail("has a damaged PLTE chunk");
            palette.clear();
            for (std::uint32_t i = 0; i < length; i += 3) palette.push_back({data[i], data[i + 1], data[i + 2]});
        } else if (name == "tRNS") {
            if (header->colourType == 3) {
                transparency.paletteAlpha.assign(data, data + length);
            } else if (header->colourType == 0 && length == 2) {
                const auto grey = static_cast<std::uint32_t>(data[0] << 8 | data[1]);
                transparency.key = std::array<std::uint32_t, 3>{grey, grey, grey};
            } else if (header->colourType == 2 && length == 6) {
                transparency.key = std::array<std::uint32_t, 3>{static_cast<std::uint32_t>(data[0] << 8 | data[1]),
                                                                static_cast<std::uint32_t>(data[2] << 8 | data[3]),
                                                                static_cast<std::uint32_t>(data[4] << 8 | data[5])};
            } else if (header->colourType == 0 || header->colourType == 2) {
                Fail("has a damaged tRNS chunk");
            }
        } else if (name == "IDAT") {
            compressed.insert(compressed.end(), data, data + length);
        } else if (name == "IEND") {
            ended = true;
        } else if ((type[0] & 0x20) == 0) {
            Fail("holds the critical chunk " + name + ", which this tool does not know");
        }
    }
    const Header& h = *header;
    if (compressed.empty()) Fail("has no image data");
    if (h.colourType == 3 && palette.empty()) Fail("has a palette colour type but no PLTE chunk");

    Bytes stored = InflateZlib(compressed.data(), compressed.size(), StoredSize(h));

    Image image;
    image.width = h.width;
    image.height = h.height;
    const bool indexed = h.colourType == 3 || (h.colourType == 0 && h.depth <= 8);
    if (indexed) {
        image.indexBits = h.depth == 1 ? 1 : h.depth == 8 ? 8 : 4;
        if (h.colourType == 3) {
            image.palette = palette;
            for (std::size_t i = 0; i < palette.size() && i < transparency.paletteAlpha.size(); ++i) {
                const std::uint8_t alpha = transparency.paletteAlpha[i];
                image.palette[i] = {Blend(palette[i].r, alpha, background.r), Blend(palette[i].g, alpha, background.g),
                                    Blend(palette[i].b, alpha, background.b)};
            }
        } else {
            const std::uint32_t levels = 1u << h.depth;
            for (std::uint32_t v = 0; v < levels; ++v) {
                const auto grey = static_cast<std::uint8_t>(v * 255 / (levels - 1));
                image.palette.push_back(transparency.key && (*transparency.key)[0] == v ? background
                                                                                        : Rgb{grey, grey, grey});
            }
        }
        image.pixels.assign(static_cast<std::size_t>(h.width) * h.height, 0);
    } else {
        image.pixels.assign(static_cast<std::size_t>(h.width) * h.height * 3, 0);
    }

    const std::size_t pixelBytes = std::max(1, h.BitsPerPixel() / 8);
    std::size_t at = 0;
    for (const Pass& pass : Passes(h)) {
        const std::uint32_t columns = pass.Columns(h.width);
        const std::uint32_t rows = pass.Rows(h.height);
        if (columns == 0 || rows == 0) continue;
        const std::size_t rowBytes = h.RowBytes(columns);
        const std::size_t start = at;
        at = Unfilter(stored, start, rowBytes, rows, pixelBytes);
        for (std::uint32_t y = 0; y < rows; ++y) {
            const std::uint8_t* row = stored.data() + start + y * (1 + rowBytes) + 1;
            for (std::uint32_t x = 0; x < columns; ++x) {
                const std::size_t target =
                    static_cast<std::size_t>(pass.y0 + y * pass.dy) * h.width + pass.x0 + x * pass.dx;
                if (indexed) {
                    const std::uint32_t index = Sample(row, h, x, 0);
                    if (index >= image.palette.size()) {
                        Fail("uses colour " + std::to_string(index) + " of a palette of " +
                             std::to_string(image.palette.size()));
                    }
                    image.pixels[target] = static_cast<std::uint8_t>(index);
                    continue;
                }
                std::array<std::uint32_t, 4> s{};
                for (int c = 0; c < h.Channels(); ++c) s[c] = Sample(row, h, x, c);
                Rgb colour;
                std::uint8_t alpha = 255;
                switch (h.colourType) {
                case 0:
                    colour.r = colour.g = colour.b = To8Bits(s[0], h.depth);
                    if (transparency.key && (*transparency.key)[0] == s[0]) alpha = 0;
                    break;
                case 2:
                    colour = {To8Bits(s[0], h.depth), To8Bits(s[1], h.depth), To8Bits(s[2], h.depth)};
                    if (transparency.key && *transparency.key == std::array<std::uint32_t, 3>{s[0], s[1], s[2]}) {
                        alpha = 0;
                    }
                    break;
                case 4:
                    colour.r = colour.g = colour.b = To8Bits(s[0], h.depth);
                    alpha = To8Bits(s[1], h.depth);
                    break;
                default:
                    colour = {To8Bits(s[0], h.depth), To8Bits(s[1], h.depth), To8Bits(s[2], h.depth)};
                    alpha = To8Bits(s[3], h.depth);
                    break;
                }
                image.pixels[3 * target] = Blend(colour.r, alpha, background.r);
                image.pixels[3 * target + 1] = Blend(colour.g, alpha, background.g);
                image.pixels[3 * target + 2] = Blend(colour.b, alpha, background.b);
            }
        }
    }
    return image;
}

}  // namespace wavtheme
