// The help file's structures against values worked out from the format's
// description: context hashes, compressed integers, topic positions and
// offsets, topic headers and the internal files a viewer looks up.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "HelpWriter.h"
#include "help_file_reader.h"

namespace {

using helpc::Bytes;
using helpc::HelpProject;
using helpc::Paragraph;
using helpc::ParagraphStyle;
using helpc::Topic;
using helpc_test::U16;
using helpc_test::U32;

Bytes Put(void (*put)(helpc::ByteWriter&, int), int value) {
    helpc::ByteWriter out;
    put(out, value);
    return out.Take();
}

TEST(ContextHashTest, MatchesTheDescribedTable) {
    // Letters 17-42 whatever their case, '1'-'9' 1-9, '0' 10, '.' 12, '_' 13; hash = hash * 43 + value.
    EXPECT_EQ(helpc::ContextHash("a"), 17u);
    EXPECT_EQ(helpc::ContextHash("ab"), 17u * 43 + 18);
    EXPECT_EQ(helpc::ContextHash("A1._0"), 58221881u);  // ((((17)*43+1)*43+12)*43+13)*43+10
    EXPECT_EQ(helpc::ContextHash("a1._0"), helpc::ContextHash("A1._0"));
    // n letters 'z' (42) give 43^n - 1, kept to 32 bits: 43^7 - 1 mod 2^32.
    EXPECT_EQ(helpc::ContextHash("zzzzzzz"), 1235671458u);
    EXPECT_TRUE(helpc::IsContextId("Topic_1.a"));
    EXPECT_FALSE(helpc::IsContextId(""));
    EXPECT_FALSE(helpc::IsContextId("a-b"));
    EXPECT_FALSE(helpc::IsContextId("a b"));
}

TEST(CompressedIntegerTest, OneOrTwoBytesAsDescribed) {
    helpc::ByteWriter out;
    helpc::PutCompressedUShort(out, 5);    // even byte: value * 2
    helpc::PutCompressedUShort(out, 200);  // odd word: value * 2 + 1
    EXPECT_EQ(out.Data(), (Bytes{0x0A, 0x91, 0x01}));
    EXPECT_EQ(Put([](helpc::ByteWriter& o, int v) { helpc::PutCompressedShort(o, v); }, 6), (Bytes{0x8C}));
    EXPECT_EQ(Put([](helpc::ByteWriter& o, int v) { helpc::PutCompressedShort(o, v); }, -12), (Bytes{0x68}));
    EXPECT_EQ(Put([](helpc::ByteWriter& o, int v) { helpc::PutCompressedShort(o, v); }, 100), (Bytes{0xC9, 0x80}));
    EXPECT_EQ(Put([](helpc::ByteWriter& o, int v) { helpc::PutCompressedLong(o, v); }, 70), (Bytes{0x8C, 0x80}));
    EXPECT_EQ(Put([](helpc::ByteWriter& o, int v) { helpc::PutCompressedLong(o, v); }, 20000),
              (Bytes{0x41, 0x9C, 0x00, 0x80}));
    helpc::ByteWriter bad;
    EXPECT_THROW(helpc::PutCompressedUShort(bad, 0x8000), std::out_of_range);
    EXPECT_THROW(helpc::PutCompressedShort(bad, 16384), std::out_of_range);
}

TEST(TopicPosTest, BlockNumberAboveFourteenBitsAndTheBlockHeader) {
    EXPECT_EQ(helpc::TopicPos(0), 12u);
    EXPECT_EQ(helpc::TopicPos(100), 112u);
    EXPECT_EQ(helpc::TopicPos(helpc::kTopicBlockCapacity - 1), 12u + helpc::kTopicBlockCapacity - 1);
    EXPECT_EQ(helpc::TopicPos(helpc::kTopicBlockCapacity), 0x4000u + 12);
    EXPECT_EQ(helpc::TopicPos(2 * helpc::kTopicBlockCapacity + 5), 0x8000u + 17);
}

TEST(Lz77Test, LiteralsEightToAFlagByteAndFillABlockExactly) {
    const Bytes data = {1, 2, 3, 4, 5, 6, 7, 8, 9};
    EXPECT_EQ(helpc::Lz77Literals(data), (Bytes{0, 1, 2, 3, 4, 5, 6, 7, 8, 0, 9}));
    const Bytes block(helpc::kTopicBlockCapacity, 0x41);
    const Bytes packed = helpc::Lz77Literals(block);
    EXPECT_EQ(packed.size(), helpc::kTopicBlockSize - helpc::kTopicBlockHeaderSize);
    EXPECT_EQ(helpc_test::Lz77Decode(packed), block);
}

Paragraph Body(const std::string& text, const std::string& target = "", const std::string& linkText = "") {
    Paragraph p;
    p.spans.push_back({text, "", 1});
    if (!target.empty()) p.spans.push_back({linkText, target, 1});
    return p;
}

HelpProject TwoTopics() {
    HelpProject project;
    project.title = "Test";
    project.fontFace = "Arial";
    Topic first;
    first.id = "first";
    first.title = "One";
    first.keywords = {"alpha"};
    first.paragraphs = {Body("xyz")};
    Topic second;
    second.id = "second";
    second.title = "Two";
    second.keywords = {"beta", "Alpha"};
    second.paragraphs = {Body("see ", "first", "one")};
    project.topics = {first, second};
    return project;
}

TEST(TopicLayoutTest, OffsetsCountTheTextOfEarlierParagraphsInTheBlock) {
    const auto layout = helpc::LayoutTopics(TwoTopics());
    // "xyz" is shown as the strings "", "xyz" and "": 6 characters with their NULs.
    ASSERT_EQ(layout.offsets.size(), 2u);
    EXPECT_EQ(layout.offsets[0], 0u);
    EXPECT_EQ(layout.offsets[1], 6u);
    // The first record starts the stream; its header is 21 + 28 bytes, its title "One\0".
    EXPECT_EQ(layout.positions[0], 12u);
    EXPECT_EQ(layout.streamOffsets[1], 21u + 28 + 4);

    const auto links = helpc_test::WalkTopics(layout.topicFile);
    ASSERT_EQ(links.size(), 4u);
    EXPECT_EQ(links[0].type, 0x02);
    EXPECT_EQ(links[1].type, 0x20);
    EXPECT_EQ(links[2].type, 0x02);
    EXPECT_EQ(links[2].offset, layout.offsets[1]);
    EXPECT_EQ(links[2].pos, layout.positions[1]);
    EXPECT_EQ(links[0].prev, 0xFFFFFFFFu);
    EXPECT_EQ(links[1].prev, links[0].pos);
    EXPECT_EQ(links[3].next, 0xFFFFFFFFu);
    EXPECT_EQ(std::string(links[1].data2.begin(), links[1].data2.end()), std::string("\0xyz\0\0", 6));
    // Topic headers: size, browse sequence, number, non-scrolling and scrolling regions, next topic.
    const Bytes& first = links[0].data1;
    EXPECT_EQ(U32(first, 0), links[0].blockSize + links[1].blockSize);
    EXPECT_EQ(U32(first, 4), 0xFFFFFFFFu);
    EXPECT_EQ(U32(first, 8), layout.offsets[1]);
    EXPECT_EQ(U32(first, 12), 0u);
    EXPECT_EQ(U32(first, 16), 0xFFFFFFFFu);
    EXPECT_EQ(U32(first, 20), links[1].pos);
    EXPECT_EQ(U32(first, 24), links[2].pos);
    const Bytes& second = links[2].data1;
    EXPECT_EQ(U32(second, 4), layout.offsets[0]);
    EXPECT_EQ(U32(second, 8), 0xFFFFFFFFu);
    EXPECT_EQ(U32(second, 24), 0xFFFFFFFFu);
    EXPECT_EQ(std::string(links[2].data2.begin(), links[2].data2.end()), std::string("Two\0", 4));
}

TEST(TopicLayoutTest, ALinkJumpsByTheTargetsHashAndEndsItsHotspot) {
    const auto links = helpc_test::WalkTopics(helpc::LayoutTopics(TwoTopics()).topicFile);
    const Bytes& format = links[3].data1;
    // "see " then the jump 0xE3 with the hash, "one" then the hotspot's end 0x89.
    const std::uint32_t hash = helpc::ContextHash("first");
    const Bytes jump = {0xE3,
                        static_cast<std::uint8_t>(hash),
                        static_cast<std::uint8_t>(hash >> 8),
                        static_cast<std::uint8_t>(hash >> 16),
                        static_cast<std::uint8_t>(hash >> 24),
                        0x89,
                        0x82,
                        0xFF};
    ASSERT_GE(format.size(), jump.size());
    EXPECT_EQ(Bytes(format.end() - static_cast<std::ptrdiff_t>(jump.size()), format.end()), jump);
    EXPECT_EQ(std::string(links[3].data2.begin(), links[3].data2.end()), std::string("\0see \0one\0\0\0", 12));
}

TEST(TopicLayoutTest, TopicsAcrossBlocksCountFromTheirOwnBlock) {
    HelpProject project = TwoTopics();
    // Enough text to push later topics into the second and third blocks.
    Topic big;
    big.id = "big";
    big.title = "Big";
    for (int i = 0; i < 30; ++i) big.paragraphs.push_back(Body(std::string(200, 'a' + i % 26)));
    project.topics.insert(project.topics.begin() + 1, big);
    Topic after = project.topics.back();
    after.id = "after";
    project.topics.push_back(after);
    const auto layout = helpc::LayoutTopics(project);
    const auto links = helpc_test::WalkTopics(layout.topicFile);
    std::vector<std::uint32_t> walked;
    for (const auto& link : links)
        if (link.type == 0x02) walked.push_back(link.offset);
    EXPECT_EQ(walked, layout.offsets);
    EXPECT_GE(layout.offsets[2] >> 15, 1u) << "the topic after the big one starts in a later block";
    EXPECT_GE(layout.topicFile.size(), 3 * helpc::kTopicBlockSize);
    EXPECT_EQ(layout.topicFile.size() % helpc::kTopicBlockSize, 0u);
    // Block headers: the first link in each block, the last of the block before, the last topic header before.
    for (std::size_t b = 1; b * helpc::kTopicBlockSize < layout.topicFile.size(); ++b) {
        const std::size_t at = b * helpc::kTopicBlockSize;
        const std::uint32_t lastLink = U32(layout.topicFile, at);
        const std::uint32_t firstLink = U32(layout.topicFile, at + 4);
        std::uint32_t expectLast = 0, expectFirst = 0xFFFFFFFF;
        for (const auto& link : links) {
            const std::size_t block = (link.pos - 12) / 0x4000;
            if (block < b) expectLast = link.pos;
            if (block == b && expectFirst == 0xFFFFFFFF) expectFirst = link.pos;
        }
        EXPECT_EQ(lastLink, expectLast) << "block " << b;
        EXPECT_EQ(firstLink, expectFirst) << "block " << b;
    }
}

TEST(HelpFileTest, AViewerFindsTitleContentsTopicsAndKeywords) {
    HelpProject project = TwoTopics();
    project.title = "\x83\x77\x83\x8b\x83\x76";  // "ヘルプ" in code page 932
    const Bytes file = helpc::BuildHelpFile(project);
    const auto files = helpc_test::ReadFileSystem(file);
    for (const char* name : {"|SYSTEM", "|TOPIC", "|FONT", "|CONTEXT", "|TTLBTREE", "|KWBTREE", "|KWDATA", "|KWMAP"})
        EXPECT_EQ(files.count(name), 1u) << name;
    const auto layout = helpc::LayoutTopics(project);

    const Bytes& system = files.at("|SYSTEM");
    EXPECT_EQ(U16(system, 0), 0x036C);
    EXPECT_EQ(U16(system, 2), 33);
    EXPECT_EQ(U16(system, 4), 1);
    EXPECT_EQ(U16(system, 10), 4) << "LZ77 topic blocks of 4 KiB";
    std::map<int, Bytes> records;
    for (std::size_t at = 12; at + 4 <= system.size(); at += 4 + U16(system, at + 2))
        records[U16(system, at)] = Bytes(system.begin() + at + 4, system.begin() + at + 4 + U16(system, at + 2));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(records[1].data())), project.title);
    EXPECT_EQ(U32(records[3], 0), 0u) << "the contents topic";
    EXPECT_EQ(U16(records[9], 8), 0x0411) << "Japanese LCID";
    ASSERT_EQ(records[6].size(), 90u) << "a window";
    EXPECT_EQ(U16(records[6], 0), 7) << "type, name and caption given";
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&records[6][2])), "primary");
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&records[6][12])), "main");
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&records[6][21])), project.title) << "the caption";
    EXPECT_EQ(U16(records[11], 0), 128) << "SHIFTJIS_CHARSET";

    const Bytes& font = files.at("|FONT");
    EXPECT_EQ(U16(font, 0), 1);
    EXPECT_EQ(U16(font, 2), 2);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&font[U16(font, 4)])), "Arial");
    EXPECT_EQ(font[U16(font, 6) + 1], 18) << "9 points in half points";
    EXPECT_EQ(font[U16(font, 6) + 11], 1) << "the heading font is bold";

    for (std::size_t t = 0; t < project.topics.size(); ++t) {
        helpc::ByteWriter key;
        key.U32(helpc::ContextHash(project.topics[t].id));
        const Bytes& context = files.at("|CONTEXT");
        const auto at = helpc_test::SearchBTree(context, key.Data(), 4, helpc_test::CompareLong);
        ASSERT_TRUE(at.has_value()) << project.topics[t].id;
        EXPECT_EQ(U32(context, *at + 4), layout.offsets[t]);
    }

    // "alpha" and "Alpha" are one keyword of both topics; "beta" belongs to the second.
    const Bytes& tree = files.at("|KWBTREE");
    const Bytes& data = files.at("|KWDATA");
    std::map<std::string, std::vector<std::uint32_t>> keywords;
    for (std::size_t at : helpc_test::LeafEntries(tree, [](const Bytes&t, std::size_t e) {
             return std::strlen(reinterpret_cast<const char*>(&t.at(e))) + 7;
         })) {
        const std::string word(reinterpret_cast<const char*>(&tree[at]));
        const std::uint16_t count = U16(tree, at + word.size() + 1);
        const std::uint32_t offset = U32(tree, at + word.size() + 3);
        for (std::uint16_t i = 0; i < count; ++i) keywords[word].push_back(U32(data, offset + 4 * i));
    }
    EXPECT_EQ(keywords["alpha"], (std::vector<std::uint32_t>{layout.offsets[0], layout.offsets[1]}));
    EXPECT_EQ(keywords["beta"], (std::vector<std::uint32_t>{layout.offsets[1]}));
    EXPECT_EQ(keywords.size(), 2u);
    const Bytes& map = files.at("|KWMAP");
    EXPECT_EQ(map, (Bytes{0, 0, 0, 0, 0, 0})) << "one leaf, starting with keyword 0";

    const Bytes& titles = files.at("|TTLBTREE");
    const auto entries = helpc_test::LeafEntries(titles, [](const Bytes& t, std::size_t e) {
        return 4 + std::strlen(reinterpret_cast<const char*>(&t.at(e + 4))) + 1;
    });
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(U32(titles, entries[1]), layout.offsets[1]);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&titles[entries[1] + 4])), "Two");
}

TEST(HelpFileTest, RefusesIdsTheViewerCannotTellApart) {
    HelpProject project = TwoTopics();
    project.topics[1].id = "FIRST";  // same hash as "first": hashing ignores case
    project.topics[1].line = 7;
    try {
        helpc::BuildHelpFile(project);
        FAIL() << "no error";
    } catch (const helpc::HelpError& error) {
        EXPECT_EQ(error.Line(), 7);
        EXPECT_NE(std::string(error.what()).find("same hash"), std::string::npos) << error.what();
    }
}

TEST(HelpFileTest, RefusesAParagraphTooLongForTheTopicOffsets) {
    HelpProject project = TwoTopics();
    project.topics[0].paragraphs[0] = Body(std::string(9000, 'x'));
    project.topics[0].paragraphs[0].line = 12;
    try {
        helpc::BuildHelpFile(project);
        FAIL() << "no error";
    } catch (const helpc::HelpError& error) {
        EXPECT_EQ(error.Line(), 12);
    }
}

}  // namespace
