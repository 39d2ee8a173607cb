#include <gtest/gtest.h>

#include <cmath>

#include "Loudness.h"
#include "ffmpeg.h"

namespace maker {
namespace {

// The standard's table of the two stages at 48 kHz.
TEST(Loudness, KWeightingAt48kHzIsTheStandardsTable) {
    const Biquad shelf = KWeightingShelf(48000);
    const Biquad pass = KWeightingHighPass(48000);
    const struct {
        const char* name;
        double got;
        double table;
    } rows[] = {
        {"shelf b0", shelf.b0, 1.53512485958697},
        {"shelf b1", shelf.b1, -2.69169618940638},
        {"shelf b2", shelf.b2, 1.19839281085285},
        {"shelf a1", shelf.a1, -1.69065929318241},
        {"shelf a2", shelf.a2, 0.73248077421585},
        {"high pass b0", pass.b0, 1.0},
        {"high pass b1", pass.b1, -2.0},
        {"high pass b2", pass.b2, 1.0},
        {"high pass a1", pass.a1, -1.99004745483398},
        {"high pass a2", pass.a2, 0.99007225036621},
    };
    for (const auto& row : rows) EXPECT_NEAR(row.got, row.table, 1e-8) << row.name;
}

// ffmpeg's ebur128 filter, another implementation of the same standard, measures
// the same signals alike to its printed 0.1 LU: tones, noise, two channels that
// differ, a loud part over a quiet one (the relative gate), rates whose 100 ms
// steps are no whole number of frames, and sound under the absolute gate.
TEST(Loudness, AgreesWithFfmpeg) {
    const struct {
        const char* graph;
        int channels;
        int rate;
    } rows[] = {
        {"sine=frequency=1000:sample_rate=48000:duration=5", 1, 48000},
        {"aevalsrc=0.3*sin(2*PI*440*t)|0.2*sin(2*PI*3000*t):s=44100:d=6", 2, 44100},
        {"anoisesrc=color=pink:sample_rate=44100:duration=8:amplitude=0.3", 2, 44100},
        {"aevalsrc=if(lt(t\\,2)\\,0.5\\,0.005)*sin(2*PI*200*t):s=22050:d=6", 1, 22050},
        {"anoisesrc=color=white:sample_rate=11025:duration=4:amplitude=0.5", 1, 11025},
        {"aevalsrc=0.4*sin(2*PI*5000*t)|0.4*sin(2*PI*60*t):s=96000:d=3", 2, 96000},
        {"aevalsrc=0.9*sin(2*PI*30*t):s=8000:d=2.05", 1, 8000},
        {"aevalsrc=0.00005*sin(2*PI*1000*t):s=48000:d=3", 1, 48000},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.graph);
        const std::vector<float> samples = test::Signal(row.graph, row.channels);
        ASSERT_FALSE(samples.empty());
        LoudnessMeter meter(row.channels, row.rate);
        // In uneven pieces, as a decoder hands them over.
        const std::size_t frames = samples.size() / row.channels;
        for (std::size_t at = 0, piece = 1; at < frames; at += piece, piece = piece * 3 % 4099 + 1) {
            meter.Add(samples.data() + at * row.channels, std::min(piece, frames - at));
        }
        const std::optional<double> expected =
            test::Ebur128("-f lavfi -i '" + std::string(row.graph) + "' -ac " + std::to_string(row.channels));
        const std::optional<double> got = meter.Integrated();
        ASSERT_EQ(got.has_value(), expected.has_value());
        if (got) EXPECT_NEAR(*got, *expected, 0.1);
    }
}

TEST(Loudness, UndefinedUnderOneBlock) {
    std::vector<float> samples(4799);
    for (std::size_t i = 0; i < samples.size(); ++i) samples[i] = i % 2 == 0 ? 0.5f : -0.5f;
    LoudnessMeter meter(1, 12000);
    meter.Add(samples.data(), samples.size());
    EXPECT_FALSE(meter.Integrated());
    meter.Add(samples.data(), 1);
    EXPECT_TRUE(meter.Integrated());
}

}  // namespace
}  // namespace maker
