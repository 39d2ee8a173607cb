// libFuzzer target: any bytes read as a theme file. What is read holds only
// what a scheme can keep, and written out it reads back the same.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "ThemeFile.h"
#include "dib_layout_check.h"
#include "text_decoder.h"

namespace {

bool OnOneLine(const std::u16string& text) {
    return text.find_first_of(std::u16string(u"\r\n\0", 3)) == std::u16string::npos;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    sharing::Theme theme;
    if (sharing::ReadTheme(bytes, testtext::Decode, &theme) != sharing::ThemeOutcome::kRead) return 0;
    REQUIRE(!theme.sounds.empty() || !theme.schemeName.empty());
    REQUIRE(OnOneLine(theme.displayName) && OnOneLine(theme.schemeName));
    for (const sharing::ThemeSound& sound : theme.sounds) {
        REQUIRE(!sound.app.empty() && !sound.event.empty());
        REQUIRE(sound.app.find(u'\\') == std::u16string::npos && sound.event.find(u'\\') == std::u16string::npos);
        REQUIRE(OnOneLine(sound.app) && OnOneLine(sound.event) && OnOneLine(sound.path));
        REQUIRE(sound.path.size() <= sharing::kMaxSoundPath && sound.path.size() <= size);
        REQUIRE(!sound.inThemeFolder || !sound.path.empty());
    }
    if (theme.sounds.empty()) return 0;
    sharing::Theme again;
    REQUIRE(sharing::ReadTheme(sharing::WriteTheme(theme.displayName, theme.sounds), testtext::Decode, &again) ==
            sharing::ThemeOutcome::kRead);
    REQUIRE(again.displayName == theme.displayName);
    REQUIRE(again.sounds == theme.sounds);
    return 0;
}
