// What every normalised DIB must be, checked by both fuzz targets: any breach
// aborts, which libFuzzer reports as a finding.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "LittleEndian.h"

namespace fuzzcheck {

inline void Check(bool condition, const char* text, const char* file, int line) {
    if (condition) return;
    std::fprintf(stderr, "%s:%d: broken: %s\n", file, line, text);
    std::abort();
}

#define REQUIRE(condition) ::fuzzcheck::Check((condition), #condition, __FILE__, __LINE__)

// A 40-byte header, at most 256 entries, a size that the header alone gives and
// that the chunk it came from bounds, a form that the bitmap class holds (its
// rows turned bottom-up), and, unless run-length encoded, pixels for every row
// (computed here in 128 bits, apart from the code under test).
inline void CheckNormalisedDib(const std::vector<std::uint8_t>& dib, std::size_t chunkSize) {
    REQUIRE(dib.size() >= 40);
    REQUIRE(le::Get32(dib.data()) == 40);
    const auto width = static_cast<std::int32_t>(le::Get32(dib.data() + 4));
    const auto height = static_cast<std::int32_t>(le::Get32(dib.data() + 8));
    const std::uint32_t bitCount = le::Get32(dib.data() + 12) >> 16;
    const std::uint32_t compression = le::Get32(dib.data() + 16);
    const std::uint32_t image = le::Get32(dib.data() + 20);
    const std::uint32_t colors = le::Get32(dib.data() + 32);
    const std::uint32_t masks = compression == 3 ? 12 : 0;
    REQUIRE(colors <= 256);
    REQUIRE(dib.size() == 40ull + masks + 4ull * colors + image);
    REQUIRE(dib.size() + 14 <= 0xFFFFFFFFull);
    REQUIRE(dib.size() <= chunkSize + 280);
    REQUIRE(width >= 0);
    if (compression == 1 || compression == 2) {
        REQUIRE(bitCount == (compression == 1 ? 8u : 4u));
        REQUIRE(height >= 0);
        return;
    }
    REQUIRE(compression == 0 || compression == 3);
    if (compression == 0) {
        REQUIRE(bitCount == 1 || bitCount == 4 || bitCount == 8 || bitCount == 16 || bitCount == 24 || bitCount == 32);
    } else {
        REQUIRE(bitCount == 16 || bitCount == 32);
        std::uint32_t taken = 0;
        for (int i = 0; i < 3; ++i) {
            const std::uint32_t mask = le::Get32(dib.data() + 40 + 4 * i);
            REQUIRE(mask != 0 && (mask & taken) == 0 && (bitCount == 32 || mask <= 0xFFFFu));
            const int low = __builtin_ctz(mask);
            const int high = 31 - __builtin_clz(mask);
            REQUIRE(high - low + 1 == __builtin_popcount(mask));
            taken |= mask;
        }
    }
    REQUIRE(height != INT32_MIN);
    const __int128 rowBytes = (static_cast<__int128>(bitCount) * width + 31) / 32 * 4;
    const __int128 rows = height < 0 ? -static_cast<__int128>(height) : height;
    REQUIRE(rowBytes * rows <= image);
}

}  // namespace fuzzcheck
