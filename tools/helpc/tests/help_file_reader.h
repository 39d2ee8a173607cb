// A reader of help files written from the format's public description, so that
// the tests check the writer against the format rather than against itself.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "Bytes.h"

namespace helpc_test {

using helpc::Bytes;

// Key comparisons for SearchBTree: how the key stored at entry orders against
// key (<0, 0, >0); *keySize receives the stored key's size.
int CompareSz(const Bytes& tree, std::size_t entry, const Bytes& key, std::size_t* keySize);
int CompareLong(const Bytes& tree, std::size_t entry, const Bytes& key, std::size_t* keySize);

// Follows a B+ tree from its root through the index pages to the leaf where key
// belongs, as a viewer searches; the offset in tree of the matching leaf entry.
// leafData is the size of what follows a key in a leaf entry.
std::optional<std::size_t> SearchBTree(const Bytes& tree, const Bytes& key, std::size_t leafData,
                                       int (*compare)(const Bytes&, std::size_t, const Bytes&, std::size_t*));

// Every leaf entry's offset, following the leaf chain from the first leaf.
std::vector<std::size_t> LeafEntries(const Bytes& tree, std::size_t (*entrySize)(const Bytes&, std::size_t));

// The internal files of a help file, by name.
std::map<std::string, Bytes> ReadFileSystem(const Bytes& file);

// LZ77 as the format describes it.
Bytes Lz77Decode(const Bytes& packed);

struct TopicLink {
    std::uint32_t pos = 0;
    std::uint32_t blockSize = 0, dataLen2 = 0, prev = 0, next = 0, dataLen1 = 0;
    std::uint8_t type = 0;
    Bytes data1, data2;
    std::uint32_t offset = 0;  // TOPICOFFSET at the record's start
};

// Walks |TOPIC from TOPICPOS 12 along NextBlock, counting topic offsets as the
// description says: block number * 0x8000 plus the TopicLength of the text
// records that start in the block before the position.
std::vector<TopicLink> WalkTopics(const Bytes& topicFile);

std::uint32_t U32(const Bytes& bytes, std::size_t at);
std::uint16_t U16(const Bytes& bytes, std::size_t at);

}  // namespace helpc_test
