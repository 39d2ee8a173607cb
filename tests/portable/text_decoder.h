// Decodes theme files in the tests and the fuzz target as the program does on
// Windows: code page 932 and UTF-8 through the platform's converter (the code
// page functions there, iconv here), refusing bytes that do not decode.
#pragma once

#include <string>
#include <string_view>

#include "ThemeFile.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <iconv.h>
#endif

namespace testtext {

inline bool Decode(sharing::TextEncoding encoding, std::string_view bytes, std::u16string* pText) {
    pText->clear();
    if (bytes.empty()) return true;
#ifdef _WIN32
    const UINT codePage = encoding == sharing::TextEncoding::kUtf8 ? CP_UTF8 : 932;
    const int size = static_cast<int>(bytes.size());
    std::wstring wide(bytes.size(), L'\0');
    const int length = MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes.data(), size, &wide[0], size);
    if (length <= 0) return false;
    pText->assign(wide.begin(), wide.begin() + length);
    return true;
#else
    const iconv_t cd = iconv_open("UTF-16LE", encoding == sharing::TextEncoding::kUtf8 ? "UTF-8" : "CP932");
    if (cd == reinterpret_cast<iconv_t>(-1)) return false;
    // A byte becomes at most one UTF-16 unit, a four-byte UTF-8 sequence two.
    std::string out(2 * bytes.size(), '\0');
    char* in = const_cast<char*>(bytes.data());
    char* outPtr = &out[0];
    std::size_t inLeft = bytes.size();
    std::size_t outLeft = out.size();
    const bool converted = iconv(cd, &in, &inLeft, &outPtr, &outLeft) != static_cast<std::size_t>(-1);
    iconv_close(cd);
    if (!converted) return false;
    out.resize(out.size() - outLeft);
    for (std::size_t i = 0; i + 1 < out.size(); i += 2)
        *pText +=
            static_cast<char16_t>(static_cast<unsigned char>(out[i]) | static_cast<unsigned char>(out[i + 1]) << 8);
    return true;
#endif
}

}  // namespace testtext
