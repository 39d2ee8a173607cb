// Little-endian byte output, the byte order of every structure in a help file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace helpc {

using Bytes = std::vector<std::uint8_t>;

class ByteWriter {
public:
    void U8(std::uint8_t value) { m_bytes.push_back(value); }
    void U16(std::uint16_t value) {
        U8(static_cast<std::uint8_t>(value));
        U8(static_cast<std::uint8_t>(value >> 8));
    }
    void U32(std::uint32_t value) {
        U16(static_cast<std::uint16_t>(value));
        U16(static_cast<std::uint16_t>(value >> 16));
    }
    void Append(const Bytes& bytes) { m_bytes.insert(m_bytes.end(), bytes.begin(), bytes.end()); }
    void Append(const std::string& text) { m_bytes.insert(m_bytes.end(), text.begin(), text.end()); }
    // A NUL-terminated string.
    void Sz(const std::string& text) {
        Append(text);
        U8(0);
    }
    void Zeros(std::size_t count) { m_bytes.insert(m_bytes.end(), count, 0); }
    void PatchU16(std::size_t at, std::uint16_t value) {
        m_bytes[at] = static_cast<std::uint8_t>(value);
        m_bytes[at + 1] = static_cast<std::uint8_t>(value >> 8);
    }
    void PatchU32(std::size_t at, std::uint32_t value) {
        PatchU16(at, static_cast<std::uint16_t>(value));
        PatchU16(at + 2, static_cast<std::uint16_t>(value >> 16));
    }

    std::size_t Size() const { return m_bytes.size(); }
    const Bytes& Data() const { return m_bytes; }
    Bytes Take() { return std::move(m_bytes); }

private:
    Bytes m_bytes;
};

inline std::uint16_t ReadU16(const Bytes& bytes, std::size_t at) {
    return static_cast<std::uint16_t>(bytes.at(at) | (bytes.at(at + 1) << 8));
}

inline std::uint32_t ReadU32(const Bytes& bytes, std::size_t at) {
    return ReadU16(bytes, at) | (static_cast<std::uint32_t>(ReadU16(bytes, at + 2)) << 16);
}

}  // namespace helpc
