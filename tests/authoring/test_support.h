// What the authoring tests share: byte strings, edits run in memory, and PNG and
// BMP files built from pixel values, compressed by zlib rather than by the code
// under test.
#pragma once

#include <zlib.h>

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "ByteSource.h"
#include "WaveFile.h"
#include "riff_builder.h"

namespace authoring::test {

using riff::Bytes;

inline authoring::Bytes ToVector(const std::string& bytes) {
    return authoring::Bytes(bytes.begin(), bytes.end());
}

inline std::string ToString(const authoring::Bytes& bytes) {
    return std::string(bytes.begin(), bytes.end());
}

class StringSink : public Sink {
public:
    void Write(const std::uint8_t* data, std::size_t size) override {
        bytes.append(reinterpret_cast<const char*>(data), size);
    }
    std::string bytes;
};

// The file that an edit of wave gives.
inline std::string Edit(const std::string& wave, const EditRequest& request) {
    preview::MemoryByteSource source(wave.data(), wave.size());
    const WaveLayout layout = ReadLayout(source);
    RequireEditable(layout);
    const EditPlan plan = PlanEdit(source, layout, request);
    StringSink sink;
    WritePlan(source, layout, request, plan, sink);
    if (sink.bytes.size() != plan.outputSize) throw std::logic_error("the plan's size is not the written size");
    return sink.bytes;
}

// A chunk with the sub-chunks that a walk found in it.
struct TreeChunk : Chunk {
    std::vector<TreeChunk> children;
    std::string problem;
};

// The layout of a file with every chunk a walk found, as a tree.
struct Tree : WaveLayout {
    std::vector<TreeChunk> chunks;
};

class TreeVisitor : public ChunkVisitor {
public:
    explicit TreeVisitor(std::vector<TreeChunk>& top) : m_open{&top} {}
    void Visit(const Chunk& chunk, int depth) override {
        m_open.resize(static_cast<std::size_t>(depth) + 1);
        TreeChunk node;
        static_cast<Chunk&>(node) = chunk;
        m_open.back()->push_back(node);
        m_open.push_back(&m_open.back()->back().children);
    }
    void EndList(const Chunk&, int depth, const std::string& problem) override {
        m_open[static_cast<std::size_t>(depth)]->back().problem = problem;
    }

private:
    std::vector<std::vector<TreeChunk>*> m_open;
};

inline Tree TreeOf(const std::string& wave) {
    preview::MemoryByteSource source(wave.data(), wave.size());
    Tree tree;
    TreeVisitor visitor(tree.chunks);
    static_cast<WaveLayout&>(tree) = ReadLayout(source, &visitor);
    return tree;
}

inline Bytes Be32(std::uint32_t value) {
    return Bytes{static_cast<char>(value >> 24), static_cast<char>(value >> 16), static_cast<char>(value >> 8),
                 static_cast<char>(value)};
}

inline Bytes PngChunk(const char* type, const Bytes& data) {
    const Bytes body = Bytes(type, 4) + data;
    const auto crc = static_cast<std::uint32_t>(
        crc32(0, reinterpret_cast<const Bytef*>(body.data()), static_cast<uInt>(body.size())));
    return Be32(static_cast<std::uint32_t>(data.size())) + body + Be32(crc);
}

inline Bytes Compress(const Bytes& raw, int level = 9, int strategy = Z_DEFAULT_STRATEGY) {
    z_stream z{};
    deflateInit2(&z, level, Z_DEFLATED, 15, 8, strategy);
    std::vector<unsigned char> out(deflateBound(&z, static_cast<uLong>(raw.size())));
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(raw.data()));
    z.avail_in = static_cast<uInt>(raw.size());
    z.next_out = out.data();
    z.avail_out = static_cast<uInt>(out.size());
    deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    return Bytes(out.begin(), out.end());
}

// A PNG of the given samples (per pixel, per channel, rows top to bottom), each
// row with the filter type (row + pass) % 5, so every filter is used.
struct PngPicture {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    int depth = 8;
    int colourType = 0;
    bool interlaced = false;
    std::vector<std::uint32_t> samples;
    Bytes extraChunks;  // PLTE, tRNS and such, placed before the image data

    int Channels() const {
        static const int kChannels[7] = {1, 0, 3, 1, 2, 0, 4};
        return kChannels[colourType];
    }

    Bytes RawData() const {
        struct Pass {
            std::uint32_t x0, y0, dx, dy;
        };
        std::vector<Pass> passes = {{0, 0, 1, 1}};
        if (interlaced) {
            passes = {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4}, {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}};
        }
        const int channels = Channels();
        const std::size_t pixelBytes = std::max(1, channels * depth / 8);
        Bytes raw;
        for (std::size_t p = 0; p < passes.size(); ++p) {
            const Pass& pass = passes[p];
            Bytes prior;
            for (std::uint32_t y = pass.y0; y < height; y += pass.dy) {
                std::vector<std::uint32_t> values;
                for (std::uint32_t x = pass.x0; x < width; x += pass.dx) {
                    for (int c = 0; c < channels; ++c) values.push_back(samples[(y * width + x) * channels + c]);
                }
                if (values.empty()) break;
                Bytes row;
                int bitsUsed = 0;
                for (std::uint32_t v : values) {
                    if (depth == 16) {
                        row += static_cast<char>(v >> 8);
                        row += static_cast<char>(v);
                    } else if (depth == 8) {
                        row += static_cast<char>(v);
                    } else {
                        if (bitsUsed % 8 == 0) row += '\0';
                        row.back() = static_cast<char>(row.back() | v << (8 - depth - bitsUsed % 8));
                        bitsUsed += depth;
                    }
                }
                if (prior.empty()) prior.assign(row.size(), '\0');
                const int filter = static_cast<int>((y + p) % 5);
                Bytes filtered(1, static_cast<char>(filter));
                for (std::size_t i = 0; i < row.size(); ++i) {
                    const int a = i >= pixelBytes ? static_cast<unsigned char>(row[i - pixelBytes]) : 0;
                    const int b = static_cast<unsigned char>(prior[i]);
                    const int c = i >= pixelBytes ? static_cast<unsigned char>(prior[i - pixelBytes]) : 0;
                    int predictor = 0;
                    if (filter == 1) predictor = a;
                    if (filter == 2) predictor = b;
                    if (filter == 3) predictor = (a + b) / 2;
                    if (filter == 4) {
                        const int pa = std::abs(b - c);
                        const int pb = std::abs(a - c);
                        const int pc = std::abs(a + b - 2 * c);
                        predictor = pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
                    }
                    filtered += static_cast<char>(static_cast<unsigned char>(row[i]) - predictor);
                }
                raw += filtered;
                prior = row;
            }
        }
        return raw;
    }

    Bytes File() const {
        Bytes header = Be32(width) + Be32(height);
        header += static_cast<char>(depth);
        header += static_cast<char>(colourType);
        header += Bytes("\0\0", 2);
        header += static_cast<char>(interlaced ? 1 : 0);
        return Bytes("\x89PNG\r\n\x1a\n", 8) + PngChunk("IHDR", header) + extraChunks +
               PngChunk("IDAT", Compress(RawData())) + PngChunk("IEND", "");
    }
};

}  // namespace authoring::test
