#include <gtest/gtest.h>

#include <cmath>

#include "FileIo.h"
#include "Shaping.h"
#include "WaveWriter.h"
#include "Waveform.h"
#include "ffmpeg.h"

namespace maker {
namespace {

double PeakDbfs(const std::vector<std::int16_t>& pcm) {
    int peak = 0;
    for (std::int16_t x : pcm) peak = std::max(peak, std::abs(static_cast<int>(x)));
    return 20 * std::log10(peak / 32768.0);
}

// Levelled and written as the maker writes, ffmpeg measures -18 LUFS, or the
// peak sits at -1 dBFS where that limit or the sound's shortness decides;
// silence and sound under the gate are kept as they are.
TEST(Shaping, LevelledFilesMeasureAsAimed) {
    enum Expect { kLufs, kPeak, kUnchanged };
    const struct {
        const char* graph;
        int channels;
        int rate;
        Expect expect;
    } rows[] = {
        {"anoisesrc=color=pink:sample_rate=44100:duration=5:amplitude=0.05", 2, 44100, kLufs},
        {"aevalsrc=0.8*sin(2*PI*440*t):s=48000:d=3", 1, 48000, kLufs},
        {"aevalsrc=if(lt(t\\,1)\\,0.3\\,0.01)*sin(2*PI*300*t)|0:s=22050:d=4", 2, 22050, kLufs},
        // A spike over quiet sound: its peak limits the gain.
        {"aevalsrc=if(between(t\\,1\\,1.001)\\,0.9\\,0.02*sin(2*PI*100*t)):s=44100:d=3", 1, 44100, kPeak},
        {"aevalsrc=0.1*sin(2*PI*880*t):s=44100:d=0.3", 1, 44100, kPeak},
        {"aevalsrc=0:s=44100:d=2", 2, 44100, kUnchanged},
        {"aevalsrc=0.00005*sin(2*PI*1000*t):s=48000:d=2", 1, 48000, kUnchanged},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.graph);
        std::vector<float> samples = test::Signal(row.graph, row.channels);
        const Levelling levelling = LevelGain(samples, row.channels, row.rate);
        const std::vector<std::int16_t> pcm = ToPcm16(samples, levelling.gain);
        const std::string path = testing::TempDir() + "levelled.wav";
        authoring::AtomicWriter writer(path);
        authoring::WriteWave(
            {static_cast<std::uint32_t>(row.rate), row.channels, pcm.data(), pcm.size() / row.channels}, std::nullopt,
            std::nullopt, writer);
        writer.Finish();
        writer.Commit();
        switch (row.expect) {
        case kLufs:
            EXPECT_FALSE(levelling.byPeak);
            EXPECT_NEAR(test::Ebur128("-i " + path).value_or(0), kTargetLufs, 0.5);
            EXPECT_LE(PeakDbfs(pcm), kPeakCeilingDbfs + 0.01);
            break;
        case kPeak:
            EXPECT_TRUE(levelling.byPeak);
            EXPECT_NEAR(PeakDbfs(pcm), kPeakCeilingDbfs, 0.01);
            break;
        case kUnchanged:
            EXPECT_EQ(levelling.gain, 1.0);
            EXPECT_EQ(pcm, ToPcm16(samples, 1.0));
            break;
        }
    }
}

TEST(Shaping, MixesDownToStereo) {
    const float h = 0.70710678f;
    const struct {
        int channels;
        std::vector<float> frame;
        std::vector<float> mixed;
    } rows[] = {
        {1, {0.5f}, {0.5f}},
        {2, {0.5f, -0.25f}, {0.5f, -0.25f}},
        // FL FR FC: centre at -3 dB to both sides.
        {3, {1, 0, 1}, {(1 + h) / (1 + h), h / (1 + h)}},
        // 5.1: the low-frequency channel dropped.
        {6, {0, 0, 0, 1, 0, 0}, {0, 0}},
        {6, {1, 1, 1, 0, 1, 1}, {1, 1}},
    };
    for (const auto& row : rows) {
        int channels = 0;
        const std::vector<float> mixed = MixToStereo(row.frame, row.channels, channels);
        EXPECT_EQ(channels, std::min(row.channels, 2));
        ASSERT_EQ(mixed.size(), row.mixed.size());
        for (std::size_t i = 0; i < mixed.size(); ++i) EXPECT_NEAR(mixed[i], row.mixed[i], 1e-6) << row.channels;
    }
}

// 10 ms at 1 kHz: ten frames faded, silent first, only at the ends asked for,
// and never more than half of a very short sound.
TEST(Shaping, FadesOnlyWhereCut) {
    const struct {
        std::size_t frames;
        bool in, out;
        std::vector<std::size_t> zero;
        std::vector<std::size_t> whole;
    } rows[] = {
        {100, true, true, {0, 99}, {10, 89}}, {100, true, false, {0}, {10, 99}}, {100, false, true, {99}, {0, 89}},
        {100, false, false, {}, {0, 99}},     {6, true, true, {0, 5}, {}},
    };
    for (const auto& row : rows) {
        std::vector<float> samples(row.frames * 2, 1.0f);
        ApplyFades(samples, 2, 1000, row.in, row.out);
        for (std::size_t i : row.zero) EXPECT_EQ(samples[2 * i], 0.0f) << i;
        for (std::size_t i : row.whole) EXPECT_EQ(samples[2 * i + 1], 1.0f) << i;
        if (row.in)
            EXPECT_FLOAT_EQ(samples[2 * std::min<std::size_t>(5, row.frames / 2 - 1)],
                            row.frames < 20 ? 2.0f / 3.0f : 0.5f);
    }
}

// The columns hold each step's lowest and highest sample over both channels.
TEST(Shaping, WaveformColumns) {
    WaveformSummary summary(2, 1000);
    std::vector<float> samples;
    for (int i = 0; i < 100; ++i) {
        samples.push_back(i / 100.0f);
        samples.push_back(-i / 200.0f);
    }
    summary.Add(samples.data(), 37);
    summary.Add(samples.data() + 74, 63);
    EXPECT_DOUBLE_EQ(summary.Seconds(), 0.1);
    const std::vector<Span> columns = summary.Columns(2, 0, 0.1);
    ASSERT_EQ(columns.size(), 2u);
    EXPECT_EQ(columns[0].low, static_cast<std::int16_t>(std::lround(-49 / 200.0 * 32767)));
    EXPECT_EQ(columns[0].high, static_cast<std::int16_t>(std::lround(49 / 100.0 * 32767)));
    EXPECT_EQ(columns[1].high, static_cast<std::int16_t>(std::lround(99 / 100.0 * 32767)));
    // Wider than the sound: the columns past its end stay empty.
    EXPECT_EQ(summary.Columns(4, 0, 0.2)[3].high, 0);
}

}  // namespace
}  // namespace maker
