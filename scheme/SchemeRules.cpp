#include "SchemeRules.h"

namespace scheme {

std::size_t RegSzTextLength(const char* data, std::size_t size) {
    return size > 0 && data[size - 1] == '\0' ? size - 1 : size;
}

bool IsFullPath(const char* path, std::size_t size) {
    return size >= 3 && path[1] == ':' && path[2] == '\\';
}

}  // namespace scheme
