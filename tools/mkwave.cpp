// mkwave: synthesises the demo sounds shipped with the program.
//
//   mkwave OUT.wav KIND
//
// Writes 16-bit PCM, mono, 22050 Hz. The output depends only on KIND, so
// rebuilding never changes the shipped files.

#include <cmath>
#include <cstdint>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "LittleEndian.h"
#include "write_file.h"

namespace {

constexpr int kRate = 22050;
constexpr double kPi = 3.14159265358979323846;
constexpr double kPeak = 0.5;           // -6 dBFS leaves headroom when sounds overlap
constexpr double kEdgeSeconds = 0.005;  // fades at every start and stop, or they click

using Buffer = std::vector<double>;

struct Note {
    double start;     // seconds
    double length;    // seconds
    double freq;      // Hz
    double decay;     // time constant of the fall-off, seconds; 0 keeps a steady level
    double harmonic;  // level of the octave above, relative to the fundamental
    double gain;
};

double edges(double t, double length) {
    double g = 1.0;
    if (t < kEdgeSeconds) g = t / kEdgeSeconds;
    if (length - t < kEdgeSeconds) g = std::fmin(g, (length - t) / kEdgeSeconds);
    return g;
}

void addNote(Buffer& buf, const Note& n) {
    const auto first = static_cast<std::size_t>(std::lround(n.start * kRate));
    const auto count = static_cast<std::size_t>(std::lround(n.length * kRate));
    for (std::size_t i = 0; i < count && first + i < buf.size(); ++i) {
        const double t = static_cast<double>(i) / kRate;
        const double fall = n.decay > 0 ? std::exp(-t / n.decay) : 1.0;
        // The octave dies away faster than the fundamental, as on a struck bell.
        const double upper = n.decay > 0 ? std::exp(-2.0 * t / n.decay) : 1.0;
        const double s = std::sin(2 * kPi * n.freq * t) + n.harmonic * upper * std::sin(2 * kPi * 2 * n.freq * t);
        buf[first + i] += n.gain * fall * edges(t, n.length) * s;
    }
}

Buffer silence(double seconds) {
    return Buffer(static_cast<std::size_t>(std::lround(seconds * kRate)), 0.0);
}

Buffer chime() {
    Buffer b = silence(0.6);
    addNote(b, {0.00, 0.30, 1318.51, 0.12, 0.4, 1.0});  // E6
    addNote(b, {0.15, 0.30, 1046.50, 0.12, 0.4, 1.0});  // C6
    addNote(b, {0.30, 0.30, 783.99, 0.12, 0.4, 1.0});   // G5
    return b;
}

Buffer ding() {
    Buffer b = silence(0.4);
    addNote(b, {0.0, 0.4, 880.0, 0.12, 0.5, 1.0});  // A5
    return b;
}

Buffer chord() {
    Buffer b = silence(0.8);
    for (double f : {523.25, 659.26, 783.99}) addNote(b, {0.0, 0.8, f, 0.35, 0.2, 1.0});  // C major
    return b;
}

Buffer notify() {
    Buffer b = silence(0.3);
    addNote(b, {0.00, 0.11, 783.99, 0.0, 0.15, 1.0});   // G5
    addNote(b, {0.15, 0.12, 1046.50, 0.0, 0.15, 1.0});  // C6
    return b;
}

// An exponential sweep sounds like an even fall in pitch; the phase is summed
// so the frequency change itself makes no discontinuity.
Buffer exitSweep() {
    Buffer b = silence(0.5);
    const double from = 880.0;
    const double to = 220.0;
    const double length = 0.5;
    double phase = 0;
    for (std::size_t i = 0; i < b.size(); ++i) {
        const double t = static_cast<double>(i) / kRate;
        const double f = from * std::pow(to / from, t / length);
        b[i] = (1.0 - 0.6 * t / length) * std::sin(phase);
        phase += 2 * kPi * f / kRate;
    }
    return b;
}

Buffer tada() {
    Buffer b = silence(0.9);
    const double notes[] = {523.25, 659.26, 783.99, 1046.50};  // C5 E5 G5 C6
    for (int i = 0; i < 4; ++i) {
        const double start = 0.1 * i;
        addNote(b, {start, 0.9 - start, notes[i], i == 3 ? 0.3 : 0.18, 0.3, 1.0});
    }
    return b;
}

struct Kind {
    const char* name;
    Buffer (*make)();
};

constexpr Kind kKinds[] = {
    {"chime", chime}, {"ding", ding}, {"chord", chord}, {"notify", notify}, {"exit", exitSweep}, {"tada", tada},
};

std::vector<std::int16_t> toPcm(Buffer b) {
    const double length = static_cast<double>(b.size()) / kRate;
    double top = 0;
    for (std::size_t i = 0; i < b.size(); ++i) {
        b[i] *= edges(static_cast<double>(i) / kRate, length);
        top = std::fmax(top, std::fabs(b[i]));
    }
    const double scale = top > 0 ? kPeak * 32767.0 / top : 0.0;
    std::vector<std::int16_t> pcm;
    pcm.reserve(b.size());
    for (double v : b) pcm.push_back(static_cast<std::int16_t>(std::lround(v * scale)));
    return pcm;
}

void putTag(std::vector<std::uint8_t>& out, const char* tag) {
    out.insert(out.end(), tag, tag + 4);
}

std::vector<std::uint8_t> buildWave(const std::vector<std::int16_t>& pcm) {
    const auto dataSize = static_cast<std::uint32_t>(pcm.size() * 2);
    std::vector<std::uint8_t> out;
    putTag(out, "RIFF");
    le::Append32(out, 36 + dataSize);
    putTag(out, "WAVE");
    putTag(out, "fmt ");
    le::Append32(out, 16);
    le::Append16(out, 1);  // PCM
    le::Append16(out, 1);  // mono
    le::Append32(out, kRate);
    le::Append32(out, kRate * 2);  // bytes per second
    le::Append16(out, 2);          // bytes per sample frame
    le::Append16(out, 16);         // bits per sample
    putTag(out, "data");
    le::Append32(out, dataSize);
    for (std::int16_t s : pcm) le::Append16(out, static_cast<std::uint16_t>(s));
    return out;
}

int usage() {
    std::cerr << "usage: mkwave OUT.wav KIND\n  KIND:";
    for (const Kind& k : kKinds) std::cerr << ' ' << k.name;
    std::cerr << "\n";
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) return usage();
    for (const Kind& k : kKinds) {
        if (std::strcmp(argv[2], k.name) == 0) return writeFile("mkwave", argv[1], buildWave(toPcm(k.make()))) ? 0 : 1;
    }
    std::cerr << "mkwave: unknown kind '" << argv[2] << "'\n";
    return usage();
}
