// What `wavtheme list` prints: the chunk tree, and what the program would show.
#pragma once

#include <string>

#include "ByteSource.h"
#include "WaveFile.h"

namespace wavtheme {

// The chunks with their header offsets and data sizes, nested lists indented.
std::string ListChunks(preview::ByteSource& source, const WaveLayout& layout);

// The picture and the description, as the program's own readers find them.
std::string ListPreview(preview::ByteSource& source);

// Text for a terminal: line ends, tabs and backslashes escaped, the rest as is.
std::string EscapeText(const std::string& utf8);

}  // namespace wavtheme
