#include <gtest/gtest.h>

#include <algorithm>

#include "Cp932.h"
#include "DisplayDib.h"
#include "Errors.h"
#include "Image.h"
#include "PreviewReaders.h"
#include "WaveFile.h"
#include "test_support.h"

namespace authoring {
namespace {

using riff::Chunk;
using riff::Le32;
using riff::List;
using riff::Pattern;
using riff::RawChunk;
using riff::Riff;
using test::Bytes;
using test::Edit;

// An odd-sized chunk whose pad byte is not 0, so that a copy that rewrote pads
// would show.
Bytes OddChunk(const char* id) {
    return RawChunk(id, 5, "abcde") + "\xAB";
}

const Bytes kData = Chunk("data", Pattern(4001 * 2, 3));

Bytes PlainWave() {
    return riff::Wave(kData);
}

// A wave file with odd-sized and unknown chunks around the sound, another list
// and bytes after the form.
Bytes BusyWave() {
    return Riff("WAVE", riff::Fmt() + OddChunk("junk") + Chunk("fact", Le32(4001)) + kData +
                            List("adtl", Chunk("labl", Le32(1) + "Start")) + OddChunk("zzz9")) +
           "TRAILER";
}

authoring::Bytes Dib(std::uint32_t seed, int indexBits = 8) {
    Image image;
    image.width = 21;
    image.height = 9;
    image.indexBits = indexBits;
    if (indexBits != 0) {
        for (int i = 0; i < 1 << indexBits; ++i) {
            image.palette.push_back(
                {static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(seed), static_cast<std::uint8_t>(i ^ 0x5A)});
        }
    }
    for (std::uint32_t i = 0; i < image.width * image.height * (indexBits == 0 ? 3 : 1); ++i) {
        image.pixels.push_back(static_cast<std::uint8_t>((i * 7 + seed) % (indexBits == 0 ? 256 : 1 << indexBits)));
    }
    return MakePackedDib(image);
}

std::optional<authoring::Bytes> Picture(const authoring::Bytes& dib) {
    authoring::Bytes data;
    le::Append32(data, preview::kClipboardFormatDib);
    data.insert(data.end(), dib.begin(), dib.end());
    return data;
}

EditRequest SetBoth(std::uint32_t seed, const std::string& text) {
    EditRequest request;
    request.picture = Picture(Dib(seed));
    request.text = text;
    return request;
}

preview::PictureResult PictureOf(const Bytes& wave) {
    preview::MemoryByteSource source(wave.data(), wave.size());
    return preview::ReadPicture(source);
}

preview::DescriptionResult DescriptionOf(const Bytes& wave) {
    preview::MemoryByteSource source(wave.data(), wave.size());
    return preview::ReadDescription(source);
}

test::Tree LayoutOf(const Bytes& wave) {
    return test::TreeOf(wave);
}

// Every chunk of the form, header, data and pad, except those named, in order.
std::vector<Bytes> ChunksExcept(const Bytes& wave, std::vector<std::string> skipped) {
    std::vector<Bytes> kept;
    for (const authoring::Chunk& chunk : LayoutOf(wave).chunks) {
        std::string id = FourCCText(chunk.id);
        if (chunk.listType) id += " " + FourCCText(*chunk.listType);
        if (std::find(skipped.begin(), skipped.end(), id) != skipped.end()) continue;
        kept.push_back(wave.substr(chunk.offset, chunk.End() - chunk.offset));
    }
    return kept;
}

std::string MessageOf(const Bytes& wave, const EditRequest& request = SetBoth(1, "x")) {
    try {
        Edit(wave, request);
    } catch (const InputError& error) {
        return error.what();
    }
    return "no error";
}

// "ベルです" in code page 932.
const std::string kText = "\x83\x78\x83\x8B\x82\xC5\x82\xB7";

TEST(WaveEdit, WhatIsSetIsWhatTheProgramShows) {
    const Bytes result = Edit(PlainWave(), SetBoth(1, kText));
    const preview::PictureResult picture = PictureOf(result);
    ASSERT_EQ(picture.outcome, preview::PictureOutcome::kPicture);
    EXPECT_TRUE(picture.dib == Dib(1));
    const preview::DescriptionResult description = DescriptionOf(result);
    ASSERT_EQ(description.outcome, preview::DescriptionOutcome::kText);
    EXPECT_EQ(description.text, kText);
    EXPECT_EQ(Cp932ToUtf8(description.text), "\xE3\x83\x99\xE3\x83\xAB\xE3\x81\xA7\xE3\x81\x99");
    EXPECT_TRUE(LayoutOf(result).problem.empty());
}

TEST(WaveEdit, NewChunksGoBeforeTheDataAndTheRiffSizeFollows) {
    const Bytes result = Edit(PlainWave(), SetBoth(1, kText));
    const test::Tree layout = LayoutOf(result);
    ASSERT_EQ(layout.chunks.size(), 4u);
    EXPECT_EQ(FourCCText(layout.chunks[0].id), "fmt ");
    EXPECT_EQ(FourCCText(layout.chunks[1].id), "LIST");
    EXPECT_EQ(FourCCText(layout.chunks[2].id), "DISP");
    EXPECT_EQ(FourCCText(layout.chunks[3].id), "data");
    EXPECT_EQ(layout.FormEnd(), result.size());
    // The text with its NUL: 9 bytes and a pad.
    ASSERT_EQ(layout.chunks[1].children.size(), 1u);
    EXPECT_EQ(layout.chunks[1].children[0].size, 9u);
    EXPECT_EQ(result.substr(layout.chunks[1].children[0].DataOffset(), 10), kText + std::string(2, '\0'));
}

TEST(WaveEdit, KeepsEveryOtherChunkByteForByte) {
    const Bytes original = BusyWave();
    const Bytes result = Edit(original, SetBoth(2, kText));
    EXPECT_EQ(ChunksExcept(result, {"DISP", "LIST INFO"}), ChunksExcept(original, {}));
    EXPECT_EQ(result.substr(result.size() - 7), "TRAILER");
    EXPECT_NE(result.find(kData), std::string::npos);
}

TEST(WaveEdit, SettingTwiceGivesTheSameBytes) {
    const Bytes once = Edit(BusyWave(), SetBoth(3, kText));
    EXPECT_EQ(Edit(once, SetBoth(3, kText)), once);
}

TEST(WaveEdit, ReplacesThePictureAndTheTextWhereTheyStand) {
    const Bytes first = Edit(BusyWave(), SetBoth(4, kText));
    const Bytes second = Edit(first, SetBoth(5, "other"));
    EXPECT_TRUE(PictureOf(second).dib == Dib(5));
    EXPECT_EQ(DescriptionOf(second).text, "other");
    const test::Tree before = LayoutOf(first);
    const test::Tree after = LayoutOf(second);
    ASSERT_EQ(before.chunks.size(), after.chunks.size());
    for (std::size_t i = 0; i < before.chunks.size(); ++i) EXPECT_EQ(before.chunks[i].id, after.chunks[i].id);
    EXPECT_EQ(ChunksExcept(second, {"DISP", "LIST INFO"}), ChunksExcept(first, {"DISP", "LIST INFO"}));
}

TEST(WaveEdit, SetsThePictureAloneOrTheTextAlone) {
    EditRequest picture;
    picture.picture = Picture(Dib(6, 0));
    const Bytes withPicture = Edit(PlainWave(), picture);
    EXPECT_TRUE(PictureOf(withPicture).dib == Dib(6, 0));
    EXPECT_EQ(DescriptionOf(withPicture).outcome, preview::DescriptionOutcome::kNoList);

    EditRequest text;
    text.text = kText;
    const Bytes withText = Edit(withPicture, text);
    EXPECT_TRUE(PictureOf(withText).dib == Dib(6, 0));
    EXPECT_EQ(DescriptionOf(withText).text, kText);
}

TEST(WaveEdit, ChangesOnlyTheTextOfAnExistingInfoList) {
    const Bytes info =
        List("INFO", Chunk("INAM", "Name") + Chunk("ISBJ", "old\0") + Chunk("ICMT", "odd") + Chunk("ISBJ", "second"));
    const Bytes original = riff::Wave(info + kData);
    EditRequest request;
    request.text = kText;
    const Bytes result = Edit(original, request);
    EXPECT_EQ(DescriptionOf(result).text, kText);
    const test::Tree layout = LayoutOf(result);
    ASSERT_EQ(layout.chunks[1].children.size(), 3u);
    EXPECT_EQ(FourCCText(layout.chunks[1].children[0].id), "INAM");
    EXPECT_EQ(FourCCText(layout.chunks[1].children[1].id), "ISBJ");
    EXPECT_EQ(FourCCText(layout.chunks[1].children[2].id), "ICMT");
    EXPECT_NE(result.find(Chunk("INAM", "Name") + Chunk("ISBJ", kText + '\0') + Chunk("ICMT", "odd")),
              std::string::npos);
}

TEST(WaveEdit, AddsTheTextAtTheEndOfAnInfoListWithoutOne) {
    const Bytes original = riff::Wave(List("INFO", Chunk("ISFT", "Lavf")) + kData);
    EditRequest request;
    request.text = kText;
    const Bytes result = Edit(original, request);
    EXPECT_EQ(DescriptionOf(result).text, kText);
    EXPECT_NE(result.find(Chunk("ISFT", "Lavf") + Chunk("ISBJ", kText + '\0')), std::string::npos);
}

// The program reads only the first top-level LIST; the new INFO list goes before
// one of another type.
TEST(WaveEdit, PutsANewInfoListBeforeAFirstListOfAnotherType) {
    const Bytes adtl = List("adtl", Chunk("labl", Le32(1) + "A"));
    const Bytes original = riff::Wave(adtl + kData + List("INFO", Chunk("ISBJ", "late")));
    EXPECT_EQ(DescriptionOf(original).outcome, preview::DescriptionOutcome::kListNotInfo);
    EditRequest request;
    request.text = kText;
    const Bytes result = Edit(original, request);
    EXPECT_EQ(DescriptionOf(result).text, kText);
    EXPECT_EQ(FourCCText(*LayoutOf(result).chunks[1].listType), "INFO");
    EXPECT_EQ(ChunksExcept(result, {"LIST INFO"}), ChunksExcept(original, {"LIST INFO"}));
}

TEST(WaveEdit, ReplacesTheFirstDibPictureKeepsOtherFormatsAndDropsLaterPictures) {
    const Bytes text = Chunk("DISP", Le32(1) + "A text picture");
    const Bytes oldDib = Chunk("DISP", test::ToString(*Picture(Dib(7))));
    const Bytes original = riff::Wave(text + oldDib + kData + oldDib);
    EditRequest request;
    request.picture = Picture(Dib(8));
    const Bytes result = Edit(original, request);
    const test::Tree layout = LayoutOf(result);
    ASSERT_EQ(layout.chunks.size(), 4u);
    EXPECT_EQ(result.substr(layout.chunks[1].offset, text.size()), text);
    EXPECT_EQ(layout.chunks[2].offset, layout.chunks[1].End());
    EXPECT_TRUE(PictureOf(result).dib == Dib(8));
    EXPECT_EQ(FourCCText(layout.chunks[3].id), "data");
}

TEST(WaveEdit, RemovingWhatWasSetGivesTheOriginalBack) {
    EditRequest remove;
    remove.removePicture = true;
    remove.removeText = true;
    for (const Bytes& original : {PlainWave(), BusyWave(), riff::Wave(List("INFO", Chunk("ISFT", "x")) + kData)}) {
        EXPECT_EQ(Edit(Edit(original, SetBoth(9, kText)), remove), original);
    }
}

TEST(WaveEdit, RemovesThePictureOrTheTextAlone) {
    const Bytes both = Edit(BusyWave(), SetBoth(10, kText));
    EditRequest picture;
    picture.removePicture = true;
    const Bytes noPicture = Edit(both, picture);
    EXPECT_EQ(PictureOf(noPicture).outcome, preview::PictureOutcome::kNoPicture);
    EXPECT_EQ(DescriptionOf(noPicture).text, kText);

    EditRequest text;
    text.removeText = true;
    const Bytes noText = Edit(both, text);
    EXPECT_TRUE(PictureOf(noText).dib == Dib(10));
    EXPECT_EQ(DescriptionOf(noText).outcome, preview::DescriptionOutcome::kListNotInfo);
}

TEST(WaveEdit, RemovingTheTextKeepsTheRestOfTheInfoList) {
    const Bytes original = riff::Wave(List("INFO", Chunk("INAM", "Name") + Chunk("ISBJ", "text")) + kData);
    EditRequest request;
    request.removeText = true;
    EXPECT_EQ(Edit(original, request), riff::Wave(List("INFO", Chunk("INAM", "Name")) + kData));
}

TEST(WaveEdit, ARemovalWithNothingToRemoveChangesNothing) {
    const Bytes wave = BusyWave();
    preview::MemoryByteSource waveSource(wave.data(), wave.size());
    EditRequest request;
    request.removePicture = true;
    request.removeText = true;
    const EditPlan plan = PlanEdit(waveSource, ReadLayout(waveSource), request);
    EXPECT_FALSE(plan.changes);
    EXPECT_EQ(plan.outputSize, wave.size());
}

EditPlan PlanOf(const Bytes& wave, const EditRequest& request) {
    preview::MemoryByteSource source(wave.data(), wave.size());
    return PlanEdit(source, ReadLayout(source), request);
}

// The program reads only the first LIST chunk, and looks for the text from its
// first sub-chunk on to the form's end: a removal must neither promote a later
// list to the first nor leave an ISBJ chunk where that search goes on.
TEST(WaveEdit, RemovingTheTextLeavesTheProgramNoTextToShow) {
    EditRequest request;
    request.removeText = true;
    const Bytes hidden = List("INFO", Chunk("ISBJ", "hidden"));

    const Bytes emptyFirst = riff::Wave(List("INFO", "") + hidden + kData);
    ASSERT_EQ(DescriptionOf(emptyFirst).outcome, preview::DescriptionOutcome::kNoText);
    EXPECT_FALSE(PlanOf(emptyFirst, request).changes);
    EXPECT_EQ(Edit(emptyFirst, request), emptyFirst);

    const Bytes twoLists = riff::Wave(List("INFO", Chunk("ISBJ", "first")) + hidden + kData);
    const EditPlan plan = PlanOf(twoLists, request);
    EXPECT_TRUE(plan.changes);
    EXPECT_EQ(plan.droppedTexts, 1u);
    EXPECT_TRUE(plan.keptEmptyList);
    const Bytes removed = Edit(twoLists, request);
    EXPECT_EQ(removed, riff::Wave(List("INFO", "") + hidden + kData));
    EXPECT_EQ(DescriptionOf(removed).outcome, preview::DescriptionOutcome::kNoText);

    const Bytes outside = riff::Wave(List("INFO", Chunk("INAM", "Name")) + Chunk("ISBJ", "outside") + kData);
    ASSERT_EQ(DescriptionOf(outside).text, "outside");
    EXPECT_EQ(PlanOf(outside, request).droppedTexts, 1u);
    EXPECT_EQ(Edit(outside, request), riff::Wave(List("INFO", Chunk("INAM", "Name")) + kData));

    // With no other list after it, an emptied list goes, as the one that set it.
    const Bytes alone = riff::Wave(List("INFO", Chunk("ISBJ", "only")) + kData);
    EXPECT_FALSE(PlanOf(alone, request).keptEmptyList);
    EXPECT_EQ(Edit(alone, request), PlainWave());
}

// The edit's cost follows the number of chunks it changes, not the number it
// copies: thousands of small chunks are copied in one piece.
TEST(WaveEdit, CopiesRunsOfManySmallChunksExactly) {
    Bytes junk;
    for (int i = 0; i < 20000; ++i) junk += RawChunk("JUNK", 0, "");
    const Bytes wave = riff::Wave(junk + OddChunk("odd1") + junk + kData);
    const Bytes once = Edit(wave, SetBoth(12, kText));
    EXPECT_EQ(DescriptionOf(once).text, kText);
    EXPECT_EQ(ChunksExcept(once, {"DISP", "LIST INFO"}), ChunksExcept(wave, {}));
    EditRequest remove;
    remove.removePicture = true;
    remove.removeText = true;
    EXPECT_EQ(Edit(once, remove), wave);
}

TEST(WaveLayoutCheck, RefusesFilesThatAreNoRiffWave) {
    EXPECT_NE(MessageOf("hello, this is text").find("not a RIFF file"), std::string::npos);
    EXPECT_NE(MessageOf("").find("not a RIFF file"), std::string::npos);
    EXPECT_NE(MessageOf("RIFF\x04").find("too short"), std::string::npos);
    EXPECT_NE(MessageOf(Riff("AVI ", kData)).find("form 'AVI ', not a WAVE"), std::string::npos);
    EXPECT_NE(MessageOf("RIFX" + PlainWave().substr(4)).find("big-endian"), std::string::npos);
    EXPECT_NE(MessageOf(Riff("WAVE", kData)).find("without a 'fmt ' chunk"), std::string::npos);
    EXPECT_NE(MessageOf(riff::Wave("")).find("without a 'data' chunk"), std::string::npos);
}

TEST(WaveLayoutCheck, RefusesEveryTruncation) {
    const Bytes wave = BusyWave();
    const std::size_t formEnd = wave.size() - 7;
    for (std::size_t size = 0; size < formEnd; ++size) {
        EXPECT_THROW(Edit(wave.substr(0, size), SetBoth(1, "x")), InputError) << size;
    }
    EXPECT_NE(MessageOf(wave.substr(0, 100)).find("cut short: the RIFF header states"), std::string::npos);
}

TEST(WaveLayoutCheck, RefusesOddSizesWithoutTheirPadByte) {
    // The last chunk of the form is odd and the form ends without its pad.
    const Bytes body = "WAVE" + riff::Fmt() + Chunk("data", "12345678") + RawChunk("zzzz", 5, "abcde");
    const Bytes lastOdd = RawChunk("RIFF", static_cast<std::uint32_t>(body.size()), body);
    EXPECT_NE(MessageOf(lastOdd).find("has the odd size 5 but no pad byte"), std::string::npos) << MessageOf(lastOdd);

    // An odd chunk followed at once by the next header.
    const Bytes noPad = Riff("WAVE", riff::Fmt() + RawChunk("junk", 3, "abc") + kData);
    const std::string message = MessageOf(noPad);
    EXPECT_NE(message.find("the chunk 'junk' before it has the odd size 3, so its pad byte may be missing"),
              std::string::npos)
        << message;

    const Bytes stray = Riff("WAVE", riff::Fmt() + kData + "xyz");
    EXPECT_NE(MessageOf(stray).find("stray byte(s)"), std::string::npos);

    const Bytes tooLong = Riff("WAVE", riff::Fmt() + RawChunk("data", 100, "short1"));
    EXPECT_NE(MessageOf(tooLong).find("states 100 bytes of data, but only 6 follow"), std::string::npos)
        << MessageOf(tooLong);
}

// A damaged INFO list is refused only when the text is changed; otherwise it is
// copied as it stands.
TEST(WaveLayoutCheck, RefusesToChangeTheTextOfADamagedInfoList) {
    const Bytes info = Chunk("LIST", "INFO" + RawChunk("ISBJ", 50, "short"));
    const Bytes original = riff::Wave(info + kData);
    EXPECT_NE(MessageOf(original).find("the INFO list at offset 36 is damaged"), std::string::npos);
    EditRequest picture;
    picture.picture = Picture(Dib(11));
    const Bytes result = Edit(original, picture);
    EXPECT_NE(result.find(info), std::string::npos);
}

// Without a listing the walk steps over plain chunks in bulk: it must find
// what a walk told of every chunk finds, and stop at the same damage.
TEST(WaveLayoutCheck, ReadsTheSameLayoutWithOrWithoutAListing) {
    Bytes small;
    for (int i = 0; i < 1000; ++i) small += i % 7 == 0 ? OddChunk("odd ") : Chunk("JUNK", "");
    const Bytes nested = List("INFO", Chunk("ISBJ", "x") + small + List("deep", small + OddChunk("in  ")));
    std::vector<Bytes> files = {
        BusyWave(),
        riff::Wave(small + nested + kData + small),
        Riff("WAVE", riff::Fmt() + small + RawChunk("junk", 3, "abc") + kData),
        Riff("WAVE", riff::Fmt() + small + RawChunk("junk", 3, "abc")),
        Riff("WAVE", riff::Fmt() + small + "\x01\x02xx" + Le32(0) + kData),
        Riff("WAVE", riff::Fmt() + small + "xyz"),
    };
    const Bytes busy = riff::Wave(small + nested + kData);
    for (std::size_t size = 0; size <= busy.size(); size += 499) files.push_back(busy.substr(0, size));
    for (const Bytes& file : files) {
        preview::MemoryByteSource source(file.data(), file.size());
        WaveLayout bulk;
        try {
            bulk = ReadLayout(source);
        } catch (const InputError&) {
            EXPECT_THROW(LayoutOf(file), InputError);
            continue;
        }
        const test::Tree told = LayoutOf(file);
        SCOPED_TRACE(told.problem + " / " + std::to_string(file.size()));
        EXPECT_EQ(bulk.problem, told.problem);
        EXPECT_EQ(bulk.hasFormat, told.hasFormat);
        EXPECT_EQ(bulk.dataOffset, told.dataOffset);
        EXPECT_EQ(bulk.firstPictureOffset, told.firstPictureOffset);
        EXPECT_EQ(bulk.firstList.has_value(), told.firstList.has_value());
        if (bulk.firstList && told.firstList) EXPECT_EQ(bulk.firstList->offset, told.firstList->offset);
        EXPECT_EQ(bulk.firstListProblem, told.firstListProblem);
        EXPECT_EQ(bulk.secondList.has_value(), told.secondList.has_value());
    }
}

TEST(WaveLayoutCheck, ListsTheLayoutOfADamagedFileUpToTheDamage) {
    const Bytes wave = BusyWave().substr(0, 80);
    const test::Tree layout = LayoutOf(wave);
    EXPECT_FALSE(layout.problem.empty());
    ASSERT_GE(layout.chunks.size(), 2u);
    EXPECT_EQ(FourCCText(layout.chunks[1].id), "junk");
}

}  // namespace
}  // namespace authoring
