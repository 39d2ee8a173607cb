// libFuzzer target: both preview readers and the format reader walk the input
// as a wave file.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string_view>

#include "ByteSource.h"
#include "LittleEndian.h"
#include "PreviewReaders.h"
#include "RiffReader.h"
#include "SoundFormat.h"
#include "dib_layout_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    preview::MemoryByteSource source(data, size);

    // The last byte decides how many DIBs the holder turns away, so that the
    // search past a DIB that could not be kept is walked too.
    const unsigned refusals = size > 0 ? data[size - 1] % 3 : 0;
    unsigned offered = 0;
    const preview::PictureResult picture = preview::ReadPicture(source, [&](const std::vector<std::uint8_t>& dib) {
        fuzzcheck::CheckNormalisedDib(dib, size);
        return ++offered > refusals;
    });
    if (picture.outcome == preview::PictureOutcome::kPicture) {
        fuzzcheck::CheckNormalisedDib(picture.dib, size);
    } else {
        REQUIRE(picture.dib.empty());
    }
    REQUIRE(picture.outcome != preview::PictureOutcome::kNoBlock);

    const preview::DescriptionResult description = preview::ReadDescription(source);
    REQUIRE(description.text.size() <= description.textChunkSize);
    REQUIRE(description.text.size() <= size);
    REQUIRE(std::memchr(description.text.data(), '\0', description.text.size()) == nullptr);
    const bool read = description.outcome == preview::DescriptionOutcome::kText ||
                      description.outcome == preview::DescriptionOutcome::kShortRead;
    REQUIRE(read || description.text.empty());
    REQUIRE(description.outcome != preview::DescriptionOutcome::kNoBlock);
    if (description.outcome == preview::DescriptionOutcome::kText) {
        // The whole chunk is in the input, and so is the text.
        REQUIRE(description.textChunkSize <= size);
        REQUIRE(std::string_view(reinterpret_cast<const char*>(data), size).find(description.text) !=
                std::string_view::npos);
    }

    // The format reader too: ASan and UBSan watch it read every input.
    // The block handed to the system holds every byte its cbSize promises.
    const std::optional<preview::SoundFormat> format = preview::ReadSoundFormat(source);
    if (format) {
        REQUIRE(!preview::DescribeSoundFormat(*format).empty() && format->nDataBytes <= size);
        REQUIRE(format->format.size() >= 18 && format->format.size() >= 18u + le::Get16(format->format.data() + 16));
    }

    // The one walk for the dialog gives each part as its own reader does.
    offered = 0;
    const preview::ChosenSound sound = preview::ReadChosenSound(
        source, preview::kEveryPart, [&](const std::vector<std::uint8_t>&) { return ++offered > refusals; });
    REQUIRE(sound.picture.outcome == picture.outcome && sound.picture.dib == picture.dib);
    REQUIRE(sound.description.outcome == description.outcome && sound.description.text == description.text &&
            sound.description.textChunkSize == description.textChunkSize);
    REQUIRE(sound.format.has_value() == format.has_value());
    REQUIRE(!format || (sound.format->format == format->format && sound.format->nDataBytes == format->nDataBytes));

    // Headers read through the walker's window are the input's own bytes, however
    // far the window has read ahead: a step-by-step walk over the whole input.
    {
        preview::RiffWalker stepper(source);
        std::uint64_t position = 0;
        preview::ChunkInfo header;
        while (stepper.HeaderAt(position, header)) {
            REQUIRE(position + 8 <= size);
            std::uint32_t id = 0;
            std::uint32_t stated = 0;
            std::memcpy(&id, data + position, 4);
            std::memcpy(&stated, data + position + 4, 4);
            REQUIRE(header.ckid == id && header.cksize == stated && header.dwDataOffset == position + 8);
            position =
                header.dwDataOffset + ((header.ckid == preview::kFourCCRiff || header.ckid == preview::kFourCCList)
                                           ? 4
                                           : header.cksize + (header.cksize & 1u));
        }
        REQUIRE(position + 8 > size);
    }

    // Searches for a few identifiers through the first form, ascending from each
    // find: the walk must move forward, stay within the form and end.
    preview::RiffWalker walker(source);
    preview::ChunkInfo form;
    if (walker.DescendRiff(preview::kFourCCWave, form)) {
        REQUIRE(form.dwDataOffset >= 8 && walker.Position() == form.dwDataOffset + 4);
        const std::uint32_t ids[] = {preview::kFourCCDisp, preview::kFourCCList, preview::kFourCCIsbj,
                                     preview::MakeFourCC('d', 'a', 't', 'a')};
        for (std::uint32_t id : ids) {
            walker.Seek(form.dwDataOffset + 4);
            preview::ChunkInfo chunk;
            std::uint64_t last = walker.Position();
            while (walker.DescendChunk(id, form, chunk)) {
                REQUIRE(chunk.ckid == id);
                REQUIRE(chunk.dwDataOffset >= last + 8);
                REQUIRE(chunk.dwDataOffset <= form.DataEnd());
                walker.Ascend(chunk);
                last = walker.Position();
            }
        }
    }
    return 0;
}
