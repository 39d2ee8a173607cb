#include "BTree.h"

#include <stdexcept>

namespace helpc {

namespace {

struct Page {
    Bytes bytes;
    Bytes firstKey;
};

constexpr std::uint16_t kNoPage = 0xFFFF;

// Splits items into runs that fit a page after its header, greedily.
std::vector<std::pair<std::size_t, std::size_t>> FillPages(const std::vector<std::size_t>& sizes, std::size_t header,
                                                           std::size_t pageSize) {
    std::vector<std::pair<std::size_t, std::size_t>> runs;
    std::size_t begin = 0;
    std::size_t used = header;
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        if (header + sizes[i] > pageSize) throw std::length_error("a B+ tree entry is larger than a page");
        if (used + sizes[i] > pageSize) {
            runs.emplace_back(begin, i);
            begin = i;
            used = header;
        }
        used += sizes[i];
    }
    runs.emplace_back(begin, sizes.size());
    return runs;
}

}  // namespace

BTreeImage BuildBTree(const BTreeShape& shape, const std::vector<BTreeEntry>& entries) {
    if (shape.structure.size() > 16) throw std::length_error("a B+ tree structure string has at most 16 letters");
    BTreeImage image;
    std::vector<Page> pages;

    // Leaves.
    std::vector<std::size_t> sizes;
    for (const BTreeEntry& entry : entries) sizes.push_back(entry.key.size() + entry.data.size());
    const auto leafRuns = FillPages(sizes, kLeafHeaderSize, shape.pageSize);
    std::vector<std::uint16_t> level;  // page numbers of the level being built
    for (std::size_t r = 0; r < leafRuns.size(); ++r) {
        const auto [begin, end] = leafRuns[r];
        ByteWriter page;
        std::size_t used = kLeafHeaderSize;
        for (std::size_t i = begin; i < end; ++i) used += sizes[i];
        page.U16(static_cast<std::uint16_t>(shape.pageSize - used));
        page.U16(static_cast<std::uint16_t>(end - begin));
        page.U16(r == 0 ? kNoPage : static_cast<std::uint16_t>(pages.size() - 1));
        page.U16(r + 1 == leafRuns.size() ? kNoPage : static_cast<std::uint16_t>(pages.size() + 1));
        for (std::size_t i = begin; i < end; ++i) {
            page.Append(entries[i].key);
            page.Append(entries[i].data);
        }
        page.Zeros(shape.pageSize - page.Size());
        image.leaves.push_back({static_cast<std::uint32_t>(begin), static_cast<std::uint16_t>(pages.size())});
        level.push_back(static_cast<std::uint16_t>(pages.size()));
        pages.push_back({page.Take(), begin < end ? entries[begin].key : Bytes{}});
        if (pages.size() >= kNoPage) throw std::length_error("a B+ tree has too many pages");
    }
    image.levels = 1;

    // Index levels until one page holds them all.
    while (level.size() > 1) {
        // Every child but the first of a page costs its first key and a page number.
        std::vector<std::size_t> childSizes;
        for (std::uint16_t child : level) childSizes.push_back(pages[child].firstKey.size() + 2);
        std::vector<std::pair<std::size_t, std::size_t>> runs;
        std::size_t begin = 0;
        std::size_t used = kIndexHeaderSize;
        for (std::size_t i = 1; i < level.size(); ++i) {
            if (kIndexHeaderSize + childSizes[i] > shape.pageSize)
                throw std::length_error("a B+ tree key is larger than an index page");
            if (used + childSizes[i] > shape.pageSize) {
                runs.emplace_back(begin, i);
                begin = i;
                used = kIndexHeaderSize;
            } else {
                used += childSizes[i];
            }
        }
        runs.emplace_back(begin, level.size());

        std::vector<std::uint16_t> next;
        for (const auto& [first, end] : runs) {
            ByteWriter page;
            std::size_t size = kIndexHeaderSize;
            for (std::size_t i = first + 1; i < end; ++i) size += childSizes[i];
            page.U16(static_cast<std::uint16_t>(shape.pageSize - size));
            page.U16(static_cast<std::uint16_t>(end - first - 1));
            page.U16(level[first]);
            for (std::size_t i = first + 1; i < end; ++i) {
                page.Append(pages[level[i]].firstKey);
                page.U16(level[i]);
            }
            page.Zeros(shape.pageSize - page.Size());
            next.push_back(static_cast<std::uint16_t>(pages.size()));
            pages.push_back({page.Take(), pages[level[first]].firstKey});
            if (pages.size() >= kNoPage) throw std::length_error("a B+ tree has too many pages");
        }
        level = next;
        ++image.levels;
    }

    ByteWriter out;
    out.U16(kBTreeMagic);
    out.U16(static_cast<std::uint16_t>(0x0002 | (shape.directory ? 0x0400 : 0)));
    out.U16(shape.pageSize);
    out.Append(shape.structure);
    out.Zeros(16 - shape.structure.size());
    out.U16(0);              // must be zero
    out.U16(0);              // page splits
    out.U16(level.front());  // root page
    out.U16(0xFFFF);         // must be -1
    out.U16(static_cast<std::uint16_t>(pages.size()));
    out.U16(image.levels);
    out.U32(static_cast<std::uint32_t>(entries.size()));
    for (const Page& page : pages) out.Append(page.bytes);
    image.bytes = out.Take();
    return image;
}

}  // namespace helpc
