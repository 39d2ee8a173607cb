#include "PreviewReaders.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <stdexcept>
#include <utility>

#include "DisplayDib.h"
#include "RiffReader.h"

namespace preview {

namespace {

// The text is read in pieces so that a long chunk needs no block of its size.
constexpr std::size_t kTextPiece = 64 * 1024;

std::uint64_t BytesFrom(const ByteSource& source, std::uint64_t offset) {
    return source.Size() > offset ? source.Size() - offset : 0;
}

}  // namespace

PictureResult ReadPicture(ByteSource& source, const DibHolder& hold) {
    PictureResult result;
    RiffWalker walker(source);
    ChunkInfo form;
    if (!walker.DescendRiff(kFourCCWave, form)) {
        result.outcome = PictureOutcome::kNotWave;
        return result;
    }
    ChunkInfo disp;
    while (walker.DescendChunk(kFourCCDisp, form, disp)) {
        if (!disp.LiesWithin(form)) continue;
        // A size that the file cannot fill would only come up short: it gets no
        // block of that size.
        if (disp.cksize > BytesFrom(source, disp.dwDataOffset)) {
            result.outcome = PictureOutcome::kShortRead;
            return result;
        }
        std::vector<std::uint8_t> data;
        try {
            if (disp.cksize <= data.max_size()) data.assign(disp.cksize, 0);
        } catch (const std::bad_alloc&) {
            data.clear();
        }
        if (data.size() != disp.cksize) {
            result.outcome = PictureOutcome::kNoBlock;
            return result;
        }
        if (walker.Read(data.data(), data.size()) != data.size()) {
            result.outcome = PictureOutcome::kShortRead;
            return result;
        }
        std::optional<std::vector<std::uint8_t>> dib = ConvertDisplayDib(data.data(), data.size());
        if (dib && (!hold || hold(*dib))) {
            result.outcome = PictureOutcome::kPicture;
            result.dib = std::move(*dib);
            return result;
        }
        walker.Ascend(disp);
    }
    result.outcome = PictureOutcome::kNoPicture;
    return result;
}

DescriptionResult ReadDescription(ByteSource& source) {
    DescriptionResult result;
    RiffWalker walker(source);
    ChunkInfo form;
    ChunkInfo list;
    ChunkInfo isbj;
    if (!walker.DescendRiff(kFourCCWave, form)) {
        result.outcome = DescriptionOutcome::kNotWave;
    } else if (!walker.DescendChunk(kFourCCList, form, list)) {
        result.outcome = DescriptionOutcome::kNoList;
    } else if (list.fccType != kFourCCInfo) {
        result.outcome = DescriptionOutcome::kListNotInfo;
    } else if (!walker.DescendChunk(kFourCCIsbj, form, isbj)) {
        result.outcome = DescriptionOutcome::kNoText;
    } else if (!isbj.LiesWithin(form)) {
        result.outcome = DescriptionOutcome::kTextOutsideForm;
    } else {
        result.textChunkSize = isbj.cksize;
        result.outcome = DescriptionOutcome::kText;
        try {
            std::vector<char> piece(static_cast<std::size_t>(std::min<std::uint64_t>(isbj.cksize, kTextPiece)));
            std::uint64_t left = isbj.cksize;
            bool cameShort = false;
            bool ended = false;
            while (left > 0 && !cameShort && !ended) {
                const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(left, piece.size()));
                const std::size_t got = walker.Read(piece.data(), want);
                const char* nul = static_cast<const char*>(std::memchr(piece.data(), '\0', got));
                result.text.append(piece.data(), nul != nullptr ? static_cast<std::size_t>(nul - piece.data()) : got);
                left -= got;
                cameShort = got < want;
                ended = nul != nullptr;
            }
            if (cameShort || left > BytesFrom(source, walker.Position())) {
                result.outcome = DescriptionOutcome::kShortRead;
            }
        } catch (const std::bad_alloc&) {
            result.outcome = DescriptionOutcome::kNoBlock;
            result.text.clear();
        } catch (const std::length_error&) {
            result.outcome = DescriptionOutcome::kNoBlock;
            result.text.clear();
        }
    }
    return result;
}

}  // namespace preview
