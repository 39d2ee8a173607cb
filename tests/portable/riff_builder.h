// Builds RIFF files and packed DIBs in memory, for the preview tests and the fuzz
// seeds. Everything is a byte string, so pieces join with +.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "LittleEndian.h"

namespace riff {

using Bytes = std::string;

inline Bytes Le16(std::uint16_t value) {
    Bytes bytes;
    le::Append16(bytes, value);
    return bytes;
}

inline Bytes Le32(std::uint32_t value) {
    Bytes bytes;
    le::Append32(bytes, value);
    return bytes;
}

// A chunk whose header states the given size, followed by exactly data: the size
// may promise more or fewer bytes than follow, and no pad is added.
inline Bytes RawChunk(const char* id, std::uint32_t size, const Bytes& data) {
    return Bytes(id, 4) + Le32(size) + data;
}

// A well-formed chunk: the size of data, and a pad byte after odd data.
inline Bytes Chunk(const char* id, const Bytes& data) {
    Bytes chunk = RawChunk(id, static_cast<std::uint32_t>(data.size()), data);
    if (data.size() % 2 != 0) chunk += '\0';
    return chunk;
}

inline Bytes Riff(const char* form, const Bytes& body) {
    return Chunk("RIFF", Bytes(form, 4) + body);
}
inline Bytes List(const char* type, const Bytes& body) {
    return Chunk("LIST", Bytes(type, 4) + body);
}

// 16-bit mono PCM at 22050 Hz.
inline Bytes Fmt() {
    return Chunk("fmt ", Le16(1) + Le16(1) + Le32(22050) + Le32(44100) + Le16(2) + Le16(16));
}

// A "fmt " chunk whose block size and byte rate follow from channels and bits.
inline Bytes FmtOf(std::uint16_t tag, std::uint16_t channels, std::uint32_t rate, std::uint16_t bits,
                   const Bytes& tail = "") {
    const auto align = static_cast<std::uint16_t>(channels * bits / 8);
    return Chunk("fmt ",
                 Le16(tag) + Le16(channels) + Le32(rate) + Le32(rate * align) + Le16(align) + Le16(bits) + tail);
}

// An extensible format's tail: cbSize, valid bits, channel mask, sub-format (subTag's by default).
inline Bytes Extensible(std::uint32_t subTag,
                        const Bytes& guidTail = Bytes("\0\0\x10\0\x80\0\0\xAA\0\x38\x9B\x71", 12)) {
    return Le16(22) + Le16(16) + Le32(0x3F) + Le32(subTag) + guidTail;
}

// A wave file: the RIFF form with a format chunk, then body.
inline Bytes Wave(const Bytes& body) {
    return Riff("WAVE", Fmt() + body);
}

// Bytes that differ from one position to the next, so copies can be checked.
inline Bytes Pattern(std::size_t size, unsigned seed) {
    Bytes bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 7 + seed * 13 + 1) & 0xFF);
    return bytes;
}

inline Bytes InfoHeader(std::int32_t width, std::int32_t height, std::uint16_t bitCount, std::uint32_t clrUsed = 0,
                        std::uint32_t sizeImage = 0, std::uint32_t compression = 0, std::uint32_t clrImportant = 0) {
    return Le32(40) + Le32(static_cast<std::uint32_t>(width)) + Le32(static_cast<std::uint32_t>(height)) + Le16(1) +
           Le16(bitCount) + Le32(compression) + Le32(sizeImage) + Le32(2835) + Le32(2835) + Le32(clrUsed) +
           Le32(clrImportant);
}

inline Bytes CoreHeader(std::uint16_t width, std::uint16_t height, std::uint16_t bitCount) {
    return Le32(12) + Le16(width) + Le16(height) + Le16(1) + Le16(bitCount);
}

// The data of a DISP chunk: the clipboard format, then what that format holds.
inline Bytes DispData(std::uint32_t format, const Bytes& data) {
    return Le32(format) + data;
}

}  // namespace riff
