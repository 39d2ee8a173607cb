// Text in code page 932, the program's ANSI code page, from and to UTF-8.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace authoring {

// The longest description taken, in code page 932 bytes.
constexpr std::size_t kMaxDescription = 65534;

// The UTF-8 text in code page 932. Throws InputError, naming the character and
// its position, for text that is not UTF-8 and for a character that code page
// 932 cannot hold exactly (the tool never substitutes a look-alike).
std::string Utf8ToCp932(std::string_view utf8);

// Code page 932 bytes as UTF-8, for showing them; a byte that does not decode
// appears as \xNN.
std::string Cp932ToUtf8(std::string_view cp932);

// A description as a file stores it: code page 932 with CR LF line ends. Text
// read from a file loses its byte order mark and its final line ends. Throws
// InputError for an empty text, a NUL character, text longer than
// kMaxDescription, and whatever Utf8ToCp932 refuses.
std::string MakeDescription(std::string utf8, bool fromFile);

}  // namespace authoring
