// ffmpeg's decoding of a source as the measure of what the system's decoder
// gave: the two aligned within one decoder frame, then correlated.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace maker::test {

// The largest lag searched, in frames: the longest decoder frame of the
// formats tested (Vorbis's 2048).
constexpr long kMaxLag = 2048;

struct Alignment {
    long lag = 0;
    double correlation = 0;
};

// The lag of got against expected (interleaved, channels each) that
// correlates best over got's frames, and that correlation.
inline Alignment Align(const std::vector<float>& got, const std::vector<float>& expected, int channels) {
    Alignment best{0, -2};
    const long frames = static_cast<long>(got.size()) / channels;
    const long total = static_cast<long>(expected.size()) / channels;
    for (long lag = -kMaxLag; lag <= kMaxLag; ++lag) {
        double sxy = 0, sxx = 0, syy = 0;
        for (long i = 0; i < frames; i += 4) {
            const long j = i + lag;
            if (j < 0 || j >= total) continue;
            for (int c = 0; c < channels; ++c) {
                const double x = got[i * channels + c], y = expected[j * channels + c];
                sxy += x * y;
                sxx += x * x;
                syy += y * y;
            }
        }
        const double r = sxx > 0 && syy > 0 ? sxy / std::sqrt(sxx * syy) : 0;
        if (r > best.correlation) best = {lag, r};
    }
    return best;
}

inline std::vector<float> FromS16(const std::string& bytes) {
    std::vector<float> samples(bytes.size() / 2);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const auto lo = static_cast<std::uint8_t>(bytes[2 * i]);
        const auto hi = static_cast<std::uint8_t>(bytes[2 * i + 1]);
        samples[i] = static_cast<std::int16_t>(lo | hi << 8) / 32768.0f;
    }
    return samples;
}

}  // namespace maker::test
