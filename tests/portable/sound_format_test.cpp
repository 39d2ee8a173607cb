#include <gtest/gtest.h>

#include "SoundFormat.h"
#include "riff_builder.h"

namespace {

using riff::Bytes;
using riff::Chunk;
using riff::Le16;
using riff::Le32;

// Notes how far into the file the reader read, so that reading the sound shows.
class FarthestSource : public preview::MemoryByteSource {
public:
    using MemoryByteSource::MemoryByteSource;
    std::size_t ReadAt(std::uint64_t offset, void* out, std::size_t size) override {
        std::size_t got = MemoryByteSource::ReadAt(offset, out, size);
        if (got > 0 && offset + got > m_end) m_end = offset + got;
        return got;
    }
    std::uint64_t m_end = 0;
};

Bytes Fmt(std::uint16_t tag, std::uint16_t channels, std::uint32_t rate, std::uint32_t avg, std::uint16_t bits,
          const Bytes& tail = "") {
    return Chunk("fmt ", Le16(tag) + Le16(channels) + Le32(rate) + Le32(avg) +
                             Le16(static_cast<std::uint16_t>(channels * bits / 8)) + Le16(bits) + tail);
}

// The extensible format's tail: cbSize 22, valid bits, channel mask, sub-format.
Bytes Extensible(std::uint32_t subTag, const char* guidTail = "\x00\x00\x10\x00\x80\x00\x00\xAA\x00\x38\x9B\x71") {
    return Le16(22) + Le16(32) + Le32(0x3F) + Le32(subTag) + Bytes(guidTail, 12);
}

Bytes Wave(const Bytes& body) {
    return riff::Riff("WAVE", body);
}

TEST(SoundFormat, TheLineFollowsTheFormatChunkAndTheDataSize) {
    const Bytes data16 = Chunk("data", riff::Pattern(220500, 1));
    struct Row {
        const char* what;
        Bytes file;
        const char* line;  // null: not a readable wave file
        std::size_t formatSize;
    } rows[] = {
        {"16-bit stereo", Wave(Fmt(1, 2, 44100, 176400, 16) + data16), "PCM 44,100 Hz 16 ビット ステレオ 1.25 秒", 18},
        {"8-bit mono, chunks between",
         Wave(Fmt(1, 1, 11025, 11025, 8) + Chunk("JUNK", "xy") + riff::List("INFO", "") +
              Chunk("data", Bytes(11025, '\x80'))),
         "PCM 11,025 Hz 8 ビット モノラル 1.00 秒", 18},
        {"float", Wave(Fmt(3, 2, 48000, 384000, 32, Le16(0)) + Chunk("data", Bytes(96000, 0))),
         "IEEE float 48,000 Hz 32 ビット ステレオ 0.25 秒", 18},
        {"mu-law", Wave(Fmt(7, 1, 8000, 8000, 8) + Chunk("data", Bytes(4000, 0))),
         "μ-law 8,000 Hz 8 ビット モノラル 0.50 秒", 18},
        {"a-law", Wave(Fmt(6, 1, 8000, 8000, 8) + Chunk("data", Bytes(8, 0))),
         "A-law 8,000 Hz 8 ビット モノラル 0.00 秒", 18},
        {"adpcm keeps its extra bytes",
         Wave(Fmt(2, 1, 22050, 11155, 4, Le16(32) + Bytes(32, '\1')) + Chunk("data", Bytes(11155, 0))),
         "ADPCM 22,050 Hz 4 ビット モノラル 1.00 秒", 50},
        {"extensible names its sub-format",
         Wave(Fmt(0xFFFE, 5, 96000, 1920000, 32, Extensible(3)) + Chunk("data", Bytes(19200, 0))),
         "IEEE float 96,000 Hz 32 ビット 5 チャンネル 0.01 秒", 40},
        {"extensible of another kind",
         Wave(Fmt(0xFFFE, 2, 44100, 176400, 16, Extensible(1, "ABCDEFGHIJKL")) + Chunk("data", "")),
         "0xFFFE 44,100 Hz 16 ビット ステレオ 0.00 秒", 40},
        {"unknown tag, no sample size", Wave(Fmt(0x55, 2, 44100, 16000, 0) + Chunk("data", Bytes(16000 * 75, 0))),
         "0x0055 44,100 Hz ステレオ 1:15.00", 18},
        {"no byte rate, no length", Wave(Fmt(1, 1, 1000000, 0, 16) + Chunk("data", "ab")),
         "PCM 1,000,000 Hz 16 ビット モノラル", 18},
        {"half a hundredth rounds up", Wave(Fmt(1, 1, 1000, 1000, 8) + Chunk("data", Bytes(65305, 0))),
         "PCM 1,000 Hz 8 ビット モノラル 1:05.31", 18},
        {"truncated data counts what is there",
         Wave(Fmt(1, 2, 44100, 176400, 16) + riff::RawChunk("data", 0xFFFFFFF0u, Bytes(44100, 0))),
         "PCM 44,100 Hz 16 ビット ステレオ 0.25 秒", 18},
        {"cbSize past the chunk is zero-filled", Wave(Fmt(1, 1, 8000, 8000, 8, Le16(100)) + Chunk("data", "")),
         "PCM 8,000 Hz 8 ビット モノラル 0.00 秒", 118},
        {"RIFX", Chunk("RIFX", "WAVE" + Fmt(1, 1, 8000, 8000, 8) + Chunk("data", "ab")), nullptr, 0},
        {"text", "plain text, not RIFF", nullptr, 0},
        {"short format", Wave(Chunk("fmt ", Bytes(14, '\1')) + Chunk("data", "ab")), nullptr, 0},
        {"no format", Wave(Chunk("data", "ab")), nullptr, 0},
        {"data before format", Wave(Chunk("data", "ab") + Fmt(1, 1, 8000, 8000, 8)), nullptr, 0},
        {"no data", Wave(Fmt(1, 1, 8000, 8000, 8)), nullptr, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        FarthestSource source(row.file.data(), row.file.size());
        std::optional<preview::SoundFormat> format = preview::ReadSoundFormat(source);
        ASSERT_EQ(format.has_value(), row.line != nullptr);
        if (!format) continue;
        EXPECT_EQ(preview::DescribeSoundFormat(*format), row.line);
        EXPECT_EQ(format->format.size(), row.formatSize);
        // The data chunk ends each file: of it, at most the four bytes read with its header.
        EXPECT_LE(source.m_end, row.file.size() - format->nDataBytes + 4);
    }
}

}  // namespace
