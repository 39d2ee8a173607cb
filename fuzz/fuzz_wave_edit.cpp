// libFuzzer target: the authoring core's edits of the input as a wave file. Whatever the
// input, an edit either refuses it or writes a file of the planned size that
// parses, shows what was set (or nothing that was removed) through the
// program's readers, is the input itself when the plan says nothing changes,
// and stays the same when the same edit is made again.
#include <cstddef>
#include <cstdint>
#include <string>

#include "ByteSource.h"
#include "DisplayDib.h"
#include "Errors.h"
#include "PreviewReaders.h"
#include "WaveFile.h"
#include "dib_layout_check.h"
#include "riff_builder.h"

namespace {

class StringSink : public authoring::Sink {
public:
    void Write(const std::uint8_t* data, std::size_t size) override {
        bytes.append(reinterpret_cast<const char*>(data), size);
    }
    std::string bytes;
};

struct Edited {
    bool refused = false;
    authoring::EditPlan plan;
    std::string bytes;
};

// Told of every chunk, as a listing is: the walk then looks at each one.
class EveryChunk : public authoring::ChunkVisitor {
public:
    void Visit(const authoring::Chunk&, int) override {}
    void EndList(const authoring::Chunk&, int, const std::string&) override {}
};

// What an edit takes from a layout, as text.
std::string Summary(const authoring::WaveLayout& layout) {
    const auto offset = [](const auto& value) { return value ? std::to_string(*value) : std::string("-"); };
    return layout.problem + "|" + std::to_string(layout.hasFormat) + "|" + offset(layout.dataOffset) + "|" +
           offset(layout.firstPictureOffset) + "|" +
           (layout.firstList ? std::to_string(layout.firstList->offset) : "-") + "|" + layout.firstListProblem + "|" +
           (layout.secondList ? std::to_string(layout.secondList->offset) : "-");
}

// The walk that steps over plain chunks in bulk finds what the one that looks
// at each chunk finds.
void CheckBulkWalk(const std::string& wave) {
    preview::MemoryByteSource source(wave.data(), wave.size());
    std::string bulk;
    std::string told;
    try {
        bulk = Summary(authoring::ReadLayout(source));
    } catch (const authoring::InputError& error) {
        bulk = error.what();
    }
    try {
        EveryChunk every;
        told = Summary(authoring::ReadLayout(source, &every));
    } catch (const authoring::InputError& error) {
        told = error.what();
    }
    REQUIRE(bulk == told);
}

Edited Edit(const std::string& wave, const authoring::EditRequest& request) {
    preview::MemoryByteSource source(wave.data(), wave.size());
    Edited edited;
    try {
        const authoring::WaveLayout layout = authoring::ReadLayout(source);
        authoring::RequireEditable(layout);
        edited.plan = authoring::PlanEdit(source, layout, request);
        StringSink sink;
        authoring::WritePlan(source, layout, request, edited.plan, sink);
        edited.bytes = sink.bytes;
    } catch (const authoring::InputError&) {
        edited.refused = true;
    }
    return edited;
}

// A 2 x 2 picture of 4 colours, as a DISP chunk holds it.
authoring::Bytes Picture(std::uint8_t seed) {
    riff::Bytes dib = riff::InfoHeader(2, 2, 8, 4, 8);
    for (int i = 0; i < 4; ++i) dib += riff::Bytes{static_cast<char>(seed + i), static_cast<char>(i), '\x10', 0};
    dib += riff::Bytes("\x00\x01\x00\x00\x02\x03\x00\x00", 8);
    const riff::Bytes data = riff::DispData(preview::kClipboardFormatDib, dib);
    return authoring::Bytes(data.begin(), data.end());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    // The first byte chooses the edit; the rest is the wave file.
    const std::uint8_t choice = data[0];
    const std::string wave(reinterpret_cast<const char*>(data) + 1, size - 1);

    authoring::EditRequest request;
    if ((choice & 1) != 0) request.picture = Picture(choice);
    if ((choice & 2) != 0) request.text = std::string("text ") + std::to_string(choice);
    request.removePicture = !request.picture && (choice & 4) != 0;
    request.removeText = !request.text && (choice & 8) != 0;

    CheckBulkWalk(wave);
    const Edited once = Edit(wave, request);
    if (once.refused) return 0;
    REQUIRE(once.bytes.size() == once.plan.outputSize);
    // A plan without changes writes the input back; a removal's plan says
    // exactly whether the bytes change (a set that writes what the file holds
    // already may count as a change).
    const bool removalOnly = !request.picture && !request.text;
    REQUIRE(once.plan.changes || once.bytes == wave);
    if (removalOnly) REQUIRE(once.plan.changes == (once.bytes != wave));

    // The result is a wave file that the tool would edit again.
    preview::MemoryByteSource result(once.bytes.data(), once.bytes.size());
    const authoring::WaveLayout layout = authoring::ReadLayout(result);
    REQUIRE(layout.problem.empty());

    const preview::PictureResult picture = preview::ReadPicture(result);
    if (request.picture) {
        REQUIRE(picture.outcome == preview::PictureOutcome::kPicture);
        REQUIRE(picture.dib == *preview::ConvertDisplayDib(request.picture->data(), request.picture->size()));
    }
    if (request.removePicture) REQUIRE(picture.outcome != preview::PictureOutcome::kPicture);
    const preview::DescriptionResult description = preview::ReadDescription(result);
    if (request.text) {
        REQUIRE(description.outcome == preview::DescriptionOutcome::kText && description.text == *request.text);
    }
    if (request.removeText) {
        REQUIRE(description.outcome != preview::DescriptionOutcome::kText &&
                description.outcome != preview::DescriptionOutcome::kShortRead);
    }

    // The same edit twice gives the same file.
    const Edited twice = Edit(once.bytes, request);
    REQUIRE(!twice.refused);
    REQUIRE(twice.bytes == once.bytes);
    if (removalOnly) REQUIRE(!twice.plan.changes);
    return 0;
}
