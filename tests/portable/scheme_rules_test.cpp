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
    EXPECT_FALSE(FullPath(""));
    EXPECT_FALSE(FullPath("C:"));
    EXPECT_FALSE(FullPath("chimes.wav"));
    EXPECT_FALSE(FullPath("C:ding.wav"));
    EXPECT_FALSE(FullPath("\\\\srv\\share\\ding.wav"));
}

}  // namespace
