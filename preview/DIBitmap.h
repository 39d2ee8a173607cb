// CDIBitmap: the picture of the chosen wave file, one packed device-independent
// bitmap in a movable global memory block. It makes palettes from its colour
// table, draws itself at its own or another scale, and stores itself in an archive as a 32-bit size
// followed by the image of a BMP file.
//
// The block holds the normalised layout: a 40-byte BITMAPINFOHEADER, the three
// DWORD masks of bit fields (BI_BITFIELDS only), GetColorCount RGBQUADs, then
// biSizeImage pixel bytes; m_dwDIBSize is their sum. Rows are always bottom-up:
// the picture reader turns a top-down DIB over before handing it in. The object
// owns the block and keeps it locked while it holds it.
//
// It holds only a DIB that it can draw without reading outside the block (see
// SetDIB); whatever it refuses leaves it empty. An empty object draws nothing,
// has dimensions (0, 0) and no palette, and stores a zero size only.
#pragma once

#include <windows.h>

#include "afxwin.h"

class CDIBitmap : public CObject {
    DECLARE_SERIAL(CDIBitmap)

public:
    CDIBitmap();
    ~CDIBitmap() override;

    // Storing: m_dwDIBSize as a DWORD and, unless it is 0, the file header and
    // the packed DIB written straight to the archive's file. Loading replaces
    // whatever the object held with the record read; a record it cannot use
    // leaves it empty and the file after the record, as its size states.
    void Serialize(CArchive& ar) override;

    // Takes ownership of hDIB and gives back the block now held: hDIB, or NULL
    // when it is NULL or refused. A refused block is freed. Refused: a header
    // that is not 40 bytes; a negative width or height; biClrUsed above 16383
    // (the table must fit GetPaletteSize's 16 bits); other than uncompressed 1,
    // 4, 8, 16, 24 or 32 bits, bit fields at 16 or 32, RLE8 at 8 or RLE4 at 4;
    // pixel bytes that do not cover every row, unless run-length encoded; bit
    // fields whose masks are not one run of bits each, within the pixel and
    // apart; a block smaller than 40 + masks + 4 x GetColorCount + biSizeImage;
    // a total that the stored record's 32-bit bfSize cannot state.
    HGLOBAL SetDIB(HGLOBAL hDIB);
    // Reads a packed DIB with a 40-byte or a 12-byte core header from the file's
    // position into a new block, replacing the one held. FALSE, and empty, when
    // the header is short or refused as by SetDIB, a biSizeImage of 0 cannot be
    // computed (a negative height, or too large), or the masks, the colour table
    // and the pixels need more bytes than the file still has.
    BOOL ReadDIB(CFile* pFile);
    // Writes the packed DIB; FALSE when empty or the file takes fewer bytes.
    BOOL WriteDIB(CFile* pFile) const;
    // Sets bfSize and bfOffBits of m_bmfHeader for the DIB held; FALSE when empty.
    BOOL PrepareFileHeader();

    // (biWidth, biHeight).
    CSize GetDimensions() const;
    // biClrUsed when not 0, else 2, 16 or 256 for 1, 4 or 8 bits, else 0.
    WORD GetColorCount() const;
    // Bytes of the colour table; the masks of bit fields lie before it.
    WORD GetPaletteSize() const;
    // The first pixel byte, NULL when empty.
    LPBYTE GetBits() const;
    // A new palette of the colour table's entries, for the caller to delete; NULL
    // when empty or above 256 colours.
    CPalette* CreateDIBPalette() const;
    // Draws the DIB at its own scale: the source rectangle (xSrc, ySrc, cx, cy) in
    // DIB coordinates, origin at the lower left, onto the destination rectangle
    // (xDest, yDest, cx, cy); source pixels outside the DIB are not painted. The
    // palette, or one made for the call, is selected as a background palette
    // meanwhile. The scan lines drawn, 0 when empty or on failure.
    int Draw(CDC* pDC, int xDest, int yDest, int xSrc, int ySrc, int cx, int cy, DWORD dwRop, CPalette* pPalette) const;
    // As Draw, with the source rectangle (xSrc, ySrc, cxSrc, cySrc) stretched onto
    // the destination rectangle (xDest, yDest, cxDest, cyDest).
    int StretchDraw(CDC* pDC, int xDest, int yDest, int cxDest, int cyDest, int xSrc, int ySrc, int cxSrc, int cySrc,
                    DWORD dwRop, CPalette* pPalette) const;

protected:
    BITMAPFILEHEADER m_bmfHeader;  // bfType "BM"; written in front of the DIB when stored
    HGLOBAL m_hDIB;                // NULL when empty
    LPBITMAPINFOHEADER m_lpbi;     // m_hDIB, locked; NULL when empty
    DWORD m_dwDIBSize;             // 0 when empty

private:
    // Unlocks and frees the block held; the object is empty afterwards.
    void Release();
};
