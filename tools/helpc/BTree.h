// The B+ tree that help files use for their internal directory and for every
// keyed table (context hashes, titles, keywords).
//
// Layout: a 38-byte header, then pages of a fixed size. Leaf pages hold the
// entries in key order and are chained both ways; index pages above them hold,
// for every child but the first, the child's first key and page number (the
// first child is the page's "previous page"). Pages are numbered leaves first,
// level by level, so the root is the last page.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "Bytes.h"

namespace helpc {

struct BTreeShape {
    std::uint16_t pageSize = 2048;
    bool directory = false;  // the internal directory sets flag 0x0400
    std::string structure;   // the field letters, up to 16 ("z4", "L4", ...)
};

struct BTreeEntry {
    Bytes key;   // written in leaf and index pages
    Bytes data;  // follows the key in leaf pages only
};

struct BTreeLeaf {
    std::uint32_t firstEntry = 0;  // index of the leaf's first entry
    std::uint16_t page = 0;
};

struct BTreeImage {
    Bytes bytes;  // header and pages, the internal file's content
    std::vector<BTreeLeaf> leaves;
    std::uint16_t levels = 0;
};

constexpr std::size_t kBTreeHeaderSize = 38;
constexpr std::size_t kLeafHeaderSize = 8;
constexpr std::size_t kIndexHeaderSize = 6;
constexpr std::uint16_t kBTreeMagic = 0x293B;

// Entries must already be in key order. Throws std::length_error when an entry
// cannot fit a page or the tree needs more pages than a 16-bit number counts.
BTreeImage BuildBTree(const BTreeShape& shape, const std::vector<BTreeEntry>& entries);

}  // namespace helpc
