#include "Inflate.h"

#include <algorithm>
#include <array>
#include <string>
#include <utility>

#include "Errors.h"

namespace wavtheme {

namespace {

constexpr int kMaxBits = 15;
constexpr int kMaxLiteralLengthCodes = 286;
constexpr int kMaxDistanceCodes = 30;
constexpr int kFixedLiteralLengthCodes = 288;

[[noreturn]] void Fail(const std::string& what) {
    throw InputError("the PNG's compressed image data " + what);
}

class BitReader {
public:
    BitReader(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}

    // The next count bits, least significant first.
    std::uint32_t Bits(int count) {
        std::uint32_t value = m_buffer;
        while (m_count < count) {
            if (m_pos == m_size) Fail("ends early");
            value |= static_cast<std::uint32_t>(m_data[m_pos++]) << m_count;
            m_count += 8;
        }
        m_buffer = value >> count;
        m_count -= count;
        return value & ((1u << count) - 1);
    }

    // Drops the bits left in the current byte, for a stored block.
    void AlignToByte() {
        m_buffer = 0;
        m_count = 0;
    }

    std::size_t BytePosition() const { return m_pos; }
    std::size_t BytesLeft() const { return m_size - m_pos; }
    const std::uint8_t* Here() const { return m_data + m_pos; }
    void Skip(std::size_t count) { m_pos += count; }

private:
    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_pos = 0;
    std::uint32_t m_buffer = 0;
    int m_count = 0;
};

// A canonical Huffman code: how many codes have each length, and the symbols in
// code order.
struct Huffman {
    std::array<std::uint16_t, kMaxBits + 1> count{};
    std::array<std::uint16_t, kFixedLiteralLengthCodes> symbol{};
};

// Builds the code from the lengths; returns the codes left unused: 0 for a
// complete code, above 0 for an incomplete one, below 0 for an over-subscribed one.
int Build(Huffman& h, const std::uint16_t* lengths, int n) {
    h.count.fill(0);
    for (int i = 0; i < n; ++i) ++h.count[lengths[i]];
    if (h.count[0] == n) return 0;
    int left = 1;
    for (int len = 1; len <= kMaxBits; ++len) {
        left <<= 1;
        left -= h.count[len];
        if (left < 0) return left;
    }
    std::array<std::uint16_t, kMaxBits + 1> offsets{};
    for (int len = 1; len < kMaxBits; ++len) offsets[len + 1] = offsets[len] + h.count[len];
    for (int i = 0; i < n; ++i) {
        if (lengths[i] != 0) h.symbol[offsets[lengths[i]]++] = static_cast<std::uint16_t>(i);
    }
    return left;
}

int Decode(BitReader& in, const Huffman& h) {
    int code = 0;
    int first = 0;
    int index = 0;
    for (int len = 1; len <= kMaxBits; ++len) {
        code |= static_cast<int>(in.Bits(1));
        const int count = h.count[len];
        if (code - count < first) return h.symbol[index + (code - first)];
        index += count;
        first += count;
        first <<= 1;
        code <<= 1;
    }
    Fail("holds an invalid Huffman code");
}

class Inflater {
public:
    Inflater(const std::uint8_t* data, std::size_t size, std::size_t expectedSize)
        : m_in(data, size), m_expected(expectedSize) {
        m_out.reserve(expectedSize);
    }

    Bytes Run() {
        bool last = false;
        while (!last) {
            last = m_in.Bits(1) != 0;
            switch (m_in.Bits(2)) {
            case 0:
                Stored();
                break;
            case 1:
                Fixed();
                break;
            case 2:
                Dynamic();
                break;
            default:
                Fail("holds a block of the reserved type 3");
            }
        }
        m_in.AlignToByte();
        return std::move(m_out);
    }

    std::size_t BytePosition() const { return m_in.BytePosition(); }

private:
    void Put(std::uint8_t byte) {
        if (m_out.size() == m_expected) Fail("holds more bytes than the image size calls for");
        m_out.push_back(byte);
    }

    void Stored() {
        m_in.AlignToByte();
        if (m_in.BytesLeft() < 4) Fail("ends early");
        const std::uint8_t* p = m_in.Here();
        const unsigned length = p[0] | p[1] << 8;
        const unsigned complement = p[2] | p[3] << 8;
        m_in.Skip(4);
        if ((length ^ 0xFFFF) != complement) Fail("holds a stored block whose length check fails");
        if (m_in.BytesLeft() < length) Fail("ends early");
        if (m_expected - m_out.size() < length) Fail("holds more bytes than the image size calls for");
        m_out.insert(m_out.end(), m_in.Here(), m_in.Here() + length);
        m_in.Skip(length);
    }

    void Codes(const Huffman& literalLength, const Huffman& distance) {
        static const std::uint16_t kLengthBase[29] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                                      31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
        static const std::uint8_t kLengthExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                                      2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
        static const std::uint16_t kDistanceBase[30] = {1,    2,    3,    4,    5,    7,    9,    13,    17,    25,
                                                        33,   49,   65,   97,   129,  193,  257,  385,   513,   769,
                                                        1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
        static const std::uint8_t kDistanceExtra[30] = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                                        6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};
        for (;;) {
            int symbol = Decode(m_in, literalLength);
            if (symbol < 256) {
                Put(static_cast<std::uint8_t>(symbol));
            } else if (symbol == 256) {
                return;
            } else {
                symbol -= 257;
                if (symbol >= 29) Fail("holds an invalid length code");
                const std::size_t length = kLengthBase[symbol] + m_in.Bits(kLengthExtra[symbol]);
                const int distanceSymbol = Decode(m_in, distance);
                if (distanceSymbol >= 30) Fail("holds an invalid distance code");
                const std::size_t back = kDistanceBase[distanceSymbol] + m_in.Bits(kDistanceExtra[distanceSymbol]);
                if (back > m_out.size()) Fail("refers back past its start");
                if (m_expected - m_out.size() < length) Fail("holds more bytes than the image size calls for");
                for (std::size_t i = 0; i < length; ++i) m_out.push_back(m_out[m_out.size() - back]);
            }
        }
    }

