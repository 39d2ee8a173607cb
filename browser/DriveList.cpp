// The drive selector: every drive from A to Z that can hold wave files, with
// its volume label or the network name it is connected to.
#include "SoundControlDlg.h"

std::vector<CString> CSoundControlDlg::ReadDriveEntries() {
    std::vector<CString> entries;
    for (char chDrive = 'A'; chDrive <= 'Z'; ++chDrive) {
        char szEntry[MAX_PATH];
        ::wsprintfA(szEntry, "%c:\\", chDrive);
        UINT nType = ::GetDriveTypeA(szEntry);
        if (nType == DRIVE_UNKNOWN || nType == DRIVE_NO_ROOT_DIR || nType == DRIVE_RAMDISK) continue;
        szEntry[2] = '\0';
        // A removable drive is never asked for its label: that would wait for a medium.
        CString strLabel = nType == DRIVE_REMOVABLE ? CString() : GetDriveLabel(szEntry);
        ::lstrcatA(szEntry, "  ");
        // The entry is cut to the buffer: the letter always leads it, which is what the list relies on.
        ::lstrcpynA(szEntry + 4, strLabel, MAX_PATH - 4);
        entries.emplace_back(szEntry);
    }
    return entries;
}

void CSoundControlDlg::FillDriveList() {
    for (const CString& strEntry : m_driveEntries) m_cmbDrive.AddString(strEntry);
}

CString CSoundControlDlg::GetDriveLabel(CString strDrive) {
    char szName[MAX_PATH] = "";
    if (::GetDriveTypeA(strDrive) == DRIVE_REMOTE) {
        DWORD nLen = MAX_PATH;
        if (::WNetGetConnectionA(strDrive, szName, &nLen) != NO_ERROR) return CString();
        return CString(szName);
    }
    // The volume query wants the root directory form here.
    ::GetVolumeInformationA(strDrive + "\\", szName, MAX_PATH, nullptr, nullptr, nullptr, nullptr, 0);
    return CString(szName);
}
