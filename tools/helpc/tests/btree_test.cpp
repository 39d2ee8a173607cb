// The B+ tree pages, against the layout worked out by hand from the format's
// description: header fields, page headers, leaf chains and index entries.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "BTree.h"
#include "help_file_reader.h"

namespace {

using helpc::BTreeEntry;
using helpc::Bytes;
using helpc_test::U16;
using helpc_test::U32;

Bytes Sz(const std::string& text) {
    return Bytes(text.c_str(), text.c_str() + text.size() + 1);
}
Bytes Long(std::uint32_t value) {
    Bytes bytes;
    le::Append32(bytes, value);
    return bytes;
}

// Entries "a", "b", … each with its number as data: 2 + 4 = 6 bytes apiece.
std::vector<BTreeEntry> Letters(int count) {
    std::vector<BTreeEntry> entries;
    for (int i = 0; i < count; ++i) entries.push_back({Sz(std::string(1, static_cast<char>('a' + i))), Long(i)});
    return entries;
}

TEST(BTreeTest, OneLeafHoldsASmallTree) {
    const auto image = helpc::BuildBTree({64, true, "z4"}, Letters(2));
    const Bytes& t = image.bytes;
    ASSERT_EQ(t.size(), 38u + 64u);
    EXPECT_EQ(U16(t, 0), 0x293B);
    EXPECT_EQ(U16(t, 2), 0x0402) << "bit 2 always, 0x400 for a directory";
    EXPECT_EQ(U16(t, 4), 64) << "page size";
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&t[6])), "z4");
    for (int i = 8; i < 22; ++i) EXPECT_EQ(t[i], 0) << "structure padding at " << i;
    EXPECT_EQ(U16(t, 22), 0) << "must be zero";
    EXPECT_EQ(U16(t, 24), 0) << "page splits";
    EXPECT_EQ(U16(t, 26), 0) << "root page";
    EXPECT_EQ(U16(t, 28), 0xFFFF) << "must be -1";
    EXPECT_EQ(U16(t, 30), 1) << "total pages";
    EXPECT_EQ(U16(t, 32), 1) << "levels";
    EXPECT_EQ(U32(t, 34), 2u) << "entries";
    // Leaf: unused bytes, entries, previous and next leaf, then the entries.
    EXPECT_EQ(U16(t, 38), 64 - 8 - 12);
    EXPECT_EQ(U16(t, 40), 2);
    EXPECT_EQ(U16(t, 42), 0xFFFF);
    EXPECT_EQ(U16(t, 44), 0xFFFF);
    const Bytes first(t.begin() + 46, t.begin() + 58);
    EXPECT_EQ(first, (Bytes{'a', 0, 0, 0, 0, 0, 'b', 0, 1, 0, 0, 0}));
}

TEST(BTreeTest, FullLeavesSplitUnderAnIndexPage) {
    // 32-byte pages: 24 bytes of entries per leaf, four entries of 6 bytes.
    const auto image = helpc::BuildBTree({32, false, "z4"}, Letters(9));
    const Bytes& t = image.bytes;
    ASSERT_EQ(t.size(), 38u + 4 * 32u);
    EXPECT_EQ(U16(t, 2), 0x0002);
    EXPECT_EQ(U16(t, 26), 3) << "the root comes after the three leaves";
    EXPECT_EQ(U16(t, 30), 4);
    EXPECT_EQ(U16(t, 32), 2);
    EXPECT_EQ(U32(t, 34), 9u);
    auto page = [&](int n) { return 38 + n * 32; };
    // Leaves 0..2 with 4, 4 and 1 entries, chained both ways.
    const int counts[] = {4, 4, 1};
    for (int n = 0; n < 3; ++n) {
        EXPECT_EQ(U16(t, page(n)), 32 - 8 - 6 * counts[n]) << "leaf " << n;
        EXPECT_EQ(U16(t, page(n) + 2), counts[n]) << "leaf " << n;
        EXPECT_EQ(U16(t, page(n) + 4), n == 0 ? 0xFFFF : n - 1) << "leaf " << n;
        EXPECT_EQ(U16(t, page(n) + 6), n == 2 ? 0xFFFF : n + 1) << "leaf " << n;
    }
    EXPECT_EQ(t[page(1) + 8], 'e');
    EXPECT_EQ(t[page(2) + 8], 'i');
    // Index: two entries ("e" → 1, "i" → 2) after the first child, page 0.
    EXPECT_EQ(U16(t, page(3)), 32 - 6 - 2 * 4);
    EXPECT_EQ(U16(t, page(3) + 2), 2);
    EXPECT_EQ(U16(t, page(3) + 4), 0);
    const Bytes index(t.begin() + page(3) + 6, t.begin() + page(3) + 14);
    EXPECT_EQ(index, (Bytes{'e', 0, 1, 0, 'i', 0, 2, 0}));
    ASSERT_EQ(image.leaves.size(), 3u);
    EXPECT_EQ(image.leaves[1].firstEntry, 4u);
    EXPECT_EQ(image.leaves[2].page, 2);
}

TEST(BTreeTest, FourLevelsFindEveryKey) {
    std::vector<BTreeEntry> entries;
    for (int i = 0; i < 200; ++i) {
        char name[8];
        std::snprintf(name, sizeof name, "k%03d", i);
        entries.push_back({Sz(name), Long(1000 + i)});
    }
    // Leaves of 3 entries (9 bytes each), index pages of 5 children (7 bytes an
    // entry after the first): 67, 14, 3 and 1 pages.
    const auto image = helpc::BuildBTree({40, true, "z4"}, entries);
    EXPECT_EQ(U16(image.bytes, 32), 4) << "levels";
    EXPECT_EQ(U16(image.bytes, 30), 67 + 14 + 3 + 1) << "pages";
    for (int i = 0; i < 200; ++i) {
        const auto at = helpc_test::SearchBTree(image.bytes, entries[i].key, 4, helpc_test::CompareSz);
        ASSERT_TRUE(at.has_value()) << "entry " << i;
        EXPECT_EQ(U32(image.bytes, *at + 5), 1000u + i);
    }
    EXPECT_FALSE(helpc_test::SearchBTree(image.bytes, Sz("k0995"), 4, helpc_test::CompareSz).has_value());
    EXPECT_FALSE(helpc_test::SearchBTree(image.bytes, Sz("a"), 4, helpc_test::CompareSz).has_value());
    const auto all = helpc_test::LeafEntries(image.bytes, [](const Bytes&, std::size_t) -> std::size_t { return 9; });
    ASSERT_EQ(all.size(), 200u);
    for (int i = 0; i < 200; ++i) EXPECT_EQ(U32(image.bytes, all[i] + 5), 1000u + i) << "leaf chain order";
}

TEST(BTreeTest, RefusesWhatAPageCannotHold) {
    EXPECT_THROW(helpc::BuildBTree({16, false, "z4"}, {{Sz("too long a key"), Long(0)}}), std::length_error);
    EXPECT_THROW(helpc::BuildBTree({64, false, "z4z4z4z4z4z4z4z4z"}, Letters(1)), std::length_error);
}

TEST(BTreeTest, AnEmptyTreeIsOneEmptyLeaf) {
    const auto image = helpc::BuildBTree({64, false, "L4"}, {});
    EXPECT_EQ(U16(image.bytes, 30), 1);
    EXPECT_EQ(U32(image.bytes, 34), 0u);
    EXPECT_EQ(U16(image.bytes, 38 + 2), 0);
}

}  // namespace
