#include "Waveform.h"

#include <algorithm>
#include <cmath>

namespace maker {

namespace {

std::int16_t Level(float x) {
    return static_cast<std::int16_t>(std::lround(std::clamp(x, -1.0f, 1.0f) * 32767.0f));
}

}  // namespace

WaveformSummary::WaveformSummary(int channels, double rate)
    : m_nChannels(channels),
      m_rate(rate),
      m_stepFrames(std::max<std::size_t>(1, static_cast<std::size_t>(std::lround(rate * kStepSeconds)))) {}

void WaveformSummary::Widen(Span& span, const Span& with) const {
    span.low = std::min(span.low, with.low);
    span.high = std::max(span.high, with.high);
}

void WaveformSummary::Add(const float* samples, std::size_t frames) {
    for (std::size_t i = 0; i < frames; ++i) {
        for (int c = 0; c < m_nChannels; ++c) {
            const std::int16_t level = Level(samples[i * m_nChannels + c]);
            if (m_inCurrent == 0 && c == 0) {
                m_current = {level, level};
            } else {
                Widen(m_current, {level, level});
            }
        }
        ++m_frames;
        if (++m_inCurrent == m_stepFrames) {
            m_steps.push_back(m_current);
            m_inCurrent = 0;
        }
    }
}

std::vector<Span> WaveformSummary::Columns(std::size_t columns, double first, double last) const {
    std::vector<Span> spans(columns);
    std::vector<Span> steps = m_steps;
    if (m_inCurrent != 0) steps.push_back(m_current);
    if (steps.empty() || columns == 0 || last <= first) return spans;
    const double stepsPerSecond = m_rate / static_cast<double>(m_stepFrames);
    for (std::size_t x = 0; x < columns; ++x) {
        const double from = first + (last - first) * static_cast<double>(x) / static_cast<double>(columns);
        const double to = first + (last - first) * static_cast<double>(x + 1) / static_cast<double>(columns);
        auto begin = static_cast<std::size_t>(std::max(0.0, std::floor(from * stepsPerSecond)));
        auto end = static_cast<std::size_t>(std::max(0.0, std::ceil(to * stepsPerSecond)));
        begin = std::min(begin, steps.size());
        end = std::min(std::max(end, begin + 1), steps.size());
        if (begin >= end) continue;
        spans[x] = steps[begin];
        for (std::size_t s = begin + 1; s < end; ++s) Widen(spans[x], steps[s]);
    }
    return spans;
}

}  // namespace maker
