// Reads what mkicon and mkwave wrote and checks it field by field. Kept apart
// from the tools on purpose: it parses the formats from scratch, so a mistake
// shared by writer and reader cannot hide. Only the byte order is shared, and
// portable_tests check that against bytes written out by hand.
//
//   check_tools ico FILE MAP.txt...           header, sizes, palette and every pixel
//   check_tools region FILE TOP BOTTOM LEFT RIGHT
//                                             first image opaque only inside the box
//   check_tools colours FILE CHARS            first image's opaque pixels use exactly CHARS
//   check_tools wav FILE MIN_S MAX_S          header, sizes, length, peak, quiet ends

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <iterator>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "LittleEndian.h"

namespace {

struct Failure : std::runtime_error {
    using std::runtime_error::runtime_error;
};

void expect(bool ok, const std::string& what) {
    if (!ok) throw Failure(what);
}

std::string num(long long v) {
    return std::to_string(v);
}

void expectEq(long long got, long long want, const std::string& what) {
    expect(got == want, what + ": got " + num(got) + ", want " + num(want));
}

class Bytes {
public:
    explicit Bytes(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        if (!in) throw Failure(path + ": cannot open");
        data_.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    std::size_t size() const { return data_.size(); }
    unsigned u8(std::size_t at) const {
        if (at >= data_.size()) throw Failure("read past the end at offset " + num(static_cast<long long>(at)));
        return static_cast<unsigned char>(data_[at]);
    }
    const char* field(std::size_t at, std::size_t size) const {
        if (at > data_.size() || data_.size() - at < size)
            throw Failure("read past the end at offset " + num(static_cast<long long>(at)));
        return data_.data() + at;
    }
    unsigned u16(std::size_t at) const { return le::Get16(field(at, 2)); }
    std::uint32_t u32(std::size_t at) const { return le::Get32(field(at, 4)); }
    std::int32_t s32(std::size_t at) const { return static_cast<std::int32_t>(u32(at)); }
    std::string tag(std::size_t at) const {
        std::string s;
        for (std::size_t i = 0; i < 4; ++i) s += static_cast<char>(u8(at + i));
        return s;
    }

private:
    std::vector<char> data_;
};

struct Icon {
    int width, height;
    std::size_t offset;  // of the BITMAPINFOHEADER
};

std::size_t xorStride(int w) {
    return (static_cast<std::size_t>(w) * 4 + 31) / 32 * 4;
}
std::size_t andStride(int w) {
    return (static_cast<std::size_t>(w) + 31) / 32 * 4;
}

// Bitmap rows are stored bottom-up; y counts from the top.
bool transparentAt(const Bytes& b, const Icon& ic, int x, int y) {
    const std::size_t row =
        ic.offset + 40 + 64 + xorStride(ic.width) * ic.height + andStride(ic.width) * (ic.height - 1 - y);
    return (b.u8(row + x / 8) >> (7 - x % 8)) & 1;
}

unsigned indexAt(const Bytes& b, const Icon& ic, int x, int y) {
    const std::size_t row = ic.offset + 40 + 64 + xorStride(ic.width) * (ic.height - 1 - y);
    const unsigned v = b.u8(row + x / 2);
    return x % 2 == 0 ? v >> 4 : v & 0xf;
}

std::vector<Icon> readIcon(const Bytes& b) {
    expectEq(b.u16(0), 0, "ICONDIR reserved");
    expectEq(b.u16(2), 1, "ICONDIR type");
    const unsigned count = b.u16(4);
    expect(count > 0, "ICONDIR count is 0");

    std::vector<Icon> icons;
    std::size_t next = 6 + 16 * count;
    for (unsigned i = 0; i < count; ++i) {
        const std::size_t e = 6 + 16 * i;
        const std::string at = "entry " + num(i) + " ";
        const int w = b.u8(e) == 0 ? 256 : static_cast<int>(b.u8(e));
        const int h = b.u8(e + 1) == 0 ? 256 : static_cast<int>(b.u8(e + 1));
        expectEq(b.u8(e + 2), 16, at + "colour count");
        expectEq(b.u8(e + 3), 0, at + "reserved");
        expectEq(b.u16(e + 4), 1, at + "planes");
        expectEq(b.u16(e + 6), 4, at + "bit count");
        const std::size_t pixels = (xorStride(w) + andStride(w)) * h;
        expectEq(b.u32(e + 8), static_cast<long long>(40 + 64 + pixels), at + "bytes in resource");
        expectEq(b.u32(e + 12), static_cast<long long>(next), at + "image offset");

        const std::size_t o = next;
        expectEq(b.u32(o), 40, at + "biSize");
        expectEq(b.s32(o + 4), w, at + "biWidth");
        expectEq(b.s32(o + 8), 2 * h, at + "biHeight");
        expectEq(b.u16(o + 12), 1, at + "biPlanes");
        expectEq(b.u16(o + 14), 4, at + "biBitCount");
        expectEq(b.u32(o + 16), 0, at + "biCompression");
        expectEq(b.u32(o + 20), static_cast<long long>(pixels), at + "biSizeImage");
        icons.push_back({w, h, o});
        next += 40 + 64 + pixels;
    }
    expectEq(static_cast<long long>(b.size()), static_cast<long long>(next), "file size");
    return icons;
}

// The map format read independently of mkicon: rows top to bottom, '#' comments,
// trailing blank lines ignored.
std::vector<std::string> readMap(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw Failure(path + ": cannot open");
    std::vector<std::string> rows;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty() && line[0] == '#') continue;
        rows.push_back(line);
    }
    while (!rows.empty() && rows.back().empty()) rows.pop_back();
    return rows;
}

