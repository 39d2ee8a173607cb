// The zlib stream inside a PNG's image data, inflated with every length, code and
// distance checked against the bytes that are really there.
#pragma once

#include <cstddef>
#include <cstdint>

#include "Bytes.h"

namespace wavtheme {

// The decompressed bytes of a zlib stream (RFC 1950 around RFC 1951 deflate),
// which must come to exactly expectedSize bytes; its Adler-32 is checked. Throws
// InputError for a damaged or truncated stream and for one that would give more
// or fewer bytes than expected, so a small file cannot expand without bound.
Bytes InflateZlib(const std::uint8_t* data, std::size_t size, std::size_t expectedSize);

}  // namespace wavtheme
