#include <gtest/gtest.h>

#include <random>

#include "Errors.h"
#include "Inflate.h"
#include "test_support.h"

namespace wavtheme {
namespace {

using test::Compress;

std::string Inflated(const std::string& zlib, std::size_t expected) {
    return test::ToString(InflateZlib(reinterpret_cast<const std::uint8_t*>(zlib.data()), zlib.size(), expected));
}

std::string MessageOf(const std::string& zlib, std::size_t expected) {
    try {
        Inflated(zlib, expected);
    } catch (const InputError& error) {
        return error.what();
    }
    return "no error";
}

// Text with repeats near and far, so that every kind of match occurs.
std::string SampleText(std::size_t size, unsigned seed) {
    std::mt19937 random(seed);
    std::string text;
    const char* words[] = {"chime ", "bell ", "\xE9\x9F\xB3", "0123456789", "\n", "zzzzzzzzzzzzzzzzzzzzzzzz"};
    while (text.size() < size) {
        if (text.size() > 300 && random() % 4 == 0) {
            const std::size_t from = random() % (text.size() - 260);
            text += text.substr(from, 3 + random() % 255);
        } else {
            text += words[random() % 6];
        }
    }
    text.resize(size);
    return text;
}

std::string Noise(std::size_t size, unsigned seed) {
    std::mt19937 random(seed);
    std::string bytes(size, '\0');
    for (char& b : bytes) b = static_cast<char>(random());
    return bytes;
}

// Bits least significant first, as deflate packs them; Huffman codes go in most
// significant bit first.
struct BitWriter {
    std::string bytes;
    int used = 8;
    void Bits(std::uint32_t value, int count) {
        for (int i = 0; i < count; ++i) Bit(value >> i & 1);
    }
    void Code(std::uint32_t code, int length) {
        for (int i = length - 1; i >= 0; --i) Bit(code >> i & 1);
    }
    void Bit(unsigned bit) {
        if (used == 8) {
            bytes += '\0';
            used = 0;
        }
        bytes.back() = static_cast<char>(bytes.back() | bit << used++);
    }
};

TEST(Inflate, ReadsWhatZlibWritesAtEveryLevelAndStrategy) {
    const std::string inputs[] = {"", "a", SampleText(70000, 1), Noise(40000, 2), std::string(100000, '\0')};
    const int strategies[] = {Z_DEFAULT_STRATEGY, Z_FILTERED, Z_HUFFMAN_ONLY, Z_RLE, Z_FIXED};
    for (const std::string& input : inputs) {
        for (int level : {0, 1, 6, 9}) {
            for (int strategy : strategies) {
                EXPECT_EQ(Inflated(Compress(input, level, strategy), input.size()), input)
                    << "size " << input.size() << " level " << level << " strategy " << strategy;
            }
        }
    }
}

TEST(Inflate, RefusesMoreOrFewerBytesThanExpected) {
    const std::string input = SampleText(5000, 3);
    for (int level : {0, 9}) {
        EXPECT_NE(MessageOf(Compress(input, level), input.size() - 1).find("more bytes"), std::string::npos);
        EXPECT_NE(MessageOf(Compress(input, level), input.size() + 1).find("fewer bytes"), std::string::npos);
    }
}

TEST(Inflate, RefusesEveryTruncation) {
    const std::string input = SampleText(3000, 4);
    const std::string zlib = Compress(input);
    for (std::size_t size = 0; size < zlib.size(); ++size) {
        EXPECT_THROW(Inflated(zlib.substr(0, size), input.size()), InputError) << size;
    }
}

// A damaged stream is refused, or, where the damage hit bits that mean nothing
// (the padding after the last code), still gives the original bytes: the
// structure checks and Adler-32 leave no corruption through.
TEST(Inflate, DamageIsRefusedNeverPassedOn) {
    const std::string input = SampleText(4000, 5);
    const std::string zlib = Compress(input);
    int refused = 0;
    for (std::size_t i = 0; i < zlib.size(); ++i) {
        for (int bit : {0, 3, 7}) {
            std::string damaged = zlib;
            damaged[i] = static_cast<char>(damaged[i] ^ (1 << bit));
            try {
                EXPECT_EQ(Inflated(damaged, input.size()), input) << "byte " << i << " bit " << bit;
            } catch (const InputError&) {
                ++refused;
            }
        }
    }
    EXPECT_GT(refused, static_cast<int>(3 * zlib.size()) - 4);
}

TEST(Inflate, RefusesABadHeaderAndAWrongChecksum) {
    std::string zlib = Compress("hello hello hello");
    EXPECT_NE(MessageOf(std::string("\x79\x9C") + zlib.substr(2), 17).find("not deflate"), std::string::npos);
    EXPECT_NE(MessageOf(std::string("\x78\x9D") + zlib.substr(2), 17).find("damaged header"), std::string::npos);
    EXPECT_NE(MessageOf(std::string("\x78\xBB") + zlib.substr(2), 17).find("preset dictionary"), std::string::npos);
    zlib.back() = static_cast<char>(zlib.back() ^ 1);
    EXPECT_NE(MessageOf(zlib, 17).find("Adler-32"), std::string::npos);
}

TEST(Inflate, RefusesAMatchBeforeTheStart) {
    BitWriter bits;
    bits.Bits(1, 1);  // last block
    bits.Bits(1, 2);  // fixed codes
    bits.Code(1, 7);  // length 3 (symbol 257)
    bits.Code(0, 5);  // distance 1
    EXPECT_NE(MessageOf("\x78\x9C" + bits.bytes + std::string(8, '\0'), 3).find("refers back past its start"),
              std::string::npos);
}

TEST(Inflate, RefusesReservedBlocksAndCodes) {
    EXPECT_NE(MessageOf("\x78\x9C\x07" + std::string(8, '\0'), 1).find("reserved type 3"), std::string::npos);
    EXPECT_NE(MessageOf(std::string("\x78\x9C\x01\x05\x00\x00\x00hello", 12), 5).find("length check"),
              std::string::npos);
    BitWriter valid;
    valid.Bits(1, 1);
    valid.Bits(1, 2);
    valid.Code(0x30 + 'a', 8);  // literal 'a'
    valid.Code(0xC6, 8);        // symbol 286, which no length has
    EXPECT_NE(MessageOf("\x78\x9C" + valid.bytes + std::string(8, '\0'), 10).find("invalid length code"),
              std::string::npos);
}

TEST(Inflate, RefusesDynamicBlocksWithBrokenTables) {
    // Code length codes that over-subscribe: all 19 of length 1.
    BitWriter over;
    over.Bits(1, 1);
    over.Bits(2, 2);
    over.Bits(0, 5);
    over.Bits(0, 5);
    over.Bits(15, 4);
    for (int i = 0; i < 19; ++i) over.Bits(1, 3);
    EXPECT_NE(MessageOf("\x78\x9C" + over.bytes + std::string(8, '\0'), 1).find("incomplete code length code"),
              std::string::npos);

    // A repeat of the previous length as the very first length.
    BitWriter repeat;
    repeat.Bits(1, 1);
    repeat.Bits(2, 2);
    repeat.Bits(0, 5);
    repeat.Bits(0, 5);
    repeat.Bits(0, 4);  // four code length codes: 16, 17, 18, 0
    for (int i = 0; i < 4; ++i) repeat.Bits(2, 3);
    repeat.Code(1, 2);  // symbol 16: the codes go to 0, 16, 17 and 18 in that order
    EXPECT_NE(MessageOf("\x78\x9C" + repeat.bytes + std::string(8, '\0'), 1).find("before the first"),
              std::string::npos);
}

}  // namespace
}  // namespace wavtheme
