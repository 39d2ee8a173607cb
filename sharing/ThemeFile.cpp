#include "ThemeFile.h"

#include <unordered_set>

namespace sharing {

namespace {

constexpr std::u16string_view kSoundSection = u"AppEvents\\Schemes\\Apps\\";
constexpr std::u16string_view kThemeDir = u"%ThemeDir%";
constexpr std::u16string_view kWinDir = u"%WinDir%";
constexpr std::u16string_view kValueType = u"DefaultValueType";
constexpr std::u16string_view kPlainType = u"REG_SZ";
constexpr std::u16string_view kExpandableType = u"REG_EXPAND_SZ";

char16_t FoldAscii(char16_t c) {
    return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c;
}

bool SameAscii(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
    return true;
}

bool StartsWithAscii(std::u16string_view text, std::u16string_view prefix) {
    return text.size() >= prefix.size() && SameAscii(text.substr(0, prefix.size()), prefix);
}

bool IsBlank(char16_t c) {
    return c == u' ' || c == u'\t';
}

std::u16string_view Trim(std::u16string_view text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    return text;
}

bool IsSeparator(char16_t c) {
    return c == u'\\' || c == u'/';
}

// A "%name%" with a name in it, as the system expands.
bool HasVariable(std::u16string_view text) {
    for (std::size_t i = text.find(u'%'); i != std::u16string_view::npos;) {
        std::size_t j = text.find(u'%', i + 1);
        if (j == std::u16string_view::npos) return false;
        if (j > i + 1) return true;
        i = j;
    }
    return false;
}

// A value that a reader takes back whole: quoted where the white space around
// it or its own enclosing quotes would be taken off.
std::u16string Quoted(std::u16string text) {
    bool bQuote = !text.empty() && (IsBlank(text.front()) || IsBlank(text.back()) ||
                                    (text.size() >= 2 && text.front() == u'"' && text.back() == u'"'));
    return bQuote ? u'"' + text + u'"' : text;
}

std::u16string OneLine(std::u16string text) {
    for (char16_t& c : text)
        if (c == u'\r' || c == u'\n' || c == u'\0') c = u' ';
    return text;
}

// The sound a DefaultValue gives, its path resolved as far as it can be
// without knowing where the theme lies.
ThemeSound Resolve(std::u16string_view value) {
    ThemeSound sound;
    if (StartsWithAscii(value, kThemeDir)) {
        value.remove_prefix(kThemeDir.size());
        while (!value.empty() && IsSeparator(value.front())) value.remove_prefix(1);
        sound.path = value;
        sound.inThemeFolder = !value.empty();
        sound.expandable = HasVariable(value);
        return sound;
    }
    sound.path = value;
    // Windows 9x's %WinDir% ended in a backslash.
    if (StartsWithAscii(value, kWinDir) && value.size() > kWinDir.size() && !IsSeparator(value[kWinDir.size()]))
        sound.path.insert(kWinDir.size(), 1, u'\\');
    sound.expandable = HasVariable(sound.path);
    bool bRooted = !value.empty() && (IsSeparator(value.front()) || (value.size() >= 2 && value[1] == u':'));
    sound.inThemeFolder = !value.empty() && !sound.expandable && !bRooted;
    return sound;
}

// The sound a DefaultValue gives where its section names the value's type:
// the value as a scheme keeps it, of that type.
ThemeSound AsItStands(std::u16string_view value, bool bExpandable) {
    ThemeSound sound;
    sound.path = value;
    sound.expandable = bExpandable;
    return sound;
}

// The text of the bytes, by their byte order mark; false when it does not decode.
bool Decode(std::string_view bytes, const TextDecoder& decode, std::u16string* pText) {
    if (bytes.size() >= 2 && bytes[0] == '\xFF' && bytes[1] == '\xFE') {
        bytes.remove_prefix(2);
        if (bytes.size() % 2 != 0) return false;
        pText->resize(bytes.size() / 2);
        for (std::size_t i = 0; i < pText->size(); ++i)
            (*pText)[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                                static_cast<unsigned char>(bytes[2 * i + 1]) << 8);
        return true;
    }
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF") return decode(TextEncoding::kUtf8, bytes.substr(3), pText);
    return decode(TextEncoding::kAnsi, bytes, pText);
}

enum class Section { kOther, kTheme, kSounds, kSound };

}  // namespace

ThemeOutcome ReadTheme(std::string_view bytes, const TextDecoder& decode, Theme* pTheme) {
    *pTheme = Theme();
    std::u16string text;
    if (!Decode(bytes, decode, &text) || text.find(u'\0') != std::u16string::npos) return ThemeOutcome::kNotText;
    std::u16string_view rest = text;
    bool bBlank = true;
    bool bDisplayName = false;
    bool bSchemeName = false;
    Section section = Section::kOther;
    std::u16string_view app;
    std::u16string_view event;
    // In a sound section: the sound it gave (npos for none) with its value as
    // written, and the type it named, where it named one.
    std::size_t nSound = std::u16string_view::npos;
    std::u16string_view strGiven;
    int nType = 0;  // 0 none yet, 1 plain, 2 expandable
    // Events already given, as "app\event" folded to lower case.
    std::unordered_set<std::u16string> given;
    while (!rest.empty()) {
        std::size_t nEnd = rest.find_first_of(u"\r\n");
        std::u16string_view line = Trim(rest.substr(0, nEnd));
        rest.remove_prefix(nEnd == std::u16string_view::npos ? rest.size() : nEnd + 1);
        if (line.empty()) continue;
        bBlank = false;
        if (line.front() == u';') continue;
        if (line.front() == u'[') {
            std::size_t nClose = line.rfind(u']');
            std::u16string_view name = line.substr(1, nClose == std::u16string_view::npos ? 0 : nClose - 1);
            nSound = std::u16string_view::npos;
            nType = 0;
            section = SameAscii(name, u"Theme")    ? Section::kTheme
                      : SameAscii(name, u"Sounds") ? Section::kSounds
                                                   : Section::kOther;
            if (StartsWithAscii(name, kSoundSection)) {
                name.remove_prefix(kSoundSection.size());
                std::size_t nApp = name.find(u'\\');
                app = name.substr(0, nApp);
                event = nApp == std::u16string_view::npos ? std::u16string_view() : name.substr(nApp + 1);
                std::size_t nEvent = event.find(u'\\');
                bool bOlder = nEvent != std::u16string_view::npos && SameAscii(event.substr(nEvent + 1), u".Current");
                if (bOlder) event = event.substr(0, nEvent);
                if (!app.empty() && !event.empty() && event.find(u'\\') == std::u16string_view::npos)
                    section = Section::kSound;
            }
            continue;
        }
        std::size_t nEquals = line.find(u'=');
        if (nEquals == std::u16string_view::npos) continue;
        std::u16string_view key = Trim(line.substr(0, nEquals));
        std::u16string_view value = Trim(line.substr(nEquals + 1));
        if (value.size() >= 2 && value.front() == u'"' && value.back() == u'"')
            value = value.substr(1, value.size() - 2);
        if (section == Section::kTheme && !bDisplayName && SameAscii(key, u"DisplayName")) {
            pTheme->displayName = value;
            bDisplayName = true;
        } else if (section == Section::kSounds && !bSchemeName && SameAscii(key, u"SchemeName")) {
            pTheme->schemeName = value;
            bSchemeName = true;
        } else if (section == Section::kSound && SameAscii(key, u"DefaultValue")) {
            std::u16string folded;
            for (char16_t c : app) folded += FoldAscii(c);
            folded += u'\\';
            for (char16_t c : event) folded += FoldAscii(c);
            if (!given.insert(folded).second) continue;
            ThemeSound sound = nType == 0 ? Resolve(value) : AsItStands(value, nType == 2);
            if (sound.path.size() > kMaxSoundPath) return ThemeOutcome::kLongSound;
            sound.app = app;
            sound.event = event;
            nSound = pTheme->sounds.size();
            strGiven = value;
            pTheme->sounds.push_back(std::move(sound));
        } else if (section == Section::kSound && nType == 0 && SameAscii(key, kValueType)) {
            nType = SameAscii(value, kPlainType) ? 1 : SameAscii(value, kExpandableType) ? 2 : 0;
            if (nType != 0 && nSound != std::u16string_view::npos) {
                ThemeSound& sound = pTheme->sounds[nSound];
                ThemeSound exact = AsItStands(strGiven, nType == 2);
                sound.path = exact.path;
                sound.inThemeFolder = false;
                sound.expandable = exact.expandable;
            }
        }
    }
    if (bBlank) return ThemeOutcome::kEmpty;
    if (pTheme->sounds.empty() && pTheme->schemeName.empty()) return ThemeOutcome::kNoSounds;
    return ThemeOutcome::kRead;
}

std::string WriteTheme(const std::u16string& displayName, const std::vector<ThemeSound>& sounds) {
    std::u16string text = u"\uFEFF; A sound scheme written by ZORVAND.\r\n\r\n[Theme]\r\nDisplayName=";
    text += Quoted(OneLine(displayName)) + u"\r\n";
    for (const ThemeSound& sound : sounds) {
        text += u"\r\n[";
        text += kSoundSection;
        text += OneLine(sound.app) + u'\\' + OneLine(sound.event) + u"]\r\nDefaultValue=";
        std::u16string path = OneLine(sound.path);
        // A bare relative path names the theme's folder, as long as it does not
        // read as a variable or a root of its own.
        if (sound.inThemeFolder && (sound.expandable || !Resolve(path).inThemeFolder)) path.insert(0, kThemeDir);
        text += Quoted(path) + u"\r\n";
        // Any other value is named by its type, so that it reads back as it stands.
        if (!sound.inThemeFolder) {
            text += kValueType;
            text += u'=';
            text += sound.expandable ? kExpandableType : kPlainType;
            text += u"\r\n";
        }
    }
    text += u"\r\n[MasterThemeSelector]\r\nMTSM=DABJDKT\r\n";
    std::string bytes;
    bytes.reserve(text.size() * 2);
    for (char16_t c : text) {
        bytes += static_cast<char>(c & 0xFF);
        bytes += static_cast<char>(c >> 8);
    }
    return bytes;
}

}  // namespace sharing
