// The chunks of a RIFF WAVE file, and edits of its top level that copy every
// chunk they do not change byte for byte, pad bytes included. Chunks are walked,
// never held: a file of millions of chunks costs no more memory than one of ten.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "ByteSource.h"
#include "Bytes.h"

namespace authoring {

struct Chunk {
    std::uint32_t id = 0;
    std::uint32_t size = 0;
    // Offset of the 8-byte header.
    std::uint64_t offset = 0;
    // A LIST chunk's type, as the program reads it: the four bytes after the
    // header, when the file holds them, even if the list's size is smaller.
    std::optional<std::uint32_t> listType;
    // A DISP chunk's clipboard format, when its data holds one.
    std::optional<std::uint32_t> dispFormat;

    std::uint64_t DataOffset() const { return offset + 8; }
    // Past the data and the pad byte of an odd size.
    std::uint64_t End() const { return DataOffset() + size + (size & 1); }
    bool IsPicture() const;
};

// Told of every chunk of a walk, in file order.
class ChunkVisitor {
public:
    virtual ~ChunkVisitor() = default;
    // depth is 0 for the chunks of the WAVE form, 1 for those of its lists, and so on.
    virtual void Visit(const Chunk& chunk, int depth) = 0;
    // After the sub-chunks of a LIST chunk: what is wrong with them, empty when
    // they fill the list exactly.
    virtual void EndList(const Chunk& list, int depth, const std::string& problem) = 0;
};

struct WaveLayout {
    std::uint64_t fileSize = 0;
    std::uint32_t riffSize = 0;
    // The first thing wrong with the structure, with its offset; empty for a
    // sound file. The chunks before it are walked all the same.
    std::string problem;

    // What an edit needs to know of the form's own chunks.
    bool hasFormat = false;
    std::optional<std::uint64_t> dataOffset;
    std::optional<std::uint64_t> firstPictureOffset;
    // The first LIST chunk, what is wrong inside it, and the one after it.
    std::optional<Chunk> firstList;
    std::string firstListProblem;
    std::optional<Chunk> secondList;

    std::uint64_t FormEnd() const { return 8 + static_cast<std::uint64_t>(riffSize); }
};

// Walks the file's chunks, telling visitor of each when one is given. Throws
// InputError when the file is no RIFF WAVE file at all; any later damage goes
// into problem.
WaveLayout ReadLayout(preview::ByteSource& source, ChunkVisitor* visitor = nullptr);

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

struct EditPlan {
    std::uint64_t outputSize = 0;
    // False when the output is the input, byte for byte: a removal that finds
    // nothing to remove. Setting a picture or a text always counts as a change.
    bool changes = false;
    // What a removal or a replacement dropped.
    std::uint64_t droppedPictures = 0;
    std::uint64_t droppedTexts = 0;
    // A removal emptied the first INFO list and kept it, because dropping it
    // would make the next LIST chunk, an INFO list too, the one the program reads.
    bool keptEmptyList = false;
};

// The edit, planned with one walk over the chunks:
// - Setting a picture replaces the first DISP chunk of clipboard format 8 (CF_DIB)
//   where it stands and drops any later one, so the file holds one picture;
//   without one, the new chunk goes before the data chunk.
// - Setting a text replaces the first ISBJ chunk of the first top-level LIST
//   chunk, when that list is of type INFO, and drops any later ISBJ in it, or
//   adds one at the list's end. Otherwise a new LIST INFO chunk goes before the
//   data chunk or before the first LIST chunk, whichever comes first, so that it
//   is the first LIST: the only one the program reads.
// - Removing drops every CF_DIB DISP chunk; or the ISBJ chunks of that first INFO
//   list and those of the form after it (where the program's search goes on),
//   and the list itself when nothing is left in it, unless the next LIST chunk
//   is an INFO list too: the program would read that one instead.
// Every other chunk, and any bytes after the RIFF form, are copied unchanged.
// Throws InputError when the INFO list to change is damaged or the result would
// not fit RIFF's 32-bit size.
EditPlan PlanEdit(preview::ByteSource& source, const WaveLayout& layout, const EditRequest& request);

// A chunk of the given data, padded to an even size.
Bytes MakeChunk(std::uint32_t id, const std::uint8_t* data, std::size_t size);
// An ISBJ chunk holding text, NUL-terminated as is conventional.
Bytes MakeTextChunk(const std::string& text);
// A LIST INFO chunk holding only that ISBJ chunk, as an edit adds one.
Bytes MakeInfoList(const std::string& text);

class Sink {
public:
    virtual ~Sink() = default;
    virtual void Write(const std::uint8_t* data, std::size_t size) = 0;
};

// Writes the planned file, copying from source in large blocks: adjacent chunks
// that are kept go in one copy. Throws IoError when the source comes up short.
void WritePlan(preview::ByteSource& source, const WaveLayout& layout, const EditRequest& request, const EditPlan& plan,
               Sink& sink);

}  // namespace authoring
