// mkicon: builds a Windows .ico from text pixel maps, one image per map.
//
//   mkicon OUT.ico IN1.txt [IN2.txt ...]
//
// A map's lines are the pixel rows from top to bottom, one character per pixel:
// '.' is transparent, '0'-'9' and 'a'-'f' pick one of the 16 VGA colours.
// Lines starting with '#' are comments. Images are 4 bits per pixel with an
// AND mask, the form every Windows version reads. Runs on the build machine,
// so it uses no Windows headers and writes every field byte by byte.

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "LittleEndian.h"
#include "write_file.h"

namespace {

constexpr int kMaxSide = 256;
constexpr int kColours = 16;
constexpr std::size_t kDirHeaderSize = 6;
constexpr std::size_t kDirEntrySize = 16;
constexpr std::size_t kInfoHeaderSize = 40;
constexpr std::size_t kPaletteSize = kColours * 4;

struct Rgb {
    std::uint8_t r, g, b;
};

// The standard VGA palette, in the order of the map characters '0'-'9', 'a'-'f'.
constexpr Rgb kPalette[kColours] = {
    {0, 0, 0},     {128, 0, 0},     {0, 128, 0},     {128, 128, 0},   {0, 0, 128}, {128, 0, 128},
    {0, 128, 128}, {192, 192, 192}, {128, 128, 128}, {255, 0, 0},     {0, 255, 0}, {255, 255, 0},
    {0, 0, 255},   {255, 0, 255},   {0, 255, 255},   {255, 255, 255},
};

struct Image {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> index;  // colour index per pixel, top row first
    std::vector<bool> transparent;    // per pixel, top row first
};

struct MapError {
    std::string message;
};

// Colour index of a map character, -1 for transparent, -2 for anything else.
int colourOf(char c) {
    if (c == '.') return -1;
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -2;
}

std::string describe(char c) {
    const auto u = static_cast<unsigned char>(c);
    if (u >= 0x21 && u < 0x7f) return std::string("'") + c + "'";
    char buf[16];
    std::snprintf(buf, sizeof buf, "byte 0x%02x", u);
    return buf;
}

MapError errorAt(const std::string& file, int line, const std::string& what) {
    return MapError{file + ":" + std::to_string(line) + ": " + what};
}

Image readMap(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) throw MapError{file + ": cannot open"};

    Image img;
    int lineNo = 0;
    int pendingBlank = 0;  // blank lines seen since the last row; only allowed at the end
    int firstBlankLine = 0;
    std::string line;
    while (std::getline(in, line)) {
        ++lineNo;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty() && line[0] == '#') continue;
        if (line.empty()) {
            if (pendingBlank++ == 0) firstBlankLine = lineNo;
            continue;
        }
        if (pendingBlank > 0) throw errorAt(file, firstBlankLine, "blank line between pixel rows");

        const int width = static_cast<int>(line.size());
        if (img.height == 0) {
            if (width > kMaxSide)
                throw errorAt(file, lineNo,
                              "row is " + std::to_string(width) + " pixels wide, at most " + std::to_string(kMaxSide) +
                                  " allowed");
            img.width = width;
        } else if (width != img.width) {
            throw errorAt(
                file, lineNo,
                "row is " + std::to_string(width) + " pixels wide, earlier rows are " + std::to_string(img.width));
        }
        if (img.height == kMaxSide)
            throw errorAt(file, lineNo, "more than " + std::to_string(kMaxSide) + " pixel rows");

        for (int x = 0; x < width; ++x) {
            const int colour = colourOf(line[x]);
            if (colour == -2)
                throw errorAt(file, lineNo,
                              "column " + std::to_string(x + 1) + ": " + describe(line[x]) +
                                  " is not a pixel character (. 0-9 a-f)");
            img.transparent.push_back(colour < 0);
            img.index.push_back(static_cast<std::uint8_t>(colour < 0 ? 0 : colour));
        }
        ++img.height;
    }
    if (in.bad()) throw MapError{file + ": read error"};
    if (img.height == 0) throw errorAt(file, lineNo + 1, "no pixel rows");
    return img;
}

