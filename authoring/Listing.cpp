#include "Listing.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "Cp932.h"
#include "DisplayDib.h"
#include "Image.h"
#include "PreviewReaders.h"
#include "RiffReader.h"

namespace authoring {

namespace {

// Longest stretch of an INFO text that the listing shows.
constexpr std::size_t kShownText = 200;

std::string Padded(std::uint64_t value, int width) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%*llu", width, static_cast<unsigned long long>(value));
    return buffer;
}

Bytes ReadBytes(preview::ByteSource& source, std::uint64_t offset, std::size_t size) {
    Bytes bytes(size);
    bytes.resize(source.ReadAt(offset, bytes.data(), size));
    return bytes;
}

// The text of a sub-chunk of a LIST INFO chunk.
std::string InfoText(preview::ByteSource& source, const Chunk& chunk) {
    Bytes text = ReadBytes(source, chunk.DataOffset(), std::min<std::size_t>(chunk.size, kShownText));
    text.erase(std::find(text.begin(), text.end(), 0), text.end());
    const bool cut = chunk.size > kShownText && text.size() == kShownText;
    return "\"" + EscapeText(Cp932ToUtf8(std::string(text.begin(), text.end()))) + (cut ? "..." : "") + "\"";
}

std::string Describe(preview::ByteSource& source, const Chunk& chunk) {
    using preview::MakeFourCC;
    if (chunk.id == MakeFourCC('f', 'm', 't', ' ') && chunk.size >= 16) {
        const Bytes f = ReadBytes(source, chunk.DataOffset(), 16);
        if (f.size() < 16) return "";
        const std::uint16_t tag = le::Get16(&f[0]);
        return std::string(tag == 1 ? "PCM" : "format " + std::to_string(tag)) + ", " +
               std::to_string(le::Get16(&f[2])) + " channel(s), " + std::to_string(le::Get32(&f[4])) + " Hz, " +
               std::to_string(le::Get16(&f[14])) + " bits";
    }
    if (chunk.id == preview::kFourCCDisp) {
        if (!chunk.dispFormat) return "no clipboard format";
        if (!chunk.IsPicture()) return "clipboard format " + std::to_string(*chunk.dispFormat);
        const Bytes h = ReadBytes(source, chunk.DataOffset() + 4, std::min<std::uint32_t>(chunk.size - 4, 40));
        if (h.size() >= 12 && le::Get32(&h[0]) == preview::kCoreHeaderSize) {
            return "CF_DIB, core header, " + DescribeDib(le::Get16(&h[4]), le::Get16(&h[6]), le::Get16(&h[10]),
                                                         preview::CountDibColors(h.data(), h.size()));
        }
        if (h.size() >= 40 && le::Get32(&h[0]) == preview::kInfoHeaderSize) {
            return "CF_DIB, " + DescribeDib(static_cast<std::int32_t>(le::Get32(&h[4])),
                                            static_cast<std::int32_t>(le::Get32(&h[8])), le::Get16(&h[14]),
                                            preview::CountDibColors(h.data(), h.size()));
        }
        return "CF_DIB, no DIB header";
    }
    return "";
}

class ListingVisitor : public ChunkVisitor {
public:
    ListingVisitor(preview::ByteSource& source, const std::function<void(const std::string&)>& print)
        : m_source(source), m_print(print) {}

    void Visit(const Chunk& chunk, int depth) override {
        const int shown = depth + 1;
        std::string line = Padded(chunk.offset, 10) + Padded(chunk.size, 11) + std::string(2 + 2 * shown, ' ') + "'" +
                           FourCCText(chunk.id) + "'";
        if (chunk.listType) line += " '" + FourCCText(*chunk.listType) + "'";
        const bool inInfo = depth > 0 && m_infoAt[static_cast<std::size_t>(depth - 1)];
        const std::string detail = inInfo ? InfoText(m_source, chunk) : Describe(m_source, chunk);
        if (!detail.empty()) line += "  " + detail;
        if (chunk.size % 2 != 0) line += "  (odd size, pad byte follows)";
        Add(line + "\n");
        m_infoAt.resize(static_cast<std::size_t>(depth) + 1);
        m_infoAt[static_cast<std::size_t>(depth)] = chunk.listType == preview::kFourCCInfo;
    }

    void EndList(const Chunk&, int depth, const std::string& problem) override {
        if (!problem.empty()) Add(std::string(25 + 2 * depth, ' ') + "  damaged: " + problem + "\n");
    }

