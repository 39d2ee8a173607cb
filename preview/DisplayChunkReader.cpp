// The picture and the description that the chosen wave file carries: the
// chunk walk is the window-free reader's; this side opens the file, moves the
// results into global memory, the bitmap and its palette, and reports.
#include <cstring>

#include "DIBitmap.h"
#include "PreviewReaders.h"
#include "SoundControlDlg.h"

namespace {

const char kCaptionMmio[] = "mmio";
const char kCaptionTest[] = "test";
const char kShortReadText[] = "チャンクの読み取りに失敗しました";

// A movable, zero-filled block holding the normalised DIB, or null.
HGLOBAL CopyToGlobal(const std::vector<std::uint8_t>& dib) {
    HGLOBAL hDIB = ::GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, dib.size());
    if (hDIB == nullptr) return nullptr;
    void* p = ::GlobalLock(hDIB);
    if (p == nullptr) {
        ::GlobalFree(hDIB);
        return nullptr;
    }
    std::memcpy(p, dib.data(), dib.size());
    ::GlobalUnlock(hDIB);
    return hDIB;
}

}  // namespace

BOOL CSoundControlDlg::ReadPicture(LPCSTR lpszPath) {
    if (m_pDIBitmap != nullptr) {
        delete SetPalette(nullptr);
        delete m_pDIBitmap;
        m_pDIBitmap = nullptr;
    }
    std::unique_ptr<preview::FileByteSource> source = preview::FileByteSource::Open(lpszPath);
    if (!source) {
        MessageBox("ファイルのオープンに失敗しました", kCaptionMmio);
        return FALSE;
    }
    HGLOBAL hDIB = nullptr;
    preview::PictureResult result = preview::ReadPicture(*source, [&hDIB](const std::vector<std::uint8_t>& dib) {
        hDIB = CopyToGlobal(dib);
        return hDIB != nullptr;
    });
    source.reset();
    switch (result.outcome) {
    case preview::PictureOutcome::kNotWave:
        MessageBox("WAVEファイルではありません", kCaptionMmio);
        return FALSE;
    case preview::PictureOutcome::kNoPicture:
        return FALSE;
    case preview::PictureOutcome::kShortRead:
        MessageBox(kShortReadText, kCaptionMmio);
        break;
    case preview::PictureOutcome::kNoBlock:
    case preview::PictureOutcome::kPicture:
        break;
    }
    // A chunk that could not be read still leaves an (empty) bitmap behind.
    m_pDIBitmap = new CDIBitmap;
    m_pDIBitmap->SetDIB(hDIB);
    delete SetPalette(m_pDIBitmap->CreateDIBPalette());
    return TRUE;
}

BOOL CSoundControlDlg::ReadDescription(LPCSTR lpszPath) {
    m_strDescription.Empty();
    std::unique_ptr<preview::FileByteSource> source = preview::FileByteSource::Open(lpszPath);
    if (!source) return FALSE;
    preview::DescriptionResult result = preview::ReadDescription(*source);
    source.reset();
    switch (result.outcome) {
    case preview::DescriptionOutcome::kNoBlock:
    case preview::DescriptionOutcome::kShortRead:
    case preview::DescriptionOutcome::kText:
        break;
    default:
        return FALSE;
    }
    // The text goes through a block two bytes larger than the chunk, so that it
    // ends within the block whatever the chunk holds.
    std::uint64_t nWanted = static_cast<std::uint64_t>(result.textChunkSize) + 2;
    HGLOBAL hText = nullptr;
    if (result.outcome != preview::DescriptionOutcome::kNoBlock && nWanted <= static_cast<SIZE_T>(-1))
        hText = ::GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, static_cast<SIZE_T>(nWanted));
    std::uint64_t nObtained = hText != nullptr ? ::GlobalSize(hText) : 0;
    if (nObtained < result.textChunkSize) MessageBox("htext が小さい", kCaptionTest);
    if (hText == nullptr) {
        MessageBox("htext がとれなかった", kCaptionTest);
        return FALSE;
    }
    auto* lpData = static_cast<char*>(::GlobalLock(hText));
    if (lpData == nullptr) {
        MessageBox("lpData がとれなかった", kCaptionTest);
        ::GlobalFree(hText);
        return FALSE;
    }
    if (result.outcome == preview::DescriptionOutcome::kShortRead) MessageBox(kShortReadText, kCaptionMmio);
    std::memcpy(lpData, result.text.data(), result.text.size());
    m_strDescription = lpData;
    ::GlobalUnlock(hText);
    ::GlobalFree(hText);
    return TRUE;
}
