// Integrated loudness as ITU-R BS.1770-4 defines it: each channel K-weighted
// (a high shelf, then a high pass), mean squares over 400 ms blocks that start
// every 100 ms, an absolute gate at -70 LUFS and a relative gate 10 LU below the
// loudness of the blocks that pass it. Fed a block of samples at a time; keeps
// one sum per 100 ms, so an hour of sound costs a few hundred kilobytes.
#pragma once

#include <cstddef>
#include <optional>
#include <vector>

namespace maker {

// One second-order section: y = b0 x + b1 x1 + b2 x2 - a1 y1 - a2 y2.
struct Biquad {
    double b0 = 1, b1 = 0, b2 = 0, a1 = 0, a2 = 0;
};

// The two stages of the K-weighting at rate, from the analogue filters whose
// bilinear transform at 48 kHz gives the coefficients the standard tabulates.
Biquad KWeightingShelf(double rate);
Biquad KWeightingHighPass(double rate);

class LoudnessMeter {
public:
    // Mono or stereo: both channels of a stereo sound weigh 1.
    LoudnessMeter(int channels, double rate);

    // Interleaved samples, full scale at +-1.
    void Add(const float* samples, std::size_t frames);

    // In LUFS; nothing for less than one 400 ms block or when every block lies
    // below the absolute gate.
    std::optional<double> Integrated() const;

private:
    struct Stage {
        Biquad filter;
        double x1 = 0, x2 = 0, y1 = 0, y2 = 0;
        double Run(double x);
    };

    int m_nChannels;
    double m_rate;
    std::vector<Stage> m_stages;
    // Sums of the weighted squares of each 100 ms step, and the frames in each:
    // a rate that is no multiple of 10 gives steps of unequal length.
    std::vector<double> m_stepSums;
    std::vector<std::size_t> m_stepFrames;
    double m_current = 0;
    std::size_t m_currentFrames = 0;
    std::size_t m_frames = 0;

    std::size_t StepEnd(std::size_t step) const;
};

}  // namespace maker
