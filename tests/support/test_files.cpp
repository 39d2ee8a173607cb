#include "test_files.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <fstream>
#include <vector>

#include "LittleEndian.h"

namespace harness {

namespace {

void DeleteTree(const std::string& path) {
    WIN32_FIND_DATAA fd;
    HANDLE hFind = FindFirstFileA((path + "\\*").c_str(), &fd);
    if (hFind != INVALID_HANDLE_VALUE) {
        do {
            std::string name = fd.cFileName;
            if (name == "." || name == "..") continue;
            std::string child = path + "\\" + name;
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                DeleteTree(child);
            } else {
                SetFileAttributesA(child.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(child.c_str());
            }
        } while (FindNextFileA(hFind, &fd));
        FindClose(hFind);
    }
    RemoveDirectoryA(path.c_str());
}

// The capture file's Windows path, from the runtime's Unix path.
std::string CapturePath() {
    char unixPath[MAX_PATH] = "";
    GetEnvironmentVariableA("ZORVAND_SOUND_OUT", unixPath, MAX_PATH);
    return WindowsPath(unixPath);
}

}  // namespace

std::string WindowsPath(const std::string& unixPath) {
    std::string path = "Z:" + unixPath;
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
}

TestDirectory::TestDirectory(const std::string& root) {
    const testing::TestInfo* info = testing::UnitTest::GetInstance()->current_test_info();
    std::string name = info != nullptr ? std::string(info->test_suite_name()) + "." + info->name() : "test";
    for (char& c : name)
        if (c == '/') c = '_';
    m_path = root + name + "." + std::to_string(GetCurrentProcessId());
    DeleteTree(m_path);
    if (!CreateDirectoryA(m_path.c_str(), nullptr)) ADD_FAILURE() << "cannot create " << m_path;
}

TestDirectory::~TestDirectory() {
    // A directory that is current cannot be removed.
    SetCurrentDirectoryA("C:\\");
    DeleteTree(m_path);
}

void TestDirectory::MakeDirectory(const std::string& relative) const {
    if (!CreateDirectoryA((*this / relative).c_str(), nullptr)) ADD_FAILURE() << "cannot create " << *this / relative;
}

void TestDirectory::WriteFile(const std::string& relative, const std::string& bytes) const {
    std::ofstream out(*this / relative, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) ADD_FAILURE() << "cannot write " << *this / relative;
}

// Wine starts a Unix executable that CreateProcess names by its Z: path, but
// gives no handle to wait on: a shell runs the command and renames its output
// into place when done, and this waits for that name.
std::string TestDirectory::RunUnix(const std::string& command) const {
    char drives[MAX_PATH] = "";
    if (!GetEnvironmentVariableA("ZORVAND_DRIVES", drives, MAX_PATH) || m_path.compare(0, 3, "D:\\") != 0)
        return "ZORVAND_DRIVES is not set, or the directory is not on D:";
    std::string unixDir = std::string(drives) + "/d/" + m_path.substr(3);
    for (char& c : unixDir)
        if (c == '\\') c = '/';
    std::string line = "Z:\\bin\\sh -c \"cd '" + unixDir + "' && { (" + command +
                       ") >unix.tmp 2>&1; echo exit $? >>unix.tmp; mv unix.tmp unix.out; }\"";
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return "cannot start " + line;
    if (pi.hThread != nullptr) CloseHandle(pi.hThread);
    if (pi.hProcess != nullptr) CloseHandle(pi.hProcess);
    const std::string result = *this / "unix.out";
    for (int waited = 0; GetFileAttributesA(result.c_str()) == INVALID_FILE_ATTRIBUTES; waited += 50) {
        if (waited > 60000) return "no result from " + line;
        Sleep(50);
    }
    std::ifstream in(result, std::ios::binary);
    std::string output((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    in.close();
    DeleteFileA(result.c_str());
    return output;
}

std::string MakeWave(double seconds, double frequency) {
    const uint32_t rate = 22050;
    auto samples = static_cast<uint32_t>(seconds * rate);
    std::string wave = "RIFF";
    le::Append32(wave, 36 + samples * 2);
    wave += "WAVEfmt ";
    le::Append32(wave, 16);
    le::Append16(wave, 1);
    le::Append16(wave, 1);
    le::Append32(wave, rate);
    le::Append32(wave, rate * 2);
    le::Append16(wave, 2);
    le::Append16(wave, 16);
    wave += "data";
    le::Append32(wave, samples * 2);
    for (uint32_t i = 0; i < samples; ++i)
        le::Append16(wave, static_cast<uint16_t>(
                               static_cast<int16_t>(12000 * std::sin(2 * 3.14159265358979 * frequency * i / rate))));
    return wave;
}

std::string CapturedSound() {
    std::ifstream in(CapturePath(), std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// The device truncates the file whenever it opens it, so truncating it here
// between playbacks is safe.
void ClearCapturedSound() {
    std::ofstream(CapturePath(), std::ios::binary | std::ios::trunc);
}

std::string AudibleSamples(const std::string& samples) {
    std::string audible;
    for (size_t i = 0; i + 1 < samples.size(); i += 2)
        if (samples[i] != 0 || samples[i + 1] != 0) audible += samples.substr(i, 2);
    return audible;
}

}  // namespace harness
