#include <gtest/gtest.h>

#include <string>

#include "SchemeRules.h"

namespace {

std::size_t TextLength(const std::string& data) {
    return scheme::RegSzTextLength(data.data(), data.size());
}
bool FullPath(const std::string& path) {
    return scheme::IsFullPath(path.data(), path.size());
}

TEST(RegSzText, DropsOnlyARealTerminatingNul) {
    EXPECT_EQ(TextLength(std::string("ding.wav\0", 9)), 8u);
    EXPECT_EQ(TextLength("ding.wav"), 8u) << "stored without its NUL: every character stays";
    EXPECT_EQ(TextLength(std::string("\0", 1)), 0u);
    EXPECT_EQ(TextLength(""), 0u);
    EXPECT_EQ(TextLength(std::string("a\0\0", 3)), 2u) << "only one NUL is the terminator";
}

TEST(FullPath, NeedsLetterColonBackslash) {
    EXPECT_TRUE(FullPath("C:\\WAVE\\ding.wav"));
    EXPECT_TRUE(FullPath("c:\\ding.wav"));
    EXPECT_TRUE(FullPath("D:\\"));
    EXPECT_TRUE(FullPath("?:\\x")) << "the first byte is not examined";
    EXPECT_TRUE(FullPath("C:/WAVE/ding.wav")) << "the system takes '/' for a separator";
    EXPECT_FALSE(FullPath(""));
    EXPECT_FALSE(FullPath("C:"));
    EXPECT_FALSE(FullPath("chimes.wav"));
    EXPECT_FALSE(FullPath("C:ding.wav"));
    EXPECT_FALSE(FullPath("\\\\srv\\share\\ding.wav"));
}

}  // namespace

namespace {

long Last(const std::string& path) {
    return scheme::LastSeparator(path.data(), path.size());
}

TEST(LastSeparator, StepsOverDoubleByteCharacters) {
    // "C:\" + 表 (0x95 0x5C) + "\a.wav": the 0x5C inside the character is not a separator.
    EXPECT_EQ(Last("C:\\\x95\x5c\\a.wav"), 5);
    EXPECT_EQ(Last("C:\\\x95\x5c"), 2);
    EXPECT_EQ(Last("C:\\\\ding.wav"), 3) << "a file chosen in a root";
    EXPECT_EQ(Last("ding.wav"), -1);
    EXPECT_EQ(Last(""), -1);
    EXPECT_EQ(Last("\xb1\\"), 1) << "half-width kana are single bytes";
    EXPECT_EQ(Last("x\x95"), -1) << "a lead byte at the end stands alone";
    EXPECT_EQ(Last("C:\\WAVE/ding.wav"), 7) << "'/' separates as '\\' does";
}

TEST(EndsWithBackslash, OnlyARealFinalBackslashCounts) {
    auto ends = [](const std::string& path) { return scheme::EndsWithBackslash(path.data(), path.size()); };
    EXPECT_TRUE(ends("D:\\"));
    EXPECT_TRUE(ends("D:\\\x95\x5c\\"));
    EXPECT_FALSE(ends("D:\\sounds"));
    EXPECT_FALSE(ends("D:\\\x95\x5c")) << "a directory ending in 表";
    EXPECT_FALSE(ends("D:/"));
    EXPECT_FALSE(ends(""));
}

}  // namespace
