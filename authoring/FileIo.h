// Files and the console, with UTF-8 paths and text on Linux and Windows alike.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "ByteSource.h"
#include "Bytes.h"
#include "WaveFile.h"

namespace authoring {

// A file read at offsets, without reading it whole.
class InputFile : public preview::ByteSource {
public:
    // Throws IoError, with the system's reason, when the file cannot be opened.
    static std::unique_ptr<InputFile> Open(const std::string& path);
    ~InputFile() override;
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    std::size_t ReadAt(std::uint64_t offset, void* out, std::size_t size) override;
    std::uint64_t Size() const override { return m_size; }

private:
    InputFile(std::intptr_t handle, std::uint64_t size) : m_handle(handle), m_size(size) {}

    // A file descriptor, or a Windows HANDLE.
    std::intptr_t m_handle;
    std::uint64_t m_size;
};

// A whole file of at most limit bytes. Throws IoError when it cannot be read and
// InputError when it is larger.
Bytes ReadWholeFile(const std::string& path, std::uint64_t limit);

// Writes a file so that it appears whole or not at all: the bytes go to a new
// file beside the target, which is flushed to the disk and then renamed over the
// target in one step. Until Commit the target is untouched; a writer destroyed
// before Commit, or a crash, leaves at most the temporary file, never a part of
// the new file under the target's name. A target that exists keeps its
// permissions; a symbolic link is written through, not replaced.
class AtomicWriter : public Sink {
public:
    // Throws IoError when the temporary file cannot be created.
    explicit AtomicWriter(const std::string& target);
    ~AtomicWriter() override;
    AtomicWriter(const AtomicWriter&) = delete;
    AtomicWriter& operator=(const AtomicWriter&) = delete;

    void Write(const std::uint8_t* data, std::size_t size) override;
    // Flushes the bytes to the disk and closes the temporary file, which can then
    // be read back.
    void Finish();
    // Renames the finished temporary file over the target.
    void Commit();
    const std::string& TemporaryPath() const { return m_temporary; }

private:
    std::string m_target;
    std::string m_temporary;
    std::intptr_t m_handle = -1;
    bool m_open = false;
    bool m_committed = false;
};

// Writes UTF-8 text to standard output or standard error.
void PrintOut(const std::string& text);
void PrintError(const std::string& text);

#ifdef _WIN32
// A command-line argument as UTF-8.
std::string WideToUtf8(const wchar_t* text);
#endif

}  // namespace authoring
