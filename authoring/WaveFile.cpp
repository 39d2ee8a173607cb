#include "WaveFile.h"

#include <algorithm>
#include <cstdint>

#include "DisplayDib.h"
#include "Errors.h"
#include "RiffReader.h"

namespace authoring {

namespace {

using preview::kFourCCDisp;
using preview::kFourCCInfo;
using preview::kFourCCIsbj;
using preview::kFourCCList;
using preview::MakeFourCC;

constexpr std::uint32_t kFourCCFmt = MakeFourCC('f', 'm', 't', ' ');
constexpr std::uint32_t kFourCCData = MakeFourCC('d', 'a', 't', 'a');
// Lists nested deeper than this are copied but not walked.
constexpr int kMaxDepth = 8;

std::string Offset(std::uint64_t offset) {
    return "offset " + std::to_string(offset);
}

std::string Quoted(std::uint32_t fourcc) {
    return "'" + FourCCText(fourcc) + "'";
}

bool PrintableId(std::uint32_t id) {
    for (int i = 0; i < 4; ++i) {
        const unsigned c = id >> (8 * i) & 0xFF;
        if (c < 0x20 || c > 0x7E) return false;
    }
    return true;
}

// A LIST chunk's type as the program reads it: the four bytes after the header,
// even when the list's size is too small to hold them. A DISP chunk's format.
void ReadWord(preview::RiffWalker& walker, Chunk& chunk) {
    if (chunk.id != kFourCCList && chunk.id != kFourCCDisp) return;
    std::uint8_t word[4];
    if (chunk.id == kFourCCList && walker.Peek(chunk.DataOffset(), word, 4) == 4) {
        chunk.listType = le::Get32(word);
    } else if (chunk.id == kFourCCDisp && chunk.size >= 4 && walker.Peek(chunk.DataOffset(), word, 4) == 4) {
        chunk.dispFormat = le::Get32(word);
    }
}

// Whether a layout without a listing needs to see a chunk: the ones it keeps,
// and lists, whose insides are checked too.
bool Noted(std::uint32_t id) {
    return id == kFourCCList || id == kFourCCDisp || id == kFourCCFmt || id == kFourCCData;
}

// Steps over the sound chunks from pos that a layout need not be told of,
// leaving pos at the first chunk that is noted, damaged or not in the window;
// last keeps the header of the chunk before it. A file of millions of small
// chunks is checked at the cost of reading their headers.
void SkipSoundChunks(preview::RiffWalker& walker, std::uint64_t& pos, std::uint64_t end, preview::ChunkInfo& last) {
    preview::ChunkInfo header;
    while (end - pos >= 8 && walker.HeaderAt(pos, header) && !Noted(header.ckid) && PrintableId(header.ckid)) {
        const std::uint64_t room = end - pos - 8;
        if (header.cksize > room || (header.cksize % 2 != 0 && header.cksize == room)) return;
        last = header;
        pos = header.DataEnd() + (header.cksize & 1u);
        if (pos >= end) return;
    }
}

// Walks the chunks of [begin, end), telling visitor of each, or with everyChunk
// false only of those that Noted names; returns what stops the walk short of
// end, or an empty string. owner names the form or list for messages.
std::string WalkChunks(preview::RiffWalker& walker, std::uint64_t begin, std::uint64_t end, const std::string& owner,
                       int depth, ChunkVisitor& visitor, bool everyChunk) {
    std::optional<std::uint32_t> oddBefore;
    std::uint32_t idBefore = 0;
    const auto hint = [&]() -> std::string {
        if (!oddBefore) return "";
        return "; the chunk " + Quoted(idBefore) + " before it has the odd size " + std::to_string(*oddBefore) +
               ", so its pad byte may be missing";
    };
    for (std::uint64_t pos = begin; pos < end;) {
        preview::ChunkInfo skipped;
        if (!everyChunk) SkipSoundChunks(walker, pos, end, skipped);
        if (skipped.dwDataOffset != 0) {
            oddBefore = skipped.cksize % 2 != 0 ? std::optional<std::uint32_t>(skipped.cksize) : std::nullopt;
            idBefore = skipped.ckid;
            if (pos >= end) break;
        }
        if (end - pos < 8) {
            return std::to_string(end - pos) + " stray byte(s) at " + Offset(pos) + " at the end of the " + owner +
                   ", too few for a chunk" + hint();
        }
        preview::ChunkInfo header;
        if (!walker.HeaderAt(pos, header)) return "the file cannot be read at " + Offset(pos);
        Chunk chunk;
        chunk.id = header.ckid;
        chunk.size = header.cksize;
        chunk.offset = pos;
        if (!PrintableId(chunk.id)) {
            return "the bytes at " + Offset(pos) + " are no chunk header (identifier " + Quoted(chunk.id) + ")" +
                   hint();
        }
        const std::uint64_t room = end - pos - 8;
        if (chunk.size > room) {
            return "the chunk " + Quoted(chunk.id) + " at " + Offset(pos) + " states " + std::to_string(chunk.size) +
                   " bytes of data, but only " + std::to_string(room) + " follow within the " + owner + hint();
        }
        if (chunk.size % 2 != 0 && chunk.size == room) {
            return "the chunk " + Quoted(chunk.id) + " at " + Offset(pos) + " has the odd size " +
                   std::to_string(chunk.size) + " but no pad byte follows it within the " + owner;
        }
        ReadWord(walker, chunk);
        visitor.Visit(chunk, depth);
        if (chunk.listType && chunk.size >= 4 && depth < kMaxDepth) {
            const std::string problem = WalkChunks(walker, chunk.DataOffset() + 4, chunk.DataOffset() + chunk.size,
                                                   "LIST " + Quoted(*chunk.listType), depth + 1, visitor, everyChunk);
            visitor.EndList(chunk, depth, problem);
        }
        oddBefore = chunk.size % 2 != 0 ? std::optional<std::uint32_t>(chunk.size) : std::nullopt;
        idBefore = chunk.id;
        pos = chunk.End();
    }
    return "";
}

// Keeps what an edit needs to know of the form's chunks, and passes every chunk on.
class LayoutVisitor : public ChunkVisitor {
public:
    LayoutVisitor(WaveLayout& layout, ChunkVisitor* next) : m_layout(layout), m_next(next) {}