std::size_t xorStride(int width) {
    return (static_cast<std::size_t>(width) * 4 + 31) / 32 * 4;
}
std::size_t andStride(int width) {
    return (static_cast<std::size_t>(width) + 31) / 32 * 4;
}

std::size_t imageSize(const Image& img) {
    return kInfoHeaderSize + kPaletteSize + (xorStride(img.width) + andStride(img.width)) * img.height;
}

void put8(std::vector<std::uint8_t>& out, unsigned v) {
    out.push_back(static_cast<std::uint8_t>(v & 0xff));
}

void putImage(std::vector<std::uint8_t>& out, const Image& img) {
    const std::size_t xs = xorStride(img.width);
    const std::size_t as = andStride(img.width);

    le::Append32(out, kInfoHeaderSize);
    le::Append32(out, static_cast<std::uint32_t>(img.width));
    le::Append32(out, static_cast<std::uint32_t>(img.height * 2));  // XOR bitmap plus AND mask
    le::Append16(out, 1);                                           // planes
    le::Append16(out, 4);                                           // bits per pixel
    le::Append32(out, 0);                                           // BI_RGB
    le::Append32(out, static_cast<std::uint32_t>((xs + as) * img.height));
    le::Append32(out, 0);
    le::Append32(out, 0);
    le::Append32(out, 0);
    le::Append32(out, 0);

    for (const Rgb& c : kPalette) {
        put8(out, c.b);
        put8(out, c.g);
        put8(out, c.r);
        put8(out, 0);
    }

    for (int y = img.height - 1; y >= 0; --y) {
        std::vector<std::uint8_t> row(xs, 0);
        for (int x = 0; x < img.width; ++x) {
            const std::uint8_t v = img.index[static_cast<std::size_t>(y) * img.width + x];
            row[x / 2] |= (x % 2 == 0) ? static_cast<std::uint8_t>(v << 4) : v;
        }
        out.insert(out.end(), row.begin(), row.end());
    }

    for (int y = img.height - 1; y >= 0; --y) {
        std::vector<std::uint8_t> row(as, 0);
        for (int x = 0; x < img.width; ++x) {
            if (img.transparent[static_cast<std::size_t>(y) * img.width + x])
                row[x / 8] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
        }
        out.insert(out.end(), row.begin(), row.end());
    }
}

std::vector<std::uint8_t> buildIcon(const std::vector<Image>& images) {
    std::vector<std::uint8_t> out;
    le::Append16(out, 0);  // reserved
    le::Append16(out, 1);  // resource type: icon
    le::Append16(out, static_cast<std::uint16_t>(images.size()));

    std::size_t offset = kDirHeaderSize + kDirEntrySize * images.size();
    for (const Image& img : images) {
        put8(out, img.width == kMaxSide ? 0 : img.width);  // 0 stands for 256
        put8(out, img.height == kMaxSide ? 0 : img.height);
        put8(out, kColours);
        put8(out, 0);
        le::Append16(out, 1);
        le::Append16(out, 4);
        le::Append32(out, static_cast<std::uint32_t>(imageSize(img)));
        le::Append32(out, static_cast<std::uint32_t>(offset));
        offset += imageSize(img);
    }
    for (const Image& img : images) putImage(out, img);
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::cerr << "usage: mkicon OUT.ico IN1.txt [IN2.txt ...]\n";
        return 2;
    }
    if (argc - 2 > 0xffff) {
        std::cerr << "mkicon: too many images\n";
        return 1;
    }

    std::vector<Image> images;
    try {
        for (int i = 2; i < argc; ++i) images.push_back(readMap(argv[i]));
    } catch (const MapError& e) {
        std::cerr << "mkicon: " << e.message << "\n";
        return 1;
    }
    return writeFile("mkicon", argv[1], buildIcon(images)) ? 0 : 1;
}
