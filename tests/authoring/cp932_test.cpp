#include <gtest/gtest.h>
#include <iconv.h>

#include <string>

#include "Cp932.h"
#include "Errors.h"

namespace authoring {
namespace {

std::string MessageOf(const std::string& utf8) {
    try {
        Utf8ToCp932(utf8);
    } catch (const InputError& error) {
        return error.what();
    }
    return "no error";
}

// Every character that a code decodes to is written as a code that decodes to it
// again: one of several codes, never a look-alike.
TEST(Cp932, EveryCharacterOfTheCodePageRoundTrips) {
    std::string codes;
    for (unsigned lead = 0x20; lead <= 0xFC; ++lead) {
        if (lead == 0x7F || lead == 0x80 || lead == 0xA0) continue;
        if ((lead < 0x81 || lead > 0x9F) && lead < 0xE0) {
            codes += static_cast<char>(lead);
            continue;
        }
        for (unsigned trail = 0x40; trail <= 0xFC; ++trail) {
            if (trail != 0x7F) codes += std::string{static_cast<char>(lead), static_cast<char>(trail)};
        }
    }
    int characters = 0;
    std::string utf8;
    std::string cp932;
    for (std::size_t pos = 0; pos < codes.size();) {
        const std::size_t length =
            static_cast<unsigned char>(codes[pos]) >= 0x81 &&
                    (static_cast<unsigned char>(codes[pos]) <= 0x9F || static_cast<unsigned char>(codes[pos]) >= 0xE0)
                ? 2
                : 1;
        const std::string code = codes.substr(pos, length);
        pos += length;
        const std::string shown = Cp932ToUtf8(code);
        if (shown.find("\\x") != std::string::npos) continue;
        ++characters;
        utf8 += shown;
        cp932 += Utf8ToCp932(shown);
    }
    EXPECT_GT(characters, 7000);
    EXPECT_EQ(Cp932ToUtf8(cp932), utf8);
}

// Each code decoded by iconv here and through the tool's own conversion.
TEST(Cp932, DecodingAgreesWithIconvForEveryCode) {
    iconv_t cd = iconv_open("UTF-8", "CP932");
    ASSERT_NE(cd, reinterpret_cast<iconv_t>(-1));
    int checked = 0;
    for (unsigned lead = 0x81; lead <= 0xFC; ++lead) {
        if (lead > 0x9F && lead < 0xE0) continue;
        for (unsigned trail = 0x40; trail <= 0xFC; ++trail) {
            char in[2] = {static_cast<char>(lead), static_cast<char>(trail)};
            char out[8] = {};
            char* inPtr = in;
            char* outPtr = out;
            std::size_t inLeft = 2;
            std::size_t outLeft = sizeof out;
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
            if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1)) continue;
            EXPECT_EQ(Cp932ToUtf8(std::string(in, 2)), std::string(out, sizeof out - outLeft)) << lead << " " << trail;
            ++checked;
        }
    }
    iconv_close(cd);
    EXPECT_GT(checked, 7000);
}

TEST(Cp932, WritesWhatWindowsWritesForCharactersWithSeveralCodes) {
    EXPECT_EQ(Utf8ToCp932("\xE2\x88\xB5"), "\x81\xE6");  // U+2235 also at 0x879A and 0xFA5B
    EXPECT_EQ(Utf8ToCp932("\xE2\x85\xA0"), "\x87\x54");  // U+2160 also at 0xFA4A
    EXPECT_EQ(Utf8ToCp932("\xE2\x85\xB0"), "\xFA\x40");  // U+2170 also at 0xEEEF
    EXPECT_EQ(Utf8ToCp932("\xE7\xBA\x8A"), "\xFA\x5C");  // U+7E8A also at 0xED40
    EXPECT_EQ(Utf8ToCp932("\xEF\xBF\xA2"), "\x81\xCA");  // U+FFE2 also at 0xEEF9 and 0xFA54
}

TEST(Cp932, ConvertsKanaKanjiAndAscii) {
    // "ベルの音 A\" with a half-width katakana a and a full-width tilde.
    EXPECT_EQ(Utf8ToCp932("\xE3\x83\x99\xE3\x83\xAB\xE3\x81\xAE\xE9\x9F\xB3 A\\\xEF\xBD\xB1\xEF\xBD\x9E"),
              "\x83\x78\x83\x8B\x82\xCC\x89\xB9 A\\\xB1\x81\x60");
}

TEST(Cp932, RefusesCharactersItCannotHoldExactly) {
    EXPECT_NE(MessageOf("ok \xF0\x9F\x98\x80").find("character 4 of the text, '\xF0\x9F\x98\x80' (U+1F600)"),
              std::string::npos);
    EXPECT_NE(MessageOf("caf\xC3\xA9").find("U+00E9"), std::string::npos);
    // The wave dash and the yen sign have look-alikes in code page 932, but no code.
    EXPECT_NE(MessageOf("\xE3\x80\x9C").find("U+301C"), std::string::npos);
    EXPECT_NE(MessageOf("\xC2\xA5").find("U+00A5"), std::string::npos);
}

TEST(Cp932, RefusesTextThatIsNotUtf8) {
    for (const char* bad : {"\xC3", "a\x80", "\xC0\xAF", "\xE0\x80\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xFF"}) {
        EXPECT_NE(MessageOf(bad).find("not valid UTF-8"), std::string::npos) << bad;
    }
}

TEST(Cp932, ShowsBytesThatDoNotDecodeAsEscapes) {
    EXPECT_EQ(Cp932ToUtf8("a\x80z"), "a\\x80z");
    EXPECT_EQ(Cp932ToUtf8("a\x82"), "a\\x82");
    EXPECT_EQ(Cp932ToUtf8("\x82\xA0"), "\xE3\x81\x82");
}

TEST(Cp932, DescriptionsGetCrLfLineEnds) {
    EXPECT_EQ(MakeDescription("a\nb\r\nc\rd", false), "a\r\nb\r\nc\r\nd");
    EXPECT_EQ(MakeDescription("a\n", false), "a\r\n");
}

TEST(Cp932, DescriptionFilesLoseTheirByteOrderMarkAndLastLineEnd) {
    EXPECT_EQ(MakeDescription("\xEF\xBB\xBF\xE9\x9F\xB3\nx\n\n", true), "\x89\xB9\r\nx");
}

TEST(Cp932, DescriptionsThatCannotBeStoredAreRefused) {
    EXPECT_THROW(MakeDescription("", false), InputError);
    EXPECT_THROW(MakeDescription("\n", true), InputError);
    EXPECT_THROW(MakeDescription(std::string("a\0b", 3), false), InputError);
    EXPECT_THROW(MakeDescription(std::string(kMaxDescription + 1, 'x'), false), InputError);
    EXPECT_EQ(MakeDescription(std::string(kMaxDescription, 'x'), false).size(), kMaxDescription);
}

}  // namespace
}  // namespace authoring
