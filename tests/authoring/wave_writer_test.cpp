#include <gtest/gtest.h>

#include <cstdio>
#include <memory>

#include "Errors.h"
#include "FileIo.h"
#include "Image.h"
#include "PreviewReaders.h"
#include "WaveEdit.h"
#include "WaveWriter.h"
#include "test_support.h"

namespace authoring {
namespace {

using test::Edit;
using test::StringSink;

std::string Written(const PcmSound& sound, const std::optional<Bytes>& picture,
                    const std::optional<std::string>& text) {
    StringSink sink;
    WriteWave(sound, picture, text, sink);
    EXPECT_EQ(sink.bytes.size(), WaveSize(sound, picture, text));
    return sink.bytes;
}

Bytes Picture() {
    Image image;
    image.width = 3;
    image.height = 2;
    image.pixels = Bytes(3 * 2 * 3, 0x40);
    return MakePictureData(image);
}

// A made file is, byte for byte, the plain file edited to carry the same
// picture and text; the program's readers show both; ffprobe reads the sound.
TEST(WaveWriter, MadeFilesAreEditedPlainFiles) {
    const std::int16_t samples[] = {0, 1000, -1000, 32767, -32768, 7, 8, 9};
    struct Case {
        std::uint32_t rate;
        int channels;
        bool picture;
        bool text;
    } const cases[] = {
        {44100, 2, true, true}, {22050, 1, false, true}, {48000, 2, true, false}, {8000, 1, false, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.rate) + " Hz, " + std::to_string(c.channels) + " channel(s)");
        const PcmSound sound{c.rate, c.channels, samples, 8 / static_cast<std::size_t>(c.channels)};
        const std::optional<Bytes> picture = c.picture ? std::optional<Bytes>(Picture()) : std::nullopt;
        const std::optional<std::string> text =
            c.text ? std::optional<std::string>("\x83\x65\x83\x58\x83\x67\r\nline") : std::nullopt;
        const std::string plain = Written(sound, std::nullopt, std::nullopt);
        const std::string made = Written(sound, picture, text);
        EditRequest request;
        request.picture = picture;
        request.text = text;
        EXPECT_EQ(made, c.picture || c.text ? Edit(plain, request) : plain);

        preview::MemoryByteSource source(made.data(), made.size());
        EXPECT_EQ(preview::ReadDescription(source).text, text.value_or(""));
        EXPECT_EQ(preview::ReadPicture(source).outcome,
                  c.picture ? preview::PictureOutcome::kPicture : preview::PictureOutcome::kNoPicture);
        const std::string path = testing::TempDir() + "made.wav";
        {
            AtomicWriter writer(path);
            writer.Write(reinterpret_cast<const std::uint8_t*>(made.data()), made.size());
            writer.Finish();
            writer.Commit();
        }
        const std::string probe =
            "ffprobe -v error -show_entries stream=sample_rate,channels,codec_name,duration_ts "
            "-of csv=p=0 " +
            path;
        std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(probe.c_str(), "r"), pclose);
        char line[128] = {};
        ASSERT_NE(std::fgets(line, sizeof line, pipe.get()), nullptr);
        EXPECT_EQ(std::string(line), "pcm_s16le," + std::to_string(c.rate) + "," + std::to_string(c.channels) + "," +
                                         std::to_string(sound.frames) + "\n");
    }
}

TEST(WaveWriter, RefusesWhatItDoesNotWrite) {
    const std::int16_t samples[6] = {};
    for (const PcmSound& sound : {PcmSound{44100, 3, samples, 2}, PcmSound{0, 2, samples, 3},
                                  PcmSound{44100, 2, samples, std::size_t{1} << 31}}) {
        StringSink sink;
        EXPECT_THROW(WriteWave(sound, std::nullopt, std::nullopt, sink), InputError);
        EXPECT_TRUE(sink.bytes.empty());
    }
}

}  // namespace
}  // namespace authoring
