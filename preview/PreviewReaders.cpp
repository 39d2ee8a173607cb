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

constexpr std::uint32_t kFourCCFmt = MakeFourCC('f', 'm', 't', ' ');
constexpr std::uint32_t kFourCCData = MakeFourCC('d', 'a', 't', 'a');
constexpr std::uint64_t kHeaderSize = 8;

// The text is read in pieces so that a long chunk needs no block of its size.
constexpr std::size_t kTextPiece = 64 * 1024;

std::uint64_t BytesFrom(const ByteSource& source, std::uint64_t offset) {
    return source.Size() > offset ? source.Size() - offset : 0;
}

// Where the next search for a chunk steps to: past its data and pad.
std::uint64_t After(const ChunkInfo& chunk) {
    return chunk.DataEnd() + (chunk.cksize & 1u);
}

// One DISP chunk within the form: true once the picture is decided by it.
bool TakeDisp(RiffWalker& walker, ByteSource& source, const ChunkInfo& disp, const DibHolder& hold,
              PictureResult& result) {
    // A size that the file cannot fill would only come up short: it gets no
    // block of that size.
    if (disp.cksize > BytesFrom(source, disp.dwDataOffset)) {
        result.outcome = PictureOutcome::kShortRead;
        return true;
    }
    std::vector<std::uint8_t> data;
    try {
        if (disp.cksize <= data.max_size()) data.assign(disp.cksize, 0);
    } catch (const std::bad_alloc&) {
        data.clear();
    }
    if (data.size() != disp.cksize) {
        result.outcome = PictureOutcome::kNoBlock;
        return true;
    }
    walker.Seek(disp.dwDataOffset);
    if (walker.Read(data.data(), data.size()) != data.size()) {
        result.outcome = PictureOutcome::kShortRead;
        return true;
    }
    std::optional<std::vector<std::uint8_t>> dib = ConvertDisplayDib(data.data(), data.size());
    if (dib && (!hold || hold(*dib))) {
        result.outcome = PictureOutcome::kPicture;
        result.dib = std::move(*dib);
        return true;
    }
    return false;
}

// After a DISP chunk that reaches past the form's end, the picture search goes
// on at its first data byte, where no other search goes.
void TakePictureInside(RiffWalker& walker, ByteSource& source, const ChunkInfo& form, const ChunkInfo& rejected,
                       const DibHolder& hold, PictureResult& result) {
    walker.Seek(rejected.dwDataOffset);
    ChunkInfo disp;
    while (walker.DescendChunk(kFourCCDisp, form, disp)) {
        if (!disp.LiesWithin(form)) continue;
        if (TakeDisp(walker, source, disp, hold, result)) return;
        walker.Ascend(disp);
    }
}

