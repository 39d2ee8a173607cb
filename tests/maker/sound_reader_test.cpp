#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "SoundReader.h"
#include "oracle.h"
#include "test_files.h"

namespace maker {
namespace {

std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::wstring Wide(const std::string& path) {
    return std::wstring(path.begin(), path.end());
}

class SoundReaderTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(m_dir.RunUnix("bash " ZORVAND_MAKER_SOURCES_SCRIPT " ."), "exit 0\n"); }
    harness::TestDirectory m_dir;
};

// What the runtime's decoders give is ffmpeg's decoding of the same file,
// aligned within one of the format's decoder frames (the two trim an encoder's
// delay differently); a range decoded again is the same frames, to the last
// bits that a lossy decoder's arithmetic leaves to chance.
TEST_F(SoundReaderTest, DecodesAsFfmpegDoes) {
    const struct {
        const char* file;
        long frame;
    } rows[] = {{"tone.mp3", 1152}, {"tone.m4a", 1024}, {"tone.flac", 0}, {"tone.ogg", 2048}, {"tone.wav", 0}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.file);
        CSoundReader reader;
        ASSERT_EQ(reader.Open(Wide(m_dir / row.file).c_str()), S_OK);
        EXPECT_EQ(reader.GetRate(), 44100u);
        EXPECT_EQ(reader.GetChannels(), 2);
        EXPECT_NEAR(reader.GetDuration(), 4.0, 0.1);
        std::vector<float> all;
        ASSERT_EQ(reader.Decode([&](const float* p, std::size_t n, std::uint64_t at) {
            EXPECT_EQ(at, all.size() / 2);
            all.insert(all.end(), p, p + 2 * n);
            return true;
        }),
                  S_OK);
        const std::vector<float> expected = test::FromS16(ReadBytes(m_dir / (std::string(row.file) + ".s16")));
        const test::Alignment aligned = test::Align(all, expected, 2);
        EXPECT_GE(aligned.correlation, 0.99);
        EXPECT_LE(std::labs(aligned.lag), row.frame);

        CSoundReader again;
        ASSERT_EQ(again.Open(Wide(m_dir / row.file).c_str()), S_OK);
        std::vector<float> range;
        ASSERT_EQ(again.DecodeRange(44100, 66150, range), S_OK);
        ASSERT_EQ(range.size(), 2u * 22050);
        for (std::size_t k = 0; k < range.size(); ++k) {
            ASSERT_NEAR(range[k], all[2 * 44100 + k], 4.0 / 32768) << "sample " << k;
        }
    }
}

// What the system cannot read fails to open, with its reason.
TEST_F(SoundReaderTest, RefusesWhatTheSystemCannotDecode) {
    for (const char* file : {"text.mp3", "damaged.m4a", "tone.wma", "missing.mp3"}) {
        CSoundReader reader;
        const HRESULT hr = reader.Open(Wide(m_dir / file).c_str());
        EXPECT_TRUE(FAILED(hr)) << file;
        EXPECT_NE(DescribeResult(hr).find(L"0x"), std::wstring::npos);
    }
}

}  // namespace
}  // namespace maker
