// New wave files: 16-bit PCM, with the picture and the description laid out as
// an edit of a plain file would place them (the LIST INFO chunk, then the DISP
// chunk, before the data), so a made file and an edited one look alike.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "Bytes.h"
#include "WaveFile.h"

namespace authoring {

struct PcmSound {
    std::uint32_t rate = 0;
    // 1 or 2.
    int channels = 0;
    // Interleaved.
    const std::int16_t* samples = nullptr;
    std::size_t frames = 0;
};

// The size of the file WriteWave writes. Throws InputError for a format it
// does not write, or a file past RIFF's 4 GiB limit.
std::uint64_t WaveSize(const PcmSound& sound, const std::optional<Bytes>& picture,
                       const std::optional<std::string>& text);

// Writes the file: picture is a DISP chunk's data (MakePictureData), text the
// ISBJ text in code page 932. Throws as WaveSize, before writing anything.
void WriteWave(const PcmSound& sound, const std::optional<Bytes>& picture, const std::optional<std::string>& text,
               Sink& sink);

}  // namespace authoring
