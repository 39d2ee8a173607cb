#include "FileIo.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "Errors.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#endif

namespace authoring {

namespace {

std::string Quote(const std::string& path) {
    return "'" + path + "'";
}

}  // namespace

#ifdef _WIN32

namespace {

std::wstring Utf8ToWide(const std::string& text) {
    if (text.empty()) return std::wstring();
    const int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
    return wide;
}

// The system's text for the last error, without its line end.
std::string LastError() {
    const DWORD code = GetLastError();
    wchar_t* buffer = nullptr;
    const DWORD length =
        FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::string text = length != 0 ? WideToUtf8(buffer) : "error " + std::to_string(code);
    LocalFree(buffer);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ' || text.back() == '.')) {
        text.pop_back();
    }
    return text;
}

HANDLE AsHandle(std::intptr_t handle) {
    return reinterpret_cast<HANDLE>(handle);
}

void Print(DWORD which, std::FILE* stream, const std::string& text) {
    HANDLE handle = GetStdHandle(which);
    DWORD mode = 0;
    if (GetConsoleMode(handle, &mode)) {
        const std::wstring wide = Utf8ToWide(text);
        DWORD written = 0;
        WriteConsoleW(handle, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
        return;
    }
    std::fwrite(text.data(), 1, text.size(), stream);
    std::fflush(stream);
}

}  // namespace

std::string WideToUtf8(const wchar_t* text) {
    const int length = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (length <= 1) return std::string();
    std::string utf8(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8.data(), length, nullptr, nullptr);
    utf8.pop_back();
    return utf8;
}

std::unique_ptr<InputFile> InputFile::Open(const std::string& path) {
    HANDLE handle = CreateFileW(Utf8ToWide(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) throw IoError("cannot open " + Quote(path) + ": " + LastError());
    LARGE_INTEGER size;
    if (!GetFileSizeEx(handle, &size)) {
        const std::string reason = LastError();
        CloseHandle(handle);
        throw IoError("cannot read " + Quote(path) + ": " + reason);
    }
    return std::unique_ptr<InputFile>(
        new InputFile(reinterpret_cast<std::intptr_t>(handle), static_cast<std::uint64_t>(size.QuadPart)));
}

InputFile::~InputFile() {
    CloseHandle(AsHandle(m_handle));
}

std::size_t InputFile::ReadAt(std::uint64_t offset, void* out, std::size_t size) {
    std::size_t done = 0;
    while (done < size && offset + done < m_size) {
        OVERLAPPED at = {};
        at.Offset = static_cast<DWORD>(offset + done);
        at.OffsetHigh = static_cast<DWORD>((offset + done) >> 32);
        const DWORD want = static_cast<DWORD>(std::min<std::size_t>(size - done, 1 << 20));
        DWORD got = 0;
        if (!ReadFile(AsHandle(m_handle), static_cast<char*>(out) + done, want, &got, &at) || got == 0) break;
        done += got;
    }
    return done;
}

AtomicWriter::AtomicWriter(const std::string& target) : m_target(target) {
    const std::wstring wideTarget = Utf8ToWide(target);
    const DWORD attributes = GetFileAttributesW(wideTarget.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        throw IoError(Quote(target) + " is a directory");
    }
    const std::size_t slash = target.find_last_of("\\/:");
    const std::string directory = slash == std::string::npos ? "" : target.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
    for (unsigned attempt = 0;; ++attempt) {
        m_temporary = directory + "." + name + ".wavtheme-" + std::to_string(GetCurrentProcessId()) + "-" +
                      std::to_string(attempt) + ".tmp";
        HANDLE handle = CreateFileW(Utf8ToWide(m_temporary).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle != INVALID_HANDLE_VALUE) {
            m_handle = reinterpret_cast<std::intptr_t>(handle);
            m_open = true;
            return;
        }
        if (GetLastError() != ERROR_FILE_EXISTS || attempt == 100) {
            throw IoError("cannot create the temporary file " + Quote(m_temporary) + ": " + LastError());
        }
    }
}

AtomicWriter::~AtomicWriter() {
    if (m_open) CloseHandle(AsHandle(m_handle));
    if (!m_committed) DeleteFileW(Utf8ToWide(m_temporary).c_str());
}

void AtomicWriter::Write(const std::uint8_t* data, std::size_t size) {
    while (size > 0) {
        const DWORD want = static_cast<DWORD>(std::min<std::size_t>(size, 1 << 20));
        DWORD written = 0;
        if (!WriteFile(AsHandle(m_handle), data, want, &written, nullptr) || written == 0) {
            throw IoError("writing " + Quote(m_temporary) + " failed: " + LastError());
        }
        data += written;
        size -= written;
    }
}

void AtomicWriter::Finish() {
    if (!FlushFileBuffers(AsHandle(m_handle)))
        throw IoError("writing " + Quote(m_temporary) + " failed: " + LastError());
    m_open = false;
    if (!CloseHandle(AsHandle(m_handle))) throw IoError("writing " + Quote(m_temporary) + " failed: " + LastError());
}

void AtomicWriter::Commit() {
    if (!MoveFileExW(Utf8ToWide(m_temporary).c_str(), Utf8ToWide(m_target).c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        throw IoError("cannot replace " + Quote(m_target) + ": " + LastError());
    }
    m_committed = true;
}

void PrintOut(const std::string& text) {
    Print(STD_OUTPUT_HANDLE, stdout, text);
}
void PrintError(const std::string& text) {
    Print(STD_ERROR_HANDLE, stderr, text);
}

#else

namespace {

std::string LastError() {
    return std::strerror(errno);
}

}  // namespace

std::unique_ptr<InputFile> InputFile::Open(const std::string& path) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) throw IoError("cannot open " + Quote(path) + ": " + LastError());
    struct stat info;
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        close(fd);
        throw IoError(Quote(path) + " is not a regular file");
    }
    return std::unique_ptr<InputFile>(new InputFile(fd, static_cast<std::uint64_t>(info.st_size)));
}

