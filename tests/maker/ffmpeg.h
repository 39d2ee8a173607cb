// Signals made by the distribution's ffmpeg and its own loudness measurement,
// for tests that hold the maker's sums against an independent implementation.
#pragma once

#include <cstdio>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace maker::test {

inline std::string Run(const std::string& command) {
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    if (!pipe) throw std::runtime_error("cannot run " + command);
    std::string out;
    char buffer[65536];
    for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe.get())) > 0;) out.append(buffer, got);
    return out;
}

// The samples of an ffmpeg audio source (a lavfi graph), as 32-bit floats.
inline std::vector<float> Signal(const std::string& graph, int channels) {
    const std::string raw =
        Run("ffmpeg -v error -f lavfi -i '" + graph + "' -ac " + std::to_string(channels) + " -f f32le -");
    std::vector<float> samples(raw.size() / sizeof(float));
    std::copy(raw.data(), raw.data() + samples.size() * sizeof(float), reinterpret_cast<char*>(samples.data()));
    return samples;
}

// ffmpeg's integrated loudness of what input names (options and a source).
inline std::optional<double> Ebur128(const std::string& input) {
    const std::string log = Run("ffmpeg -nostats -hide_banner " + input + " -af ebur128 -f null - 2>&1");
    const std::size_t summary = log.rfind("Integrated loudness:");
    if (summary == std::string::npos) return std::nullopt;
    const std::size_t at = log.find("I:", summary);
    const double value = std::stod(log.substr(at + 2));
    return value <= -70.0 ? std::nullopt : std::optional<double>(value);
}

}  // namespace maker::test
