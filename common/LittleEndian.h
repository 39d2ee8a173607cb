// Little-endian numbers in byte strings: the byte order of every file the program,
// its tools and its tests read or write (RIFF, DIB, BMP, ICO, help files).
#pragma once

#include <cstdint>

namespace le {

inline std::uint16_t Get16(const void* at) {
    const auto* p = static_cast<const std::uint8_t*>(at);
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

inline std::uint32_t Get32(const void* at) {
    const auto* p = static_cast<const std::uint8_t*>(at);
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

inline void Set16(void* at, std::uint16_t value) {
    auto* p = static_cast<std::uint8_t*>(at);
    p[0] = static_cast<std::uint8_t>(value);
    p[1] = static_cast<std::uint8_t>(value >> 8);
}

inline void Set32(void* at, std::uint32_t value) {
    auto* p = static_cast<std::uint8_t*>(at);
    Set16(p, static_cast<std::uint16_t>(value));
    Set16(p + 2, static_cast<std::uint16_t>(value >> 16));
}

// Appends to any byte container: std::string, std::vector<std::uint8_t>.
template <typename Bytes>
void Append16(Bytes& out, std::uint16_t value) {
    out.push_back(static_cast<typename Bytes::value_type>(value & 0xFF));
    out.push_back(static_cast<typename Bytes::value_type>(value >> 8));
}

template <typename Bytes>
void Append32(Bytes& out, std::uint32_t value) {
    Append16(out, static_cast<std::uint16_t>(value));
    Append16(out, static_cast<std::uint16_t>(value >> 16));
}

}  // namespace le
