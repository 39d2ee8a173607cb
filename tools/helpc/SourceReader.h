// Reads the help source, UTF-8 text with one paragraph per line:
//
//   # comment
//   @title  the help file's title        @font  face name [points]
//   @copyright  notice                   @topic  ID  title   (starts a topic)
//   @keywords  word; word…               (index entries of the current topic)
//   == heading        - bullet item       any other line: a paragraph
//   [[ID]] or [[ID|text]] in a paragraph: a jump to topic ID
//
// The first topic is the contents topic; the topics in file order form the
// browse sequence. Everything is converted to code page 932.
#pragma once

#include <string>

#include "HelpProject.h"

namespace helpc {

// Throws HelpError naming the line of anything the help file cannot hold.
HelpProject ReadHelpSource(const std::string& utf8);

// UTF-8 to code page 932; throws HelpError(line) for text that has no
// code page 932 form, naming the character.
std::string ToCp932(const std::string& utf8, int line);

}  // namespace helpc
