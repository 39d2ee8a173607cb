#include "FileNames.h"

namespace sharing {

namespace {

char16_t FoldAscii(char16_t c) {
    return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - u'a' + u'A') : c;
}

bool IsDevice(std::u16string_view stem) {
    std::u16string folded;
    for (char16_t c : stem) folded += FoldAscii(c);
    if (folded == u"CON" || folded == u"PRN" || folded == u"AUX" || folded == u"NUL") return true;
    // The system takes the superscript digits for ports too.
    return folded.size() == 4 && (folded.compare(0, 3, u"COM") == 0 || folded.compare(0, 3, u"LPT") == 0) &&
           ((folded[3] >= u'1' && folded[3] <= u'9') || folded[3] == u'\u00B9' || folded[3] == u'\u00B2' ||
            folded[3] == u'\u00B3');
}

bool IsHighSurrogate(char16_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}

}  // namespace

std::size_t Utf8Size(std::u16string_view text) {
    std::size_t nBytes = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char16_t c = text[i];
        if (IsHighSurrogate(c) && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            nBytes += 4;
            ++i;
        } else {
            nBytes += c < 0x80 ? 1 : c < 0x800 ? 2 : 3;
        }
    }
    return nBytes;
}

std::u16string SafeFileName(std::u16string_view name) {
    std::u16string safe(name);
    for (char16_t& c : safe)
        if (c < u' ' || std::u16string_view(u"\\/:*?\"<>|").find(c) != std::u16string_view::npos) c = u'_';
    while (!safe.empty() && (safe.back() == u'.' || safe.back() == u' ')) safe.pop_back();
    std::size_t nStem = safe.find(u'.');
    nStem = nStem == std::u16string::npos ? safe.size() : nStem;
    while (nStem > 0 && safe[nStem - 1] == u' ') --nStem;
    if (IsDevice(std::u16string_view(safe).substr(0, nStem))) safe.insert(nStem, 1, u'_');
    return safe.empty() ? u"_" : safe;
}

std::u16string CutName(std::u16string_view name, std::size_t nMaxBytes) {
    if (Utf8Size(name) <= nMaxBytes) return std::u16string(name);
    std::size_t nDot = name.rfind(u'.');
    std::u16string_view extension = nDot == std::u16string_view::npos ? std::u16string_view() : name.substr(nDot);
    // An extension that leaves no room for a name is no extension.
    if (Utf8Size(extension) * 2 > nMaxBytes) extension = std::u16string_view();
    std::u16string_view stem = name.substr(0, name.size() - extension.size());
    const std::size_t nRoom = nMaxBytes - Utf8Size(extension);
    std::size_t nBytes = 0;
    std::size_t nKept = 0;
    while (nKept < stem.size()) {
        std::size_t nUnit = IsHighSurrogate(stem[nKept]) && nKept + 1 < stem.size() ? 2 : 1;
        std::size_t nSize = Utf8Size(stem.substr(nKept, nUnit));
        if (nBytes + nSize > nRoom) break;
        nBytes += nSize;
        nKept += nUnit;
    }
    std::u16string cut(stem.substr(0, nKept));
    // Where the cut name ends, the system would drop dots and blanks.
    while (extension.empty() && !cut.empty() && (cut.back() == u'.' || cut.back() == u' ')) cut.pop_back();
    return cut + std::u16string(extension);
}

std::u16string NumberedName(std::u16string_view name, int n, std::size_t nMaxBytes) {
    if (n <= 1) return CutName(name, nMaxBytes);
    std::size_t nDot = name.rfind(u'.');
    nDot = nDot == std::u16string_view::npos ? name.size() : nDot;
    std::u16string number = u" (";
    for (char c : std::to_string(n)) number += static_cast<char16_t>(c);
    number += u')';
    std::u16string_view extension = name.substr(nDot);
    if (Utf8Size(extension) * 2 > nMaxBytes) extension = std::u16string_view();
    nDot = name.size() - extension.size();
    std::u16string stem = CutName(name.substr(0, nDot), nMaxBytes - number.size() - Utf8Size(extension));
    return stem + number + std::u16string(extension);
}

}  // namespace sharing
