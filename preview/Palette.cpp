// The picture's colours on a display with a hardware palette: the dialog keeps
// one palette made from the picture and realises it when asked.
#include "SoundControlDlg.h"

CPalette* CSoundControlDlg::SetPalette(CPalette* pPalette) {
    CPalette* pPrevious = m_pPalette;
    m_pPalette = pPalette;
    OnQueryNewPalette();
    return pPrevious;
}

BOOL CSoundControlDlg::OnQueryNewPalette() {
    if (m_pPalette == nullptr) return FALSE;
    CClientDC dc(this);
    // Another window changed the system palette: ours only takes what is left.
    BOOL bBackground = GetCurrentMessage()->message == WM_PALETTECHANGED;
    CPalette* pOldPalette = dc.SelectPalette(m_pPalette, bBackground);
    UINT nChanged = RealizeDialogPalette(dc);
    dc.SelectPalette(pOldPalette, TRUE);
    if (nChanged == 0) return FALSE;
    InvalidateRect(m_rcPicture, TRUE);
    InvalidateRect(m_rcDescription, TRUE);
    return TRUE;
}

UINT CSoundControlDlg::RealizeDialogPalette(CDC& dc) {
    return dc.RealizePalette();
}

void CSoundControlDlg::OnPaletteChanged(CWnd* pFocusWnd) {
    HWND hChanger = pFocusWnd != nullptr ? pFocusWnd->m_hWnd : nullptr;
    if (hChanger == m_hWnd) return;
    // The dialog's own controls share its palette.
    if (!::IsChild(m_hWnd, hChanger)) OnQueryNewPalette();
}
