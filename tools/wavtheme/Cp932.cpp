#include "Cp932.h"

#include <cstdint>
#include <cstdio>
#include <optional>

#include "Errors.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <iconv.h>
#endif

namespace wavtheme {

namespace {

#ifdef _WIN32

constexpr UINT kCodePage = 932;

// The character that bytes decode to, when they are exactly one.
std::optional<std::uint32_t> Decode(const char* bytes, std::size_t size) {
    wchar_t wide[4];
    const int length = MultiByteToWideChar(kCodePage, MB_ERR_INVALID_CHARS, bytes, static_cast<int>(size), wide, 4);
    if (length != 1 || (wide[0] >= 0xD800 && wide[0] <= 0xDFFF)) return std::nullopt;
    return static_cast<std::uint32_t>(wide[0]);
}

// The bytes of one character of the Basic Multilingual Plane, without best fit.
std::optional<std::string> EncodeOne(std::uint32_t cp) {
    const wchar_t wide = static_cast<wchar_t>(cp);
    char bytes[4];
    BOOL usedDefault = FALSE;
    const int length =
        WideCharToMultiByte(kCodePage, WC_NO_BEST_FIT_CHARS, &wide, 1, bytes, sizeof bytes, nullptr, &usedDefault);
    if (length <= 0 || usedDefault) return std::nullopt;
    return std::string(bytes, static_cast<std::size_t>(length));
}

#else

// iconv's CP932, opened once: the tool converts on one thread.
class Converter {
public:
    Converter(const char* to, const char* from) : m_cd(iconv_open(to, from)) {
        if (m_cd == reinterpret_cast<iconv_t>(-1)) {
            throw IoError(std::string("the system's iconv cannot convert from ") + from + " to " + to);
        }
    }
    ~Converter() { iconv_close(m_cd); }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    // The whole of in converted, or nothing.
    std::optional<std::string> Convert(const char* in, std::size_t size) {
        iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
        char buffer[16];
        char* inPtr = const_cast<char*>(in);
        char* outPtr = buffer;
        std::size_t inLeft = size;
        std::size_t outLeft = sizeof buffer;
        if (iconv(m_cd, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1) || inLeft != 0 ||
            iconv(m_cd, nullptr, nullptr, &outPtr, &outLeft) == static_cast<std::size_t>(-1)) {
            return std::nullopt;
        }
        return std::string(buffer, sizeof buffer - outLeft);
    }

private:
    iconv_t m_cd;
};

std::optional<std::uint32_t> Decode(const char* bytes, std::size_t size) {
    static Converter decoder("UTF-32LE", "CP932");
    const std::optional<std::string> out = decoder.Convert(bytes, size);
    if (!out || out->size() != 4) return std::nullopt;
    const auto* p = reinterpret_cast<const unsigned char*>(out->data());
    return static_cast<std::uint32_t>(p[0] | p[1] << 8 | p[2] << 16 | static_cast<std::uint32_t>(p[3]) << 24);
}

std::optional<std::string> EncodeOne(std::uint32_t cp) {
    static Converter encoder("CP932", "UTF-32LE");
    const char in[4] = {static_cast<char>(cp), static_cast<char>(cp >> 8), static_cast<char>(cp >> 16), 0};
    return encoder.Convert(in, sizeof in);
}

#endif

// The code page's bytes for the character, when it holds that very character:
// a converter's best fit (a look-alike that decodes to another character) is
// refused.
std::optional<std::string> Encode(std::uint32_t cp) {
    if (cp > 0xFFFF) return std::nullopt;
    const std::optional<std::string> bytes = EncodeOne(cp);
    if (!bytes || bytes->empty() || bytes->size() > 2 || Decode(bytes->data(), bytes->size()) != cp) {
        return std::nullopt;
    }
    return bytes;
}

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
        const std::optional<std::string> bytes = Encode(cp);
        if (!bytes) {
            throw InputError("code page 932 cannot hold character " + std::to_string(characters) + " of the text, '" +
                             std::string(utf8.substr(start, pos - start)) + "' (U+" + Hex(cp, 4) + ")");
        }
        out += *bytes;
    }
    return out;
}

std::string Cp932ToUtf8(std::string_view cp932) {
    std::string out;
    for (std::size_t pos = 0; pos < cp932.size();) {
        std::size_t length = 2;
        std::optional<std::uint32_t> cp;
        if (pos + 1 < cp932.size()) cp = Decode(cp932.data() + pos, 2);
        if (!cp) {
            length = 1;
            cp = Decode(cp932.data() + pos, 1);
        }
        if (cp) {
            AppendUtf8(out, *cp);
        } else {
            out += "\\x" + Hex(static_cast<unsigned char>(cp932[pos]), 2);
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
