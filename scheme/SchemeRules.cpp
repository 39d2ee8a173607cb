#include "SchemeRules.h"

namespace scheme {

std::size_t RegSzTextLength(const char* data, std::size_t size) {
    return size > 0 && data[size - 1] == '\0' ? size - 1 : size;
}

bool IsFullPath(const char* path, std::size_t size) {
    return size >= 3 && path[1] == ':' && (path[2] == '\\' || path[2] == '/');
}

namespace {

bool IsLeadByte(unsigned char c) {
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

}  // namespace

long LastSeparator(const char* path, std::size_t size) {
    long found = -1;
    for (std::size_t i = 0; i < size; ++i) {
        if (IsLeadByte(static_cast<unsigned char>(path[i])) && i + 1 < size) {
            ++i;
        } else if (path[i] == '\\' || path[i] == '/') {
            found = static_cast<long>(i);
        }
    }
    return found;
}

bool EndsWithBackslash(const char* path, std::size_t size) {
    return size > 0 && path[size - 1] == '\\' && LastSeparator(path, size) == static_cast<long>(size - 1);
}

}  // namespace scheme
