// The picture and the description that a wave file carries in its own RIFF data,
// and its sound's format, found by walking the chunks as the multimedia file I/O
// would. These readers open, show and keep nothing: the dialog opens the file,
// hands over a byte source, and each outcome below says which message it shows
// and what it returns.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "ByteSource.h"
#include "SoundFormat.h"

namespace preview {

enum class PictureOutcome {
    // No RIFF "WAVE" form: "WAVEファイルではありません" (caption "mmio"), FALSE,
    // no picture.
    kNotWave,
    // No top-level DISP chunk within the form holds a usable DIB: FALSE, no
    // picture, no message.
    kNoPicture,
    // A DISP chunk's data came up short, or its size reaches past the end of the
    // file: "チャンクの読み取りに失敗しました" (caption "mmio"), TRUE, an empty bitmap.
    kShortRead,
    // No memory for a DISP chunk's data: TRUE, an empty bitmap, no message.
    kNoBlock,
    // dib holds the normalised DIB: TRUE, a bitmap holding it and its palette.
    kPicture,
};

struct PictureResult {
    PictureOutcome outcome = PictureOutcome::kNoPicture;
    // The normalised DIB (see DisplayDib.h) for kPicture; empty otherwise.
    std::vector<std::uint8_t> dib;
};

// Takes a normalised DIB into the dialog's own block. False when that block cannot
// be had: the chunk then counts as unusable and the search goes on, as when the
// normalisation itself finds no memory.
using DibHolder = std::function<bool(const std::vector<std::uint8_t>& dib)>;

// The first usable DIB among the top-level DISP chunks of the WAVE form. A DISP
// chunk reaching past the form's end is not read, and the next search starts at
// its first data byte; an unusable one is left for the next. Without a holder
// every usable DIB is taken.
PictureResult ReadPicture(ByteSource& source, const DibHolder& hold = nullptr);

enum class DescriptionOutcome {
    // These five give FALSE and an empty description, with no message: no RIFF
    // "WAVE" form; no top-level LIST chunk; the first one is not of type "INFO";
    // no ISBJ chunk from the list's first sub-chunk to the end of the form; the
    // ISBJ chunk does not lie within the form.
    kNotWave,
    kNoList,
    kListNotInfo,
    kNoText,
    kTextOutsideForm,
    // No memory for the text: as when the dialog's own text block of
    // textChunkSize + 2 bytes cannot be had: "htext が小さい" (caption "test")
    // when textChunkSize is not 0, then "htext がとれなかった" (caption "test"),
    // FALSE, an empty description.
    kNoBlock,
    // The ISBJ data came up short: "チャンクの読み取りに失敗しました" (caption
    // "mmio"), TRUE, text holds what was read.
    kShortRead,
    // TRUE, text holds the description.
    kText,
};

struct DescriptionResult {
    DescriptionOutcome outcome = DescriptionOutcome::kNoList;
    // The ISBJ chunk's size once one was found within the form (kNoBlock,
    // kShortRead, kText): the dialog's text block is this + 2 bytes, allocated and
    // locked before it shows the short-read message.
    std::uint32_t textChunkSize = 0;
    // The chunk's bytes up to the first NUL or its end, unconverted.
    std::string text;
};

// The text of the ISBJ chunk that follows the first top-level LIST chunk, which
// must be of type "INFO". The ISBJ search has the form, not the list, as its parent:
// it runs from the list's first sub-chunk on past the list's end to the form's.
// Bytes after the first NUL are not read; the file's size tells whether they are
// there.
DescriptionResult ReadDescription(ByteSource& source);

// All that the dialog shows of a chosen sound: each part as its reader gives it
// (ReadPicture, ReadDescription, ReadSoundFormat).
struct ChosenSound {
    PictureResult picture;
    DescriptionResult description;
    std::optional<SoundFormat> format;
};

enum ChosenPart : unsigned {
    kPicturePart = 1,
    kDescriptionPart = 2,
    kFormatPart = 4,
    kEveryPart = kPicturePart | kDescriptionPart | kFormatPart,
};

// The parts asked for, from one walk of the form's top-level chunks, which ends
// once each of them is known; only the chunks they use are read. The readers'
// searches step from chunk to chunk alike, so one walk serves them all, except
// where a search leaves that path: inside a DISP chunk that reaches past the
// form's end (the picture search), or out of a LIST chunk whose sub-chunks do
// not end where it ends (the text search). Such a search then goes on by itself.
ChosenSound ReadChosenSound(ByteSource& source, unsigned parts, const DibHolder& hold = nullptr);

}  // namespace preview
