// What the maker does to the kept range before it is written: more channels
// mixed down to stereo, short fades where the range cuts into the sound, the
// loudness levelled, and 16-bit samples. Window-free; samples are interleaved
// floats at full scale +-1.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace maker {

// The loudness the maker levels to, and the highest sample peak it leaves.
constexpr double kTargetLufs = -18.0;
constexpr double kPeakCeilingDbfs = -1.0;
// Fades where a cut starts or ends inside the sound.
constexpr double kFadeSeconds = 0.010;
// Below this the loudness is undefined (one 400 ms block): the peak decides.
constexpr double kShortestMeasured = 0.4;

// Channels in the system's order (front left, front right, centre, low
// frequency, back left, back right, ...) folded to stereo: centres to both
// sides at -3 dB, the low-frequency channel dropped, the rest to their side,
// each output scaled so that its weights sum to 1 and nothing can clip. Mono
// and stereo are returned as they are.
std::vector<float> MixToStereo(const std::vector<float>& samples, int channels, int& outChannels);

// Linear fades of kFadeSeconds (at most half the sound each) at the start
// and at the end, where asked.
void ApplyFades(std::vector<float>& samples, int channels, double rate, bool fadeIn, bool fadeOut);

struct Levelling {
    double gain = 1.0;
    // The measured integrated loudness, when there is one.
    std::optional<double> loudness;
    // The gain was set by the peak: a sound too short to measure, or one whose
    // levelled peak would pass the ceiling.
    bool byPeak = false;
};

// The gain that brings the sound to kTargetLufs with its sample peak at most
// kPeakCeilingDbfs; a sound shorter than kShortestMeasured is brought to the
// ceiling by its peak. Silence, and sound every block of which lies below the
// measurement's absolute gate, keep a gain of 1.
Levelling LevelGain(const std::vector<float>& samples, int channels, double rate);

// The samples times gain as 16-bit integers, rounded, clamped to the range.
std::vector<std::int16_t> ToPcm16(const std::vector<float>& samples, double gain);

}  // namespace maker
