// Code page 932 as the C library's CP932 decoder reads it: every byte or byte pair
// that decodes, with its character. gen_cp932_table writes the tables at build
// time, so the tool needs no converter at run time and the same tables serve the
// Windows and the Linux build.
#pragma once

#include <cstddef>
#include <cstdint>

namespace wavtheme {

struct Cp932Pair {
    // One byte (below 0x100) or a lead byte and a trail byte (lead << 8 | trail).
    std::uint16_t code;
    std::uint16_t unicode;
};

// Every code that decodes, sorted by code.
extern const Cp932Pair kCp932ByCode[];
extern const std::size_t kCp932ByCodeCount;

// One code for every character that some code decodes to, sorted by character.
// Where several codes decode to the same character, the one Windows writes.
extern const Cp932Pair kCp932ByUnicode[];
extern const std::size_t kCp932ByUnicodeCount;

}  // namespace wavtheme