    void Visit(const Chunk& chunk, int depth) override {
        if (m_next != nullptr) m_next->Visit(chunk, depth);
        if (depth != 0) return;
        if (chunk.id == kFourCCFmt) m_layout.hasFormat = true;
        if (chunk.id == kFourCCData && !m_layout.dataOffset) m_layout.dataOffset = chunk.offset;
        if (chunk.IsPicture() && !m_layout.firstPictureOffset) m_layout.firstPictureOffset = chunk.offset;
        if (chunk.id == kFourCCList) {
            if (!m_layout.firstList) {
                m_layout.firstList = chunk;
            } else if (!m_layout.secondList) {
                m_layout.secondList = chunk;
            }
        }
    }

    void EndList(const Chunk& list, int depth, const std::string& problem) override {
        if (m_next != nullptr) m_next->EndList(list, depth, problem);
        if (depth == 0 && m_layout.firstList && m_layout.firstList->offset == list.offset) {
            m_layout.firstListProblem = problem;
        }
    }

private:
    WaveLayout& m_layout;
    ChunkVisitor* m_next;
};

// Where the edited file's bytes come from: new bytes, or stretches of the input.
class Output {
public:
    virtual ~Output() = default;
    virtual void Add(const Bytes& bytes) = 0;
    virtual void Copy(std::uint64_t offset, std::uint64_t size) = 0;
};

// Counts the bytes, and tells whether they are the input's own from offset 12 on.
class CountingOutput : public Output {
public:
    void Add(const Bytes& bytes) override {
        m_size += bytes.size();
        m_copiesOnly = m_copiesOnly && bytes.empty();
    }
    void Copy(std::uint64_t offset, std::uint64_t size) override {
        m_copiesOnly = m_copiesOnly && offset == m_next;
        m_next = offset + size;
        m_size += size;
    }
    std::uint64_t Size() const { return m_size; }
    bool CopiesAll(std::uint64_t fileSize) const { return m_copiesOnly && m_next == fileSize; }

private:
    std::uint64_t m_size = 0;
    std::uint64_t m_next = 12;
    bool m_copiesOnly = true;
};

// Writes through a buffer, joining adjacent copies into one.
class WritingOutput : public Output {
public:
    WritingOutput(preview::ByteSource& source, Sink& sink) : m_source(source), m_sink(sink) {
        m_buffer.reserve(kBufferSize);
    }

