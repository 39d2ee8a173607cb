#include <gtest/gtest.h>

#include "SoundFormat.h"
#include "riff_builder.h"

namespace {

using riff::Bytes;
using riff::Chunk;
using riff::FmtOf;

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

// The common formats, channels and files that cannot be read are the dialog's table
// (tests/app/preview_dialog_test.cpp); these are the rest of the rules.
TEST(SoundFormat, TheLineFollowsTheFormatChunkAndTheDataSize) {
    auto wave = [](const Bytes& fmt, const Bytes& data) { return riff::Riff("WAVE", fmt + Chunk("data", data)); };
    struct Row {
        const char* what;
        Bytes file;
        const char* line;  // null: not a readable wave file
        std::size_t formatSize;
    } rows[] = {
        {"half a hundredth rounds up", wave(FmtOf(6, 1, 8000, 8), Bytes(40, 0)),
         "A-law 8,000 Hz 8 ビット モノラル 0.01 秒", 18},
        {"a minute on", wave(FmtOf(1, 1, 1000, 8), Bytes(65305, 0)), "PCM 1,000 Hz 8 ビット モノラル 1:05.31", 18},
        {"extra bytes kept, no byte rate", wave(FmtOf(2, 1, 22050, 4, riff::Le16(32) + Bytes(32, 1)), ""),
         "ADPCM 22,050 Hz 4 ビット モノラル", 50},
        {"no sample size, a tag by number", wave(FmtOf(0x55, 2, 44100, 0), ""), "0x0055 44,100 Hz ステレオ", 18},
        {"an extensible format of no tag", wave(FmtOf(0xFFFE, 2, 44100, 16, riff::Extensible(1, "ABCDEFGHIJKL")), ""),
         "0xFFFE 44,100 Hz 16 ビット ステレオ 0.00 秒", 40},
        {"cbSize past the chunk, chunks before the data",
         wave(FmtOf(1, 1, 8000, 8, riff::Le16(100)) + Chunk("JUNK", "xy") + riff::List("INFO", ""), ""),
         "PCM 8,000 Hz 8 ビット モノラル 0.00 秒", 118},
        {"short format", wave(Chunk("fmt ", Bytes(14, 1)), "ab"), nullptr, 0},
        {"no format", riff::Riff("WAVE", Chunk("data", "ab")), nullptr, 0},
        {"data before the format", riff::Riff("WAVE", Chunk("data", "ab") + FmtOf(1, 1, 8000, 8)), nullptr, 0},
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
