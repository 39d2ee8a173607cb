#include "WaveFile.h"

#include <algorithm>
#include <cstdint>

#include "DisplayDib.h"
#include "Errors.h"
#include "RiffReader.h"

namespace wavtheme {

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

std::optional<std::uint32_t> ReadU32(preview::ByteSource& source, std::uint64_t offset) {
    std::uint8_t bytes[4];
    if (source.ReadAt(offset, bytes, 4) != 4) return std::nullopt;
    return GetLe32(bytes);
}

// Walks the chunks of [begin, end) into out; returns what stops the walk short of
// end, or an empty string. owner names the form or list for messages.
std::string ReadChunks(preview::ByteSource& source, std::uint64_t begin, std::uint64_t end, const std::string& owner,
                       int depth, std::vector<Chunk>& out) {
    const Chunk* previous = nullptr;
    const auto hint = [&]() -> std::string {
        if (previous == nullptr || previous->size % 2 == 0) return "";
        return "; the chunk " + Quoted(previous->id) + " before it has the odd size " + std::to_string(previous->size) +
               ", so its pad byte may be missing";
    };
    for (std::uint64_t pos = begin; pos < end;) {
        if (end - pos < 8) {
            return std::to_string(end - pos) + " stray byte(s) at " + Offset(pos) + " at the end of the " + owner +
                   ", too few for a chunk" + hint();
        }
        std::uint8_t header[8];
        if (source.ReadAt(pos, header, 8) != 8) return "the file cannot be read at " + Offset(pos);
        Chunk chunk;
        chunk.id = GetLe32(header);
        chunk.size = GetLe32(header + 4);
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
        if (chunk.id == kFourCCList && chunk.size >= 4) {
            chunk.listType = ReadU32(source, chunk.DataOffset());
            if (chunk.listType && depth < kMaxDepth) {
                chunk.problem = ReadChunks(source, chunk.DataOffset() + 4, chunk.DataOffset() + chunk.size,
                                           "LIST " + Quoted(*chunk.listType), depth + 1, chunk.children);
            }
        } else if (chunk.id == kFourCCDisp && chunk.size >= 4) {
            chunk.dispFormat = ReadU32(source, chunk.DataOffset());
        }
        out.push_back(chunk);
        previous = &out.back();
        pos = chunk.End();
    }
    return "";
}

Bytes MakeChunk(std::uint32_t id, const std::uint8_t* data, std::size_t size) {
    Bytes chunk;
    chunk.reserve(8 + size + 1);
    PutFourCC(chunk, id);
    PutLe32(chunk, static_cast<std::uint32_t>(size));
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

Piece Copy(const Chunk& chunk) {
    return {true, chunk.offset, chunk.End() - chunk.offset, {}};
}

Piece New(Bytes bytes) {
    const std::uint64_t size = bytes.size();
    return {false, 0, size, std::move(bytes)};
}

std::uint64_t SizeOf(const std::vector<Piece>& pieces) {
    std::uint64_t size = 0;
    for (const Piece& piece : pieces) size += piece.size;
    return size;
}

}  // namespace

bool Chunk::IsPicture() const {
    return id == kFourCCDisp && dispFormat == preview::kClipboardFormatDib;
}

WaveLayout ReadLayout(preview::ByteSource& source) {
    WaveLayout layout;
    layout.fileSize = source.Size();
    std::uint8_t header[12] = {};
    const std::size_t got = source.ReadAt(0, header, sizeof header);
    if (got >= 4 && GetLe32(header) == MakeFourCC('R', 'I', 'F', 'X')) {
        throw InputError("a big-endian RIFX file, not a RIFF WAVE file");
    }
    if (got < 4 || GetLe32(header) != preview::kFourCCRiff) {
        throw InputError("not a RIFF file (it does not start with 'RIFF')");
    }
    if (got < 12) throw InputError("cut short: too short for a RIFF header (" + std::to_string(got) + " bytes)");
    if (GetLe32(header + 8) != preview::kFourCCWave) {
        throw InputError("a RIFF file of form " + Quoted(GetLe32(header + 8)) + ", not a WAVE file");
    }
    layout.riffSize = GetLe32(header + 4);
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
    const std::string problem = ReadChunks(source, 12, end, "WAVE form", 0, layout.chunks);
    if (layout.problem.empty()) layout.problem = problem;
    return layout;
}

void RequireEditable(const WaveLayout& layout) {
    if (!layout.problem.empty()) throw InputError(layout.problem);
    const auto has = [&](std::uint32_t id) {
        return std::any_of(layout.chunks.begin(), layout.chunks.end(), [&](const Chunk& c) { return c.id == id; });
    };
    if (!has(kFourCCFmt)) throw InputError("a RIFF WAVE file without a 'fmt ' chunk");
    if (!has(kFourCCData)) throw InputError("a RIFF WAVE file without a 'data' chunk");
}

EditPlan PlanEdit(const WaveLayout& layout, const EditRequest& request) {
    const std::vector<Chunk>& chunks = layout.chunks;
    const auto indexOf = [&](auto predicate) {
        return static_cast<std::size_t>(std::find_if(chunks.begin(), chunks.end(), predicate) - chunks.begin());
    };
    const std::size_t none = chunks.size();
    const std::size_t firstPicture = indexOf([](const Chunk& c) { return c.IsPicture(); });
    const std::size_t firstList = indexOf([](const Chunk& c) { return c.id == kFourCCList; });
    const std::size_t data = indexOf([](const Chunk& c) { return c.id == kFourCCData; });
    const std::size_t info = firstList != none && chunks[firstList].listType == kFourCCInfo ? firstList : none;

    // Where a new chunk goes: before the chunk of that index.
    const std::size_t nowhere = SIZE_MAX;
    Bytes newPicture;
    if (request.picture) newPicture = MakeChunk(kFourCCDisp, request.picture->data(), request.picture->size());
    const std::size_t pictureBefore = request.picture && firstPicture == none ? data : nowhere;
    const std::size_t listBefore = request.text && info == none ? std::min(data, firstList) : nowhere;

    EditPlan plan;
    std::vector<Piece> body;
    for (std::size_t i = 0; i <= chunks.size(); ++i) {
        if (i == listBefore) {
            Bytes list;
            const Bytes text = MakeTextChunk(*request.text);
            PutFourCC(list, kFourCCInfo);
            list.insert(list.end(), text.begin(), text.end());
            body.push_back(New(MakeChunk(kFourCCList, list.data(), list.size())));
            plan.changes = true;
        }
        if (i == pictureBefore) {
            body.push_back(New(newPicture));
            plan.changes = true;
        }
        if (i == chunks.size()) break;
        const Chunk& chunk = chunks[i];

        if (chunk.IsPicture() && (request.picture || request.removePicture)) {
            if (request.picture && i == firstPicture) body.push_back(New(newPicture));
            plan.changes = true;
            continue;
        }
        if (i != info || !(request.text || request.removeText)) {
            body.push_back(Copy(chunk));
            continue;
        }

        if (!chunk.problem.empty())
            throw InputError("the INFO list at " + Offset(chunk.offset) + " is damaged: " + chunk.problem);
        std::vector<Piece> children;
        bool textPlaced = false;
        for (const Chunk& child : chunk.children) {
            if (child.id != kFourCCIsbj) {
                children.push_back(Copy(child));
                continue;
            }
            if (request.text && !textPlaced) children.push_back(New(MakeTextChunk(*request.text)));
            textPlaced = true;
            plan.changes = true;
        }
        if (request.text && !textPlaced) {
            children.push_back(New(MakeTextChunk(*request.text)));
            plan.changes = true;
        }
        if (children.empty()) continue;
        const std::uint64_t listSize = 4 + SizeOf(children);
        if (listSize > 0xFFFFFFFFu) throw InputError("the INFO list would grow past RIFF's 4 GiB limit");
        Bytes header;
        PutFourCC(header, kFourCCList);
        PutLe32(header, static_cast<std::uint32_t>(listSize));
        PutFourCC(header, kFourCCInfo);
        body.push_back(New(std::move(header)));
        for (Piece& child : children) body.push_back(std::move(child));
    }

    const std::uint64_t riffSize = 4 + SizeOf(body);
    if (riffSize > 0xFFFFFFFFu) throw InputError("the file would grow past RIFF's 4 GiB limit");
    Bytes header;
    PutFourCC(header, preview::kFourCCRiff);
    PutLe32(header, static_cast<std::uint32_t>(riffSize));
    PutFourCC(header, preview::kFourCCWave);
    plan.pieces.push_back(New(std::move(header)));
    for (Piece& piece : body) plan.pieces.push_back(std::move(piece));
    if (layout.fileSize > layout.FormEnd()) {
        plan.pieces.push_back({true, layout.FormEnd(), layout.fileSize - layout.FormEnd(), {}});
    }
    plan.outputSize = SizeOf(plan.pieces);
    return plan;
}

void WritePlan(preview::ByteSource& source, const EditPlan& plan, Sink& sink) {
    constexpr std::size_t kPiece = 1 << 20;
    Bytes buffer;
    for (const Piece& piece : plan.pieces) {
        if (!piece.fromSource) {
            sink.Write(piece.bytes.data(), piece.bytes.size());
            continue;
        }
        buffer.resize(static_cast<std::size_t>(std::min<std::uint64_t>(piece.size, kPiece)));
        for (std::uint64_t done = 0; done < piece.size;) {
            const auto want = static_cast<std::size_t>(std::min<std::uint64_t>(piece.size - done, buffer.size()));
            if (source.ReadAt(piece.offset + done, buffer.data(), want) != want) {
                throw IoError("the input file cannot be read at " + Offset(piece.offset + done));
            }
            sink.Write(buffer.data(), want);
            done += want;
        }
    }
}

}  // namespace wavtheme
