// The Linux side of the benchmarks: makes the data they read, reads a wave file's
// description with the portable reader, and times programs against each other.
//
//   bench_native data DRIVE_DIR REG_FILE   the sound trees, the preview files and the scheme
//   bench_native isbj FILE                 prints the file's ISBJ text
//   bench_native walk FILE                 reads the file's picture, description and format as the dialog does
//   bench_native runs N CMD… -- CMD…       median wall time of each command, N runs each
//   bench_native peak CMD…                 the command's peak resident memory in bytes
//   bench_native sizes N FILE              median seconds to follow the chunk sizes of FILE in memory
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "ByteSource.h"
#include "PreviewReaders.h"
#include "riff_builder.h"

namespace {

using riff::Bytes;
using riff::Chunk;
using riff::Le32;

const char kDescription[] = "Benchmark preview text";
constexpr std::uint64_t kBigAudio = 1ull << 30;
constexpr std::uint64_t kSmallAudio = 1ull << 20;
constexpr int kEvents = 200;
constexpr int kFirstDirFiles = 2000;
constexpr int kLargeDirFiles = 10000;
constexpr int kLargeDirDirs = 500;
// The large directory's file that an event names: it carries a picture and a text.
constexpr int kChosenFile = 5000;
// The file of many chunks: 8 Mi empty chunks, 64 MiB, between the format and the data.
constexpr std::uint64_t kEmptyChunks = 8ull << 20;

// A 48x48 picture of 16 colours, as a DISP chunk holds it: CF_DIB, then a packed DIB.
Bytes Picture() {
    const int side = 48;
    Bytes dib = riff::InfoHeader(side, side, 8, 16, side * side, 0, 16);
    for (int i = 0; i < 16; ++i) dib += Bytes{static_cast<char>(i * 16), static_cast<char>(255 - i * 16), '\x40', 0};
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x) dib += static_cast<char>((x / 6 + y / 6) % 16);
    return riff::DispData(8, dib);
}

// What follows the sound data: the INFO list with the description, then the picture.
Bytes Trailer() {
    return riff::List("INFO", Chunk("ISBJ", Bytes(kDescription, sizeof kDescription))) + Chunk("DISP", Picture());
}

void Fail(const std::string& what) {
    std::perror(what.c_str());
    std::exit(1);
}

void WriteAll(int fd, const Bytes& bytes, off_t offset, const std::string& path) {
    if (pwrite(fd, bytes.data(), bytes.size(), offset) != static_cast<ssize_t>(bytes.size())) Fail(path);
}

// A wave file of audioSize bytes of silence followed by the trailer. The silence
// is a hole, so that a gigabyte costs no disk.
void WriteWave(const std::string& path, std::uint64_t audioSize, bool withTrailer) {
    Bytes trailer = withTrailer ? Trailer() : Bytes();
    Bytes head = Bytes("WAVE", 4) + riff::Fmt() + Bytes("data", 4) + Le32(static_cast<std::uint32_t>(audioSize));
    std::uint64_t formSize = head.size() + audioSize + (audioSize & 1) + trailer.size();
    head = Bytes("RIFF", 4) + Le32(static_cast<std::uint32_t>(formSize)) + head;
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) Fail(path);
    WriteAll(fd, head, 0, path);
    off_t tail = static_cast<off_t>(head.size() + audioSize + (audioSize & 1));
    if (ftruncate(fd, tail) != 0) Fail(path);
    WriteAll(fd, trailer, tail, path);
    close(fd);
}

// A valid wave file whose body is kEmptyChunks empty 'JUNK' chunks and a short
// data chunk: it holds neither a picture nor a description.
void WriteManyChunks(const std::string& path) {
    const Bytes data = Chunk("data", Bytes(4096, '\0'));
    const std::uint64_t formSize = 4 + riff::Fmt().size() + 8 * kEmptyChunks + data.size();
    const Bytes head = Bytes("RIFF", 4) + Le32(static_cast<std::uint32_t>(formSize)) + "WAVE" + riff::Fmt();
    Bytes block;
    for (int i = 0; i < 8192; ++i) block += Bytes("JUNK\0\0\0\0", 8);
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) Fail(path);
    off_t at = 0;
    WriteAll(fd, head, at, path);
    at += static_cast<off_t>(head.size());
    for (std::uint64_t i = 0; i < kEmptyChunks / 8192; ++i, at += static_cast<off_t>(block.size())) {
        WriteAll(fd, block, at, path);
    }
    WriteAll(fd, data, at, path);
    close(fd);
}

void MakeDir(const std::string& path) {
    if (mkdir(path.c_str(), 0755) != 0 && errno != EEXIST) Fail(path);
}

std::string Numbered(const std::string& prefix, int n, int width, const std::string& suffix) {
    char digits[16];
    std::snprintf(digits, sizeof digits, "%0*d", width, n);
    return prefix + digits + suffix;
}

