// Names from elsewhere made into names the system keeps as given.
#include <gtest/gtest.h>

#include <string>

#include "FileNames.h"

namespace {

TEST(FileNames, DevicesAndWhatTheSystemDropsGetSafeNamesWithinTheCabinetsBytes) {
    const std::u16string kLong(100, u'\u3042');  // 300 bytes of UTF-8
    struct Case {
        std::u16string name;
        int n;
        std::u16string safe;
    } cases[] = {
        {u"CON.wav", 1, u"CON_.wav"},
        {u"nul", 1, u"nul_"},
        {u"Lpt9.a.wav", 1, u"Lpt9_.a.wav"},
        {u"COM1 .wav", 1, u"COM1_ .wav"},
        {u"com\u00B2.wav", 1, u"com\u00B2_.wav"},
        {u"aux.wav. .", 1, u"aux_.wav"},
        {u"COM0.wav", 1, u"COM0.wav"},
        {u"CONSOLE.wav", 1, u"CONSOLE.wav"},
        {u"a:b*?.wav", 1, u"a_b__.wav"},
        {u" . ", 1, u"_"},
        {u"a.wav", 2, u"a (2).wav"},
        {kLong + u".wav", 1, kLong.substr(0, 83) + u".wav"},
        {kLong + u".wav", 12, kLong.substr(0, 82) + u" (12).wav"},
        {u"x." + kLong, 1, u"x." + kLong.substr(0, 84)},
    };
    for (const Case& c : cases) {
        std::u16string safe = sharing::NumberedName(sharing::SafeFileName(c.name), c.n, sharing::kMaxCabinetName);
        EXPECT_EQ(safe, c.safe) << testing::PrintToString(c.name) << ' ' << c.n;
        EXPECT_LE(sharing::Utf8Size(safe), sharing::kMaxCabinetName);
    }
}

}  // namespace
