// The waveform of a whole sound, kept as the lowest and highest sample of each
// 10 ms over every channel: an hour of sound costs about 1.4 MB, whatever its
// rate, and the maker draws any width of it from these.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace maker {

struct Span {
    // Full scale is +-32767.
    std::int16_t low = 0;
    std::int16_t high = 0;
};

class WaveformSummary {
public:
    static constexpr double kStepSeconds = 0.010;

    WaveformSummary(int channels, double rate);

    // Interleaved samples, full scale at +-1.
    void Add(const float* samples, std::size_t frames);

    std::size_t Frames() const { return m_frames; }
    double Seconds() const { return static_cast<double>(m_frames) / m_rate; }

    // The spans of columns equal parts of the sound's time from first to last
    // second; a column narrower than one step takes the step it falls in.
    std::vector<Span> Columns(std::size_t columns, double first, double last) const;

private:
    int m_nChannels;
    double m_rate;
    std::size_t m_stepFrames;
    std::size_t m_frames = 0;
    std::vector<Span> m_steps;
    Span m_current;
    std::size_t m_inCurrent = 0;

    void Widen(Span& span, const Span& with) const;
};

}  // namespace maker