// D:\BENCH2K holds the first event's file among 2,000; D:\BENCH10K 10,000 files
// and 500 directories; D:\PREVIEW the 1 GiB and the 1 MiB file with the same chunks.
// The scheme's events are labelled so that event 000 sorts first; the last one
// names the large directory's chosen file.
int MakeData(const std::string& drive, const std::string& regFile) {
    MakeDir(drive + "/BENCH2K");
    MakeDir(drive + "/BENCH10K");
    MakeDir(drive + "/PREVIEW");
    for (int i = 0; i < kFirstDirFiles; ++i) WriteWave(Numbered(drive + "/BENCH2K/snd", i, 4, ".wav"), 64, i == 0);
    for (int i = 0; i < kLargeDirFiles; ++i)
        WriteWave(Numbered(drive + "/BENCH10K/snd", i, 5, ".wav"), 64, i == kChosenFile);
    for (int i = 0; i < kLargeDirDirs; ++i) MakeDir(Numbered(drive + "/BENCH10K/dir", i, 3, ""));
    WriteWave(drive + "/PREVIEW/big.wav", kBigAudio, true);
    WriteWave(drive + "/PREVIEW/small.wav", kSmallAudio, true);
    WriteManyChunks(drive + "/PREVIEW/many.wav");

    std::ofstream reg(regFile, std::ios::binary);
    reg << "Windows Registry Editor Version 5.00\r\n\r\n[-HKEY_CURRENT_USER\\AppEvents]\r\n\r\n";
    for (int i = 0; i < kEvents; ++i) {
        std::string key = Numbered("BenchEvent", i, 3, "");
        std::string file = i == kEvents - 1 ? Numbered("D:\\\\BENCH10K\\\\snd", kChosenFile, 5, ".wav")
                                            : Numbered("D:\\\\BENCH2K\\\\snd", i, 4, ".wav");
        reg << "[HKEY_CURRENT_USER\\AppEvents\\EventLabels\\" << key << "]\r\n@=\""
            << Numbered("Bench event ", i, 3, "") << "\"\r\n\r\n";
        reg << "[HKEY_CURRENT_USER\\AppEvents\\Schemes\\Apps\\.Default\\" << key << "\\.Current]\r\n@=\"" << file
            << "\"\r\n\r\n";
    }
    return reg ? 0 : 1;
}

int PrintDescription(const char* path) {
    std::unique_ptr<preview::FileByteSource> source = preview::FileByteSource::Open(path);
    if (!source) return 1;
    preview::DescriptionResult result = preview::ReadDescription(*source);
    if (result.outcome != preview::DescriptionOutcome::kText) return 1;
    std::printf("%s\n", result.text.c_str());
    return 0;
}

int Walk(const char* path) {
    std::unique_ptr<preview::FileByteSource> source = preview::FileByteSource::Open(path);
    if (!source) return 1;
    const preview::ChosenSound sound = preview::ReadChosenSound(*source, preview::kEveryPart);
    std::printf("picture %d, description %d, format %d\n", static_cast<int>(sound.picture.outcome),
                static_cast<int>(sound.description.outcome), sound.format ? 1 : 0);
    return 0;
}

double RunOnce(const std::vector<char*>& argv) {
    auto start = std::chrono::steady_clock::now();
    pid_t pid = fork();
    if (pid < 0) Fail("fork");
    if (pid == 0) {
        int null = open("/dev/null", O_WRONLY);
        dup2(null, STDOUT_FILENO);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "bench_native: %s failed\n", argv[0]);
        std::exit(1);
    }
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// The floor of every walk of a file of many small chunks: each header's offset
// is the size read from the header before it, a chain of dependent loads that
// no reader can shorten. The file is in memory and nothing is checked.
int FollowSizes(int n, const char* path) {
    std::FILE* file = std::fopen(path, "rb");
    if (file == nullptr || n < 1) return 2;
    Bytes bytes;
    char block[1 << 16];
    for (std::size_t got; (got = std::fread(block, 1, sizeof block, file)) > 0;) bytes.append(block, got);
    std::fclose(file);
    std::vector<double> times;
    std::uint64_t headers = 0;
    for (int i = 0; i < n; ++i) {
        const auto start = std::chrono::steady_clock::now();
        headers = 0;
        for (std::uint64_t pos = 12; bytes.size() - pos >= 8; ++headers) {
            std::uint32_t size = 0;
            std::memcpy(&size, bytes.data() + pos + 4, 4);
            pos += 8 + static_cast<std::uint64_t>(size) + (size & 1u);
            if (pos > bytes.size()) break;
        }
        times.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    std::printf("%.6f %llu\n", Median(times), static_cast<unsigned long long>(headers));
    return 0;
}

// The two commands take turns, so that what else the machine does falls on both.
int TimeRuns(int n, char** args, int count) {
    std::vector<char*> first;
    std::vector<char*> second;
    bool afterSeparator = false;
    for (int i = 0; i < count; ++i) {
        if (!afterSeparator && std::strcmp(args[i], "--") == 0) {
            afterSeparator = true;
            continue;
        }
        (afterSeparator ? second : first).push_back(args[i]);
    }
    if (first.empty() || second.empty() || n < 1) return 2;
    first.push_back(nullptr);
    second.push_back(nullptr);
    std::vector<double> a;
    std::vector<double> b;
    for (int i = 0; i < n; ++i) {
        a.push_back(RunOnce(first));
        b.push_back(RunOnce(second));
    }
    std::printf("%.6f %.6f\n", Median(a), Median(b));
    return 0;
}

int Peak(char** args, int count) {
    std::vector<char*> argv(args, args + count);
    argv.push_back(nullptr);
    RunOnce(argv);
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    std::printf("%lld\n", static_cast<long long>(usage.ru_maxrss) * 1024);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    std::string cmd = argc > 1 ? argv[1] : "";
    if (cmd == "data" && argc == 4) return MakeData(argv[2], argv[3]);
    if (cmd == "isbj" && argc == 3) return PrintDescription(argv[2]);
    if (cmd == "walk" && argc == 3) return Walk(argv[2]);
    if (cmd == "runs" && argc > 3) return TimeRuns(std::atoi(argv[2]), argv + 3, argc - 3);
    if (cmd == "peak" && argc > 2) return Peak(argv + 2, argc - 2);
    if (cmd == "sizes" && argc == 4) return FollowSizes(std::atoi(argv[2]), argv[3]);
    std::cerr << "usage: bench_native data DRIVE_DIR REG_FILE | isbj FILE | walk FILE | runs N CMD... -- CMD... | "
                 "peak CMD...\n";
    return 2;
}
