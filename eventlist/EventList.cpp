// The event list draws itself: one row per event, sorted by label, with the
// loudspeaker beside events that have a sound.
#include "SchemeRules.h"
#include "SoundControlDlg.h"
#include "SoundEvent.h"

void CSoundControlDlg::OnMeasureItem(int nIDCtl, LPMEASUREITEMSTRUCT lpMeasureItemStruct) {
    if (nIDCtl != IDC_EVENT_LIST) {
        CDialog::OnMeasureItem(nIDCtl, lpMeasureItemStruct);
        return;
    }
    lpMeasureItemStruct->itemHeight = static_cast<UINT>(GetRowHeight());
}

int CSoundControlDlg::GetRowHeight() {
    int nIcon = GetDpiMetric(SM_CYSMICON);
    // The context's default font, not the list's: the rows are measured as they
    // always were. The system makes that font for its own DPI.
    CClientDC dc(GetDlgItem(IDC_EVENT_LIST));
    TEXTMETRICA tm;
    dc.GetTextMetrics(&tm);
    int nText = ::MulDiv(tm.tmHeight, static_cast<int>(GetDpi()), ::GetDeviceCaps(dc, LOGPIXELSY));
    return nText > nIcon ? nText : nIcon;
}

void CSoundControlDlg::OnDrawItem(int nIDCtl, LPDRAWITEMSTRUCT lpDrawItemStruct) {
    CDC* pDC = CDC::FromHandle(lpDrawItemStruct->hDC);
    if (nIDCtl != IDC_EVENT_LIST) {
        CDialog::OnDrawItem(nIDCtl, lpDrawItemStruct);
        return;
    }
    // An empty list asks to show its focus with item -1: there is no event to draw.
    SoundEvent* pEvent = static_cast<int>(lpDrawItemStruct->itemID) < 0
                             ? nullptr
                             : GetEvent(static_cast<INT_PTR>(lpDrawItemStruct->itemData));
    if (pEvent == nullptr) return;
    CString strLabel = pEvent->GetLabel();
    CRect rc;
    ::CopyRect(rc, &lpDrawItemStruct->rcItem);

    COLORREF crOldText;
    if (lpDrawItemStruct->itemState & ODS_SELECTED) {
        CBrush brush(::GetSysColor(COLOR_HIGHLIGHT));
        pDC->FillRect(rc, &brush);
        crOldText = pDC->SetTextColor(::GetSysColor(COLOR_HIGHLIGHTTEXT));
    } else {
        CBrush brush(::GetSysColor(COLOR_WINDOW));
        pDC->FillRect(rc, &brush);
        crOldText = pDC->SetTextColor(::GetSysColor(COLOR_WINDOWTEXT));
    }

    CString strFile = pEvent->GetSoundPath();
    if (scheme::IsFullPath(strFile, strFile.GetLength()))
        ::DrawIconEx(pDC->m_hDC, rc.left, rc.top, m_hAssignedIcon, m_nIconSize, m_nIconSize, 0, nullptr, DI_NORMAL);

    int nOldMode = pDC->SetBkMode(TRANSPARENT);
    // Every label starts after a square as wide as the row, icon or not.
    rc.left += rc.Height() + ScaleToDpi(2);
    pDC->DrawText(strLabel, strLabel.GetLength(), rc, DT_VCENTER | DT_WORDBREAK | DT_NOPREFIX);
    pDC->SetBkMode(nOldMode);
    pDC->SetTextColor(crOldText);
}

int CSoundControlDlg::OnCompareItem(int nIDCtl, LPCOMPAREITEMSTRUCT lpCompareItemStruct) {
    if (nIDCtl != IDC_EVENT_LIST) return CDialog::OnCompareItem(nIDCtl, lpCompareItemStruct);
    return CompareEvents(static_cast<INT_PTR>(lpCompareItemStruct->itemData1),
                         static_cast<INT_PTR>(lpCompareItemStruct->itemData2));
}

int CSoundControlDlg::CompareEvents(INT_PTR nEvent1, INT_PTR nEvent2) const {
    SoundEvent* pEvent1 = GetEvent(nEvent1);
    SoundEvent* pEvent2 = GetEvent(nEvent2);
    if (pEvent1 == nullptr || pEvent2 == nullptr) return 0;
    CString strLabel1 = pEvent1->GetLabel();
    CString strLabel2 = pEvent2->GetLabel();
    // The locale's comparison of code page 932 text, not a comparison of bytes.
    return ::lstrcmpA(strLabel1, strLabel2);
}

void CSoundControlDlg::AddEventRow(INT_PTR nEvent) {
    SoundEvent* pEvent = GetEvent(nEvent);
    if (pEvent == nullptr) return;
    // Each row keeps its label as its text, which the system's accessibility
    // proxy reads out as the row's name. The list does not sort itself: with
    // strings it would compare them in its own way, not by the labels' order.
    // The row goes where a sorting list's search puts an item by the
    // comparison above: before the first equal one it meets.
    int nFirst = 0;
    int nLast = m_lstEvents.GetCount() - 1;
    while (nFirst <= nLast) {
        int nMiddle = (nFirst + nLast) / 2;
        int nOrder = CompareEvents(nEvent, static_cast<INT_PTR>(m_lstEvents.GetItemData(nMiddle)));
        if (nOrder == 0) {
            nFirst = nMiddle;
            break;
        }
        if (nOrder < 0)
            nLast = nMiddle - 1;
        else
            nFirst = nMiddle + 1;
    }
    int nRow = m_lstEvents.InsertString(nFirst, pEvent->GetLabel());
    if (nRow >= 0) m_lstEvents.SetItemData(nRow, static_cast<DWORD_PTR>(nEvent));
}
