// The picture and the description that the chosen wave file carries: the
// chunk walk is the window-free reader's; this side opens the file, moves the
// results into global memory, the bitmap and its palette, and reports.
#include <cstring>
#include <memory>
#include <optional>
#include <utility>

#include "DIBitmap.h"
#include "DisplayDib.h"
#include "PreviewReaders.h"
#include "SoundControlDlg.h"

namespace {

const char kCaptionMmio[] = "mmio";
const char kCaptionTest[] = "test";
const char kShortReadText[] = "チャンクの読み取りに失敗しました";

// A movable block holding the normalised DIB as the bitmap holds it, bottom-up,
// or null.
HGLOBAL CopyToGlobal(const std::vector<std::uint8_t>& dib) {
    HGLOBAL hDIB = ::GlobalAlloc(GMEM_MOVEABLE, dib.size());
    if (hDIB == nullptr) return nullptr;
    void* p = ::GlobalLock(hDIB);
    if (p == nullptr) {
        ::GlobalFree(hDIB);
        return nullptr;
    }
    preview::CopyAsHeld(dib.data(), dib.size(), static_cast<std::uint8_t*>(p));
    ::GlobalUnlock(hDIB);
    return hDIB;
}

}  // namespace

std::optional<preview::ChosenSound> CSoundControlDlg::ReadChosenSound(LPCSTR lpszPath, unsigned nParts,
                                                                      CDIBitmap* pBitmap) {
    std::unique_ptr<preview::FileByteSource> source = preview::FileByteSource::Open(lpszPath);
    if (!source) return std::nullopt;
    // The bitmap itself takes each picture found: one that it refused would leave
    // the frame empty, so the search goes on to a later chunk instead.
    if (pBitmap == nullptr) return preview::ReadChosenSound(*source, nParts);
    return preview::ReadChosenSound(*source, nParts, [pBitmap](const std::vector<std::uint8_t>& dib) {
        return pBitmap->SetDIB(CopyToGlobal(dib)) != nullptr;
    });
}

void CSoundControlDlg::DiscardPicture() {
    if (m_pDIBitmap != nullptr) {
        delete SetPalette(nullptr);
        delete m_pDIBitmap;
        m_pDIBitmap = nullptr;
    }
}

BOOL CSoundControlDlg::ReadPicture(LPCSTR lpszPath) {
    DiscardPicture();
    auto pBitmap = std::make_unique<CDIBitmap>();
    std::optional<preview::ChosenSound> sound = ReadChosenSound(lpszPath, preview::kPicturePart, pBitmap.get());
    return ShowPicture(sound ? &sound->picture : nullptr, std::move(pBitmap));
}

BOOL CSoundControlDlg::ShowPicture(const preview::PictureResult* pResult, std::unique_ptr<CDIBitmap> pBitmap) {
    if (pResult == nullptr) {
        MessageBox("ファイルのオープンに失敗しました", kCaptionMmio);
        return FALSE;
    }
    switch (pResult->outcome) {
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
    m_pDIBitmap = pBitmap.release();
    delete SetPalette(m_pDIBitmap->CreateDIBPalette());
    return TRUE;
}

BOOL CSoundControlDlg::ReadDescription(LPCSTR lpszPath) {
    m_strDescription.Empty();
    std::optional<preview::ChosenSound> sound = ReadChosenSound(lpszPath, preview::kDescriptionPart, nullptr);
    return sound ? ShowDescription(sound->description) : FALSE;
}

BOOL CSoundControlDlg::ShowDescription(const preview::DescriptionResult& result) {
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