    void Add(const Bytes& bytes) override {
        FlushCopy();
        Append(bytes.data(), bytes.size());
    }

    void Copy(std::uint64_t offset, std::uint64_t size) override {
        if (m_copySize != 0 && m_copyOffset + m_copySize == offset) {
            m_copySize += size;
            return;
        }
        FlushCopy();
        m_copyOffset = offset;
        m_copySize = size;
    }

    void Finish() {
        FlushCopy();
        FlushBuffer();
    }

private:
    static constexpr std::size_t kBufferSize = 1 << 20;

    void Append(const std::uint8_t* data, std::size_t size) {
        while (size > 0) {
            const std::size_t room = kBufferSize - m_buffer.size();
            const std::size_t count = std::min(room, size);
            m_buffer.insert(m_buffer.end(), data, data + count);
            data += count;
            size -= count;
            if (m_buffer.size() == kBufferSize) FlushBuffer();
        }
    }

    void FlushBuffer() {
        if (!m_buffer.empty()) m_sink.Write(m_buffer.data(), m_buffer.size());
        m_buffer.clear();
    }

    void FlushCopy() {
        while (m_copySize > 0) {
            const std::size_t start = m_buffer.size();
            const auto want =
                static_cast<std::size_t>(std::min<std::uint64_t>(m_copySize, kBufferSize - m_buffer.size()));
            m_buffer.resize(start + want);
            if (m_source.ReadAt(m_copyOffset, m_buffer.data() + start, want) != want) {
                throw IoError("the input file cannot be read at " + Offset(m_copyOffset));
            }
            m_copyOffset += want;
            m_copySize -= want;
            if (m_buffer.size() == kBufferSize) FlushBuffer();
        }
    }

    preview::ByteSource& m_source;
    Sink& m_sink;
    Bytes m_buffer;
    std::uint64_t m_copyOffset = 0;
    std::uint64_t m_copySize = 0;
};

// Calls each for every chunk in [begin, end), a stretch that a sound layout has
// walked already, but for those that skip steps over.
template <typename Skip, typename Each>
void ForEachChunk(preview::RiffWalker& walker, std::uint64_t begin, std::uint64_t end, Skip skip, Each each) {
    for (std::uint64_t pos = skip(begin, end); pos < end; pos = skip(pos, end)) {
        preview::ChunkInfo header;
        if (!walker.HeaderAt(pos, header)) throw IoError("the input file cannot be read at " + Offset(pos));
        Chunk chunk;
        chunk.id = header.ckid;
        chunk.size = header.cksize;
        chunk.offset = pos;
        ReadWord(walker, chunk);
        each(chunk);
        pos = chunk.End();
    }
}

std::uint64_t SkipNone(std::uint64_t position, std::uint64_t) {
    return position;
}

// Produces the edited file's bytes; run once to count them and once to write them.
class Editor {
public:
    Editor(preview::ByteSource& source, const WaveLayout& layout, const EditRequest& request)
        : m_source(source), m_walker(source), m_layout(layout), m_request(request) {
        if (request.picture) m_newPicture = MakeChunk(kFourCCDisp, request.picture->data(), request.picture->size());
        if (request.text) m_newText = MakeTextChunk(*request.text);
        const std::optional<Chunk>& list = layout.firstList;
        m_info = list && list->listType == kFourCCInfo;
        if (request.picture && !layout.firstPictureOffset) m_pictureBefore = layout.dataOffset;
        if (request.text && !m_info) {
            m_listBefore = list ? std::min(*layout.dataOffset, list->offset) : *layout.dataOffset;
        }
        if (m_info && (request.text || request.removeText) && !layout.firstListProblem.empty()) {
            throw InputError("the INFO list at " + Offset(list->offset) + " is damaged: " + layout.firstListProblem);
        }
    }

