#include "Shaping.h"

#include <algorithm>
#include <cmath>

#include "Loudness.h"

namespace maker {

namespace {

double FromDb(double db) {
    return std::pow(10.0, db / 20.0);
}

// Where channel c of the system's order goes: weights on left and right.
void Weights(int c, double& left, double& right) {
    constexpr double kHalfPower = 0.70710678118654752;
    // FL FR FC LFE BL BR FLC FRC BC SL SR TC, as the system numbers speakers.
    static const double kLeft[] = {1, 0, kHalfPower, 0, 1, 0, 1, 0, kHalfPower, 1, 0, kHalfPower};
    static const double kRight[] = {0, 1, kHalfPower, 0, 0, 1, 0, 1, kHalfPower, 0, 1, kHalfPower};
    if (c < 12) {
        left = kLeft[c];
        right = kRight[c];
    } else {
        // Channels the order does not name alternate between the sides.
        left = c % 2 == 0 ? 1 : 0;
        right = 1 - left;
    }
}

}  // namespace

std::vector<float> MixToStereo(const std::vector<float>& samples, int channels, int& outChannels) {
    outChannels = std::min(channels, 2);
    if (channels <= 2) return samples;
    std::vector<double> left(channels), right(channels);
    double leftSum = 0, rightSum = 0;
    for (int c = 0; c < channels; ++c) {
        Weights(c, left[c], right[c]);
        leftSum += left[c];
        rightSum += right[c];
    }
    const std::size_t frames = samples.size() / static_cast<std::size_t>(channels);
    std::vector<float> mixed(frames * 2);
    for (std::size_t i = 0; i < frames; ++i) {
        double l = 0, r = 0;
        for (int c = 0; c < channels; ++c) {
            const double x = samples[i * channels + c];
            l += left[c] * x;
            r += right[c] * x;
        }
        mixed[2 * i] = static_cast<float>(l / leftSum);
        mixed[2 * i + 1] = static_cast<float>(r / rightSum);
    }
    return mixed;
}

void ApplyFades(std::vector<float>& samples, int channels, double rate, bool fadeIn, bool fadeOut) {
    const std::size_t frames = samples.size() / static_cast<std::size_t>(channels);
    const std::size_t length = std::min(static_cast<std::size_t>(std::lround(kFadeSeconds * rate)), frames / 2);
    for (std::size_t i = 0; i < length; ++i) {
        // The first faded frame is silent, the last one next to full.
        const float weight = static_cast<float>(i) / static_cast<float>(length);
        for (int c = 0; c < channels; ++c) {
            if (fadeIn) samples[i * channels + c] *= weight;
            if (fadeOut) samples[(frames - 1 - i) * channels + c] *= weight;
        }
    }
}

Levelling LevelGain(const std::vector<float>& samples, int channels, double rate) {
    Levelling result;
    float peak = 0;
    for (float x : samples) peak = std::max(peak, std::fabs(x));
    if (peak == 0) return result;
    const double ceiling = FromDb(kPeakCeilingDbfs) / peak;
    const std::size_t frames = samples.size() / static_cast<std::size_t>(channels);
    if (static_cast<double>(frames) < kShortestMeasured * rate) {
        result.gain = ceiling;
        result.byPeak = true;
        return result;
    }
    LoudnessMeter meter(channels, rate);
    meter.Add(samples.data(), frames);
    result.loudness = meter.Integrated();
    if (!result.loudness) return result;
    result.gain = FromDb(kTargetLufs - *result.loudness);
    if (result.gain > ceiling) {
        result.gain = ceiling;
        result.byPeak = true;
    }
    return result;
}

std::vector<std::int16_t> ToPcm16(const std::vector<float>& samples, double gain) {
    std::vector<std::int16_t> pcm(samples.size());
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const double scaled = std::round(samples[i] * gain * 32768.0);
        pcm[i] = static_cast<std::int16_t>(std::clamp(scaled, -32768.0, 32767.0));
    }
    return pcm;
}

}  // namespace maker
