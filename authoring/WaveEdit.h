// Edits of a wave file's picture and description as a whole: the file is
// rewritten beside itself, read back with the program's own readers, and only
// then put in place. wavtheme and the sound maker both edit through here.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "Bytes.h"
#include "Errors.h"
#include "Image.h"
#include "PreviewReaders.h"
#include "WaveFile.h"

namespace authoring {

// A result that failed its read-back check and was not kept.
constexpr int kExitCheckFailed = 4;
// The largest picture and text files read.
constexpr std::uint64_t kMaxImageFile = 64ull << 20;
constexpr std::uint64_t kMaxTextFile = 1ull << 20;

// The data of a DISP chunk for the picture: clipboard format 8, then its packed DIB.
Bytes MakePictureData(const Image& image);

// The picture file at path as a DISP chunk's data. Throws InputError or IoError,
// naming the file.
Bytes ReadPictureFile(const std::string& path, Rgb background);

// What the program shows for an edited file, and what the edit did.
struct EditResult {
    preview::PictureResult picture;
    preview::DescriptionResult description;
    EditPlan plan;
};

// Whether the program shows a description: text, or the text it read before
// its message that the rest could not be read.
bool ShowsText(const preview::DescriptionResult& description);

// Checks the finished file at path with the program's readers: what the request
// set must come back exactly, and what it removed must be gone. Throws
// ToolError(kExitCheckFailed) otherwise.
EditResult CheckWritten(const std::string& path, const EditRequest& request);

// Applies the request to wave, writing target, and returns what the program
// shows for the result. An edit that would write the file's own bytes back in
// place leaves the file alone and returns nothing. Errors name the file.
std::optional<EditResult> EditWaveFile(const std::string& wave, const std::string& target, const EditRequest& request);

// Runs body; a ToolError from it gets the name of the file or option it is about.
template <typename Body>
auto About(const std::string& what, Body body) -> decltype(body()) {
    try {
        return body();
    } catch (const ToolError& error) {
        throw ToolError(error.ExitCode(), what + ": " + error.what());
    }
}

}  // namespace authoring