    // Lines are printed in blocks, so a file of many chunks needs neither a
    // write per line nor its whole listing in memory.
    void Add(const std::string& text) {
        m_pending += text;
        if (m_pending.size() >= 64 * 1024) Flush();
    }

    void Flush() {
        if (!m_pending.empty()) m_print(m_pending);
        m_pending.clear();
    }

private:
    preview::ByteSource& m_source;
    const std::function<void(const std::string&)>& m_print;
    // Whether the list that holds the chunks of each depth is an INFO list.
    std::vector<bool> m_infoAt;
    std::string m_pending;
};

}  // namespace

std::string EscapeText(const std::string& utf8) {
    std::string out;
    for (char c : utf8) {
        if (c == '\r') {
            out += "\\r";
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c == '\\') {
            out += "\\\\";
        } else if (c == '"') {
            out += "\\\"";
        } else {
            out += c;
        }
    }
    return out;
}

WaveLayout ListChunks(preview::ByteSource& source, const std::function<void(const std::string&)>& print) {
    std::uint8_t riff[8] = {};
    source.ReadAt(0, riff, sizeof riff);
    ListingVisitor listing(source, print);
    listing.Add("    offset       size  chunk\n" + Padded(0, 10) + Padded(le::Get32(riff + 4), 11) +
                "  'RIFF' 'WAVE'\n");
    const WaveLayout layout = ReadLayout(source, &listing);
    if (layout.fileSize > layout.FormEnd()) {
        listing.Add(Padded(layout.FormEnd(), 10) + Padded(layout.fileSize - layout.FormEnd(), 11) +
                    "  (bytes after the RIFF form)\n");
    }
    listing.Flush();
    return layout;
}

std::string ListPreview(preview::ByteSource& source) {
    std::string out = "ZORVAND shows:\n  picture:     ";
    const preview::PictureResult picture = preview::ReadPicture(source);
    switch (picture.outcome) {
    case preview::PictureOutcome::kNotWave:
        out += "none, and the message that this is no WAVE file";
        break;
    case preview::PictureOutcome::kNoPicture:
        out += "none";
        break;
    case preview::PictureOutcome::kShortRead:
        out += "none, and the message that a DISP chunk could not be read";
        break;
    case preview::PictureOutcome::kNoBlock:
        out += "none (no memory for the DISP chunk)";
        break;
    case preview::PictureOutcome::kPicture: {
        const std::uint8_t* h = picture.dib.data();
        const auto width = static_cast<std::int32_t>(le::Get32(h + 4));
        // A top-down picture is held and shown bottom-up: its height as the program holds it.
        const auto height = std::abs(static_cast<std::int32_t>(le::Get32(h + 8)));
        out += DescribeDib(width, height, le::Get16(h + 14), le::Get32(h + 32));
        if (width > static_cast<std::int32_t>(kFrameWidth) || height > static_cast<std::int32_t>(kFrameHeight)) {
            out += " (the frame shows its bottom-left " + std::to_string(kFrameWidth) + " x " +
                   std::to_string(kFrameHeight) + ")";
        }
        break;
    }
    }
    out += "\n  description: ";
    const preview::DescriptionResult description = preview::ReadDescription(source);
    const std::string text = "\"" + EscapeText(Cp932ToUtf8(description.text)) + "\"";
    switch (description.outcome) {
    case preview::DescriptionOutcome::kNotWave:
    case preview::DescriptionOutcome::kNoList:
        out += "none (no LIST chunk)";
        break;
    case preview::DescriptionOutcome::kListNotInfo:
        out += "none (the first LIST chunk is not of type INFO)";
        break;
    case preview::DescriptionOutcome::kNoText:
        out += "none (no ISBJ chunk after the first LIST INFO)";
        break;
    case preview::DescriptionOutcome::kTextOutsideForm:
        out += "none (the ISBJ chunk reaches past the RIFF form)";
        break;
    case preview::DescriptionOutcome::kNoBlock:
        out += "none (no memory for the ISBJ chunk)";
        break;
    case preview::DescriptionOutcome::kShortRead:
        out += text + ", and the message that the ISBJ chunk could not be read";
        break;
    case preview::DescriptionOutcome::kText:
        out += text;
        break;
    }
    return out + "\n";
}

}  // namespace authoring
