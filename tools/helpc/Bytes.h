// Little-endian byte output, the byte order of every structure in a help file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "LittleEndian.h"

namespace helpc {

using Bytes = std::vector<std::uint8_t>;

class ByteWriter {
public:
    void U8(std::uint8_t value) { m_bytes.push_back(value); }
    void U16(std::uint16_t value) { le::Append16(m_bytes, value); }
    void U32(std::uint32_t value) { le::Append32(m_bytes, value); }
    void Append(const Bytes& bytes) { m_bytes.insert(m_bytes.end(), bytes.begin(), bytes.end()); }
    void Append(const std::string& text) { m_bytes.insert(m_bytes.end(), text.begin(), text.end()); }
    // A NUL-terminated string.
    void Sz(const std::string& text) {
        Append(text);
        U8(0);
    }
    void Zeros(std::size_t count) { m_bytes.insert(m_bytes.end(), count, 0); }
    void PatchU16(std::size_t at, std::uint16_t value) { le::Set16(&m_bytes[at], value); }
    void PatchU32(std::size_t at, std::uint32_t value) { le::Set32(&m_bytes[at], value); }

    std::size_t Size() const { return m_bytes.size(); }
    const Bytes& Data() const { return m_bytes; }
    Bytes Take() { return std::move(m_bytes); }

private:
    Bytes m_bytes;
};

// Reads past the end throw std::out_of_range.
inline const std::uint8_t* CheckedField(const Bytes& bytes, std::size_t at, std::size_t size) {
    if (at > bytes.size() || bytes.size() - at < size) throw std::out_of_range("field past the end of the bytes");
    return bytes.data() + at;
}

inline std::uint16_t ReadU16(const Bytes& bytes, std::size_t at) {
    return le::Get16(CheckedField(bytes, at, 2));
}

inline std::uint32_t ReadU32(const Bytes& bytes, std::size_t at) {
    return le::Get32(CheckedField(bytes, at, 4));
}

}  // namespace helpc
