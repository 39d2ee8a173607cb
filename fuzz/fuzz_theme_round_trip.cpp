// libFuzzer target: any bytes make a scheme, which is written out as a theme and
// read back. Every sound reads back as it was given: a sound of the theme's
// folder (a pack's file, as packs name them) by its name, any other with its
// text and type exactly, whatever it holds: a bare name, a '%', %ThemeDir%, a
// drive, quotes, blanks, a share.
#include <cstddef>
#include <cstdint>

#include "ThemeFile.h"
#include "dib_layout_check.h"
#include "text_decoder.h"

namespace {

// Characters that make paths read differently, and some beyond ASCII.
constexpr char16_t kAlphabet[] = u"\\/:%.\" \t;=[]@aAzZ09_-()\u00E9\u30D9\u30EB\uFF05";

// Bytes taken in turn, each choosing from what remains possible.
class Choices {
public:
    Choices(const std::uint8_t* pData, std::size_t nSize) : m_pData(pData), m_nSize(nSize) {}
    bool Empty() const { return m_nPos >= m_nSize; }
    unsigned Next() { return Empty() ? 0 : m_pData[m_nPos++]; }
    std::u16string Text(std::size_t nMax) {
        std::u16string text;
        for (std::size_t n = Next() % (nMax + 1); n > 0 && !Empty(); --n)
            text += kAlphabet[Next() % (sizeof kAlphabet / sizeof kAlphabet[0] - 1)];
        return text;
    }

private:
    const std::uint8_t* m_pData;
    std::size_t m_nSize;
    std::size_t m_nPos = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Choices choices(data, size);
    std::vector<sharing::ThemeSound> sounds;
    while (!choices.Empty() && sounds.size() < 64) {
        sharing::ThemeSound sound;
        // Every event once: the first of an event is the one read.
        sound.app = u"App" + choices.Text(4);
        sound.event = u"Event" + std::u16string(1, static_cast<char16_t>(u'0' + sounds.size() % 10)) +
                      std::u16string(1, static_cast<char16_t>(u'a' + sounds.size() / 10));
        for (char16_t& c : sound.app)
            if (c == u'\\' || c == u']') c = u'_';
        sound.path = choices.Text(40);
        const unsigned nKind = choices.Next();
        sound.expandable = (nKind & 1) != 0;
        // A pack's file: a name of the folder as packs are written, with no '%' nor
        // leading separator.
        sound.inThemeFolder = (nKind & 2) != 0 && !sound.path.empty();
        if (sound.inThemeFolder) {
            for (char16_t& c : sound.path)
                if (c == u'%' || c == u'"' || c == u':') c = u'_';
            while (!sound.path.empty() && (sound.path[0] == u'\\' || sound.path[0] == u'/')) sound.path.erase(0, 1);
            sound.inThemeFolder = !sound.path.empty();
            sound.expandable = false;
        }
        sounds.push_back(sound);
    }
    if (sounds.empty()) return 0;
    sharing::Theme theme;
    REQUIRE(sharing::ReadTheme(sharing::WriteTheme(u"scheme", sounds), testtext::Decode, &theme) ==
            sharing::ThemeOutcome::kRead);
    REQUIRE(theme.sounds == sounds);
    return 0;
}
