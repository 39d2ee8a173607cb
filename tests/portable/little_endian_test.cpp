// The one byte-order header, against bytes written out by hand: every reader
// and writer of the program, its tools and its tests relies on it.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "LittleEndian.h"

namespace {

struct Case {
    std::uint32_t value;
    int size;
    std::string bytes;
};

const Case kCases[] = {
    {0x0000, 2, std::string("\x00\x00", 2)},
    {0x1234, 2, "\x34\x12"},
    {0xFFFE, 2, "\xFE\xFF"},
    {0x00000000, 4, std::string("\x00\x00\x00\x00", 4)},
    {0x12345678, 4, "\x78\x56\x34\x12"},
    {0x80000001, 4, std::string("\x01\x00\x00\x80", 4)},
    {0xFFFFFFFE, 4, "\xFE\xFF\xFF\xFF"},
};

TEST(LittleEndian, ReadsWritesAndAppendsLowByteFirst) {
    for (const Case& c : kCases) {
        SCOPED_TRACE(testing::Message() << std::hex << c.value << ", " << c.size << " bytes");
        std::string appended = "<";
        std::vector<std::uint8_t> vector;
        std::uint8_t stored[4] = {0xAA, 0xAA, 0xAA, 0xAA};
        if (c.size == 2) {
            EXPECT_EQ(le::Get16(c.bytes.data()), c.value);
            le::Append16(appended, static_cast<std::uint16_t>(c.value));
            le::Append16(vector, static_cast<std::uint16_t>(c.value));
            le::Set16(stored, static_cast<std::uint16_t>(c.value));
        } else {
            EXPECT_EQ(le::Get32(c.bytes.data()), c.value);
            le::Append32(appended, c.value);
            le::Append32(vector, c.value);
            le::Set32(stored, c.value);
        }
        EXPECT_EQ(appended, "<" + c.bytes) << "appended after what was there";
        EXPECT_EQ(std::string(vector.begin(), vector.end()), c.bytes);
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(stored), 4), c.bytes + std::string(4 - c.size, '\xAA'))
            << "stored in place, the bytes after untouched";
    }
}

}  // namespace
