// The sound file browser: "(なし)", the wave files and the sub-directories of
// the current directory, with navigation by double-click and by drive.
#include <algorithm>
#include <cwchar>
#include <string>
#include <vector>

#include "DriveDirectory.h"
#include "NarrowNames.h"
#include "SchemeRules.h"
#include "SoundControlDlg.h"

void CSoundControlDlg::RefreshFileList() {
    // A list that redraws itself repaints its scroll bar after every entry, which
    // in a large directory costs far more than the listing: it is shown once, filled.
    m_lstFiles.SendMessage(WM_SETREDRAW, FALSE);
    // DlgDirListA writes the current directory into the label. It is given no
    // list: the fill that follows makes the entries, and a listing of its own
    // would only be thrown away.
    char szSpec[] = "*.*";
    ::DlgDirListA(m_hWnd, szSpec, 0, IDC_DIRECTORY_LABEL, DDL_DIRECTORY);
    m_bLabelExact = ShowDirectoryLabel();
    FillFileList(DDL_DIRECTORY, "*.wav");
    CString strNone;
    strNone.LoadString(IDS_NONE);
    m_lstFiles.InsertString(0, strNone);
    m_lstFiles.SendMessage(WM_SETREDRAW, TRUE);
    m_lstFiles.Invalidate();
}

int CSoundControlDlg::FillFileList(UINT nFlags, LPCSTR lpszPattern) {
    m_lstFiles.ResetContent();
    // The entries are put in order here and appended, in the order the list
    // keeps itself (its case-insensitive collation of the user's locale): a
    // sorted list box compares each new entry with its others, which in a
    // large directory costs more than the listing.
    struct Entry {
        std::wstring strKey;  // the entry as the list holds it, for the order
        CString strText;
    };
    std::vector<Entry> entries;
    auto add = [&entries](const CString& strText) {
        int nKey = ::MultiByteToWideChar(CP_ACP, 0, strText, strText.GetLength(), nullptr, 0);
        std::wstring strKey(static_cast<size_t>(nKey > 0 ? nKey : 0), L'\0');
        if (nKey > 0) ::MultiByteToWideChar(CP_ACP, 0, strText, strText.GetLength(), &strKey[0], nKey);
        entries.push_back(Entry{strKey, strText});
    };
    // Listed by their wide names: an entry whose name the code page cannot hold
    // is listed under its short name, or left out when it has none, so that every
    // entry is one the program can open, play and store.
    int nPattern = ::MultiByteToWideChar(CP_ACP, 0, lpszPattern, -1, nullptr, 0);
    std::vector<WCHAR> pattern(static_cast<size_t>(nPattern > 0 ? nPattern : 1));
    ::MultiByteToWideChar(CP_ACP, 0, lpszPattern, -1, pattern.data(), nPattern);
    WIN32_FIND_DATAW fd;
    CString strName;
    // Files are chosen, stored and played by paths built from the directory
    // label: where it cannot name the directory, no path built from it exists.
    HANDLE hFind = m_bLabelExact ? ::FindFirstFileW(pattern.data(), &fd) : INVALID_HANDLE_VALUE;
    if (hFind != INVALID_HANDLE_VALUE) {
        do {
            if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && browser::UsableName(fd, &strName)) add(strName);
        } while (::FindNextFileW(hFind, &fd));
        ::FindClose(hFind);
    }
    hFind = (nFlags & DDL_DIRECTORY) ? ::FindFirstFileW(L"*.*", &fd) : INVALID_HANDLE_VALUE;
    if (hFind != INVALID_HANDLE_VALUE) {
        do {
            if ((fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && std::wcscmp(fd.cFileName, L".") != 0 &&
                browser::UsableName(fd, &strName))
                add(CString('[') + strName + ']');
        } while (::FindNextFileW(hFind, &fd));
        ::FindClose(hFind);
    }
    std::stable_sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
        return ::CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.strKey.c_str(),
                                static_cast<int>(a.strKey.size()), b.strKey.c_str(),
                                static_cast<int>(b.strKey.size())) == CSTR_LESS_THAN;
    });
    size_t nBytes = 0;
    for (const Entry& entry : entries) nBytes += static_cast<size_t>(entry.strText.GetLength()) + 1;
    m_lstFiles.SendMessage(LB_INITSTORAGE, entries.size(), nBytes);
    for (const Entry& entry : entries)
        m_lstFiles.SendMessage(LB_INSERTSTRING, static_cast<WPARAM>(-1),
                               reinterpret_cast<LPARAM>(static_cast<LPCSTR>(entry.strText)));
    return 0;
}

void CSoundControlDlg::OnDblclkFileList() {
    StopSound();
    int nSel = m_lstFiles.GetCurSel();
    if (nSel == LB_ERR) return;
    CString strEntry;
    m_lstFiles.GetText(nSel, strEntry);
    if (strEntry.GetAt(0) == '[') {
        // The outer brackets only: a directory named "[x]" is listed as "[[x]]".
        browser::ChangeDirectory(strEntry.Mid(1, strEntry.GetLength() - 2));
        RefreshFileList();
    } else {
        OnTest();
    }
}

void CSoundControlDlg::OnSelchangeDriveCombo() {
    CString strEntry;
    m_cmbDrive.GetLBText(m_cmbDrive.GetCurSel(), strEntry);
    // A lower-case letter gives a number the drive change refuses.
    browser::ChangeDrive(static_cast<BYTE>(strEntry.GetAt(0)) - 0x40);
    RefreshFileList();
}

CString CSoundControlDlg::GetEntryPath(const CString& strEntry) {
    CString strDirectory;
    m_stcDirectory.GetWindowText(strDirectory);
    if (!scheme::EndsWithBackslash(strDirectory, strDirectory.GetLength())) strDirectory += "\\";
    return strDirectory + strEntry;
}

BOOL CSoundControlDlg::ShowDirectoryLabel() {
    // The label names the directory in the code page, as every path built from it
    // must: where a component does not fit it, its short form stands in. Where
    // neither does, the label keeps the listing's lossy text.
    DWORD nChars = ::GetCurrentDirectoryW(0, nullptr);
    if (nChars == 0) return FALSE;
    std::vector<WCHAR> current(nChars);
    DWORD nGot = ::GetCurrentDirectoryW(nChars, current.data());
    if (nGot == 0 || nGot >= nChars) return FALSE;
    CString strCurrent;
    if (browser::ExactNarrow(current.data(), &strCurrent)) return TRUE;
    if (!browser::UsablePath(current.data(), &strCurrent)) return FALSE;
    m_stcDirectory.SetWindowText(strCurrent);
    return TRUE;
}