const std::uint8_t kVga[16][3] = {
    {0, 0, 0},     {128, 0, 0},     {0, 128, 0},     {128, 128, 0},   {0, 0, 128}, {128, 0, 128},
    {0, 128, 128}, {192, 192, 192}, {128, 128, 128}, {255, 0, 0},     {0, 255, 0}, {255, 255, 0},
    {0, 0, 255},   {255, 0, 255},   {0, 255, 255},   {255, 255, 255},
};

const std::string kChars = "0123456789abcdef";

int checkIco(const std::string& file, const std::vector<std::string>& maps) {
    const Bytes b(file);
    const std::vector<Icon> icons = readIcon(b);
    expectEq(static_cast<long long>(icons.size()), static_cast<long long>(maps.size()), "image count");
    for (std::size_t i = 0; i < icons.size(); ++i) {
        const Icon& ic = icons[i];
        const std::vector<std::string> rows = readMap(maps[i]);
        expectEq(ic.height, static_cast<long long>(rows.size()), maps[i] + " height");
        for (int c = 0; c < 16; ++c) {
            const std::size_t q = ic.offset + 40 + 4 * c;
            expect(b.u8(q) == kVga[c][2] && b.u8(q + 1) == kVga[c][1] && b.u8(q + 2) == kVga[c][0] && b.u8(q + 3) == 0,
                   "palette entry " + num(c) + " is not the VGA colour");
        }
        for (int y = 0; y < ic.height; ++y) {
            expectEq(ic.width, static_cast<long long>(rows[y].size()), maps[i] + " row " + num(y) + " width");
            for (int x = 0; x < ic.width; ++x) {
                const char want = rows[y][x];
                const bool clear = transparentAt(b, ic, x, y);
                const unsigned idx = indexAt(b, ic, x, y);
                const std::string where = maps[i] + " pixel (" + num(x) + "," + num(y) + ")";
                if (want == '.') {
                    expect(clear && idx == 0, where + " should be transparent with index 0");
                } else {
                    expect(!clear, where + " should be opaque");
                    expectEq(idx, static_cast<long long>(kChars.find(want)), where + " colour index");
                }
            }
        }
    }
    return 0;
}

int checkRegion(const std::string& file, int top, int bottom, int left, int right) {
    const Bytes b(file);
    const Icon ic = readIcon(b).front();
    int inside = 0;
    for (int y = 0; y < ic.height; ++y) {
        for (int x = 0; x < ic.width; ++x) {
            const bool opaque = !transparentAt(b, ic, x, y);
            if (y >= top && y <= bottom && x >= left && x <= right) {
                inside += opaque;
            } else {
                expect(!opaque, "opaque pixel outside the box at (" + num(x) + "," + num(y) + ")");
            }
        }
    }
    expect(inside > 0, "no opaque pixel inside the box");
    return 0;
}

