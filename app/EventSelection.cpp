// Choosing an event moves the browser to its file; choosing a file assigns it
// to the event chosen last.
#include "DIBitmap.h"
#include "DriveDirectory.h"
#include "NarrowNames.h"
#include "SchemeRules.h"
#include "SoundControlDlg.h"
#include "SoundEvent.h"

void CSoundControlDlg::OnSelchangeEventList() {
    int nSel = m_lstEvents.GetCurSel();
    if (nSel == LB_ERR) {
        ShowNoSound();
        return;
    }
    m_nCurrentEvent = static_cast<int>(m_lstEvents.GetItemData(nSel));
    SoundEvent* pEvent = GetEvent(m_nCurrentEvent);
    if (pEvent == nullptr) {
        ShowNoSound();
        return;
    }
    // Looking at an event never changes its assignment: a file that cannot be
    // shown now (a CD not inserted, a bare name) stays the event's file.
    CString strPath = pEvent->GetSoundPath();
    if (!scheme::IsFullPath(strPath, strPath.GetLength()) || m_cmbDrive.SelectString(-1, strPath.Left(2)) == CB_ERR) {
        ShowNoSound();
        return;
    }
    int nSplit = static_cast<int>(scheme::LastSeparator(strPath, strPath.GetLength()));
    CString strFile = strPath.Mid(nSplit + 1);
    // A file in a root keeps the root's backslash.
    CString strDirectory = nSplit == 2 ? strPath.Left(3) : strPath.Left(nSplit);

    // A lower-case letter makes the drive change fail; the directory change,
    // which names the drive itself, makes up for it.
    browser::ChangeDrive(static_cast<BYTE>(strPath.GetAt(0)) - 0x40);
    BOOL bEntered = browser::ChangeDirectory(strDirectory);
    OnSelchangeDriveCombo();

    // Where the directory is gone the list shows another one, whose files are
    // not the event's whatever their names.
    if (!bEntered || m_lstFiles.SelectString(-1, strFile) == LB_ERR) {
        ShowNoSound();
        return;
    }
    CString strNone;
    strNone.LoadString(IDS_NONE);
    ShowChosenSound(strFile != strNone ? strPath : CString());
}

void CSoundControlDlg::OnSelchangeFileList() {
    StopSound();
    int nSel = m_lstFiles.GetCurSel();
    if (nSel == LB_ERR) return;
    CString strEntry;
    m_lstFiles.GetText(nSel, strEntry);
    if (strEntry.GetAt(0) == '[') return;  // directories are entered by double-click

    CString strNone;
    strNone.LoadString(IDS_NONE);
    // Choosing what the stored value plays, as selecting the event itself does,
    // is no change, or takes a change back: the value stays as it is stored,
    // whatever its type and form. No sound is that only for a value that is
    // empty: one that holds anything, even a path the dialog cannot show, is
    // silenced.
    SoundEvent* pEvent = GetEvent(m_nCurrentEvent);
    if (strEntry == strNone) {
        if (pEvent != nullptr && pEvent->IsStoredEmpty()) {
            pEvent->Revert();
            ShowNoSound();
        } else {
            SetNoSound();
        }
        GetDlgItem(IDC_EVENT_LIST)->Invalidate(TRUE);
        return;
    }
    // Without a current event (an empty catalogue) the file belongs to nothing
    // and there is nothing to preview.
    if (pEvent == nullptr) return;
    CString strPath = GetEntryPath(strEntry);
    CString strStored = pEvent->GetStoredPath();
    if (scheme::IsFullPath(strStored, strStored.GetLength()) && browser::SameFile(strPath, strStored))
        pEvent->Revert();
    else
        pEvent->SetFile(strPath);
    ShowChosenSound(strPath);
    GetDlgItem(IDC_EVENT_LIST)->Invalidate(TRUE);
}

void CSoundControlDlg::SetNoSound() {
    SoundEvent* pEvent = GetEvent(m_nCurrentEvent);
    if (pEvent != nullptr) pEvent->SetFile(CString());
    ShowNoSound();
}

void CSoundControlDlg::ShowNoSound() {
    ShowChosenSound(CString());
    CString strNone;
    strNone.LoadString(IDS_NONE);
    m_lstFiles.SelectString(-1, strNone);
}
