// The three ways a run can fail, each with its own exit status, so that scripts
// can tell a bad command line from a bad file from a failing disk.
#pragma once

#include <stdexcept>
#include <string>

namespace authoring {

constexpr int kExitUsage = 1;
constexpr int kExitBadInput = 2;
constexpr int kExitIo = 3;

class ToolError : public std::runtime_error {
public:
    ToolError(int exitCode, const std::string& message) : std::runtime_error(message), m_exitCode(exitCode) {}
    int ExitCode() const { return m_exitCode; }

private:
    int m_exitCode;
};

// The command line makes no sense.
class UsageError : public ToolError {
public:
    explicit UsageError(const std::string& message) : ToolError(kExitUsage, message) {}
};

// A wave file, image or text that the tool refuses.
class InputError : public ToolError {
public:
    explicit InputError(const std::string& message) : ToolError(kExitBadInput, message) {}
};

// Reading or writing a file failed.
class IoError : public ToolError {
public:
    explicit IoError(const std::string& message) : ToolError(kExitIo, message) {}
};

}  // namespace authoring