    // The form's chunks. Runs of chunks that no edit touches are copied without
    // a look at each: the new chunks go before a LIST or the data chunk, and
    // only DISP, LIST and ISBJ chunks change.
    void Body(Output& out, EditPlan& plan) {
        bool afterInfo = false;
        const auto skip = [&](std::uint64_t position, std::uint64_t end) {
            static const std::uint32_t kTouched[] = {kFourCCDisp, kFourCCList, kFourCCIsbj, kFourCCData};
            const std::uint64_t next = m_walker.SkipChunks(position, end, kTouched, 4);
            if (next > position) out.Copy(position, next - position);
            return next;
        };
        ForEachChunk(m_walker, 12, m_layout.FormEnd(), skip, [&](const Chunk& chunk) {
            if (m_listBefore == chunk.offset) out.Add(MakeInfoList(*m_request.text));
            if (m_pictureBefore == chunk.offset) out.Add(m_newPicture);

            if (chunk.IsPicture() && (m_request.picture || m_request.removePicture)) {
                if (m_request.picture && chunk.offset == m_layout.firstPictureOffset) {
                    out.Add(m_newPicture);
                } else {
                    ++plan.droppedPictures;
                }
                return;
            }
            if (m_info && chunk.offset == m_layout.firstList->offset) {
                afterInfo = true;
                if (m_request.text || m_request.removeText) {
                    InfoList(chunk, out, plan);
                    return;
                }
            } else if (afterInfo && m_request.removeText && chunk.id == kFourCCIsbj) {
                // The program's search for the text goes on past the list's end.
                ++plan.droppedTexts;
                return;
            }
            out.Copy(chunk.offset, chunk.End() - chunk.offset);
        });
    }

private:
    // The first INFO list with its text set or removed. A list with nothing to
    // change is copied whole.
    void InfoList(const Chunk& list, Output& out, EditPlan& plan) {
        CountingOutput counted;
        EditPlan inside;
        Children(list, counted, inside);
        const std::uint64_t listSize = 4 + counted.Size();
        if (!m_request.text && inside.droppedTexts == 0) {
            out.Copy(list.offset, list.End() - list.offset);
            return;
        }
        plan.droppedTexts += inside.droppedTexts;
        const bool infoFollows = m_layout.secondList && m_layout.secondList->listType == kFourCCInfo;
        if (counted.Size() == 0 && !infoFollows) return;
        plan.keptEmptyList = counted.Size() == 0;
        if (listSize > 0xFFFFFFFFu) throw InputError("the INFO list would grow past RIFF's 4 GiB limit");
        Bytes header;
        PutFourCC(header, kFourCCList);
        le::Append32(header, static_cast<std::uint32_t>(listSize));
        PutFourCC(header, kFourCCInfo);
        out.Add(header);
        Children(list, out, inside);
    }

    void Children(const Chunk& list, Output& out, EditPlan& plan) {
        // The list's walk has a window of its own, so the form's stays where it is.
        preview::RiffWalker walker(m_source);
        bool placed = false;
        ForEachChunk(walker, list.DataOffset() + 4, list.DataOffset() + list.size, SkipNone, [&](const Chunk& child) {
            if (child.id != kFourCCIsbj) {
                out.Copy(child.offset, child.End() - child.offset);
                return;
            }
            if (m_request.text && !placed) {
                out.Add(m_newText);
            } else {
                ++plan.droppedTexts;
            }
            placed = true;
        });
        if (m_request.text && !placed) out.Add(m_newText);
    }

