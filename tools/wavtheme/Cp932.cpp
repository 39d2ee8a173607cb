#include "Cp932.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>

#include "Cp932Table.h"
#include "Errors.h"

namespace wavtheme {

namespace {

void AppendUtf8(std::string& out, std::uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | cp >> 6);
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | cp >> 12);
        out += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | cp >> 18);
        out += static_cast<char>(0x80 | (cp >> 12 & 0x3F));
        out += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
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
    std::size_t length = 0;
    std::uint32_t cp = 0;
    std::uint32_t minimum = 0;
    if (lead < 0x80) {
        ++pos;
        return lead;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        cp = lead & 0x1F;
        minimum = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        cp = lead & 0x0F;
        minimum = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        cp = lead & 0x07;
        minimum = 0x10000;
    }
    bool valid = length != 0 && text.size() - pos >= length;
    for (std::size_t i = 1; valid && i < length; ++i) {
        valid = (byte(pos + i) & 0xC0) == 0x80;
        cp = cp << 6 | (byte(pos + i) & 0x3F);
    }
    if (!valid || cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        throw InputError("the text is not valid UTF-8 (byte " + std::to_string(pos + 1) + " is 0x" + Hex(lead, 2) +
                         ")");
    }
    pos += length;
    return cp;
}

}  // namespace

std::string Utf8ToCp932(std::string_view utf8) {
    std::string out;
    std::size_t pos = 0;
    std::size_t characters = 0;
    while (pos < utf8.size()) {
        const std::size_t start = pos;
        const std::uint32_t cp = NextCodePoint(utf8, pos);
        ++characters;
        const Cp932Pair* end = kCp932ByUnicode + kCp932ByUnicodeCount;
        const Cp932Pair* found = std::lower_bound(
            kCp932ByUnicode, end, cp, [](const Cp932Pair& pair, std::uint32_t value) { return pair.unicode < value; });
        if (cp > 0xFFFF || found == end || found->unicode != cp) {
            throw InputError("code page 932 cannot hold character " + std::to_string(characters) + " of the text, '" +
                             std::string(utf8.substr(start, pos - start)) + "' (U+" + Hex(cp, 4) + ")");
        }
        if (found->code > 0xFF) out += static_cast<char>(found->code >> 8);
        out += static_cast<char>(found->code & 0xFF);
    }
    return out;
}

std::string Cp932ToUtf8(std::string_view cp932) {
    std::string out;
    const Cp932Pair* end = kCp932ByCode + kCp932ByCodeCount;
    const auto find = [&](std::uint16_t code) {
        const Cp932Pair* found = std::lower_bound(
            kCp932ByCode, end, code, [](const Cp932Pair& pair, std::uint16_t value) { return pair.code < value; });
        return found != end && found->code == code ? found : nullptr;
    };
    for (std::size_t pos = 0; pos < cp932.size();) {
        const unsigned char lead = static_cast<unsigned char>(cp932[pos]);
        const Cp932Pair* pair = nullptr;
        std::size_t length = 1;
        if (pos + 1 < cp932.size()) {
            pair = find(static_cast<std::uint16_t>(lead << 8 | static_cast<unsigned char>(cp932[pos + 1])));
            if (pair != nullptr) length = 2;
        }
        if (pair == nullptr) pair = find(lead);
        if (pair != nullptr) {
            AppendUtf8(out, pair->unicode);
        } else {
            out += "\\x" + Hex(lead, 2);
        }
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

}  // namespace wavtheme
