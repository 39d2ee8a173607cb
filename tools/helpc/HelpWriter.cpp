#include "HelpWriter.h"

#include <algorithm>
#include <map>
#include <stdexcept>

#include "BTree.h"

namespace helpc {

namespace {

constexpr std::uint32_t kFileMagic = 0x00035F3F;
constexpr std::size_t kFileHeaderSize = 9;
constexpr std::uint8_t kFileFlags = 4;

constexpr std::uint16_t kSystemMagic = 0x036C;
constexpr std::uint16_t kSystemMinor = 33;  // the Windows 95 help format
constexpr std::uint16_t kSystemFlagsLz77 = 4;
constexpr std::uint16_t kShiftJisCharset = 128;
constexpr std::uint16_t kJapaneseLcid = 0x0411;

constexpr std::uint16_t kWindowTypeValid = 0x0001;
constexpr std::uint16_t kWindowNameValid = 0x0002;
constexpr std::uint16_t kWindowCaptionValid = 0x0004;
constexpr std::size_t kWindowTypeSize = 10;
constexpr std::size_t kWindowNameSize = 9;
constexpr std::size_t kWindowCaptionSize = 51;

constexpr std::uint8_t kRecordTopicHeader = 0x02;
constexpr std::uint8_t kRecordText = 0x20;
constexpr std::size_t kTopicHeaderSize = 28;

constexpr std::uint8_t kCmdFont = 0x80;
constexpr std::uint8_t kCmdEndParagraph = 0x82;
constexpr std::uint8_t kCmdEndHotspot = 0x89;
constexpr std::uint8_t kCmdTopicJump = 0xE3;
constexpr std::uint8_t kCmdEnd = 0xFF;

constexpr std::uint16_t kFontBody = 0;
constexpr std::uint16_t kFontHeading = 1;
constexpr std::size_t kFaceNameSize = 32;

// Paragraph attribute bits and their values, in half points.
constexpr std::uint16_t kSpacingAbove = 0x0002;
constexpr std::uint16_t kSpacingBelow = 0x0004;
constexpr std::uint16_t kLeftIndent = 0x0010;
constexpr std::uint16_t kFirstLineIndent = 0x0040;

// The longest paragraph text: the characters counted in one topic block must
// stay below 0x8000, the share of a topic offset that counts them.
constexpr std::size_t kMaxParagraphText = 8192;

// "・", the bullet, in code page 932.
const std::string kBullet = "\x81\x45";

struct Record {
    std::uint8_t type = 0;
    Bytes data1;  // after the 21-byte link header
    Bytes data2;  // the NUL-separated strings
    std::uint16_t textLength = 0;
    std::size_t topic = 0;
    std::size_t Size() const { return kTopicLinkHeaderSize + data1.size() + data2.size(); }
};

bool IsLeadByte(unsigned char c) {
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

}  // namespace

std::string KeywordSortKey(const std::string& keyword) {
    std::string key;
    for (std::size_t i = 0; i < keyword.size(); ++i) {
        const auto c = static_cast<unsigned char>(keyword[i]);
        if (IsLeadByte(c) && i + 1 < keyword.size()) {
            key += keyword[i];
            key += keyword[++i];
        } else {
            key += static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
        }
    }
    return key;
}

namespace {

Record ParagraphRecord(const Paragraph& paragraph, std::size_t topic) {
    // Strings and formatting commands alternate: each string is shown, then the
    // command after it applies.
    std::vector<std::pair<std::string, Bytes>> parts;
    const std::uint16_t font = paragraph.style == ParagraphStyle::kHeading ? kFontHeading : kFontBody;
    parts.push_back({"", {kCmdFont, static_cast<std::uint8_t>(font), static_cast<std::uint8_t>(font >> 8)}});
    std::string current = paragraph.style == ParagraphStyle::kBullet ? kBullet : "";
    for (const Span& span : paragraph.spans) {
        if (span.target.empty()) {
            current += span.text;
            continue;
        }
        ByteWriter jump;
        jump.U8(kCmdTopicJump);
        jump.U32(ContextHash(span.target));
        parts.push_back({current, jump.Take()});
        parts.push_back({span.text, {kCmdEndHotspot}});
        current.clear();
    }
    parts.push_back({current, {kCmdEndParagraph}});
    parts.push_back({"", {kCmdEnd}});

    Record record;
    record.type = kRecordText;
    record.topic = topic;
    ByteWriter text;
    for (const auto& part : parts) text.Sz(part.first);
    record.data2 = text.Take();
    if (record.data2.size() > kMaxParagraphText)
        throw HelpError(paragraph.line, "paragraph longer than " + std::to_string(kMaxParagraphText) + " bytes");
    record.textLength = static_cast<std::uint16_t>(record.data2.size());

    ByteWriter info;
    PutCompressedLong(info, static_cast<std::int32_t>(record.data2.size()));  // the paragraph's text size
    PutCompressedUShort(info, record.textLength);
    info.U8(0x00);
    info.U8(0x80);  // a biased zero
    info.U16(0);    // paragraph id
    switch (paragraph.style) {
    case ParagraphStyle::kHeading:
        info.U16(kSpacingAbove | kSpacingBelow);
        PutCompressedShort(info, 4);
        PutCompressedShort(info, 6);
        break;
    case ParagraphStyle::kBullet:
        info.U16(kSpacingBelow | kLeftIndent | kFirstLineIndent);
        PutCompressedShort(info, 2);
        PutCompressedShort(info, 24);
        PutCompressedShort(info, -12);
        break;
    case ParagraphStyle::kBody:
        info.U16(kSpacingBelow);
        PutCompressedShort(info, 6);
        break;
    }
    for (const auto& part : parts) info.Append(part.second);
    record.data1 = info.Take();
    return record;
}

Bytes SystemRecord(std::uint16_t type, const Bytes& data) {
    ByteWriter out;
    out.U16(type);
    out.U16(static_cast<std::uint16_t>(data.size()));
    out.Append(data);
    return out.Take();
}

Bytes SzBytes(const std::string& text) {
    ByteWriter out;
    out.Sz(text);
    return out.Take();
}

Bytes BuildSystem(const HelpProject& project, std::uint32_t contents) {
    ByteWriter out;
    out.U16(kSystemMagic);
    out.U16(kSystemMinor);
    out.U16(1);  // major
    out.U32(0);  // generation date: none, so that a build is reproducible
    out.U16(kSystemFlagsLz77);
    out.Append(SystemRecord(1, SzBytes(project.title)));
    if (!project.copyright.empty()) out.Append(SystemRecord(2, SzBytes(project.copyright)));
    ByteWriter start;
    start.U32(contents);
    out.Append(SystemRecord(3, start.Take()));
    out.Append(SystemRecord(4, SzBytes("BrowseButtons()")));
    // The main window, so that its caption is the file's title in every viewer.
    if (project.title.size() >= kWindowCaptionSize) throw HelpError(0, "title longer than 50 bytes");
    ByteWriter window;
    window.U16(kWindowTypeValid | kWindowNameValid | kWindowCaptionValid);
    window.Append(std::string("primary"));
    window.Zeros(kWindowTypeSize - 7);
    window.Append(std::string("main"));
    window.Zeros(kWindowNameSize - 4);
    window.Append(project.title);
    window.Zeros(kWindowCaptionSize - project.title.size());
    window.Zeros(5 * 2 + 2 * 4);  // position, size, state and colours: the viewer's own
    out.Append(SystemRecord(6, window.Take()));
    ByteWriter lcid;
    lcid.Zeros(8);
    lcid.U16(kJapaneseLcid);
    out.Append(SystemRecord(9, lcid.Take()));
    ByteWriter charset;
    charset.U16(kShiftJisCharset);
    out.Append(SystemRecord(11, charset.Take()));
    ByteWriter dialogFont;
    dialogFont.U8(static_cast<std::uint8_t>(project.fontPoints));
    dialogFont.U8(static_cast<std::uint8_t>(kShiftJisCharset));
    dialogFont.Sz(project.fontFace);
    out.Append(SystemRecord(12, dialogFont.Take()));
    return out.Take();
}

Bytes BuildFont(const HelpProject& project) {
    if (project.fontFace.size() >= kFaceNameSize) throw HelpError(0, "font name longer than 31 bytes");
    ByteWriter out;
    out.U16(1);  // face names
    out.U16(2);  // descriptors
    out.U16(8);
    out.U16(static_cast<std::uint16_t>(8 + kFaceNameSize));
    out.Append(project.fontFace);
    out.Zeros(kFaceNameSize - project.fontFace.size());
    struct Descriptor {
        std::uint8_t attributes, halfPoints;
        std::uint8_t rgb[3];
    };
    const Descriptor descriptors[] = {
        {0, static_cast<std::uint8_t>(project.fontPoints * 2), {0, 0, 0}},
        {1, static_cast<std::uint8_t>((project.fontPoints + 3) * 2), {0, 0, 128}},  // bold, navy
    };
    for (const Descriptor& d : descriptors) {
        out.U8(d.attributes);
        out.U8(d.halfPoints);
        out.U8(3);  // family: swiss
        out.U16(0);
        out.U8(d.rgb[0]);
        out.U8(d.rgb[1]);
        out.U8(d.rgb[2]);
        out.U8(255);  // background, unused
        out.U8(255);
        out.U8(255);
    }
    return out.Take();
}

Bytes U32Bytes(std::uint32_t value) {
    ByteWriter out;
    out.U32(value);
    return out.Take();
}

}  // namespace

std::uint32_t ContextHash(const std::string& id) {
    std::uint32_t hash = 0;
    for (char ch : id) {
        std::uint32_t value = 0;
        if (ch >= 'A' && ch <= 'Z') value = static_cast<std::uint32_t>(ch - 'A' + 17);
        if (ch >= 'a' && ch <= 'z') value = static_cast<std::uint32_t>(ch - 'a' + 17);
        if (ch >= '1' && ch <= '9') value = static_cast<std::uint32_t>(ch - '0');
        if (ch == '0') value = 10;
        if (ch == '.') value = 12;
        if (ch == '_') value = 13;
        hash = hash * 43 + value;
    }
    return hash;
}

bool IsContextId(const std::string& id) {
    if (id.empty()) return false;
    return std::all_of(id.begin(), id.end(), [](char c) {
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' || c == '_';
    });
}

void PutCompressedUShort(ByteWriter& out, std::uint16_t value) {
    if (value >= 0x8000) throw std::out_of_range("compressed unsigned short out of range");
    if (value < 0x80) {
        out.U8(static_cast<std::uint8_t>(value * 2));
    } else {
        out.U16(static_cast<std::uint16_t>(value * 2 + 1));
    }
}

void PutCompressedShort(ByteWriter& out, int value) {
    if (value < -16384 || value > 16383) throw std::out_of_range("compressed short out of range");
    if (value >= -64 && value < 64) {
        out.U8(static_cast<std::uint8_t>(value * 2 + 0x80));
    } else {
        out.U16(static_cast<std::uint16_t>(value * 2 + 0x8000 + 1));
    }
}

void PutCompressedLong(ByteWriter& out, std::int32_t value) {
    if (value < -0x40000000 || value > 0x3FFFFFFF) throw std::out_of_range("compressed long out of range");
    if (value >= -16384 && value < 16384) {
        out.U16(static_cast<std::uint16_t>(value * 2 + 0x8000));
    } else {
        out.U32(static_cast<std::uint32_t>(static_cast<std::int64_t>(value) * 2 + 0x80000000LL + 1));
    }
}

std::uint32_t TopicPos(std::size_t streamOffset) {
    const std::size_t block = streamOffset / kTopicBlockCapacity;
    const std::size_t offset = streamOffset % kTopicBlockCapacity;
    return static_cast<std::uint32_t>((block << 14) + kTopicBlockHeaderSize + offset);
}

Bytes Lz77Literals(const Bytes& data) {
    Bytes out;
    out.reserve(data.size() + data.size() / 8 + 1);
    for (std::size_t i = 0; i < data.size(); ++i) {
        if (i % 8 == 0) out.push_back(0);
        out.push_back(data[i]);
    }
    return out;
}

TopicLayout LayoutTopics(const HelpProject& project) {
    const std::size_t topicCount = project.topics.size();
    std::vector<Record> records;
    for (std::size_t t = 0; t < topicCount; ++t) {
        const Topic& topic = project.topics[t];
        Record header;
        header.type = kRecordTopicHeader;
        header.topic = t;
        header.data1.assign(kTopicHeaderSize, 0);
        header.data2 = SzBytes(topic.title);
        records.push_back(header);
        for (const Paragraph& paragraph : topic.paragraphs) records.push_back(ParagraphRecord(paragraph, t));
    }

    TopicLayout layout;
    std::size_t offset = 0;
    for (const Record& record : records) {
        layout.streamOffsets.push_back(offset);
        offset += record.Size();
    }
    const std::size_t streamSize = offset;

    // Topic offsets: the block of the topic's header, and the characters of the
    // text records that start in that block before it.
    layout.offsets.assign(topicCount, kNone);
    layout.positions.assign(topicCount, kNone);
    std::size_t currentBlock = 0;
    std::uint32_t characters = 0;
    for (std::size_t r = 0; r < records.size(); ++r) {
        const std::size_t block = layout.streamOffsets[r] / kTopicBlockCapacity;
        if (block != currentBlock) {
            currentBlock = block;
            characters = 0;
        }
        if (records[r].type == kRecordTopicHeader) {
            if (characters >= 0x8000) throw HelpError(project.topics[records[r].topic].line, "topic block overflow");
            layout.offsets[records[r].topic] = static_cast<std::uint32_t>((block << 15) + characters);
            layout.positions[records[r].topic] = TopicPos(layout.streamOffsets[r]);
        } else {
            characters += records[r].textLength;
        }
    }

    // Topic headers: sizes, the browse sequence and the links between topics.
    for (std::size_t r = 0; r < records.size(); ++r) {
        if (records[r].type != kRecordTopicHeader) continue;
        const std::size_t t = records[r].topic;
        std::uint32_t size = 0;
        std::uint32_t scroll = kNone;
        for (std::size_t q = r; q < records.size() && records[q].topic == t; ++q) {
            size += static_cast<std::uint32_t>(records[q].Size());
            if (q > r && scroll == kNone) scroll = TopicPos(layout.streamOffsets[q]);
        }
        ByteWriter header;
        header.U32(size);
        header.U32(t > 0 ? layout.offsets[t - 1] : kNone);
        header.U32(t + 1 < topicCount ? layout.offsets[t + 1] : kNone);
        header.U32(static_cast<std::uint32_t>(t));
        header.U32(kNone);  // no non-scrolling region
        header.U32(scroll);
        header.U32(t + 1 < topicCount ? layout.positions[t + 1] : kNone);
        records[r].data1 = header.Take();
    }

    ByteWriter stream;
    for (std::size_t r = 0; r < records.size(); ++r) {
        const Record& record = records[r];
        stream.U32(static_cast<std::uint32_t>(record.Size()));
        stream.U32(static_cast<std::uint32_t>(record.data2.size()));
        stream.U32(r > 0 ? TopicPos(layout.streamOffsets[r - 1]) : kNone);
        stream.U32(r + 1 < records.size() ? TopicPos(layout.streamOffsets[r + 1]) : kNone);
        stream.U32(static_cast<std::uint32_t>(kTopicLinkHeaderSize + record.data1.size()));
        stream.U8(record.type);
        stream.Append(record.data1);
        stream.Append(record.data2);
    }
    const Bytes& data = stream.Data();

    ByteWriter file;
    const std::size_t blocks = (streamSize + kTopicBlockCapacity - 1) / kTopicBlockCapacity;
    for (std::size_t b = 0; b < blocks; ++b) {
        const std::size_t begin = b * kTopicBlockCapacity;
        const std::size_t end = std::min(begin + kTopicBlockCapacity, streamSize);
        std::uint32_t lastLink = kNone, firstLink = kNone, lastHeader = kNone;
        for (std::size_t r = 0; r < records.size(); ++r) {
            const std::size_t at = layout.streamOffsets[r];
            if (at < begin) {
                lastLink = TopicPos(at);
                if (records[r].type == kRecordTopicHeader) lastHeader = TopicPos(at);
            } else if (at < end && firstLink == kNone) {
                firstLink = TopicPos(at);
            }
        }
        const std::size_t blockStart = file.Size();
        file.U32(lastLink);
        file.U32(firstLink);
        file.U32(lastHeader);
        file.Append(Lz77Literals(
            Bytes(data.begin() + static_cast<std::ptrdiff_t>(begin), data.begin() + static_cast<std::ptrdiff_t>(end))));
        file.Zeros(kTopicBlockSize - (file.Size() - blockStart));
    }
    layout.topicFile = file.Take();
    return layout;
}

Bytes BuildFileSystem(const std::vector<std::pair<std::string, Bytes>>& files) {
    ByteWriter out;
    out.U32(kFileMagic);
    out.U32(0);  // directory start, patched
    out.U32(kNone);
    out.U32(0);                                    // file size, patched
    std::map<std::string, std::uint32_t> offsets;  // std::map: byte order, as the directory is searched
    for (const auto& [name, content] : files) {
        if (!offsets.emplace(name, static_cast<std::uint32_t>(out.Size())).second)
            throw std::invalid_argument("internal file " + name + " given twice");
        out.U32(static_cast<std::uint32_t>(content.size() + kFileHeaderSize));
        out.U32(static_cast<std::uint32_t>(content.size()));
        out.U8(kFileFlags);
        out.Append(content);
    }
    std::vector<BTreeEntry> entries;
    for (const auto& [name, at] : offsets) entries.push_back({SzBytes(name), U32Bytes(at)});
    const BTreeImage directory = BuildBTree({1024, true, "z4"}, entries);
    const auto directoryStart = static_cast<std::uint32_t>(out.Size());
    out.U32(static_cast<std::uint32_t>(directory.bytes.size() + kFileHeaderSize));
    out.U32(static_cast<std::uint32_t>(directory.bytes.size()));
    out.U8(kFileFlags);
    out.Append(directory.bytes);
    out.PatchU32(4, directoryStart);
    out.PatchU32(12, static_cast<std::uint32_t>(out.Size()));
    return out.Take();
}

Bytes BuildHelpFile(const HelpProject& project) {
    if (project.topics.empty()) throw HelpError(0, "no topics");
    std::map<std::uint32_t, const Topic*> byHash;
    for (const Topic& topic : project.topics) {
        if (!IsContextId(topic.id)) throw HelpError(topic.line, "topic id '" + topic.id + "' is not a context string");
        const std::uint32_t hash = ContextHash(topic.id);
        if (hash == 0) throw HelpError(topic.line, "topic id '" + topic.id + "' hashes to 0, the contents topic's");
        const auto [it, added] = byHash.emplace(hash, &topic);
        if (!added)
            throw HelpError(topic.line, "topic id '" + topic.id + "' has the same hash as '" + it->second->id +
                                            "' (line " + std::to_string(it->second->line) + ")");
    }

    const TopicLayout layout = LayoutTopics(project);

    std::vector<std::pair<std::int32_t, std::uint32_t>> context;  // signed hash order
    for (std::size_t t = 0; t < project.topics.size(); ++t)
        context.emplace_back(static_cast<std::int32_t>(ContextHash(project.topics[t].id)), layout.offsets[t]);
    std::sort(context.begin(), context.end());
    std::vector<BTreeEntry> contextEntries;
    for (const auto& [hash, offset] : context)
        contextEntries.push_back({U32Bytes(static_cast<std::uint32_t>(hash)), U32Bytes(offset)});

    std::vector<BTreeEntry> titleEntries;
    for (std::size_t t = 0; t < project.topics.size(); ++t)
        titleEntries.push_back({U32Bytes(layout.offsets[t]), SzBytes(project.topics[t].title)});

    std::vector<std::pair<std::string, Bytes>> files = {
        {"|SYSTEM", BuildSystem(project, layout.offsets[0])},
        {"|TOPIC", layout.topicFile},
        {"|FONT", BuildFont(project)},
        {"|CONTEXT", BuildBTree({2048, false, "L4"}, contextEntries).bytes},
        {"|TTLBTREE", BuildBTree({2048, false, "Lz"}, titleEntries).bytes},
    };

    // The keyword index: each keyword once, with the offsets of its topics.
    std::map<std::string, std::pair<std::string, std::vector<std::uint32_t>>> keywords;
    for (std::size_t t = 0; t < project.topics.size(); ++t) {
        for (const std::string& keyword : project.topics[t].keywords) {
            auto& entry = keywords[KeywordSortKey(keyword)];
            if (entry.first.empty()) entry.first = keyword;
            if (entry.second.empty() || entry.second.back() != layout.offsets[t])
                entry.second.push_back(layout.offsets[t]);
        }
    }
    if (!keywords.empty()) {
        ByteWriter data;
        std::vector<BTreeEntry> keywordEntries;
        for (const auto& [key, entry] : keywords) {
            ByteWriter value;
            value.U16(static_cast<std::uint16_t>(entry.second.size()));
            value.U32(static_cast<std::uint32_t>(data.Size()));
            for (std::uint32_t offset : entry.second) data.U32(offset);
            keywordEntries.push_back({SzBytes(entry.first), value.Take()});
        }
        const BTreeImage tree = BuildBTree({2048, false, "z24"}, keywordEntries);
        ByteWriter map;
        for (const BTreeLeaf& leaf : tree.leaves) {
            map.U32(leaf.firstEntry);
            map.U16(leaf.page);
        }
        files.push_back({"|KWBTREE", tree.bytes});
        files.push_back({"|KWDATA", data.Take()});
        files.push_back({"|KWMAP", map.Take()});
    }
    return BuildFileSystem(files);
}

}  // namespace helpc
