#include "DIBitmap.h"

#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <vector>

#include "DisplayDib.h"

IMPLEMENT_SERIAL(CDIBitmap, CObject, 1)

namespace {

constexpr DWORD kHeaderSize = sizeof(BITMAPINFOHEADER);
constexpr DWORD kFileHeaderSize = sizeof(BITMAPFILEHEADER);
static_assert(kHeaderSize == 40 && kFileHeaderSize == 14, "the stored layout needs the packed Win32 headers");

// The largest colour count whose table size GetPaletteSize can state.
constexpr DWORD kMaxColors = 0xFFFF / 4;

// The colours of a table that a header does not count.
WORD DepthColors(WORD bitCount) {
    switch (bitCount) {
    case 1:
        return 2;
    case 4:
        return 16;
    case 8:
        return 256;
    default:
        return 0;
    }
}

WORD ColorCount(const BITMAPINFOHEADER& bih) {
    return bih.biClrUsed != 0 ? LOWORD(bih.biClrUsed) : DepthColors(bih.biBitCount);
}

// The bytes of the masks between the header and the colour table.
DWORD MaskBytes(const BITMAPINFOHEADER& bih) {
    return bih.biCompression == BI_BITFIELDS ? preview::kBitFieldMaskBytes : 0;
}

// The size of the packed DIB that a 40-byte header describes, 40 + masks + 4n +
// biSizeImage, or nothing when the object refuses it. The graphics service reads
// every row of an uncompressed DIB and up to biClrUsed colour entries whatever
// biSizeImage says, so a block that would not cover them is refused, and so are
// formats whose reads nothing here bounds (JPEG, PNG). The picture reader refuses
// by the same rules, so that it never takes a picture that this object refuses.
std::optional<DWORD> UsableDIBSize(const BITMAPINFOHEADER& bih) {
    if (bih.biSize != kHeaderSize || bih.biClrUsed > kMaxColors) return std::nullopt;
    if (!preview::IsHeldDibForm(bih.biBitCount, bih.biCompression, bih.biWidth, bih.biHeight, bih.biSizeImage))
        return std::nullopt;
    // The stored record states m_dwDIBSize + 14 in 32 bits.
    const ULONGLONG size = kHeaderSize + MaskBytes(bih) + 4ull * ColorCount(bih) + bih.biSizeImage;
    if (size > preview::kMaxStoredDibSize) return std::nullopt;
    return static_cast<DWORD>(size);
}

// Whether the masks that follow the header of a bit-field DIB are usable; other
// DIBs have none to check.
bool UsableMasks(const BITMAPINFOHEADER* lpbi) {
    return lpbi->biCompression != BI_BITFIELDS ||
           preview::UsableBitFields(lpbi->biBitCount, reinterpret_cast<const BYTE*>(lpbi) + kHeaderSize);
}

}  // namespace

CDIBitmap::CDIBitmap() : m_bmfHeader(), m_hDIB(nullptr), m_lpbi(nullptr), m_dwDIBSize(0) {
    m_bmfHeader.bfType = 0x4D42;
}

CDIBitmap::~CDIBitmap() {
    Release();
}

void CDIBitmap::Release() {
    if (m_hDIB != nullptr) {
        ::GlobalUnlock(m_hDIB);
        ::GlobalFree(m_hDIB);
    }
    m_hDIB = nullptr;
    m_lpbi = nullptr;
    m_dwDIBSize = 0;
}

HGLOBAL CDIBitmap::SetDIB(HGLOBAL hDIB) {
    if (hDIB != nullptr && hDIB == m_hDIB) return m_hDIB;
    Release();
    if (hDIB == nullptr) return nullptr;

    auto* lpbi = static_cast<LPBITMAPINFOHEADER>(::GlobalLock(hDIB));
    const SIZE_T nBlockSize = ::GlobalSize(hDIB);
    const std::optional<DWORD> dwSize =
        lpbi != nullptr && nBlockSize >= kHeaderSize ? UsableDIBSize(*lpbi) : std::nullopt;
    if (!dwSize || *dwSize > nBlockSize || !UsableMasks(lpbi)) {
        // The caller handed the block over: refusing it must not leak it.
        if (lpbi != nullptr) ::GlobalUnlock(hDIB);
        ::GlobalFree(hDIB);
        return nullptr;
    }
    m_hDIB = hDIB;
    m_lpbi = lpbi;
    m_dwDIBSize = *dwSize;
    return m_hDIB;
}

