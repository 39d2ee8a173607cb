// make_seeds: writes the seed corpora of the fuzz targets.
//
//   make_seeds OUT_DIR
//
// Creates OUT_DIR/fuzz_riff_walk (whole wave files) and OUT_DIR/fuzz_dib (the data
// of single DISP chunks), each file under 4 KB. The output depends on nothing
// else, so regenerating the committed seeds changes no file.

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "riff_builder.h"

namespace {

using namespace riff;

struct Seed {
    const char* name;
    Bytes bytes;
};

Bytes Palette(std::size_t n, std::size_t entrySize) {
    return Pattern(n * entrySize, 3);
}

// DISP chunk data: the DIB shapes the normalisation distinguishes.
std::vector<Seed> DibSeeds() {
    return {
        {"eight_bit_33x10", DispData(8, InfoHeader(33, 10, 8) + Palette(256, 4) + Pattern(360, 1))},
        {"eight_bit_clr100", DispData(8, InfoHeader(33, 10, 8, 100) + Palette(100, 4) + Pattern(360, 1))},
        {"eight_bit_clr300", DispData(8, InfoHeader(33, 10, 8, 300) + Palette(256, 4) + Pattern(360, 1))},
        {"four_bit_clr20", DispData(8, InfoHeader(7, 3, 4, 20) + Palette(16, 4) + Pattern(12, 1))},
        {"one_bit", DispData(8, InfoHeader(8, 2, 1) + Palette(2, 4) + Pattern(8, 1))},
        {"core_four_bit", DispData(8, CoreHeader(7, 3, 4) + Palette(16, 3) + Pattern(12, 1))},
        {"core_eight_bit", DispData(8, CoreHeader(5, 2, 8) + Palette(256, 3) + Pattern(16, 1))},
        {"core_24_bit", DispData(8, CoreHeader(3, 2, 24) + Pattern(24, 1))},
        {"sixteen_bit_clr5", DispData(8, InfoHeader(5, 3, 16, 5) + Pattern(36, 1))},
        {"true_colour", DispData(8, InfoHeader(3, 2, 24) + Pattern(24, 1))},
        {"true_colour_clr300", DispData(8, InfoHeader(3, 2, 24, 300) + Pattern(24, 1))},
        {"thirty_two_bit_clr256", DispData(8, InfoHeader(5, 3, 32, 256) + Pattern(60, 1))},
        {"top_down_stated", DispData(8, InfoHeader(3, -2, 24, 0, 24) + Pattern(24, 1))},
        {"top_down_unstated", DispData(8, InfoHeader(3, -2, 24) + Pattern(24, 1))},
        {"negative_width", DispData(8, InfoHeader(-33, -10, 8) + Palette(256, 4) + Pattern(320, 1))},
        {"huge_dimensions", DispData(8, InfoHeader(0x7FFFFFFF, 0x7FFFFFFF, 32) + Pattern(64, 1))},
        {"huge_core", DispData(8, CoreHeader(0xFFFF, 0xFFFF, 24) + Pattern(64, 1))},
        {"rle_small_size", DispData(8, InfoHeader(1000, 1000, 8, 0, 16, 1) + Palette(256, 4) + Pattern(16, 1))},
        {"stated_past_chunk", DispData(8, InfoHeader(3, 2, 24, 0, 0xFFFFFFF0u) + Pattern(24, 1))},
        {"truncated_table", DispData(8, InfoHeader(33, 10, 8) + Palette(100, 4))},
        {"bit_fields_565",
         DispData(8, InfoHeader(3, 2, 16, 0, 0, 3) + Le32(0xF800) + Le32(0x07E0) + Le32(0x001F) + Pattern(16, 1))},
        {"bit_fields_top_down",
         DispData(8, InfoHeader(3, -2, 32, 0, 24, 3) + Le32(0xFF) + Le32(0xFF00) + Le32(0xFF0000) + Pattern(24, 1))},
        {"bit_fields_split_mask", DispData(8, InfoHeader(1, 1, 32, 0, 4, 3) + Le32(0x0101) + Le32(0xFF0000) +
                                                  Le32(0xFF000000u) + Pattern(4, 1))},
        {"rle_top_down", DispData(8, InfoHeader(4, -2, 8, 2, 8, 1) + Palette(2, 4) + Pattern(8, 1))},
        {"two_bit", DispData(8, InfoHeader(8, 2, 2) + Palette(4, 4) + Pattern(8, 1))},
        {"format_one", DispData(1, "plain text")},
        {"v5_header", DispData(8, Le32(124) + Pattern(120, 1))},
    };
}

// Whole files: the walks the readers take, and the ways a file can be malformed.
std::vector<Seed> WalkSeeds() {
    const Bytes fmt = Fmt();
    const Bytes picture = Chunk("DISP", DispData(8, InfoHeader(3, 2, 24) + Pattern(24, 1)));
    const Bytes text = List("INFO", Chunk("INAM", "name") + Chunk("ISBJ", "a bell\0"));
    const Bytes oddDisp = DispData(8, InfoHeader(1, 1, 24, 0, 5) + Pattern(5, 1));
    const Bytes oddBody = "WAVE" + fmt + RawChunk("DISP", static_cast<std::uint32_t>(oddDisp.size()), oddDisp);
    const Bytes oddTextBody = "WAVE" + fmt + RawChunk("LIST", 4 + 8 + 3, "INFO" + RawChunk("ISBJ", 3, "xyz"));
    const Bytes zeroListBody = "WAVE" + fmt + RawChunk("LIST", 0, "");
    std::vector<Seed> seeds = {
        {"plain_wave", Wave(Chunk("data", Pattern(64, 1)))},
        {"picture_and_text", Wave(text + Chunk("data", Pattern(64, 1)) + picture)},
        {"format_one_then_eight", Wave(Chunk("DISP", DispData(1, "text")) + picture)},
        {"two_bit_then_eight",
         Wave(Chunk("DISP", DispData(8, InfoHeader(8, 2, 2) + Palette(4, 4) + Pattern(8, 1))) + picture)},
        {"disp_past_form_end", Wave(RawChunk("DISP", 0x100000, picture))},
        {"disp_past_file_end", RawChunk("RIFF", 0xFFFFFF00u, "WAVE" + fmt + RawChunk("DISP", 5000, "data"))},
        {"form_past_file_end", RawChunk("RIFF", 0x7FFFFFFF, "WAVE" + fmt + text + picture)},
        {"odd_disp_no_pad", RawChunk("RIFF", static_cast<std::uint32_t>(oddBody.size()), oddBody)},
        {"odd_text_no_pad", RawChunk("RIFF", static_cast<std::uint32_t>(oddTextBody.size()), oddTextBody)},
        {"zero_size_list", Wave(RawChunk("LIST", 0, "") + text)},
        {"zero_size_list_at_end", RawChunk("RIFF", static_cast<std::uint32_t>(zeroListBody.size()), zeroListBody)},
        {"list_not_info_then_info", Wave(List("adtl", Chunk("labl", "cue")) + text)},
        {"text_after_list", Wave(List("INFO", Chunk("INAM", "name")) + Chunk("ISBJ", "later"))},
        {"text_nul_inside", Wave(List("INFO", Chunk("ISBJ", Bytes("ab\0cd", 5))))},
        {"text_empty", Wave(List("INFO", Chunk("ISBJ", "")))},
        {"text_past_file_end",
         RawChunk("RIFF", 0xFFFFFF00u, "WAVE" + fmt + List("INFO", RawChunk("ISBJ", 1000, "hel")))},
        {"list_size_past_form", Wave(RawChunk("LIST", 0x7FFFFFFF, "INFO" + Chunk("ISBJ", "inside")))},
        {"truncated_header", RawChunk("RIFF", 60, "WAVE" + fmt + "LIS")},
        {"size_wraps", RawChunk("RIFF", 0xFFFFFFFFu, "WAVE" + RawChunk("big ", 0xFFFFFFFFu, "tiny")) + picture},
        {"other_form_first", Riff("AVI ", "xxxx") + Wave(picture)},
        {"not_riff", "just some text"},
        {"format_of_17_bytes", Riff("WAVE", Chunk("fmt ", Fmt().substr(8) + "\xFF") + Chunk("data", "ab"))},
    };
    for (const Seed& dib : DibSeeds()) seeds.push_back({dib.name, Wave(Chunk("DISP", dib.bytes))});
    return seeds;
}

bool Write(const std::filesystem::path& dir, const std::vector<Seed>& seeds) {
    std::filesystem::create_directories(dir);
    for (const Seed& seed : seeds) {
        if (seed.bytes.size() >= 4096) {
            std::cerr << "make_seeds: " << seed.name << " is not under 4 KB\n";
            return false;
        }
        std::ofstream out(dir / seed.name, std::ios::binary);
        out.write(seed.bytes.data(), static_cast<std::streamsize>(seed.bytes.size()));
        if (!out) {
            std::cerr << "make_seeds: cannot write " << (dir / seed.name).string() << "\n";
            return false;
        }
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: make_seeds OUT_DIR\n";
        return 2;
    }
    const std::filesystem::path out = argv[1];
    return Write(out / "fuzz_riff_walk", WalkSeeds()) && Write(out / "fuzz_dib", DibSeeds()) ? 0 : 1;
}