int checkColours(const std::string& file, const std::string& chars) {
    const Bytes b(file);
    const Icon ic = readIcon(b).front();
    std::set<char> used;
    for (int y = 0; y < ic.height; ++y) {
        for (int x = 0; x < ic.width; ++x) {
            if (!transparentAt(b, ic, x, y)) used.insert(kChars[indexAt(b, ic, x, y)]);
        }
    }
    const std::set<char> want(chars.begin(), chars.end());
    expect(used == want, "opaque colours are '" + std::string(used.begin(), used.end()) + "', want '" + chars + "'");
    return 0;
}

int checkWav(const std::string& file, double minSeconds, double maxSeconds) {
    const Bytes b(file);
    expect(b.size() >= 44, "shorter than a header");
    expect(b.tag(0) == "RIFF", "no RIFF tag");
    expectEq(b.u32(4), static_cast<long long>(b.size()) - 8, "RIFF size");
    expect(b.tag(8) == "WAVE", "no WAVE tag");
    expect(b.tag(12) == "fmt ", "no fmt chunk at 12");
    expectEq(b.u32(16), 16, "fmt size");
    expectEq(b.u16(20), 1, "format");
    expectEq(b.u16(22), 1, "channels");
    expectEq(b.u32(24), 22050, "sample rate");
    expectEq(b.u32(28), 44100, "byte rate");
    expectEq(b.u16(32), 2, "block align");
    expectEq(b.u16(34), 16, "bits per sample");
    expect(b.tag(36) == "data", "no data chunk at 36");
    const std::uint32_t dataSize = b.u32(40);
    expectEq(dataSize, static_cast<long long>(b.size()) - 44, "data size");
    expect(dataSize % 2 == 0, "odd data size");

    const std::size_t samples = dataSize / 2;
    const double seconds = static_cast<double>(samples) / 22050;
    expect(seconds >= minSeconds && seconds <= maxSeconds, "length " + std::to_string(seconds) + " s outside " +
                                                               std::to_string(minSeconds) + ".." +
                                                               std::to_string(maxSeconds));
    int peak = 0;
    for (std::size_t i = 0; i < samples; ++i) {
        const int s = static_cast<std::int16_t>(b.u16(44 + 2 * i));
        peak = std::max(peak, std::abs(s));
    }
    expect(peak >= 8000 && peak <= 24000, "peak " + num(peak) + " outside 8000..24000");
    const int first = std::abs(static_cast<std::int16_t>(b.u16(44)));
    const int last = std::abs(static_cast<std::int16_t>(b.u16(44 + 2 * (samples - 1))));
    expect(first < 100 && last < 100, "no fade: first sample " + num(first) + ", last " + num(last));
    return 0;
}

int toInt(const char* s) {
    char* end = nullptr;
    const long v = std::strtol(s, &end, 10);
    if (end == s || *end != '\0') throw Failure(std::string("not a number: ") + s);
    return static_cast<int>(v);
}

double toDouble(const char* s) {
    char* end = nullptr;
    const double v = std::strtod(s, &end);
    if (end == s || *end != '\0') throw Failure(std::string("not a number: ") + s);
    return v;
}

int usage() {
    std::cerr << "usage: check_tools ico FILE MAP...\n"
                 "       check_tools region FILE TOP BOTTOM LEFT RIGHT\n"
                 "       check_tools colours FILE CHARS\n"
                 "       check_tools wav FILE MIN_SECONDS MAX_SECONDS\n";
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) return usage();
    const std::string cmd = argv[1];
    try {
        if (cmd == "ico" && argc >= 4) return checkIco(argv[2], std::vector<std::string>(argv + 3, argv + argc));
        if (cmd == "region" && argc == 7)
            return checkRegion(argv[2], toInt(argv[3]), toInt(argv[4]), toInt(argv[5]), toInt(argv[6]));
        if (cmd == "colours" && argc == 4) return checkColours(argv[2], argv[3]);
        if (cmd == "wav" && argc == 5) return checkWav(argv[2], toDouble(argv[3]), toDouble(argv[4]));
    } catch (const Failure& f) {
        std::cerr << argv[2] << ": " << f.what() << "\n";
        return 1;
    }
    return usage();
}
