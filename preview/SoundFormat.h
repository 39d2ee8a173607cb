// What a wave file's sound is: the facts of its "fmt " chunk and the size of its
// data chunk, found by the same chunk walk as the picture and the description,
// and the line of text the dialog shows for them. The sound data itself is never
// read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "ByteSource.h"

namespace preview {

constexpr std::uint16_t kFormatPcm = 0x0001;
constexpr std::uint16_t kFormatAdpcm = 0x0002;
constexpr std::uint16_t kFormatFloat = 0x0003;
constexpr std::uint16_t kFormatALaw = 0x0006;
constexpr std::uint16_t kFormatMuLaw = 0x0007;
constexpr std::uint16_t kFormatExtensible = 0xFFFE;

struct SoundFormat {
    // The fields of the format as the file states them.
    std::uint16_t wFormatTag = 0;
    std::uint16_t nChannels = 0;
    std::uint32_t nSamplesPerSec = 0;
    std::uint32_t nAvgBytesPerSec = 0;
    std::uint16_t wBitsPerSample = 0;
    // The tag the format is named by: the sub-format's for an extensible format
    // whose sub-format is one of the tag-based ones, else wFormatTag.
    std::uint16_t wNamedTag = 0;
    // Bytes of sound the file holds: the data chunk's size, or what is left of
    // the file after its header where the file ends first.
    std::uint64_t nDataBytes = 0;
    // The "fmt " chunk's bytes as the file holds them, zero-filled to a whole
    // WAVEFORMATEX and the cbSize bytes it announces (cbSize 0 where the chunk
    // ends before it): what the system is asked about, which reads
    // 18 + cbSize bytes and never past this block's end.
    std::vector<std::uint8_t> format;
};

// The format of a RIFF "WAVE" file: its first "fmt " chunk and the first "data"
// chunk after it, as the system's players look for them. None where the file has
// no WAVE form, no "fmt " chunk with at least the 16 bytes of a PCM format, or no
// data chunk after it; a big-endian RIFX file has no WAVE form the system reads.
std::optional<SoundFormat> ReadSoundFormat(ByteSource& source);

// The most of a "fmt " chunk that is read: a WAVEFORMATEX and the most its cbSize
// can add.
constexpr std::size_t kMostFormatBytes = 18 + 0xFFFF;

// The format that a "fmt " chunk's bytes state (as many as the file holds, up to
// kMostFormatBytes), nDataBytes 0; none under the 16 bytes of a PCM format.
std::optional<SoundFormat> FormatFromChunk(std::vector<std::uint8_t> bytes);

// "PCM 44,100 Hz 16 ビット ステレオ 1.25 秒": the format's name (or its tag as
// 0x hexadecimal), the rate, the sample size (left out where the file states
// none), the channels and the length rounded to the nearest 0.01 s, as m:ss.ss
// from a minute on (left out where the file states no byte rate).
std::string DescribeSoundFormat(const SoundFormat& format);

}  // namespace preview
