// libFuzzer target: the input is the data of one DISP chunk.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "DisplayDib.h"
#include "dib_layout_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    REQUIRE(preview::CountDibColors(data, size) <= 256);
    const std::optional<std::vector<std::uint8_t>> dib = preview::ConvertDisplayDib(data, size);
    if (!dib) return 0;
    fuzzcheck::CheckNormalisedDib(*dib, size);

    // The entries and the pixels are the source's, at the places the header says.
    REQUIRE(size >= 8 && le::Get32(data) == 8);
    const std::uint8_t* source = data + 4;
    const std::uint32_t headerSize = le::Get32(source);
    const std::uint16_t colors = preview::CountDibColors(source, size - 4);
    const std::uint32_t image = le::Get32(dib->data() + 20);
    REQUIRE(le::Get32(dib->data() + 32) == colors);
    if (headerSize == 40) {
        REQUIRE(std::memcmp(dib->data() + 4, source + 4, 16) == 0);
        REQUIRE(std::memcmp(dib->data() + 24, source + 24, 8) == 0);
        REQUIRE(std::memcmp(dib->data() + 36, source + 36, 4) == 0);
        REQUIRE(le::Get32(source + 20) == 0 || le::Get32(source + 20) == image);
        const std::uint32_t masks = le::Get32(source + 16) == 3 ? 12 : 0;
        REQUIRE(std::memcmp(dib->data() + 40, source + 40, masks + 4u * colors + image) == 0);
    } else {
        REQUIRE(headerSize == 12);
        REQUIRE(le::Get32(dib->data() + 36) == colors);
        for (std::uint16_t i = 0; i < colors; ++i) {
            REQUIRE(std::memcmp(dib->data() + 40 + 4 * i, source + 12 + 3 * i, 3) == 0);
            REQUIRE((*dib)[40 + 4 * i + 3] == 0);
        }
        REQUIRE(std::memcmp(dib->data() + 40 + 4u * colors, source + 12 + 3u * colors, image) == 0);
    }
    return 0;
}
