#include "RiffReader.h"

#include <limits>

namespace preview {

namespace {

constexpr std::uint64_t kHeaderSize = 8;

std::uint32_t Le32(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

bool HasType(std::uint32_t ckid) {
    return ckid == kFourCCRiff || ckid == kFourCCList;
}

}  // namespace

bool RiffWalker::DescendRiff(std::uint32_t formType, ChunkInfo& chunk) {
    return Search(kFourCCRiff, formType, std::numeric_limits<std::uint64_t>::max(), chunk);
}

bool RiffWalker::DescendChunk(std::uint32_t ckid, const ChunkInfo& parent, ChunkInfo& chunk) {
    if (m_position < parent.dwDataOffset) return false;
    return Search(ckid, 0, parent.DataEnd(), chunk);
}

void RiffWalker::Ascend(const ChunkInfo& chunk) {
    m_position = chunk.DataEnd() + (chunk.cksize & 1u);
}

std::size_t RiffWalker::Read(void* out, std::size_t size) {
    const std::size_t got = m_source.ReadAt(m_position, out, size);
    m_position += got;
    return got;
}

// formType 0 matches any type. The walk advances by at least a header each step
// and stops at the limit or where the data ends, so it always ends.
bool RiffWalker::Search(std::uint32_t ckid, std::uint32_t formType, std::uint64_t limit, ChunkInfo& chunk) {
    std::uint64_t position = m_position;
    while (position <= limit && limit - position >= kHeaderSize) {
        // The type is read with the header, as the platform does, even for a LIST
        // too small to hold one; missing bytes stay zero.
        unsigned char header[12] = {};
        if (m_source.ReadAt(position, header, sizeof header) < kHeaderSize) return false;
        ChunkInfo found;
        found.ckid = Le32(header);
        found.cksize = Le32(header + 4);
        found.dwDataOffset = position + kHeaderSize;
        if (HasType(found.ckid)) found.fccType = Le32(header + 8);
        if (found.ckid == ckid && (formType == 0 || found.fccType == formType)) {
            chunk = found;
            m_position = found.dwDataOffset + (HasType(found.ckid) ? 4 : 0);
            return true;
        }
        position = found.DataEnd() + (found.cksize & 1u);
    }
    return false;
}

}  // namespace preview
