// Writes the code page 932 tables of Cp932Table.h as C++ source, by decoding every
// single byte and every lead/trail byte pair with iconv's CP932.
//   gen_cp932_table OUT.cpp
#include <iconv.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <map>
#include <vector>

namespace {

struct Pair {
    std::uint16_t code;
    std::uint16_t unicode;
};

// The character that bytes decode to, or -1 when they are not one whole character.
long Decode(iconv_t cd, const unsigned char* bytes, std::size_t size) {
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char in[2] = {static_cast<char>(bytes[0]), size > 1 ? static_cast<char>(bytes[1]) : '\0'};
    unsigned char out[16] = {};
    char* inPtr = in;
    char* outPtr = reinterpret_cast<char*>(out);
    std::size_t inLeft = size;
    std::size_t outLeft = sizeof out;
    if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1) || inLeft != 0) return -1;
    if (sizeof out - outLeft != 4) return -1;
    const unsigned long cp = out[0] | out[1] << 8 | out[2] << 16 | static_cast<unsigned long>(out[3]) << 24;
    return cp <= 0xFFFF ? static_cast<long>(cp) : -1;
}

bool IsLead(unsigned b) {
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

// Windows encodes a character that several codes decode to with the lowest of
// them, except that the NEC-selected IBM extensions (lead bytes 0xED and 0xEE)
// give way to the IBM extensions.
bool Preferred(std::uint16_t candidate, std::uint16_t current) {
    const bool candidateNecIbm = (candidate >> 8) == 0xED || (candidate >> 8) == 0xEE;
    const bool currentNecIbm = (current >> 8) == 0xED || (current >> 8) == 0xEE;
    if (candidateNecIbm != currentNecIbm) return !candidateNecIbm;
    return candidate < current;
}

bool WriteTable(std::FILE* out, const char* name, const std::vector<Pair>& pairs) {
    std::fprintf(out, "const Cp932Pair %s[] = {\n", name);
    for (std::size_t i = 0; i < pairs.size(); ++i) {
        std::fprintf(out, "%s{0x%04X, 0x%04X},%s", i % 6 == 0 ? "    " : " ", pairs[i].code, pairs[i].unicode,
                     i % 6 == 5 || i + 1 == pairs.size() ? "\n" : "");
    }
    std::fprintf(out, "};\nconst std::size_t %sCount = %zu;\n\n", name, pairs.size());
    return std::ferror(out) == 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: gen_cp932_table OUT.cpp\n");
        return 2;
    }
    iconv_t cd = iconv_open("UTF-32LE", "CP932");
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        std::perror("gen_cp932_table: iconv_open CP932");
        return 1;
    }
    std::vector<Pair> byCode;
    for (unsigned b = 0; b < 0x100; ++b) {
        if (IsLead(b)) {
            for (unsigned t = 0x40; t <= 0xFC; ++t) {
                const unsigned char bytes[2] = {static_cast<unsigned char>(b), static_cast<unsigned char>(t)};
                const long cp = Decode(cd, bytes, 2);
                if (cp >= 0) byCode.push_back({static_cast<std::uint16_t>(b << 8 | t), static_cast<std::uint16_t>(cp)});
            }
        } else {
            const unsigned char bytes[1] = {static_cast<unsigned char>(b)};
            const long cp = Decode(cd, bytes, 1);
            if (cp >= 0) byCode.push_back({static_cast<std::uint16_t>(b), static_cast<std::uint16_t>(cp)});
        }
    }
    iconv_close(cd);
    // Single bytes after 0x9F come after the pairs of lead bytes below them.
    std::sort(byCode.begin(), byCode.end(), [](const Pair& a, const Pair& b) { return a.code < b.code; });

    // Two-byte characters number about 7,900 in code page 932; far fewer means a
    // broken converter, whose tables would refuse good text.
    if (byCode.size() < 7000) {
        std::fprintf(stderr, "gen_cp932_table: iconv's CP932 decoded only %zu codes\n", byCode.size());
        return 1;
    }

    std::map<std::uint16_t, std::uint16_t> chosen;
    for (const Pair& pair : byCode) {
        auto found = chosen.find(pair.unicode);
        if (found == chosen.end()) {
            chosen.emplace(pair.unicode, pair.code);
        } else if (Preferred(pair.code, found->second)) {
            found->second = pair.code;
        }
    }
    std::vector<Pair> byUnicode;
    for (const auto& entry : chosen) byUnicode.push_back({entry.second, entry.first});

    std::FILE* out = std::fopen(argv[1], "w");
    if (out == nullptr) {
        std::perror(argv[1]);
        return 1;
    }
    std::fprintf(out, "// Written by gen_cp932_table from iconv's CP932; not to be edited.\n");
    std::fprintf(out, "#include \"Cp932Table.h\"\n\nnamespace wavtheme {\n\n");
    bool ok = WriteTable(out, "kCp932ByCode", byCode) && WriteTable(out, "kCp932ByUnicode", byUnicode);
    std::fprintf(out, "}  // namespace wavtheme\n");
    ok = std::fclose(out) == 0 && ok;
    if (!ok) {
        std::fprintf(stderr, "gen_cp932_table: writing %s failed\n", argv[1]);
        std::remove(argv[1]);
        return 1;
    }
    return 0;
}
