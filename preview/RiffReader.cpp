#include "RiffReader.h"

#include <cstring>
#include <limits>
#include <new>

#include "LittleEndian.h"

namespace preview {

namespace {

constexpr std::uint64_t kHeaderSize = 8;

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
    // Bytes that the window holds whole are not read twice; any other read goes
    // to the source in one piece, so that it comes up short just as the source does.
    const bool inside = m_position >= m_windowStart && m_position - m_windowStart <= m_windowFill &&
                        m_windowFill - (m_position - m_windowStart) >= size;
    std::size_t got = 0;
    if (inside && size > 0) {
        std::memcpy(out, m_window.get() + (m_position - m_windowStart), size);
        got = size;
    } else {
        got = m_source.ReadAt(m_position, out, size);
    }
    m_position += got;
    return got;
}

std::size_t RiffWalker::Peek(std::uint64_t offset, void* out, std::size_t size) {
    if (size > kWindowSize) return m_source.ReadAt(offset, out, size);
    const bool inside = offset >= m_windowStart && offset - m_windowStart <= m_windowFill &&
                        m_windowFill - (offset - m_windowStart) >= size;
    if (!inside) {
        if (!m_window && !m_windowRefused) {
            m_window.reset(new (std::nothrow) unsigned char[kWindowSize]);
            m_windowRefused = !m_window;
        }
        if (!m_window) return m_source.ReadAt(offset, out, size);
        // A walk that keeps finding the next header close to the last one is
        // stepping through small chunks: it reads further ahead each time. Any
        // other walk reads just what it asks for, and never the data it skips.
        const bool near = offset > m_lastPeek && offset - m_lastPeek < kNearStep;
        m_nearSteps = near ? (m_nearSteps < kPlainSteps + 8 ? m_nearSteps + 1 : m_nearSteps) : 0;
        std::size_t reach = size;
        if (m_nearSteps > kPlainSteps) reach = kWindowSize >> (kPlainSteps + 8 - m_nearSteps);
        if (reach < size) reach = size;
        m_windowStart = offset;
        m_windowFill = m_source.ReadAt(offset, m_window.get(), reach);
    }
    m_lastPeek = offset;
    // At the end of the data the window holds fewer bytes than were asked for.
    const std::size_t at = static_cast<std::size_t>(offset - m_windowStart);
    const std::size_t count = m_windowFill - at < size ? m_windowFill - at : size;
    std::memcpy(out, m_window.get() + at, count);
    return count;
}

bool RiffWalker::HeaderAt(std::uint64_t offset, ChunkInfo& chunk) {
    // The type is read with the header, as the platform does, even for a LIST too
    // small to hold one; missing bytes stay zero. A header the window holds whole
    // is read in place: a walk over many small chunks does little else.
    unsigned char copy[12] = {};
    const unsigned char* header = copy;
    if (offset >= m_windowStart && offset - m_windowStart <= m_windowFill &&
        m_windowFill - (offset - m_windowStart) >= sizeof copy) {
        header = m_window.get() + (offset - m_windowStart);
        m_lastPeek = offset;
    } else if (Peek(offset, copy, sizeof copy) < kHeaderSize) {
        return false;
    }
    chunk.ckid = le::Get32(header);
    chunk.cksize = le::Get32(header + 4);
    chunk.fccType = HasType(chunk.ckid) ? le::Get32(header + 8) : 0;
    chunk.dwDataOffset = offset + kHeaderSize;
    return true;
}

// Each header is read in place: the whole cost of a walk over many small chunks,
// so the loop does no more than it must for each.
std::uint64_t RiffWalker::SkipChunks(std::uint64_t position, std::uint64_t limit, const std::uint32_t* stops,
                                     std::size_t count) {
    const std::uint64_t start = m_windowStart;
    const std::uint64_t end = start + m_windowFill;
    // The last offset whose 12 bytes the window holds and whose header ends
    // within the limit.
    if (m_windowFill < 12 || limit < kHeaderSize || position < start) return position;
    const std::uint64_t last = end - 12 < limit - kHeaderSize ? end - 12 : limit - kHeaderSize;
    const unsigned char* window = m_window.get();
    const std::uint64_t first = position;
    std::uint64_t scanned = position;
    while (position <= last) {
        const unsigned char* header = window + (position - start);
        const std::uint32_t id = le::Get32(header);
        if (id == stops[0]) break;
        bool stopped = false;
        for (std::size_t i = 1; i < count; ++i) stopped = stopped || id == stops[i];
        if (stopped) break;
        scanned = position;
        const std::uint32_t size = le::Get32(header + 4);
        position += kHeaderSize + size + (size & 1u);
    }
    if (position != first) m_lastPeek = scanned;
    return position;
}

// formType 0 matches any type. The walk advances by at least a header each step
// and stops at the limit or where the data ends, so it always ends.
bool RiffWalker::Search(std::uint32_t ckid, std::uint32_t formType, std::uint64_t limit, ChunkInfo& chunk) {
    std::uint64_t position = m_position;
    while (position <= limit && limit - position >= kHeaderSize) {
        position = SkipChunks(position, limit, &ckid, 1);
        if (position > limit || limit - position < kHeaderSize) break;
        ChunkInfo found;
        if (!HeaderAt(position, found)) return false;
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
