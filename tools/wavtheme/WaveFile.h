// The chunk tree of a RIFF WAVE file, and edits of its top level that copy
// every chunk they do not change byte for byte, pad bytes included.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "ByteSource.h"
#include "Bytes.h"

namespace wavtheme {

struct Chunk {
    std::uint32_t id = 0;
    std::uint32_t size = 0;
    // Offset of the 8-byte header.
    std::uint64_t offset = 0;
    // A LIST chunk's type, when its data holds one.
    std::optional<std::uint32_t> listType;
    // A DISP chunk's clipboard format, when its data holds one.
    std::optional<std::uint32_t> dispFormat;
    // A LIST chunk's sub-chunks, and what is wrong with them (empty when they
    // fill the list exactly).
    std::vector<Chunk> children;
    std::string problem;

    std::uint64_t DataOffset() const { return offset + 8; }
    // Past the data and the pad byte of an odd size.
    std::uint64_t End() const { return DataOffset() + size + (size & 1); }
    bool IsPicture() const;
};

struct WaveLayout {
    std::uint64_t fileSize = 0;
    std::uint32_t riffSize = 0;
    // The chunks of the WAVE form, in file order.
    std::vector<Chunk> chunks;
    // The first thing wrong with the structure, with its offset; empty for a
    // sound file. The chunks before it are listed all the same.
    std::string problem;

    std::uint64_t FormEnd() const { return 8 + static_cast<std::uint64_t>(riffSize); }
};

// The chunk tree. Throws InputError when the file is no RIFF WAVE file at all;
// any later damage goes into problem.
WaveLayout ReadLayout(preview::ByteSource& source);

// Throws InputError unless the layout is sound and has a format and a data chunk:
// only such files are edited.
void RequireEditable(const WaveLayout& layout);

struct EditRequest {
    // The data of the DISP chunk to set: clipboard format 8, then a packed DIB.
    std::optional<Bytes> picture;
    // The ISBJ text to set, in code page 932, without a terminating NUL.
    std::optional<std::string> text;
    bool removePicture = false;
    bool removeText = false;
};

// A stretch of the output: bytes of the input file, or new bytes.
struct Piece {
    bool fromSource = false;
    std::uint64_t offset = 0;
    std::uint64_t size = 0;
    Bytes bytes;
};

struct EditPlan {
    std::vector<Piece> pieces;
    std::uint64_t outputSize = 0;
    // False when a removal found nothing to remove.
    bool changes = false;
};

// The output of the edit, as pieces:
// - Setting a picture replaces the first DISP chunk of clipboard format 8 (CF_DIB)
//   where it stands and drops any later one, so the file holds one picture;
//   without one, the new chunk goes before the data chunk.
// - Setting a text replaces the first ISBJ chunk of the first top-level LIST
//   chunk, when that list is of type INFO, and drops any later ISBJ in it, or
//   adds one at the list's end. Otherwise a new LIST INFO chunk goes before the
//   data chunk or before the first LIST chunk, whichever comes first, so that it
//   is the first LIST: the only one the program reads.
// - Removing drops every CF_DIB DISP chunk, or the ISBJ chunks of that first
//   INFO list, and the list itself when nothing else is left in it.
// Every other chunk, and any bytes after the RIFF form, are copied unchanged.
// Throws InputError when the INFO list to change is damaged or the result would
// not fit RIFF's 32-bit size.
EditPlan PlanEdit(const WaveLayout& layout, const EditRequest& request);

class Sink {
public:
    virtual ~Sink() = default;
    virtual void Write(const std::uint8_t* data, std::size_t size) = 0;
};

// Writes the plan's bytes, copying from source. Throws IoError when the source
// comes up short.
void WritePlan(preview::ByteSource& source, const EditPlan& plan, Sink& sink);

}  // namespace wavtheme
