// Real files on the test drives: directories that vanish with the test, and
// wave files with a known tone.
#pragma once

#include <windows.h>

#include <string>

namespace harness {

// A fresh directory below a drive's root (for example "D:\\"), named after the
// current test; it and everything in it is deleted when the object goes.
class TestDirectory {
public:
    explicit TestDirectory(const std::string& root = "D:\\");
    ~TestDirectory();
    TestDirectory(const TestDirectory&) = delete;
    TestDirectory& operator=(const TestDirectory&) = delete;

    const std::string& Path() const { return m_path; }
    // path relative to the directory -> full path
    std::string operator/(const std::string& relative) const { return m_path + "\\" + relative; }
    void MakeDirectory(const std::string& relative) const;
    void WriteFile(const std::string& relative, const std::string& bytes) const;
    // Runs a command of the build machine's shell in the directory and returns
    // what it printed, followed by "exit N"; a line saying why when it cannot.
    std::string RunUnix(const std::string& command) const;

private:
    std::string m_path;
};

// The Windows path of a file of the Unix file system, which Wine shows as drive Z:.
std::string WindowsPath(const std::string& unixPath);

// The bytes of a 16-bit mono PCM wave file at 22050 Hz holding a sine tone.
std::string MakeWave(double seconds, double frequency = 440.0);

// What the sound device has written since it was opened or cleared, in the raw
// samples it was given.
std::string CapturedSound();
// The 16-bit samples that are not silence, in order. A busy machine makes the
// sound driver fill an underrun with silence, which is not part of the file.
std::string AudibleSamples(const std::string& samples);
// Empties the capture file, so that what follows can be told apart.
void ClearCapturedSound();

}  // namespace harness
