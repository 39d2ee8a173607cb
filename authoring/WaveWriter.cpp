#include "WaveWriter.h"

#include <algorithm>

#include "Errors.h"
#include "LittleEndian.h"
#include "RiffReader.h"

namespace authoring {

namespace {

constexpr std::uint32_t kFourCCFmt = preview::MakeFourCC('f', 'm', 't', ' ');
constexpr std::uint32_t kFourCCData = preview::MakeFourCC('d', 'a', 't', 'a');
constexpr std::uint16_t kWaveFormatPcm = 1;

std::uint64_t DataSize(const PcmSound& sound) {
    return static_cast<std::uint64_t>(sound.frames) * static_cast<std::uint64_t>(sound.channels) * 2;
}

// The chunks before the data, whole.
Bytes Head(const PcmSound& sound, const std::optional<Bytes>& picture, const std::optional<std::string>& text) {
    if ((sound.channels != 1 && sound.channels != 2) || sound.rate == 0) {
        throw InputError("only mono and stereo 16-bit PCM are written");
    }
    Bytes format;
    le::Append16(format, kWaveFormatPcm);
    le::Append16(format, static_cast<std::uint16_t>(sound.channels));
    le::Append32(format, sound.rate);
    le::Append32(format, sound.rate * static_cast<std::uint32_t>(sound.channels) * 2);
    le::Append16(format, static_cast<std::uint16_t>(sound.channels * 2));
    le::Append16(format, 16);
    Bytes head = MakeChunk(kFourCCFmt, format.data(), format.size());
    const auto append = [&head](const Bytes& chunk) { head.insert(head.end(), chunk.begin(), chunk.end()); };
    if (text) append(MakeInfoList(*text));
    if (picture) append(MakeChunk(preview::kFourCCDisp, picture->data(), picture->size()));
    return head;
}

}  // namespace

std::uint64_t WaveSize(const PcmSound& sound, const std::optional<Bytes>& picture,
                       const std::optional<std::string>& text) {
    const std::uint64_t size = 12 + Head(sound, picture, text).size() + 8 + DataSize(sound);
    if (size - 8 > 0xFFFFFFFFu) throw InputError("the file would grow past RIFF's 4 GiB limit");
    return size;
}

void WriteWave(const PcmSound& sound, const std::optional<Bytes>& picture, const std::optional<std::string>& text,
               Sink& sink) {
    const std::uint64_t size = WaveSize(sound, picture, text);
    Bytes bytes;
    PutFourCC(bytes, preview::kFourCCRiff);
    le::Append32(bytes, static_cast<std::uint32_t>(size - 8));
    PutFourCC(bytes, preview::kFourCCWave);
    const Bytes head = Head(sound, picture, text);
    bytes.insert(bytes.end(), head.begin(), head.end());
    PutFourCC(bytes, kFourCCData);
    le::Append32(bytes, static_cast<std::uint32_t>(DataSize(sound)));
    sink.Write(bytes.data(), bytes.size());
    // Little-endian samples, a block at a time.
    constexpr std::size_t kBlock = 1 << 16;
    const std::size_t count = sound.frames * static_cast<std::size_t>(sound.channels);
    for (std::size_t done = 0; done < count;) {
        const std::size_t n = std::min(kBlock, count - done);
        bytes.clear();
        for (std::size_t i = 0; i < n; ++i) le::Append16(bytes, static_cast<std::uint16_t>(sound.samples[done + i]));
        sink.Write(bytes.data(), bytes.size());
        done += n;
    }
}

}  // namespace authoring
