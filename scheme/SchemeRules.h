// Rules for the sound scheme's texts that need no window and no registry, so
// that they can be built and checked anywhere.
#pragma once

#include <cstddef>

namespace scheme {

// The text of a REG_SZ value's data: every byte but a terminating NUL that is
// really there. A value stored without its NUL keeps its last character.
std::size_t RegSzTextLength(const char* data, std::size_t size);

// A usable full path: at least 3 bytes, the second ':' and the third '\' or
// '/', which the system takes for a backslash. Anything else (empty, a bare
// name, "C:name", "\\server\share") is no sound.
bool IsFullPath(const char* path, std::size_t size);

// Index of the last separator ('\' or '/') of a code page 932 path, stepping
// over double-byte characters so that a trail byte 0x5C (as in 表 or ソ) is
// never taken for one; -1 when there is none.
long LastSeparator(const char* path, std::size_t size);

// Whether a code page 932 path ends in a real backslash, as a root ("D:\\")
// does; a final trail byte 0x5C (a path ending in 表) is not one.
bool EndsWithBackslash(const char* path, std::size_t size);

}  // namespace scheme
