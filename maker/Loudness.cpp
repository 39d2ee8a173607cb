#include "Loudness.h"

#include <cmath>

namespace maker {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kAbsoluteGate = -70.0;
constexpr double kRelativeGate = -10.0;

double LoudnessOf(double meanSquare) {
    return -0.691 + 10.0 * std::log10(meanSquare);
}

}  // namespace

// The shelf's centre, gain and quality, and the high pass's corner and
// quality, are those that reproduce the standard's 48 kHz table exactly.
Biquad KWeightingShelf(double rate) {
    const double f0 = 1681.974450955533;
    const double gainDb = 3.999843853973347;
    const double q = 0.7071752369554196;
    const double k = std::tan(kPi * f0 / rate);
    const double vh = std::pow(10.0, gainDb / 20.0);
    const double vb = std::pow(vh, 0.4996667741545416);
    const double a0 = 1.0 + k / q + k * k;
    Biquad f;
    f.b0 = (vh + vb * k / q + k * k) / a0;
    f.b1 = 2.0 * (k * k - vh) / a0;
    f.b2 = (vh - vb * k / q + k * k) / a0;
    f.a1 = 2.0 * (k * k - 1.0) / a0;
    f.a2 = (1.0 - k / q + k * k) / a0;
    return f;
}

Biquad KWeightingHighPass(double rate) {
    const double f0 = 38.13547087602444;
    const double q = 0.5003270373238773;
    const double k = std::tan(kPi * f0 / rate);
    const double a0 = 1.0 + k / q + k * k;
    Biquad f;
    f.b0 = 1.0;
    f.b1 = -2.0;
    f.b2 = 1.0;
    f.a1 = 2.0 * (k * k - 1.0) / a0;
    f.a2 = (1.0 - k / q + k * k) / a0;
    return f;
}

double LoudnessMeter::Stage::Run(double x) {
    const double y = filter.b0 * x + filter.b1 * x1 + filter.b2 * x2 - filter.a1 * y1 - filter.a2 * y2;
    x2 = x1;
    x1 = x;
    y2 = y1;
    y1 = y;
    return y;
}

LoudnessMeter::LoudnessMeter(int channels, double rate) : m_nChannels(channels), m_rate(rate) {
    for (int c = 0; c < channels; ++c) {
        m_stages.push_back({KWeightingShelf(rate)});
        m_stages.push_back({KWeightingHighPass(rate)});
    }
}

std::size_t LoudnessMeter::StepEnd(std::size_t step) const {
    return static_cast<std::size_t>(std::floor(static_cast<double>(step + 1) * m_rate / 10.0));
}

void LoudnessMeter::Add(const float* samples, std::size_t frames) {
    for (std::size_t i = 0; i < frames; ++i) {
        for (int c = 0; c < m_nChannels; ++c) {
            const double shelved = m_stages[2 * c].Run(samples[i * m_nChannels + c]);
            const double weighted = m_stages[2 * c + 1].Run(shelved);
            m_current += weighted * weighted;
        }
        ++m_currentFrames;
        if (++m_frames == StepEnd(m_stepSums.size())) {
            m_stepSums.push_back(m_current);
            m_stepFrames.push_back(m_currentFrames);
            m_current = 0;
            m_currentFrames = 0;
        }
    }
}

std::optional<double> LoudnessMeter::Integrated() const {
    // Each block is four steps; its mean square, over the channels summed.
    std::vector<double> blocks;
    for (std::size_t j = 0; j + 4 <= m_stepSums.size(); ++j) {
        double sum = 0;
        std::size_t frames = 0;
        for (std::size_t s = j; s < j + 4; ++s) {
            sum += m_stepSums[s];
            frames += m_stepFrames[s];
        }
        const double mean = sum / static_cast<double>(frames);
        if (mean > 0 && LoudnessOf(mean) > kAbsoluteGate) blocks.push_back(mean);
    }
    if (blocks.empty()) return std::nullopt;
    double total = 0;
    for (double mean : blocks) total += mean;
    const double gate = LoudnessOf(total / static_cast<double>(blocks.size())) + kRelativeGate;
    double kept = 0;
    std::size_t count = 0;
    for (double mean : blocks) {
        if (LoudnessOf(mean) > gate) {
            kept += mean;
            ++count;
        }
    }
    if (count == 0) return std::nullopt;
    return LoudnessOf(kept / static_cast<double>(count));
}

}  // namespace maker
