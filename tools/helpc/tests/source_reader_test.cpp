// The help source: what it turns into, and every source the compiler must
// refuse, with the line it names.
#include <gtest/gtest.h>

#include <string>

#include "HelpWriter.h"
#include "SourceReader.h"

namespace {

using helpc::HelpError;
using helpc::ParagraphStyle;

const std::string kHead = "@title T\n@font Arial\n";

TEST(SourceReaderTest, ReadsTopicsParagraphsLinksAndKeywords) {
    const auto project = helpc::ReadHelpSource(kHead +
                                               "# comment\n@copyright (c) us\n"
                                               "@topic contents Contents\n"
                                               "@keywords one; Two words\n"
                                               "[[intro]]\n"
                                               "\n"
                                               "@topic intro " +
                                               std::string(u8"はじめに") +
                                               "\r\n"
                                               "== Heading\n"
                                               "- item\n"
                                               "see [[contents|the list]] now\n");
    EXPECT_EQ(project.title, "T");
    EXPECT_EQ(project.copyright, "(c) us");
    EXPECT_EQ(project.fontFace, "Arial");
    ASSERT_EQ(project.topics.size(), 2u);
    const auto& contents = project.topics[0];
    EXPECT_EQ(contents.keywords, (std::vector<std::string>{"one", "Two words"}));
    ASSERT_EQ(contents.paragraphs.size(), 1u);
    ASSERT_EQ(contents.paragraphs[0].spans.size(), 1u);
    EXPECT_EQ(contents.paragraphs[0].spans[0].target, "intro");
    EXPECT_EQ(contents.paragraphs[0].spans[0].text, "\x82\xCD\x82\xB6\x82\xDF\x82\xC9") << "the target's title";
    const auto& intro = project.topics[1];
    EXPECT_EQ(intro.title, "\x82\xCD\x82\xB6\x82\xDF\x82\xC9") << "code page 932";
    EXPECT_EQ(intro.line, 9);
    ASSERT_EQ(intro.paragraphs.size(), 3u);
    EXPECT_EQ(intro.paragraphs[0].style, ParagraphStyle::kHeading);
    EXPECT_EQ(intro.paragraphs[0].spans[0].text, "Heading");
    EXPECT_EQ(intro.paragraphs[1].style, ParagraphStyle::kBullet);
    EXPECT_EQ(intro.paragraphs[1].spans[0].text, "item");
    const auto& spans = intro.paragraphs[2].spans;
    ASSERT_EQ(spans.size(), 3u);
    EXPECT_EQ(spans[0].text, "see ");
    EXPECT_EQ(spans[1].target, "contents");
    EXPECT_EQ(spans[1].text, "the list");
    EXPECT_EQ(spans[2].text, " now");
    EXPECT_EQ(intro.paragraphs[2].line, 12);
}

TEST(SourceReaderTest, KeepsTrailBytesThatLookLikeBackslashes) {
    // "表" and "ソ" end in 0x5C in code page 932.
    const auto project = helpc::ReadHelpSource(kHead + "@topic a A\n" + std::string(u8"表ソ") + "\n");
    EXPECT_EQ(project.topics[0].paragraphs[0].spans[0].text, "\x95\x5C\x83\x5C");
}

struct Refusal {
    const char* name;
    std::string source;
    int line;
    const char* words;  // part of the message
};

// Test names, not bytes, in the listing.
void PrintTo(const Refusal& refusal, std::ostream* os) {
    *os << refusal.name;
}

class SourceRefusalTest : public testing::TestWithParam<Refusal> {};

TEST_P(SourceRefusalTest, NamesTheLine) {
    const Refusal& r = GetParam();
    try {
        helpc::ReadHelpSource(r.source);
        FAIL() << "accepted";
    } catch (const HelpError& error) {
        EXPECT_EQ(error.Line(), r.line) << error.what();
        EXPECT_NE(std::string(error.what()).find(r.words), std::string::npos) << error.what();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Sources, SourceRefusalTest,
    testing::Values(
        Refusal{"OutsideCp932", kHead + "@topic a A\nok\nsmile " + std::string(u8"😀") + "\n", 5, "U+1F600"},
        Refusal{"OutsideCp932InTitle", kHead + "@topic a " + std::string(u8"é") + "\nok\n", 3, "U+00E9"},
        Refusal{"NotUtf8", kHead + "@topic a A\nbad \xFF byte\n", 4, "not UTF-8"},
        Refusal{"MissingTopic", kHead + "@topic a A\nok\n@topic b B\nsee [[nowhere]]\n", 6, "missing topic 'nowhere'"},
        Refusal{"DuplicateId", kHead + "@topic a A\nok\n@topic a B\nok\n", 5, "first on line 3"},
        Refusal{"BadId", kHead + "@topic a-b A\nok\n", 3, "letters, digits"},
        Refusal{"TextBeforeTopic", kHead + "stray\n@topic a A\nok\n", 3, "before the first @topic"},
        Refusal{"UnknownDirective", kHead + "@topic a A\n@bold x\n", 4, "unknown directive @bold"},
        Refusal{"UnclosedLink", kHead + "@topic a A\nsee [[a\n", 4, "without ']]'"},
        Refusal{"StrayClose", kHead + "@topic a A\nsee a]]\n", 4, "without '[['"},
        Refusal{"EmptyLinkText", kHead + "@topic a A\nsee [[a| ]]\n", 4, "empty text"},
        Refusal{"EmptyTopic", kHead + "@topic a A\n@topic b B\nok\n", 3, "has no text"},
        Refusal{"EmptyLastTopic", kHead + "@topic a A\nok\n@topic b B\n", 5, "has no text"},
        Refusal{"KeywordTwice", kHead + "@topic a A\n@keywords x; y; x\nok\n", 4, "given twice"},
        Refusal{"EmptyKeyword", kHead + "@topic a A\n@keywords x;;y\nok\n", 4, "empty keyword"},
        Refusal{"KeywordsBeforeTopic", kHead + "@keywords x\n@topic a A\nok\n", 3, "before the first @topic"},
        Refusal{"ControlCharacter", kHead + "@topic a A\nbell\x07\n", 4, "control character 0x07"},
        Refusal{"TitleTwice", kHead + "@title U\n@topic a A\nok\n", 3, "first on line 1"},
        Refusal{"NoTitle", "@font Arial\n@topic a A\nok\n", 0, "no @title"}, Refusal{"NoTopic", kHead, 0, "no @topic"},
        Refusal{"LongFontName", "@title T\n@font " + std::string(32, 'F') + "\n", 2, "longer than 31"}),
    [](const testing::TestParamInfo<Refusal>& info) { return info.param.name; });

}  // namespace
