// What `wavtheme list` prints: the chunk tree, and what the program would show.
#pragma once

#include <functional>
#include <string>

#include "ByteSource.h"
#include "WaveFile.h"

namespace authoring {

// Prints the chunks with their header offsets and data sizes, nested lists
// indented, a block of lines at a time, and returns the layout. Throws as
// ReadLayout, before printing anything.
WaveLayout ListChunks(preview::ByteSource& source, const std::function<void(const std::string&)>& print);

// The picture and the description, as the program's own readers find them.
std::string ListPreview(preview::ByteSource& source);

// Text for a terminal: line ends, tabs and backslashes escaped, the rest as is.
std::string EscapeText(const std::string& utf8);

}  // namespace authoring
