// Byte strings, their big-endian fields (PNG) and four-character codes; the
// little-endian ones are in LittleEndian.h.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "LittleEndian.h"

namespace authoring {

using Bytes = std::vector<std::uint8_t>;

inline std::uint32_t GetBe32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) << 24 | static_cast<std::uint32_t>(p[1]) << 16 |
           static_cast<std::uint32_t>(p[2]) << 8 | static_cast<std::uint32_t>(p[3]);
}

inline void PutFourCC(Bytes& out, std::uint32_t fourcc) {
    le::Append32(out, fourcc);
}

// A four-character code as text, with bytes outside printable ASCII as \xNN.
inline std::string FourCCText(std::uint32_t fourcc) {
    static const char kHex[] = "0123456789abcdef";
    std::string text;
    for (int i = 0; i < 4; ++i) {
        const unsigned c = (fourcc >> (8 * i)) & 0xFF;
        if (c >= 0x20 && c < 0x7F && c != '\\') {
            text += static_cast<char>(c);
        } else {
            text += "\\x";
            text += kHex[c >> 4];
            text += kHex[c & 15];
        }
    }
    return text;
}

}  // namespace authoring
