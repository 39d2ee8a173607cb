#include "help_file_reader.h"

#include <cstring>
#include <stdexcept>

namespace helpc_test {

std::uint16_t U16(const Bytes& bytes, std::size_t at) {
    return helpc::ReadU16(bytes, at);
}
std::uint32_t U32(const Bytes& bytes, std::size_t at) {
    return helpc::ReadU32(bytes, at);
}

int CompareSz(const Bytes& tree, std::size_t entry, const Bytes& key, std::size_t* keySize) {
    const char* stored = reinterpret_cast<const char*>(&tree.at(entry));
    *keySize = std::strlen(stored) + 1;
    return std::strcmp(stored, reinterpret_cast<const char*>(key.data()));
}

int CompareLong(const Bytes& tree, std::size_t entry, const Bytes& key, std::size_t* keySize) {
    *keySize = 4;
    const auto stored = static_cast<std::int32_t>(U32(tree, entry));
    const auto wanted = static_cast<std::int32_t>(U32(key, 0));
    return stored < wanted ? -1 : stored > wanted ? 1 : 0;
}

std::optional<std::size_t> SearchBTree(const Bytes& tree, const Bytes& key, std::size_t leafData,
                                       int (*compare)(const Bytes&, std::size_t, const Bytes&, std::size_t*)) {
    if (U16(tree, 0) != 0x293B) throw std::runtime_error("not a B+ tree");
    const std::size_t pageSize = U16(tree, 4);
    std::size_t page = U16(tree, 26);
    const unsigned levels = U16(tree, 32);
    const std::size_t pages = 38;
    for (unsigned level = 1; level < levels; ++level) {
        const std::size_t base = pages + page * pageSize;
        const unsigned entries = U16(tree, base + 2);
        std::size_t child = U16(tree, base + 4);  // keys below the first entry's
        std::size_t at = base + 6;
        for (unsigned i = 0; i < entries; ++i) {
            std::size_t keySize = 0;
            if (compare(tree, at, key, &keySize) > 0) break;
            child = U16(tree, at + keySize);
            at += keySize + 2;
        }
        page = child;
    }
    const std::size_t base = pages + page * pageSize;
    const unsigned entries = U16(tree, base + 2);
    std::size_t at = base + 8;
    for (unsigned i = 0; i < entries; ++i) {
        std::size_t keySize = 0;
        const int order = compare(tree, at, key, &keySize);
        if (order == 0) return at;
        if (order > 0) return std::nullopt;
        at += keySize + leafData;
    }
    return std::nullopt;
}

std::vector<std::size_t> LeafEntries(const Bytes& tree, std::size_t (*entrySize)(const Bytes&, std::size_t)) {
    const std::size_t pageSize = U16(tree, 4);
    std::size_t page = U16(tree, 26);
    const unsigned levels = U16(tree, 32);
    for (unsigned level = 1; level < levels; ++level) page = U16(tree, 38 + page * pageSize + 4);
    std::vector<std::size_t> out;
    while (page != 0xFFFF) {
        const std::size_t base = 38 + page * pageSize;
        std::size_t at = base + 8;
        for (unsigned i = 0; i < U16(tree, base + 2); ++i) {
            out.push_back(at);
            at += entrySize(tree, at);
        }
        page = U16(tree, base + 6);
    }
    return out;
}

std::map<std::string, Bytes> ReadFileSystem(const Bytes& file) {
    if (U32(file, 0) != 0x00035F3F) throw std::runtime_error("not a help file");
    if (U32(file, 12) != file.size()) throw std::runtime_error("wrong file size");
    auto internal = [&](std::size_t at) {
        const std::uint32_t reserved = U32(file, at);
        const std::uint32_t used = U32(file, at + 4);
        if (used + 9 > reserved || at + reserved > file.size()) throw std::runtime_error("bad file header");
        return Bytes(file.begin() + static_cast<std::ptrdiff_t>(at + 9),
                     file.begin() + static_cast<std::ptrdiff_t>(at + 9 + used));
    };
    const Bytes directory = internal(U32(file, 4));
    std::map<std::string, Bytes> files;
    for (std::size_t at : LeafEntries(directory, [](const Bytes&tree, std::size_t entry) {
             return std::strlen(reinterpret_cast<const char*>(&tree.at(entry))) + 5;
         })) {
        const std::string name(reinterpret_cast<const char*>(&directory.at(at)));
        files[name] = internal(U32(directory, at + name.size() + 1));
    }
    return files;
}

Bytes Lz77Decode(const Bytes& packed) {
    Bytes out;
    std::size_t at = 0;
    while (at < packed.size()) {
        const std::uint8_t flags = packed[at++];
        for (int bit = 0; bit < 8 && at < packed.size(); ++bit) {
            if (flags & (1 << bit)) {
                const std::uint16_t code = U16(packed, at);
                at += 2;
                const std::size_t length = 3 + (code >> 12);
                const std::size_t distance = (code & 0xFFF) + 1;
                for (std::size_t i = 0; i < length; ++i) out.push_back(out.at(out.size() - distance));
            } else {
                out.push_back(packed[at++]);
            }
        }
    }
    return out;
}

std::vector<TopicLink> WalkTopics(const Bytes& topicFile) {
    const std::size_t blockSize = 4096;
    std::vector<Bytes> blocks;
    for (std::size_t at = 0; at < topicFile.size(); at += blockSize) {
        blocks.push_back(Lz77Decode(Bytes(topicFile.begin() + static_cast<std::ptrdiff_t>(at + 12),
                                          topicFile.begin() + static_cast<std::ptrdiff_t>(at + blockSize))));
    }
    // Reads n bytes from a position, continuing into the next block's data.
    auto read = [&](std::size_t block, std::size_t offset, std::size_t n) {
        Bytes out;
        while (out.size() < n) {
            if (offset >= blocks.at(block).size()) {
                ++block;
                offset = 0;
            }
            out.push_back(blocks.at(block).at(offset++));
        }
        return out;
    };
    std::vector<TopicLink> links;
    std::uint32_t pos = 12;
    std::size_t countedBlock = 0;
    std::uint32_t characters = 0;
    while (pos != 0xFFFFFFFF) {
        const std::size_t block = (pos - 12) / 0x4000;
        const std::size_t offset = (pos - 12) % 0x4000;
        if (block != countedBlock) {
            countedBlock = block;
            characters = 0;
        }
        const Bytes header = read(block, offset, 21);
        TopicLink link;
        link.pos = pos;
        link.blockSize = U32(header, 0);
        link.dataLen2 = U32(header, 4);
        link.prev = U32(header, 8);
        link.next = U32(header, 12);
        link.dataLen1 = U32(header, 16);
        link.type = header[20];
        const Bytes all = read(block, offset, link.blockSize);
        link.data1.assign(all.begin() + 21, all.begin() + link.dataLen1);
        link.data2.assign(all.begin() + link.dataLen1, all.end());
        link.offset = static_cast<std::uint32_t>(block * 0x8000 + characters);
        if (link.type == 0x20) {
            // TopicSize (compressed long), then TopicLength (compressed unsigned short).
            std::size_t at = (link.data1[0] & 1) ? 4 : 2;
            characters += (link.data1[at] & 1) ? U16(link.data1, at) / 2 : link.data1[at] / 2;
        }
        links.push_back(link);
        pos = link.next;
    }
    return links;
}

}  // namespace helpc_test
