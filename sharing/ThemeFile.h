// Theme files: the INI text in which the system keeps a desktop theme, read for
// its sounds and written from a scheme's. Plain C++ without the system's
// headers: text is UTF-16, as the registry keeps it, and what decodes the
// system's code page is given by the caller (the code page functions on
// Windows, iconv elsewhere).
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace sharing {

// The encodings of a theme file besides UTF-16 LE (which its byte order mark
// announces): UTF-8 after its mark, else the system's ANSI code page.
enum class TextEncoding { kAnsi, kUtf8 };
// Decodes the bytes into UTF-16; false where a byte does not decode.
using TextDecoder = std::function<bool(TextEncoding encoding, std::string_view bytes, std::u16string* pText)>;

// The longest sound taken: the longest path the system opens.
constexpr std::size_t kMaxSoundPath = 32767;

// One event's sound in a theme.
struct ThemeSound {
    std::u16string app;    // the application's key name
    std::u16string event;  // the event's key name
    // Empty for no sound. Where inThemeFolder, a path relative to the theme's
    // folder (what %ThemeDir% or a bare name names); else the value as a scheme
    // keeps it.
    std::u16string path;
    bool inThemeFolder = false;
    // Holds a variable (%WinDir%, %SystemRoot%...) that the system expands
    // where it plays the sound: stored as REG_EXPAND_SZ.
    bool expandable = false;

    bool operator==(const ThemeSound& other) const {
        return app == other.app && event == other.event && path == other.path && inThemeFolder == other.inThemeFolder &&
               expandable == other.expandable;
    }
};

struct Theme {
    std::u16string displayName;      // [Theme] DisplayName=, empty where none
    std::u16string schemeName;       // [Sounds] SchemeName=, empty where none
    std::vector<ThemeSound> sounds;  // in the file's order, each event once
};

enum class ThemeOutcome {
    kRead,
    kNotText,    // bytes that do not decode, or a NUL character
    kEmpty,      // nothing but white space
    kNoSounds,   // neither a sound nor a scheme's name
    kLongSound,  // a sound longer than kMaxSoundPath
};

// Reads the sounds of a theme file, or of a plain INI file holding only its
// sound sections: [AppEvents\Schemes\Apps\<app>\<event>] (older files add
// \.Current) with DefaultValue=. Section and key names are compared without
// regard to ASCII case, as the system's INI functions compare them, and so are
// events given twice, of which the first counts; other sections are passed over.
// Values lose the white space around them and one pair of enclosing quotes. Paths:
// %ThemeDir% and a relative path name the theme's folder; the old form
// %WinDir%media\x.wav reads as %WinDir%\media\x.wav. A section that names the
// value's type (DefaultValueType=REG_SZ or REG_EXPAND_SZ, as this program writes
// it) gives its value as it stands, of that type, in no folder: a bare name is
// then the system's to look up, and a '%' plain text. Lines may be of any length.
ThemeOutcome ReadTheme(std::string_view bytes, const TextDecoder& decode, Theme* pTheme);

// A theme file of the sounds, UTF-16 LE with its byte order mark, which
// ReadTheme reads back as it was given: the comment line that names the writer,
// [Theme] DisplayName=, a section per sound, a sound in the theme's folder by
// its relative path and any other with its type, and the section that marks a
// theme. A line break or a NUL,
// which no line can hold, becomes a space.
std::string WriteTheme(const std::u16string& displayName, const std::vector<ThemeSound>& sounds);

}  // namespace sharing
