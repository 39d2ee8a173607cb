#include "WaveEdit.h"

#include <memory>

#include "DisplayDib.h"
#include "FileIo.h"

namespace authoring {

Bytes MakePictureData(const Image& image) {
    const Bytes dib = MakePackedDib(image);
    Bytes data;
    data.reserve(4 + dib.size());
    le::Append32(data, preview::kClipboardFormatDib);
    data.insert(data.end(), dib.begin(), dib.end());
    return data;
}

Bytes ReadPictureFile(const std::string& path, Rgb background) {
    return About(path, [&] { return MakePictureData(DecodeImage(ReadWholeFile(path, kMaxImageFile), background)); });
}

bool ShowsText(const preview::DescriptionResult& description) {
    return description.outcome == preview::DescriptionOutcome::kText ||
           description.outcome == preview::DescriptionOutcome::kShortRead;
}

EditResult CheckWritten(const std::string& path, const EditRequest& request) {
    const auto fail = [&](const std::string& what) {
        throw ToolError(kExitCheckFailed, "the result failed its read-back check (" + what + "); it was not kept");
    };
    std::unique_ptr<InputFile> file = InputFile::Open(path);
    try {
        RequireEditable(ReadLayout(*file));
    } catch (const InputError& error) {
        fail(error.what());
    }
    EditResult seen{preview::ReadPicture(*file), preview::ReadDescription(*file), {}};
    if (request.picture) {
        const auto expected = preview::ConvertDisplayDib(request.picture->data(), request.picture->size());
        if (!expected || seen.picture.outcome != preview::PictureOutcome::kPicture || seen.picture.dib != *expected) {
            fail("ZORVAND would not show the new picture");
        }
    }
    if (request.removePicture && seen.picture.outcome == preview::PictureOutcome::kPicture) {
        fail("ZORVAND would still show a picture");
    }
    if (request.removeText && ShowsText(seen.description)) fail("ZORVAND would still show a description");
    if (request.text &&
        (seen.description.outcome != preview::DescriptionOutcome::kText || seen.description.text != *request.text)) {
        fail("ZORVAND would not show the new description");
    }
    return seen;
}

std::optional<EditResult> EditWaveFile(const std::string& wave, const std::string& target, const EditRequest& request) {
    std::unique_ptr<InputFile> input = About(wave, [&] { return InputFile::Open(wave); });
    const WaveLayout layout = About(wave, [&] {
        WaveLayout read = ReadLayout(*input);
        RequireEditable(read);
        return read;
    });
    const EditPlan plan = About(wave, [&] { return PlanEdit(*input, layout, request); });
    if (!plan.changes && target == wave) return std::nullopt;
    AtomicWriter writer(target);
    WritePlan(*input, layout, request, plan, writer);
    writer.Finish();
    input.reset();
    EditResult seen = About(target, [&] { return CheckWritten(writer.TemporaryPath(), request); });
    writer.Commit();
    seen.plan = plan;
    return seen;
}

}  // namespace authoring
