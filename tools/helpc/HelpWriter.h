// Writes a Windows Help 4.0 file: the internal file system with its B+ tree
// directory, |SYSTEM, |TOPIC (LZ77 blocks of 4 KiB), |FONT, |CONTEXT,
// |TTLBTREE and the keyword index |KWBTREE, |KWDATA, |KWMAP.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "Bytes.h"
#include "HelpProject.h"

namespace helpc {

// The viewer's hash of a context string, which |CONTEXT is keyed on.
std::uint32_t ContextHash(const std::string& id);

// True when every character of id may appear in a context string.
bool IsContextId(const std::string& id);

// Keywords sort and merge by this key: ASCII letters in upper case; double-byte
// characters, whose second byte may look like a letter, stay as they are.
std::string KeywordSortKey(const std::string& keyword);

// Integers that paragraph records store in one or two (two or four) bytes.
void PutCompressedUShort(ByteWriter& out, std::uint16_t value);  // 0 .. 32767
void PutCompressedShort(ByteWriter& out, int value);             // -16384 .. 16383
void PutCompressedLong(ByteWriter& out, std::int32_t value);     // -2^30 .. 2^30-1

// Topic blocks: 12-byte header, then LZ77 data that expands to at most this
// many bytes, so that every block holds the same share of the topic stream.
constexpr std::size_t kTopicBlockSize = 4096;
constexpr std::size_t kTopicBlockHeaderSize = 12;
constexpr std::size_t kTopicBlockCapacity = 3630;
constexpr std::size_t kTopicLinkHeaderSize = 0x15;
constexpr std::uint32_t kNone = 0xFFFFFFFF;

// Where a byte of the topic stream lies: TOPICPOS = block * 0x4000 + 12 + offset.
std::uint32_t TopicPos(std::size_t streamOffset);

// LZ77 with every flag bit clear: each byte is a literal, eight to a flag byte.
Bytes Lz77Literals(const Bytes& data);

struct TopicLayout {
    Bytes topicFile;                         // |TOPIC's content
    std::vector<std::uint32_t> offsets;      // TOPICOFFSET of each topic
    std::vector<std::uint32_t> positions;    // TOPICPOS of each topic's header record
    std::vector<std::size_t> streamOffsets;  // where each record starts in the stream
};

// Lays out the topics; the hashes of link targets must be valid context ids.
TopicLayout LayoutTopics(const HelpProject& project);

// The internal file system around the named files (in any order).
Bytes BuildFileSystem(const std::vector<std::pair<std::string, Bytes>>& files);

// The whole .hlp file. Throws HelpError for what the format cannot hold.
Bytes BuildHelpFile(const HelpProject& project);

}  // namespace helpc
