// Where the preview readers get their bytes: a file or a block of memory. Every
// read names its offset, so walking a wave file costs one seek per chunk header
// and the sound data between the chunks is never read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>

namespace preview {

class ByteSource {
public:
    virtual ~ByteSource() = default;

    // Copies up to size bytes from offset into out and returns how many arrived:
    // fewer at the end of the data or on a read error, none from past the end.
    virtual std::size_t ReadAt(std::uint64_t offset, void* out, std::size_t size) = 0;

    // How many bytes the source holds.
    virtual std::uint64_t Size() const = 0;
};

// Bytes that the caller keeps alive for as long as the source is used.
class MemoryByteSource : public ByteSource {
public:
    MemoryByteSource(const void* data, std::size_t size);

    std::size_t ReadAt(std::uint64_t offset, void* out, std::size_t size) override;
    std::uint64_t Size() const override { return m_size; }

private:
    const unsigned char* m_data;
    std::size_t m_size;
};

// A file opened for binary reading, with 64-bit offsets on every platform.
class FileByteSource : public ByteSource {
public:
    // Null when the file cannot be opened or its size cannot be learnt. On Windows
    // the path is in the ANSI code page.
    static std::unique_ptr<FileByteSource> Open(const char* path);

    ~FileByteSource() override;
    FileByteSource(const FileByteSource&) = delete;
    FileByteSource& operator=(const FileByteSource&) = delete;

    std::size_t ReadAt(std::uint64_t offset, void* out, std::size_t size) override;
    std::uint64_t Size() const override { return m_size; }

private:
    FileByteSource(std::FILE* file, std::uint64_t size);

    std::FILE* m_file;
    std::uint64_t m_size;
};

}  // namespace preview