    void Fixed() {
        if (!m_fixedBuilt) {
            std::array<std::uint16_t, kFixedLiteralLengthCodes + kMaxDistanceCodes> lengths{};
            for (int i = 0; i < 144; ++i) lengths[i] = 8;
            for (int i = 144; i < 256; ++i) lengths[i] = 9;
            for (int i = 256; i < 280; ++i) lengths[i] = 7;
            for (int i = 280; i < kFixedLiteralLengthCodes; ++i) lengths[i] = 8;
            Build(m_fixedLiteralLength, lengths.data(), kFixedLiteralLengthCodes);
            for (int i = 0; i < kMaxDistanceCodes; ++i) lengths[i] = 5;
            Build(m_fixedDistance, lengths.data(), kMaxDistanceCodes);
            m_fixedBuilt = true;
        }
        Codes(m_fixedLiteralLength, m_fixedDistance);
    }

    void Dynamic() {
        static const std::uint8_t kOrder[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};
        const int literalLengthCount = static_cast<int>(m_in.Bits(5)) + 257;
        const int distanceCount = static_cast<int>(m_in.Bits(5)) + 1;
        const int codeLengthCount = static_cast<int>(m_in.Bits(4)) + 4;
        if (literalLengthCount > kMaxLiteralLengthCodes || distanceCount > kMaxDistanceCodes) {
            Fail("holds a block with too many codes");
        }
        std::array<std::uint16_t, kMaxLiteralLengthCodes + kMaxDistanceCodes> lengths{};
        for (int i = 0; i < codeLengthCount; ++i) lengths[kOrder[i]] = static_cast<std::uint16_t>(m_in.Bits(3));
        Huffman codeLength;
        if (Build(codeLength, lengths.data(), 19) != 0) Fail("holds an incomplete code length code");

        const int total = literalLengthCount + distanceCount;
        lengths.fill(0);
        for (int index = 0; index < total;) {
            const int symbol = Decode(m_in, codeLength);
            if (symbol < 16) {
                lengths[index++] = static_cast<std::uint16_t>(symbol);
                continue;
            }
            std::uint16_t repeated = 0;
            int times = 0;
            if (symbol == 16) {
                if (index == 0) Fail("repeats a code length before the first");
                repeated = lengths[index - 1];
                times = 3 + static_cast<int>(m_in.Bits(2));
            } else if (symbol == 17) {
                times = 3 + static_cast<int>(m_in.Bits(3));
            } else {
                times = 11 + static_cast<int>(m_in.Bits(7));
            }
            if (index + times > total) Fail("repeats code lengths past the end of the table");
            while (times-- > 0) lengths[index++] = repeated;
        }
        if (lengths[256] == 0) Fail("holds a block without an end code");

        // An incomplete code is allowed only when its one code is one bit long.
        Huffman literalLength;
        int left = Build(literalLength, lengths.data(), literalLengthCount);
        if (left < 0 || (left > 0 && literalLengthCount != literalLength.count[0] + literalLength.count[1])) {
            Fail("holds an invalid literal/length code");
        }
        Huffman distance;
        left = Build(distance, lengths.data() + literalLengthCount, distanceCount);
        if (left < 0 || (left > 0 && distanceCount != distance.count[0] + distance.count[1])) {
            Fail("holds an invalid distance code");
        }
        Codes(literalLength, distance);
    }

    BitReader m_in;
    std::size_t m_expected;
    Bytes m_out;
    bool m_fixedBuilt = false;
    Huffman m_fixedLiteralLength;
    Huffman m_fixedDistance;
};

std::uint32_t Adler32(const Bytes& data) {
    std::uint32_t a = 1;
    std::uint32_t b = 0;
    for (std::size_t i = 0; i < data.size();) {
        // 5552 bytes is the most that cannot overflow b before the reduction.
        const std::size_t end = std::min(data.size(), i + 5552);
        for (; i < end; ++i) {
            a += data[i];
            b += a;
        }
        a %= 65521;
        b %= 65521;
    }
    return b << 16 | a;
}

}  // namespace

Bytes InflateZlib(const std::uint8_t* data, std::size_t size, std::size_t expectedSize) {
    if (size < 2) Fail("ends early");
    const unsigned cmf = data[0];
    const unsigned flg = data[1];
    if ((cmf & 0x0F) != 8 || (cmf >> 4) > 7) Fail("is not deflate data");
    if ((cmf << 8 | flg) % 31 != 0) Fail("has a damaged header");
    if ((flg & 0x20) != 0) Fail("asks for a preset dictionary");
    Inflater inflater(data + 2, size - 2, expectedSize);
    Bytes out = inflater.Run();
    if (out.size() != expectedSize) Fail("holds fewer bytes than the image size calls for");
    const std::size_t adlerAt = 2 + inflater.BytePosition();
    if (size - adlerAt < 4) Fail("ends before its checksum");
    if (GetBe32(data + adlerAt) != Adler32(out)) Fail("fails its Adler-32 checksum");
    return out;
}

}  // namespace wavtheme
