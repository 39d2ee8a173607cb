// Output of the single-file build-time tools: written beside the target and
// renamed over it, so a failed run never leaves a half-written file.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

inline bool writeFile(const char* tool, const std::string& path, const std::vector<std::uint8_t>& bytes) {
    const std::string tmp = path + ".tmp";
    std::error_code ec;
    {
        std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
        if (!out) {
            std::cerr << tool << ": " << tmp << ": cannot create\n";
            return false;
        }
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        out.close();
        if (!out) {
            std::cerr << tool << ": " << tmp << ": write failed\n";
            std::filesystem::remove(tmp, ec);
            return false;
        }
    }
    std::filesystem::rename(tmp, path, ec);
    if (ec) {
        std::cerr << tool << ": " << path << ": " << ec.message() << "\n";
        std::filesystem::remove(tmp, ec);
        return false;
    }
    return true;
}
