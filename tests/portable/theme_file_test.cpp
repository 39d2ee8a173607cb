// Theme files of every form the system and other tools write, read from real
// files; what is no theme; and what is written read back as it was.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <ostream>
#include <string>
#include <vector>

#include "ThemeFile.h"
#include "text_decoder.h"

namespace sharing {

// Failures show a sound's fields.
void PrintTo(const ThemeSound& sound, std::ostream* pOut) {
    *pOut << testing::PrintToString(sound.app) << '|' << testing::PrintToString(sound.event) << '|'
          << testing::PrintToString(sound.path) << '|' << sound.inThemeFolder << sound.expandable;
}

}  // namespace sharing

namespace {

using sharing::ThemeOutcome;
using sharing::ThemeSound;

ThemeOutcome Read(const std::string& bytes, sharing::Theme* pTheme) {
    return sharing::ReadTheme(bytes, testtext::Decode, pTheme);
}

std::string Utf16(const std::u16string& text) {
    std::string bytes = "\xFF\xFE";
    for (char16_t c : text) bytes += {static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
    return bytes;
}

TEST(ReadTheme, TakesTheSoundsOfEachFormFromRealFiles) {
    struct Case {
        const char* file;
        std::u16string displayName;
        std::u16string schemeName;
        std::vector<ThemeSound> sounds;
    } cases[] = {
        {"saved.theme",  // UTF-16 LE, as today's system saves a theme
         u"@%SystemRoot%\\System32\\themeui.dll,-2013",
         u"@%SystemRoot%\\System32\\mmres.dll,-800",
         {{u".Default", u"SystemAsterisk", u"%SystemRoot%\\media\\Windows Background.wav", false, true},
          {u".Default", u"SystemHand", u"Sounds\\Zo\u00eb 停止.wav", true, false},
          {u".Default", u"SystemExclamation", u"ベル.wav", true, false},
          {u"Explorer", u"Navigating", u"", false, false},
          {u".Default", u"MailBeep", u"C:\\Users\\Zo\u00eb\\Music\\mail.wav", false, false}}},
        {"old.theme",  // code page 932, .Current sections, %WinDir% ending in '\', a second SystemExit
         u"",
         u"",
         {{u".Default", u".Default", u"%WinDir%\\media\\表示.wav", false, true},
          {u".default", u"SystemExit", u"%WinDir%\\media\\終了 音.wav", false, true},
          {u".Default", u"AppGPFault", u"", false, false}}},
        {"utf8.theme",  // UTF-8, a quoted name, %ThemeDir% followed by separators
         u"朝焼け ",
         u"",
         {{u".Default", u"Open", u"朝.wav", true, false}}},
        {"exported.ini",  // another tool's: sound sections alone, and two that name no event
         u"",
         u"",
         {{u".Default", u"SystemStart", u"D:\\Sounds\\start.wav", false, false},
          {u"MyApp", u"Done", u"D:/Sounds/done.wav", false, false}}},
        {"named.theme", u"Windows", u".Default", {}},  // a scheme by name, no sounds
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        std::ifstream in(std::string(ZORVAND_THEME_FIXTURES) + "/" + c.file, std::ios::binary);
        ASSERT_TRUE(in);
        sharing::Theme theme;
        ASSERT_EQ(Read(std::string(std::istreambuf_iterator<char>(in), {}), &theme), ThemeOutcome::kRead);
        EXPECT_EQ(theme.displayName, c.displayName);
        EXPECT_EQ(theme.schemeName, c.schemeName);
        EXPECT_EQ(theme.sounds, c.sounds);
    }
}

TEST(ReadTheme, TellsWhatIsNoTheme) {
    const std::string kSection = "[AppEvents\\Schemes\\Apps\\.Default\\A]\r\nDefaultValue=";
    struct Case {
        const char* what;
        std::string bytes;
        ThemeOutcome outcome;
    } cases[] = {
        {"no bytes", "", ThemeOutcome::kEmpty},
        {"blank UTF-16", Utf16(u" \r\n\t"), ThemeOutcome::kEmpty},
        {"a half UTF-16 unit", Utf16(u"[Theme]") + "x", ThemeOutcome::kNotText},
        {"bytes code page 932 has not", kSection + "\x81\x20.wav", ThemeOutcome::kNotText},
        {"a NUL", kSection + std::string("a\0b", 3), ThemeOutcome::kNotText},
        {"no sound section", "; comment\r\n[Theme]\r\nDisplayName=x\r\n", ThemeOutcome::kNoSounds},
        {"a sound section without its value", "[AppEvents\\Schemes\\Apps\\.Default\\A]\r\nValue=x",
         ThemeOutcome::kNoSounds},
        {"the longest path", kSection + "C:\\" + std::string(sharing::kMaxSoundPath - 3, 'a'), ThemeOutcome::kRead},
        {"a longer one", kSection + "C:\\" + std::string(sharing::kMaxSoundPath - 2, 'a'), ThemeOutcome::kLongSound},
        {"a long line elsewhere", "; " + std::string(1 << 20, 'x') + "\n" + kSection, ThemeOutcome::kRead},
    };
    for (const Case& c : cases) {
        sharing::Theme theme;
        EXPECT_EQ(Read(c.bytes, &theme), c.outcome) << c.what;
    }
}

TEST(WriteTheme, WritesUtf16ThatReadsBackAsItWas) {
    const std::vector<ThemeSound> sounds = {
        {u".Default", u"Plain", u"C:\\Sounds\\a.wav", false, false},
        {u".Default", u"Expanded", u"%SystemRoot%\\media\\b.wav", false, true},
        {u".Default", u"None", u"", false, false},
        {u".Default", u"Packed", u"ベル (2).wav", true, false},
        {u".Default", u"Variable in the folder", u"%X%\\c.wav", true, true},
        {u"App]", u" Spaced ", u" \"quoted\" ", true, false},
        // Values that would read otherwise without their type.
        {u".Default", u"Expandable without a variable", u"C:\\a.wav", false, true},
        {u".Default", u"Plain with a variable", u"C:\\%OS%\\a.wav", false, false},
        {u".Default", u"Bare", u"chimes.wav", false, false},
        {u".Default", u"Plain theme folder", u"%ThemeDir%x.wav", false, false},
        {u".Default", u"Plain old form", u"%WinDir%media\\x.wav", false, false},
    };
    const std::string bytes = sharing::WriteTheme(u" 夕焼け\r\n", sounds);
    EXPECT_EQ(bytes.rfind(Utf16(u"\uFEFF; A sound scheme written by ZORVAND.\r\n").substr(2), 0), 0u);
    sharing::Theme theme;
    ASSERT_EQ(Read(bytes, &theme), ThemeOutcome::kRead);
    EXPECT_EQ(theme.displayName, u" 夕焼け  ") << "a line break becomes a space";
    EXPECT_EQ(theme.sounds, sounds);
}

}  // namespace
