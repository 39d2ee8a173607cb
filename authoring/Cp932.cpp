#include "Cp932.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <optional>

#include "Errors.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <iconv.h>
#endif

namespace authoring {

namespace {

// Text from one encoding to another, or nothing when a byte does not decode or
// a character does not convert.
#ifdef _WIN32

using Encoding = UINT;
constexpr Encoding kUtf8 = CP_UTF8;
constexpr Encoding kCp932 = 932;

std::optional<std::string> Convert(std::string_view in, Encoding from, Encoding to) {
    if (in.empty()) return std::string();
    const int size = static_cast<int>(in.size());
    std::wstring wide(in.size(), L'\0');
    const int units = MultiByteToWideChar(from, MB_ERR_INVALID_CHARS, in.data(), size, wide.data(), size);
    if (units <= 0) return std::nullopt;
    std::string out(3 * static_cast<std::size_t>(units), '\0');
    // No best fit: a character the code page lacks fails the round trip below
    // instead of turning into a look-alike.
    const DWORD flags = to == kCp932 ? WC_NO_BEST_FIT_CHARS : 0;
    const int length =
        WideCharToMultiByte(to, flags, wide.data(), units, out.data(), static_cast<int>(out.size()), nullptr, nullptr);
    if (length <= 0) return std::nullopt;
    out.resize(static_cast<std::size_t>(length));
    return out;
}

#else

using Encoding = const char*;
constexpr Encoding kUtf8 = "UTF-8";
constexpr Encoding kCp932 = "CP932";

std::optional<std::string> Convert(std::string_view in, Encoding from, Encoding to) {
    const iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        throw IoError(std::string("the system's iconv cannot convert from ") + from + " to " + to);
    }
    // Either way a byte becomes at most three.
    std::string out(3 * in.size(), '\0');
    char* inPtr = const_cast<char*>(in.data());
    char* outPtr = out.data();
    std::size_t inLeft = in.size();
    std::size_t outLeft = out.size();
    const bool converted = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) != static_cast<std::size_t>(-1) &&
                           iconv(cd, nullptr, nullptr, &outPtr, &outLeft) != static_cast<std::size_t>(-1);
    iconv_close(cd);
    if (!converted) return std::nullopt;
    out.resize(out.size() - outLeft);
    return out;
}

#endif

// The UTF-8 text in code page 932 when each of its characters converts and
// converts back to itself: a converter's default character or best fit (a
// look-alike that decodes to another character) fails the comparison.
std::optional<std::string> Encode(std::string_view utf8) {
    std::optional<std::string> bytes = Convert(utf8, kUtf8, kCp932);
    if (!bytes || Convert(*bytes, kCp932, kUtf8) != utf8) return std::nullopt;
    return bytes;
}

std::string Hex(unsigned value, int digits) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%0*X", digits, value);
    return buffer;
}

// The code point at text[pos], moving pos past it; throws for bytes that are not
// UTF-8: stray continuation bytes, overlong forms, surrogates, values past U+10FFFF.
std::uint32_t NextCodePoint(std::string_view text, std::size_t& pos) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(pos);
    const std::size_t length = lead < 0x80   ? 1
                               : lead < 0xC2 ? 0
                               : lead < 0xE0 ? 2
                               : lead < 0xF0 ? 3
                               : lead < 0xF5 ? 4
                                             : 0;
    static const std::uint32_t kMinimum[] = {0, 0, 0x80, 0x800, 0x10000};
    std::uint32_t cp = length <= 1 ? lead : lead & (0x7F >> length);
    bool valid = length != 0 && text.size() - pos >= length;
    for (std::size_t i = 1; valid && i < length; ++i) {
        valid = (byte(pos + i) & 0xC0) == 0x80;
        cp = cp << 6 | (byte(pos + i) & 0x3F);
    }
    if (!valid || cp < kMinimum[length] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        throw InputError("the text is not valid UTF-8 (byte " + std::to_string(pos + 1) + " is 0x" + Hex(lead, 2) +
                         ")");
    }
    pos += length;
    return cp;
}

}  // namespace

std::string Utf8ToCp932(std::string_view utf8) {
    if (std::optional<std::string> whole = Encode(utf8)) return *whole;
    // Character by character, to name the one that fails.
    std::string out;
    std::size_t characters = 0;
    for (std::size_t pos = 0; pos < utf8.size();) {
        const std::size_t start = pos;
        const std::uint32_t cp = NextCodePoint(utf8, pos);
        ++characters;
        const std::string_view character = utf8.substr(start, pos - start);
        const std::optional<std::string> bytes = Encode(character);
        if (!bytes) {
            throw InputError("code page 932 cannot hold character " + std::to_string(characters) + " of the text, '" +
                             std::string(character) + "' (U+" + Hex(cp, 4) + ")");
        }
        out += *bytes;
    }
    return out;
}

std::string Cp932ToUtf8(std::string_view cp932) {
    if (std::optional<std::string> whole = Convert(cp932, kCp932, kUtf8)) return *whole;
    // Two bytes at a time where they decode, else one, else an escape.
    std::string out;
    for (std::size_t pos = 0; pos < cp932.size();) {
        std::size_t length = std::min<std::size_t>(2, cp932.size() - pos);
        std::optional<std::string> text = Convert(cp932.substr(pos, length), kCp932, kUtf8);
        if (!text && length == 2) {
            length = 1;
            text = Convert(cp932.substr(pos, 1), kCp932, kUtf8);
        }
        out += text ? *text : "\\x" + Hex(static_cast<unsigned char>(cp932[pos]), 2);
        pos += length;
    }
    return out;
}

std::string MakeDescription(std::string utf8, bool fromFile) {
    if (fromFile) {
        if (utf8.compare(0, 3, "\xEF\xBB\xBF") == 0) utf8.erase(0, 3);
        while (!utf8.empty() && (utf8.back() == '\n' || utf8.back() == '\r')) utf8.pop_back();
    }
    if (utf8.empty()) throw InputError("the text is empty; 'remove --text' removes a description");
    if (utf8.find('\0') != std::string::npos) throw InputError("the text holds a NUL character, which would end it");
    std::string lines;
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        if (utf8[i] == '\r' || utf8[i] == '\n') {
            if (utf8[i] == '\r' && i + 1 < utf8.size() && utf8[i + 1] == '\n') ++i;
            lines += "\r\n";
        } else {
            lines += utf8[i];
        }
    }
    std::string text = Utf8ToCp932(lines);
    if (text.size() > kMaxDescription) {
        throw InputError("the text takes " + std::to_string(text.size()) + " bytes in code page 932; at most " +
                         std::to_string(kMaxDescription) + " are taken");
    }
    return text;
}

}  // namespace authoring
