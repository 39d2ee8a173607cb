// 作成 in the main dialog: the sound maker opened on a sound the user chooses,
// and the file it made given to the current event.
#include <windows.h>

#include <commctrl.h>
#include <commdlg.h>

#include "DriveDirectory.h"
#include "MakerDlg.h"
#include "SchemeRules.h"
#include "SoundControlDlg.h"
#include "SoundReader.h"
#include "SystemLibrary.h"

namespace {

const char kCannotPlay[] = "この形式はこのコンピューターでは再生できません";

// The sound to make a wave file of, chosen in the system's Open dialog in the
// browser's directory. FALSE when none is chosen.
BOOL ChooseSource(HWND hOwner, std::wstring* pPath) {
    WCHAR szFile[4 * MAX_PATH] = L"";
    WCHAR szDirectory[MAX_PATH] = L"";
    ::GetCurrentDirectoryW(MAX_PATH, szDirectory);
    OPENFILENAMEW ofn = {};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = hOwner;
    ofn.lpstrFilter =
        L"音声ファイル (*.wav;*.mp3;*.m4a;*.aac;*.wma;*.flac;*.ogg)\0"
        L"*.wav;*.mp3;*.m4a;*.aac;*.wma;*.flac;*.ogg\0すべてのファイル (*.*)\0*.*\0";
    ofn.lpstrFile = szFile;
    ofn.nMaxFile = ARRAYSIZE(szFile);
    ofn.lpstrInitialDir = szDirectory;
    ofn.lpstrTitle = L"音声ファイルの選択";
    ofn.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST;
    static const auto pOpen =
        scheme::SystemFunction<decltype(&::GetOpenFileNameW)>(L"comdlg32.dll", "GetOpenFileNameW");
    if (pOpen == nullptr || !pOpen(&ofn)) return FALSE;
    *pPath = szFile;
    return TRUE;
}

// The maker's progress bar is a common control: its library is loaded with it.
void LoadCommonControls() {
    static const auto pInit =
        scheme::SystemFunction<decltype(&::InitCommonControlsEx)>(L"comctl32.dll", "InitCommonControlsEx");
    if (pInit == nullptr) return;
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_PROGRESS_CLASS};
    pInit(&icc);
}

std::wstring Widen(const CString& text) {
    int n = ::MultiByteToWideChar(CP_ACP, 0, text, text.GetLength(), nullptr, 0);
    std::wstring out(static_cast<size_t>(n), L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, text, text.GetLength(), &out[0], n);
    return out;
}

}  // namespace

void CSoundControlDlg::OnMake() {
    StopSound();
    std::wstring strSource;
    CString strLine;
    GetDlgItem(IDC_SOUND_INFO)->GetWindowText(strLine);
    int nSel = m_lstFiles.GetCurSel();
    CString strEntry;
    if (nSel != LB_ERR) m_lstFiles.GetText(nSel, strEntry);
    if (strLine == kCannotPlay && !strEntry.IsEmpty() && strEntry.GetAt(0) != '[') {
        strSource = Widen(GetEntryPath(strEntry));
    } else if (!ChooseSource(m_hWnd, &strSource)) {
        return;
    }
    // What the system cannot decode gets its box here, before the maker opens.
    {
        maker::CSoundReader reader;
        HRESULT hr = reader.Open(strSource.c_str());
        if (FAILED(hr)) {
            std::wstring strText = L"このファイルの音声を読み取れません。\n\n" + maker::DescribeResult(hr);
            int n = ::WideCharToMultiByte(CP_ACP, 0, strText.c_str(), -1, nullptr, 0, nullptr, nullptr);
            std::string strBox(static_cast<size_t>(n), '\0');
            ::WideCharToMultiByte(CP_ACP, 0, strText.c_str(), -1, &strBox[0], n, nullptr, nullptr);
            MessageBox(strBox.c_str(), nullptr, MB_OK | MB_ICONEXCLAMATION);
            return;
        }
    }
    LoadCommonControls();
    CMakerDlg dlg(this, strSource);
    if (dlg.DoModal() == IDOK) ChooseMadeSound(dlg.GetMadePath());
}

void CSoundControlDlg::ChooseMadeSound(const CString& strPath) {
    int nSplit = static_cast<int>(scheme::LastSeparator(strPath, strPath.GetLength()));
    CString strFile = strPath.Mid(nSplit + 1);
    CString strDirectory = nSplit == 2 ? strPath.Left(3) : strPath.Left(nSplit);
    browser::ChangeDrive(static_cast<BYTE>(strPath.GetAt(0) & ~0x20) - 0x40);
    browser::ChangeDirectory(strDirectory);
    m_cmbDrive.SelectString(-1, strPath.Left(2));
    OnSelchangeDriveCombo();
    LRESULT nFound = m_lstFiles.SendMessage(LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                            reinterpret_cast<LPARAM>(static_cast<LPCSTR>(strFile)));
    if (nFound == LB_ERR) return;
    m_lstFiles.SetCurSel(static_cast<int>(nFound));
    OnSelchangeFileList();
}