void TakeText(RiffWalker& walker, ByteSource& source, const ChunkInfo& form, const ChunkInfo& isbj,
              DescriptionResult& result) {
    if (!isbj.LiesWithin(form)) {
        result.outcome = DescriptionOutcome::kTextOutsideForm;
        return;
    }
    result.textChunkSize = isbj.cksize;
    result.outcome = DescriptionOutcome::kText;
    walker.Seek(isbj.dwDataOffset);
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

enum class ListEnd { kText, kAtEnd, kNoText, kAstray };

// The text search from the first sub-chunk of a LIST chunk to where it leaves
// the list: an ISBJ chunk found in it, the list's end, where the form's walk
// goes on for it, no ISBJ before the form or the file ends, or another place.
ListEnd SearchList(RiffWalker& walker, const ChunkInfo& list, std::uint64_t limit, std::uint64_t& at, ChunkInfo& isbj) {
    const std::uint64_t end = After(list);
    at = list.dwDataOffset + 4;
    while (at < end) {
        // The skip stops short of the list's end, where it could not tell that
        // it had arrived.
        at = walker.SkipChunks(at, std::min(limit, end + kHeaderSize - 1), &kFourCCIsbj, 1);
        if (at >= end) break;
        if (at > limit || limit - at < kHeaderSize || !walker.HeaderAt(at, isbj)) return ListEnd::kNoText;
        if (isbj.ckid == kFourCCIsbj) return ListEnd::kText;
        at = After(isbj);
    }
    return at == end ? ListEnd::kAtEnd : ListEnd::kAstray;
}

std::optional<SoundFormat> TakeFormat(RiffWalker& walker, const ChunkInfo& fmt) {
    std::vector<std::uint8_t> bytes;
    try {
        bytes.resize(fmt.cksize < kMostFormatBytes ? fmt.cksize : kMostFormatBytes);
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
    walker.Seek(fmt.dwDataOffset);
    bytes.resize(walker.Read(bytes.data(), bytes.size()));
    return FormatFromChunk(std::move(bytes));
}

}  // namespace

ChosenSound ReadChosenSound(ByteSource& source, unsigned parts, const DibHolder& hold) {
    ChosenSound sound;
    RiffWalker walker(source);
    ChunkInfo form;
    if (!walker.DescendRiff(kFourCCWave, form)) {
        sound.picture.outcome = PictureOutcome::kNotWave;
        sound.description.outcome = DescriptionOutcome::kNotWave;
        return sound;
    }
    // The identifier each reader's search looks for next; 0 once its part is known.
    std::uint32_t picture = (parts & kPicturePart) != 0 ? kFourCCDisp : 0;
    std::uint32_t text = (parts & kDescriptionPart) != 0 ? kFourCCList : 0;
    std::uint32_t format = (parts & kFormatPart) != 0 ? kFourCCFmt : 0;
    std::optional<SoundFormat> stated;
    const std::uint64_t limit = form.DataEnd();
    std::uint64_t position = walker.Position();
    while (position <= limit && limit - position >= kHeaderSize) {
        std::uint32_t stops[3];
        std::size_t count = 0;
        for (std::uint32_t id : {picture, text, format})
            if (id != 0) stops[count++] = id;
        if (count == 0) break;
        // The skip can stop at any chunk where its window ends.
        position = walker.SkipChunks(position, limit, stops, count);
        ChunkInfo chunk;
        if (position > limit || limit - position < kHeaderSize || !walker.HeaderAt(position, chunk)) break;
        if (picture != 0 && chunk.ckid == picture) {
            if (!chunk.LiesWithin(form)) {
                TakePictureInside(walker, source, form, chunk, hold, sound.picture);
                picture = 0;
            } else if (TakeDisp(walker, source, chunk, hold, sound.picture)) {
                picture = 0;
            }
        } else if (text != 0 && chunk.ckid == text && text == kFourCCList) {
            // Only the first LIST counts; the ISBJ search has the form, not the
            // list, as its parent.
            text = 0;
            sound.description.outcome = DescriptionOutcome::kNoText;
            std::uint64_t at = 0;
            ChunkInfo isbj;
            if (chunk.fccType != kFourCCInfo) {
                sound.description.outcome = DescriptionOutcome::kListNotInfo;
            } else {
                switch (SearchList(walker, chunk, limit, at, isbj)) {
                case ListEnd::kText:
                    TakeText(walker, source, form, isbj, sound.description);
                    break;
                case ListEnd::kAtEnd:
                    text = kFourCCIsbj;
                    break;
                case ListEnd::kNoText:
                    break;
                case ListEnd::kAstray:
                    walker.Seek(at);
                    if (walker.DescendChunk(kFourCCIsbj, form, isbj))
                        TakeText(walker, source, form, isbj, sound.description);
                    break;
                }
            }
        } else if (text != 0 && chunk.ckid == text) {
            TakeText(walker, source, form, chunk, sound.description);
            text = 0;
        } else if (format != 0 && chunk.ckid == format && format == kFourCCFmt) {
            stated = TakeFormat(walker, chunk);
            format = stated ? kFourCCData : 0;
        } else if (format != 0 && chunk.ckid == format) {
            const std::uint64_t held = BytesFrom(source, chunk.dwDataOffset);
            stated->nDataBytes = chunk.cksize < held ? chunk.cksize : held;
            sound.format = std::move(stated);
            format = 0;
        }
        position = After(chunk);
    }
    return sound;
}

PictureResult ReadPicture(ByteSource& source, const DibHolder& hold) {
    return ReadChosenSound(source, kPicturePart, hold).picture;
}

DescriptionResult ReadDescription(ByteSource& source) {
    return ReadChosenSound(source, kDescriptionPart).description;
}

}  // namespace preview
