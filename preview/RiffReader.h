// Walks the chunks of a RIFF file with the searches of the platform's multimedia
// file I/O (descend to a RIFF form, descend to a chunk within a parent, ascend),
// keeping a current position as that file pointer does, so that readers built on
// it find the same chunks from the same places. Offsets are 64-bit and sums of an
// offset and a size never wrap. Chunk headers are read through a window of the
// file, so a walk over many small chunks costs one read per window, not one per
// header.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "ByteSource.h"

namespace preview {

// A four-character code as the little-endian number of its four bytes in file order.
constexpr std::uint32_t MakeFourCC(char a, char b, char c, char d) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(a)) |
           static_cast<std::uint32_t>(static_cast<unsigned char>(b)) << 8 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(c)) << 16 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(d)) << 24;
}

constexpr std::uint32_t kFourCCRiff = MakeFourCC('R', 'I', 'F', 'F');
constexpr std::uint32_t kFourCCList = MakeFourCC('L', 'I', 'S', 'T');
constexpr std::uint32_t kFourCCWave = MakeFourCC('W', 'A', 'V', 'E');
constexpr std::uint32_t kFourCCInfo = MakeFourCC('I', 'N', 'F', 'O');
constexpr std::uint32_t kFourCCIsbj = MakeFourCC('I', 'S', 'B', 'J');
constexpr std::uint32_t kFourCCDisp = MakeFourCC('D', 'I', 'S', 'P');

// One chunk that a search found: the platform's MMCKINFO with a 64-bit offset.
struct ChunkInfo {
    std::uint32_t ckid = 0;
    // Size of the data; an odd size is followed by a pad byte it does not count.
    std::uint32_t cksize = 0;
    // Form or list type of a RIFF or LIST chunk: the four bytes after its header,
    // whatever its size says (zeros where the file ends first); 0 for other chunks.
    std::uint32_t fccType = 0;
    // Absolute offset of the first data byte; for RIFF and LIST, of the type field.
    std::uint64_t dwDataOffset = 0;

    // The offset just past the data, the pad byte not counted.
    std::uint64_t DataEnd() const { return dwDataOffset + cksize; }
    // Whether the data lies within the parent's: the readers' bounds test.
    bool LiesWithin(const ChunkInfo& parent) const { return DataEnd() <= parent.DataEnd(); }
};

class RiffWalker {
public:
    explicit RiffWalker(ByteSource& source) : m_source(source) {}
    RiffWalker(const RiffWalker&) = delete;
    RiffWalker& operator=(const RiffWalker&) = delete;

    std::uint64_t Position() const { return m_position; }
    void Seek(std::uint64_t position) { m_position = position; }

    // From the current position, the first RIFF chunk whose form type is formType;
    // every other chunk is skipped by its size rounded up to even, up to the end of
    // the data. On success the position is after the form type; on failure it
    // stays where it was.
    bool DescendRiff(std::uint32_t formType, ChunkInfo& chunk);

    // From the current position, the first chunk with identifier ckid, skipping the
    // others by their size rounded up to even. Only the identifier is matched. The
    // search fails when the position is not within the parent's data, or when the
    // next 8-byte header would not end within it. On success the position is at
    // the chunk's data, after the list type for a LIST chunk; on failure it stays
    // where it was.
    bool DescendChunk(std::uint32_t ckid, const ChunkInfo& parent, ChunkInfo& chunk);

    // To the end of the chunk: data offset + size, + 1 for the pad of an odd size.
    void Ascend(const ChunkInfo& chunk);

    // Reads at the current position and moves past the bytes that arrived.
    std::size_t Read(void* out, std::size_t size);

    // The chunk whose header starts at offset, read as the searches read it,
    // without moving; false when fewer than its 8 header bytes are there.
    bool HeaderAt(std::uint64_t offset, ChunkInfo& chunk);

    // Up to size bytes at offset, through the window when they fit in it; as
    // ByteSource::ReadAt, without moving.
    std::size_t Peek(std::uint64_t offset, void* out, std::size_t size);

    // From position, steps over the chunks whose headers the window holds whole
    // and whose identifiers are none of the count in stops, without going past
    // limit; returns the offset of the header where it stopped. A caller that
    // treats such chunks alike walks them at the cost of reading them.
    std::uint64_t SkipChunks(std::uint64_t position, std::uint64_t limit, const std::uint32_t* stops,
                             std::size_t count);

    // The window's largest size: large enough that a walk over empty chunks
    // reads thousands of headers at a time, small enough to cost the dialog
    // nothing.
    static constexpr std::size_t kWindowSize = 64 * 1024;
    // After this many steps of less than kNearStep bytes from one header to the
    // next, the window reads ahead, doubling from 512 bytes to kWindowSize.
    static constexpr unsigned kPlainSteps = 8;
    static constexpr std::uint64_t kNearStep = 4 * 1024;

private:
    bool Search(std::uint32_t ckid, std::uint32_t formType, std::uint64_t limit, ChunkInfo& chunk);

    ByteSource& m_source;
    std::uint64_t m_position = 0;
    // Bytes [m_windowStart, m_windowStart + m_windowFill) of the source; without
    // memory for it every read goes to the source.
    std::unique_ptr<unsigned char[]> m_window;
    std::uint64_t m_windowStart = 0;
    std::size_t m_windowFill = 0;
    // Where the last header read began, and how many steps in a row were short.
    std::uint64_t m_lastPeek = 0;
    unsigned m_nearSteps = 0;
    bool m_windowRefused = false;
};

}  // namespace preview