BOOL CDIBitmap::ReadDIB(CFile* pFile) {
    Release();
    if (pFile == nullptr) return FALSE;
    m_hDIB = ::GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, kHeaderSize);
    m_lpbi = m_hDIB != nullptr ? static_cast<LPBITMAPINFOHEADER>(::GlobalLock(m_hDIB)) : nullptr;
    if (m_lpbi == nullptr || pFile->Read(m_lpbi, kHeaderSize) != kHeaderSize) {
        Release();
        return FALSE;
    }

    WORD nColors = 0;
    DWORD dwEntrySize = sizeof(RGBQUAD);
    if (m_lpbi->biSize == kHeaderSize) {
        nColors = GetColorCount();
    } else {
        // Any other size is taken as a core header, widened in place; the file
        // goes back to the end of its 12 bytes, where the triples begin.
        BITMAPCOREHEADER bch;
        std::memcpy(&bch, m_lpbi, sizeof bch);
        nColors = DepthColors(bch.bcBitCount);
        dwEntrySize = sizeof(RGBTRIPLE);
        *m_lpbi = BITMAPINFOHEADER();
        m_lpbi->biSize = kHeaderSize;
        m_lpbi->biWidth = bch.bcWidth;
        m_lpbi->biHeight = bch.bcHeight;
        m_lpbi->biPlanes = bch.bcPlanes;
        m_lpbi->biBitCount = bch.bcBitCount;
        m_lpbi->biClrUsed = m_lpbi->biClrImportant = nColors;
        pFile->Seek(-static_cast<LONGLONG>(kHeaderSize - sizeof bch), CFile::current);
    }

    if (m_lpbi->biSizeImage == 0) {
        const std::optional<std::int64_t> computed =
            preview::DibImageSize(m_lpbi->biBitCount, m_lpbi->biWidth, m_lpbi->biHeight);
        std::int64_t nSize = computed && *computed >= 0 && *computed <= 0xFFFFFFFFll ? *computed : -1;
        // Run-length data is guessed at one and a half times the uncompressed size.
        if (nSize > 0 && (m_lpbi->biCompression == BI_RLE8 || m_lpbi->biCompression == BI_RLE4)) nSize = nSize * 3 >> 1;
        if (nSize < 0 || nSize > 0xFFFFFFFFll) {
            Release();
            return FALSE;
        }
        m_lpbi->biSizeImage = static_cast<DWORD>(nSize);
    }

    // The block never grows beyond what the file can still fill.
    const std::optional<DWORD> dwSize = UsableDIBSize(*m_lpbi);
    const ULONGLONG nPosition = pFile->GetPosition();
    const ULONGLONG nLength = pFile->GetLength();
    const ULONGLONG nRemaining = nLength > nPosition ? nLength - nPosition : 0;
    const DWORD dwMaskBytes = MaskBytes(*m_lpbi);
    if (!dwSize || dwMaskBytes + static_cast<ULONGLONG>(dwEntrySize) * nColors + m_lpbi->biSizeImage > nRemaining) {
        Release();
        return FALSE;
    }

    ::GlobalUnlock(m_hDIB);
    HGLOBAL hResized = ::GlobalReAlloc(m_hDIB, *dwSize, 0);
    if (hResized == nullptr) {
        m_lpbi = nullptr;
        ::GlobalFree(m_hDIB);
        m_hDIB = nullptr;
        return FALSE;
    }
    m_hDIB = hResized;
    m_lpbi = static_cast<LPBITMAPINFOHEADER>(::GlobalLock(m_hDIB));
    if (m_lpbi == nullptr) {
        ::GlobalFree(m_hDIB);
        m_hDIB = nullptr;
        return FALSE;
    }
    m_dwDIBSize = *dwSize;

    pFile->Read(reinterpret_cast<BYTE*>(m_lpbi) + kHeaderSize, dwMaskBytes);
    if (!UsableMasks(m_lpbi)) {
        Release();
        return FALSE;
    }
    auto* lpTable = reinterpret_cast<RGBQUAD*>(reinterpret_cast<BYTE*>(m_lpbi) + kHeaderSize + dwMaskBytes);
    if (dwEntrySize == sizeof(RGBQUAD)) {
        pFile->Read(lpTable, GetPaletteSize());
    } else {
        std::vector<RGBTRIPLE> triples(nColors);
        pFile->Read(triples.data(), static_cast<UINT>(triples.size() * sizeof(RGBTRIPLE)));
        for (WORD i = 0; i < nColors; ++i)
            lpTable[i] = RGBQUAD{triples[i].rgbtBlue, triples[i].rgbtGreen, triples[i].rgbtRed, 0};
    }
    pFile->Read(GetBits(), m_lpbi->biSizeImage);
    return TRUE;
}

BOOL CDIBitmap::WriteDIB(CFile* pFile) const {
    if (m_lpbi == nullptr || pFile == nullptr) return FALSE;
    return pFile->Write(m_lpbi, m_dwDIBSize);
}

BOOL CDIBitmap::PrepareFileHeader() {
    if (m_lpbi == nullptr) return FALSE;
    m_bmfHeader.bfSize = m_dwDIBSize + kFileHeaderSize;
    m_bmfHeader.bfOffBits = kFileHeaderSize + kHeaderSize + MaskBytes(*m_lpbi) + GetPaletteSize();
    return TRUE;
}

