#include "SoundFormat.h"

#include <cstdio>
#include <cstring>
#include <new>
#include <utility>

#include "LittleEndian.h"
#include "PreviewReaders.h"

namespace preview {

namespace {

// A WAVEFORMATEX without its extra bytes.
constexpr std::size_t kFormatExSize = 18;
// An extensible format's sub-format lies after its valid bits and channel mask.
constexpr std::size_t kSubFormatAt = kFormatExSize + 6;
constexpr std::size_t kExtensibleSize = kSubFormatAt + 16;
// The sub-formats that stand for a format tag: the tag, then these 12 bytes.
constexpr std::uint8_t kTagGuidTail[12] = {0x00, 0x00, 0x10, 0x00, 0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

std::string FormatName(std::uint16_t tag) {
    switch (tag) {
    case kFormatPcm:
        return "PCM";
    case kFormatAdpcm:
        return "ADPCM";
    case kFormatFloat:
        return "IEEE float";
    case kFormatALaw:
        return "A-law";
    case kFormatMuLaw:
        return "μ-law";
    default:
        break;
    }
    char hex[8];
    std::snprintf(hex, sizeof hex, "0x%04X", static_cast<unsigned>(tag));
    return hex;
}

std::string Grouped(std::uint32_t value) {
    std::string digits = std::to_string(value);
    for (std::size_t at = digits.size(); at > 3; at -= 3) digits.insert(at - 3, ",");
    return digits;
}

std::string Channels(std::uint16_t count) {
    if (count == 1) return "モノラル";
    if (count == 2) return "ステレオ";
    return std::to_string(count) + " チャンネル";
}

std::string Length(std::uint64_t bytes, std::uint32_t bytesPerSecond) {
    // Hundredths of a second, to the nearest; data sizes are 32-bit, so the
    // product does not overflow.
    const std::uint64_t hundredths = (bytes * 100 + bytesPerSecond / 2) / bytesPerSecond;
    char text[40];
    const auto fraction = static_cast<unsigned>(hundredths % 100);
    const auto seconds = static_cast<unsigned long long>(hundredths / 100);
    if (seconds < 60) {
        std::snprintf(text, sizeof text, "%llu.%02u 秒", seconds, fraction);
    } else {
        std::snprintf(text, sizeof text, "%llu:%02u.%02u", seconds / 60, static_cast<unsigned>(seconds % 60), fraction);
    }
    return text;
}

}  // namespace

std::optional<SoundFormat> ReadSoundFormat(ByteSource& source) {
    return ReadChosenSound(source, kFormatPart).format;
}

std::optional<SoundFormat> FormatFromChunk(std::vector<std::uint8_t> bytes) {
    if (bytes.size() < 16) return std::nullopt;
    SoundFormat result;
    try {
        result.format = std::move(bytes);
        // A chunk too short for cbSize states no extra bytes: a 17th byte is not
        // the low byte of a size that the system would read on.
        if (result.format.size() < kFormatExSize) result.format.resize(16);
        const std::uint8_t* p = result.format.data();
        result.wFormatTag = le::Get16(p);
        result.nChannels = le::Get16(p + 2);
        result.nSamplesPerSec = le::Get32(p + 4);
        result.nAvgBytesPerSec = le::Get32(p + 8);
        result.wBitsPerSample = le::Get16(p + 14);
        result.wNamedTag = result.wFormatTag;
        const std::size_t extra = result.format.size() >= kFormatExSize ? le::Get16(p + 16) : 0;
        if (result.wFormatTag == kFormatExtensible && extra >= kExtensibleSize - kFormatExSize &&
            result.format.size() >= kExtensibleSize &&
            std::memcmp(p + kSubFormatAt + 4, kTagGuidTail, sizeof kTagGuidTail) == 0 &&
            le::Get32(p + kSubFormatAt) <= 0xFFFF) {
            result.wNamedTag = static_cast<std::uint16_t>(le::Get32(p + kSubFormatAt));
        }
        // The system reads a whole WAVEFORMATEX and the extra bytes it announces.
        if (result.format.size() < kFormatExSize + extra) result.format.resize(kFormatExSize + extra);
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
    return result;
}

std::string DescribeSoundFormat(const SoundFormat& format) {
    std::string line = FormatName(format.wNamedTag) + " " + Grouped(format.nSamplesPerSec) + " Hz";
    if (format.wBitsPerSample != 0) line += " " + std::to_string(format.wBitsPerSample) + " ビット";
    line += " " + Channels(format.nChannels);
    if (format.nAvgBytesPerSec != 0) line += " " + Length(format.nDataBytes, format.nAvgBytesPerSec);
    return line;
}

}  // namespace preview