    preview::ByteSource& m_source;
    preview::RiffWalker m_walker;
    const WaveLayout& m_layout;
    const EditRequest& m_request;
    Bytes m_newPicture;
    Bytes m_newText;
    bool m_info = false;
    std::optional<std::uint64_t> m_pictureBefore;
    std::optional<std::uint64_t> m_listBefore;
};

// The bytes after the RIFF form, copied as they are.
std::uint64_t Trailer(const WaveLayout& layout) {
    return layout.fileSize - layout.FormEnd();
}

Bytes RiffHeader(std::uint64_t bodySize) {
    const std::uint64_t riffSize = 4 + bodySize;
    if (riffSize > 0xFFFFFFFFu) throw InputError("the file would grow past RIFF's 4 GiB limit");
    Bytes header;
    PutFourCC(header, preview::kFourCCRiff);
    le::Append32(header, static_cast<std::uint32_t>(riffSize));
    PutFourCC(header, preview::kFourCCWave);
    return header;
}

}  // namespace

Bytes MakeChunk(std::uint32_t id, const std::uint8_t* data, std::size_t size) {
    Bytes chunk;
    chunk.reserve(8 + size + 1);
    PutFourCC(chunk, id);
    le::Append32(chunk, static_cast<std::uint32_t>(size));
    chunk.insert(chunk.end(), data, data + size);
    if (size % 2 != 0) chunk.push_back(0);
    return chunk;
}

Bytes MakeTextChunk(const std::string& text) {
    // The conventional NUL ends the text; the program stops at it too.
    Bytes data(text.begin(), text.end());
    data.push_back(0);
    return MakeChunk(kFourCCIsbj, data.data(), data.size());
}

Bytes MakeInfoList(const std::string& text) {
    Bytes list;
    PutFourCC(list, kFourCCInfo);
    const Bytes isbj = MakeTextChunk(text);
    list.insert(list.end(), isbj.begin(), isbj.end());
    return MakeChunk(kFourCCList, list.data(), list.size());
}

bool Chunk::IsPicture() const {
    return id == kFourCCDisp && dispFormat == preview::kClipboardFormatDib;
}

WaveLayout ReadLayout(preview::ByteSource& source, ChunkVisitor* visitor) {
    WaveLayout layout;
    layout.fileSize = source.Size();
    std::uint8_t header[12] = {};
    const std::size_t got = source.ReadAt(0, header, sizeof header);
    if (got >= 4 && le::Get32(header) == MakeFourCC('R', 'I', 'F', 'X')) {
        throw InputError("a big-endian RIFX file, not a RIFF WAVE file");
    }
    if (got < 4 || le::Get32(header) != preview::kFourCCRiff) {
        throw InputError("not a RIFF file (it does not start with 'RIFF')");
    }
    if (got < 12) throw InputError("cut short: too short for a RIFF header (" + std::to_string(got) + " bytes)");
    if (le::Get32(header + 8) != preview::kFourCCWave) {
        throw InputError("a RIFF file of form " + Quoted(le::Get32(header + 8)) + ", not a WAVE file");
    }
    layout.riffSize = le::Get32(header + 4);
    if (layout.riffSize < 4) {
        layout.problem =
            "the RIFF header states the size " + std::to_string(layout.riffSize) + ", too small to hold it";
        return layout;
    }
    std::uint64_t end = layout.FormEnd();
    if (end > layout.fileSize) {
        layout.problem = "cut short: the RIFF header states " + std::to_string(end) + " bytes, but the file holds " +
                         std::to_string(layout.fileSize);
        end = layout.fileSize;
    }
    preview::RiffWalker walker(source);
    LayoutVisitor collect(layout, visitor);
    const std::string problem = WalkChunks(walker, 12, end, "WAVE form", 0, collect, visitor != nullptr);
    if (layout.problem.empty()) layout.problem = problem;
    return layout;
}

void RequireEditable(const WaveLayout& layout) {
    if (!layout.problem.empty()) throw InputError(layout.problem);
    if (!layout.hasFormat) throw InputError("a RIFF WAVE file without a 'fmt ' chunk");
    if (!layout.dataOffset) throw InputError("a RIFF WAVE file without a 'data' chunk");
}

EditPlan PlanEdit(preview::ByteSource& source, const WaveLayout& layout, const EditRequest& request) {
    EditPlan plan;
    CountingOutput counted;
    Editor(source, layout, request).Body(counted, plan);
    plan.outputSize = RiffHeader(counted.Size()).size() + counted.Size() + Trailer(layout);
    // Copies of the whole form, in order, make the same file.
    plan.changes = !counted.CopiesAll(layout.FormEnd());
    return plan;
}

void WritePlan(preview::ByteSource& source, const WaveLayout& layout, const EditRequest& request, const EditPlan& plan,
               Sink& sink) {
    WritingOutput out(source, sink);
    EditPlan counts;
    out.Add(RiffHeader(plan.outputSize - 12 - Trailer(layout)));
    Editor(source, layout, request).Body(out, counts);
    if (Trailer(layout) != 0) out.Copy(layout.FormEnd(), Trailer(layout));
    out.Finish();
}

}  // namespace authoring