void CDIBitmap::Serialize(CArchive& ar) {
    if (ar.IsStoring()) {
        ar << m_dwDIBSize;
        if (m_dwDIBSize == 0 || ar.GetFile() == nullptr) return;
        // The BMP image goes to the file directly, after what the archive buffered.
        ar.Flush();
        CFile* pFile = ar.GetFile();
        PrepareFileHeader();
        pFile->Write(&m_bmfHeader, kFileHeaderSize);
        WriteDIB(pFile);
        return;
    }

    Release();
    DWORD dwStated = 0;
    ar >> dwStated;
    if (dwStated == 0 || ar.GetFile() == nullptr) return;
    // Moves the file back from the archive's read-ahead to the record's BMP image.
    ar.Flush();
    CFile* pFile = ar.GetFile();
    const ULONGLONG nStart = pFile->GetPosition();
    pFile->Read(&m_bmfHeader, kFileHeaderSize);
    const BOOL bRead = ReadDIB(pFile);
    // A core header grows when widened, so the end follows the size held; an
    // unusable DIB is skipped as its record states.
    pFile->Seek(static_cast<LONGLONG>(nStart + kFileHeaderSize + (bRead ? m_dwDIBSize : dwStated)), CFile::begin);
}

CSize CDIBitmap::GetDimensions() const {
    if (m_lpbi == nullptr) return CSize(0, 0);
    return CSize(m_lpbi->biWidth, m_lpbi->biHeight);
}

WORD CDIBitmap::GetColorCount() const {
    return m_lpbi != nullptr ? ColorCount(*m_lpbi) : 0;
}

WORD CDIBitmap::GetPaletteSize() const {
    return static_cast<WORD>(4 * GetColorCount());
}

LPBYTE CDIBitmap::GetBits() const {
    if (m_lpbi == nullptr) return nullptr;
    return reinterpret_cast<LPBYTE>(m_lpbi) + m_lpbi->biSize + MaskBytes(*m_lpbi) + GetPaletteSize();
}

CPalette* CDIBitmap::CreateDIBPalette() const {
    if (m_lpbi == nullptr) return nullptr;
    const WORD nColors = GetColorCount();
    if (nColors > 256) return nullptr;

    // LOGPALETTE declares one entry; the others follow it.
    std::vector<BYTE> buffer(sizeof(LOGPALETTE) + nColors * sizeof(PALETTEENTRY));
    auto* lpPalette = reinterpret_cast<LPLOGPALETTE>(buffer.data());
    lpPalette->palVersion = 0x300;
    lpPalette->palNumEntries = nColors;
    const auto* lpTable = reinterpret_cast<const RGBQUAD*>(reinterpret_cast<const BYTE*>(m_lpbi) +
                                                           LOWORD(m_lpbi->biSize) + MaskBytes(*m_lpbi));
    PALETTEENTRY* lpEntries = lpPalette->palPalEntry;
    for (WORD i = 0; i < nColors; ++i)
        lpEntries[i] = PALETTEENTRY{lpTable[i].rgbRed, lpTable[i].rgbGreen, lpTable[i].rgbBlue, 0};

    auto* pPalette = new CPalette;
    pPalette->CreatePalette(lpPalette);
    return pPalette;
}

int CDIBitmap::Draw(CDC* pDC, int xDest, int yDest, int xSrc, int ySrc, int cx, int cy, DWORD dwRop,
                    CPalette* pPalette) const {
    return StretchDraw(pDC, xDest, yDest, cx, cy, xSrc, ySrc, cx, cy, dwRop, pPalette);
}

int CDIBitmap::StretchDraw(CDC* pDC, int xDest, int yDest, int cxDest, int cyDest, int xSrc, int ySrc, int cxSrc,
                           int cySrc, DWORD dwRop, CPalette* pPalette) const {
    if (m_lpbi == nullptr || pDC == nullptr) return 0;
    std::unique_ptr<CPalette> pMade;
    if (pPalette == nullptr) {
        pMade.reset(CreateDIBPalette());
        pPalette = pMade.get();
    }
    CPalette* pOldPalette = nullptr;
    if (pPalette != nullptr && pPalette->m_hObject != nullptr) {
        pOldPalette = pDC->SelectPalette(pPalette, TRUE);
        ::RealizePalette(pDC->m_hDC);
    }
    const int nLines = ::StretchDIBits(pDC->m_hDC, xDest, yDest, cxDest, cyDest, xSrc, ySrc, cxSrc, cySrc, GetBits(),
                                       reinterpret_cast<const BITMAPINFO*>(m_lpbi), DIB_RGB_COLORS, dwRop);
    if (pOldPalette != nullptr) pDC->SelectPalette(pOldPalette, TRUE);
    return nLines;
}