InputFile::~InputFile() {
    close(static_cast<int>(m_handle));
}

std::size_t InputFile::ReadAt(std::uint64_t offset, void* out, std::size_t size) {
    std::size_t done = 0;
    while (done < size && offset + done < m_size) {
        const ssize_t got = pread(static_cast<int>(m_handle), static_cast<char*>(out) + done, size - done,
                                  static_cast<off_t>(offset + done));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        done += static_cast<std::size_t>(got);
    }
    return done;
}

AtomicWriter::AtomicWriter(const std::string& target) : m_target(target) {
    // Through a symbolic link to the file it names, which keeps the link.
    if (char* real = realpath(target.c_str(), nullptr)) {
        m_target = real;
        std::free(real);
    }
    struct stat info;
    const bool exists = stat(m_target.c_str(), &info) == 0;
    if (exists && !S_ISREG(info.st_mode)) throw IoError(Quote(target) + " exists and is not a regular file");

    const std::size_t slash = m_target.rfind('/');
    const std::string directory = slash == std::string::npos ? "" : m_target.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? m_target : m_target.substr(slash + 1);
    std::string pattern = directory + "." + name + ".wavtheme-XXXXXX";
    const int fd = mkstemp(pattern.data());
    if (fd < 0) {
        throw IoError("cannot create a temporary file in " + Quote(directory.empty() ? "." : directory) + ": " +
                      LastError());
    }
    m_temporary = pattern;
    m_handle = fd;
    m_open = true;

    // mkstemp makes the file private; the result gets the target's permissions,
    // or those of a new file.
    mode_t mode = 0;
    if (exists) {
        mode = info.st_mode & 07777;
    } else {
        const mode_t mask = umask(0);
        umask(mask);
        mode = 0666 & ~mask;
    }
    if (fchmod(fd, mode) != 0)
        throw IoError("cannot set the permissions of " + Quote(m_temporary) + ": " + LastError());
}

AtomicWriter::~AtomicWriter() {
    if (m_open) close(static_cast<int>(m_handle));
    if (!m_committed && !m_temporary.empty()) unlink(m_temporary.c_str());
}

void AtomicWriter::Write(const std::uint8_t* data, std::size_t size) {
    while (size > 0) {
        const ssize_t written = write(static_cast<int>(m_handle), data, size);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) throw IoError("writing " + Quote(m_temporary) + " failed: " + LastError());
        data += written;
        size -= static_cast<std::size_t>(written);
    }
}

void AtomicWriter::Finish() {
    if (fsync(static_cast<int>(m_handle)) != 0) {
        throw IoError("writing " + Quote(m_temporary) + " failed: " + LastError());
    }
    m_open = false;
    if (close(static_cast<int>(m_handle)) != 0) {
        throw IoError("writing " + Quote(m_temporary) + " failed: " + LastError());
    }
}

void AtomicWriter::Commit() {
    if (rename(m_temporary.c_str(), m_target.c_str()) != 0) {
        throw IoError("cannot replace " + Quote(m_target) + ": " + LastError());
    }
    m_committed = true;
    // The rename itself reaches the disk with the directory.
    const std::size_t slash = m_target.rfind('/');
    const int dir =
        open(slash == std::string::npos ? "." : m_target.substr(0, slash + 1).c_str(), O_RDONLY | O_CLOEXEC);
    if (dir >= 0) {
        fsync(dir);
        close(dir);
    }
}

void PrintOut(const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
}

void PrintError(const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stderr);
    std::fflush(stderr);
}

#endif

Bytes ReadWholeFile(const std::string& path, std::uint64_t limit) {
    std::unique_ptr<InputFile> file = InputFile::Open(path);
    if (file->Size() > limit) {
        throw InputError(Quote(path) + " is larger than the " + std::to_string(limit >> 20) + " MiB this tool reads");
    }
    Bytes bytes(static_cast<std::size_t>(file->Size()));
    if (file->ReadAt(0, bytes.data(), bytes.size()) != bytes.size()) throw IoError("cannot read " + Quote(path));
    return bytes;
}

}  // namespace authoring
