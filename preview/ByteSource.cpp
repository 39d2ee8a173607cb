#include "ByteSource.h"

#include <cstring>
#include <limits>
#include <new>

namespace preview {

namespace {

// stdio's fseek takes a long, which is 32 bits on Windows.
bool SeekTo(std::FILE* file, std::uint64_t offset, int origin) {
    if (offset > static_cast<std::uint64_t>(std::numeric_limits<long long>::max())) return false;
#ifdef _WIN32
    return _fseeki64(file, static_cast<long long>(offset), origin) == 0;
#else
    return fseeko(file, static_cast<off_t>(offset), origin) == 0;
#endif
}

long long Tell(std::FILE* file) {
#ifdef _WIN32
    return _ftelli64(file);
#else
    return ftello(file);
#endif
}

}  // namespace

MemoryByteSource::MemoryByteSource(const void* data, std::size_t size)
    : m_data(static_cast<const unsigned char*>(data)), m_size(size) {}

std::size_t MemoryByteSource::ReadAt(std::uint64_t offset, void* out, std::size_t size) {
    if (size == 0 || offset >= m_size) return 0;
    const std::size_t start = static_cast<std::size_t>(offset);
    const std::size_t count = size < m_size - start ? size : m_size - start;
    std::memcpy(out, m_data + start, count);
    return count;
}

std::unique_ptr<FileByteSource> FileByteSource::Open(const char* path) {
    std::FILE* file = std::fopen(path, "rb");
    if (file == nullptr) return nullptr;
    // Every read seeks first, which empties stdio's buffer: the chunk walk keeps
    // a window of its own, and each read goes to the system in one piece.
    std::setvbuf(file, nullptr, _IONBF, 0);
    const long long size = SeekTo(file, 0, SEEK_END) ? Tell(file) : -1;
    if (size < 0) {
        std::fclose(file);
        return nullptr;
    }
    std::unique_ptr<FileByteSource> source(new (std::nothrow) FileByteSource(file, static_cast<std::uint64_t>(size)));
    if (!source) std::fclose(file);
    return source;
}

FileByteSource::FileByteSource(std::FILE* file, std::uint64_t size) : m_file(file), m_size(size) {}

FileByteSource::~FileByteSource() {
    std::fclose(m_file);
}

std::size_t FileByteSource::ReadAt(std::uint64_t offset, void* out, std::size_t size) {
    if (size == 0 || offset >= m_size) return 0;
    // A failed read leaves the error flag set; the next read starts afresh.
    std::clearerr(m_file);
    if (!SeekTo(m_file, offset, SEEK_SET)) return 0;
    return std::fread(out, 1, size, m_file);
}

}  // namespace preview
