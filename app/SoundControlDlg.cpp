#include "SoundControlDlg.h"

#include "DIBitmap.h"
#include "SoundEvent.h"
// after windows.h
#include <htmlhelp.h>
#include <mmsystem.h>

namespace {

using HtmlHelpProc = HWND(WINAPI*)(HWND, LPCSTR, UINT, DWORD_PTR);

// HtmlHelpA of the system's hhctrl.ocx, loaded on first use and kept for the
// process's life as an import would be; null where the system has none, so
// that the program starts without it.
HtmlHelpProc HtmlHelpFunction() {
    static const HtmlHelpProc s_pfn = [] {
        char szPath[MAX_PATH];
        const UINT nLen = ::GetSystemDirectoryA(szPath, MAX_PATH);
        const char szName[] = "\\hhctrl.ocx";
        if (nLen == 0 || nLen + sizeof szName > MAX_PATH) return HtmlHelpProc(nullptr);
        lstrcatA(szPath, szName);
        HMODULE hModule = ::LoadLibraryA(szPath);
        if (hModule == nullptr) return HtmlHelpProc(nullptr);
        return reinterpret_cast<HtmlHelpProc>(reinterpret_cast<void*>(::GetProcAddress(hModule, "HtmlHelpA")));
    }();
    return s_pfn;
}

// Every WinHelp viewer is larger; every stub in its place is far smaller.
constexpr DWORD kMinWinHelpViewerSize = 64 * 1024;

BOOL IsFile(const CString& strPath) {
    const DWORD dwAttributes = ::GetFileAttributesA(strPath);
    return dwAttributes != INVALID_FILE_ATTRIBUTES && (dwAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

}  // namespace

BEGIN_MESSAGE_MAP(CSoundControlDlg, CDialog)
ON_WM_QUERYNEWPALETTE()
ON_WM_PALETTECHANGED()
ON_WM_CREATE()
ON_WM_PAINT()
ON_WM_QUERYDRAGICON()
ON_LBN_DBLCLK(IDC_FILE_LIST, OnDblclkFileList)
ON_CBN_SELCHANGE(IDC_DRIVE_COMBO, OnSelchangeDriveCombo)
ON_LBN_SELCHANGE(IDC_EVENT_LIST, OnSelchangeEventList)
ON_BN_CLICKED(IDC_TEST, OnTest)
ON_MESSAGE(MM_MCINOTIFY, OnMciNotify)
ON_WM_DESTROY()
ON_LBN_SELCHANGE(IDC_FILE_LIST, OnSelchangeFileList)
ON_WM_SETFOCUS()
ON_BN_CLICKED(IDC_HELP_BUTTON, OnHelpButton)
ON_WM_MEASUREITEM()
ON_WM_DRAWITEM()
ON_WM_COMPAREITEM()
END_MESSAGE_MAP()

CSoundControlDlg::CSoundControlDlg(CWnd* pParent)
    : CDialog(CSoundControlDlg::IDD, pParent),
      m_pPalette(nullptr),
      m_bSoundsLoaded(FALSE),
      m_bLabelExact(FALSE),
      m_bPlaying(FALSE),
      m_bNotifyPending(FALSE),
      m_nStaleNotifications(0),
      m_nCurrentEvent(-1),
      m_pDIBitmap(nullptr),
      m_bHtmlHelpOpened(FALSE) {
    m_hIcon = AfxGetApp()->LoadIcon(IDR_MAINFRAME);
    m_hAssignedIcon = AfxGetApp()->LoadIcon(IDI_SOUND_ASSIGNED);
}

CSoundControlDlg::~CSoundControlDlg() {
    delete m_pDIBitmap;
    m_pDIBitmap = nullptr;
    delete m_pPalette;
    m_pPalette = nullptr;
    for (INT_PTR i = 0; i < m_events.GetSize(); ++i) delete GetEvent(i);
    m_events.RemoveAll();
}

SoundEvent* CSoundControlDlg::GetEvent(INT_PTR nIndex) const {
    // The table holds SoundEvent records; the array only keeps their pointers.
    return reinterpret_cast<SoundEvent*>(m_events.GetAt(nIndex));
}

void CSoundControlDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_TEST, m_btnTest);
    DDX_Control(pDX, IDC_DIRECTORY_LABEL, m_stcDirectory);
    DDX_Control(pDX, IDC_DRIVE_COMBO, m_cmbDrive);
    DDX_Control(pDX, IDC_FILE_LIST, m_lstFiles);
    DDX_Control(pDX, IDC_EVENT_LIST, m_lstEvents);
}

BOOL CSoundControlDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));
    SendDlgItemMessage(IDC_FILE_LIST, LB_RESETCONTENT);
    SendDlgItemMessage(IDC_EVENT_LIST, LB_RESETCONTENT);
    FillDriveList();

    // Without the catalogue the dialog stays open, its event list hidden and empty.
    if (!LoadEvents(".Default")) return FALSE;
    if (!LoadCurrentSounds(".Default")) return FALSE;

    // Each item is an index into the table, in the order of the labels.
    for (INT_PTR i = 0; i < m_events.GetSize(); ++i) AddEventRow(i);
    SendDlgItemMessage(IDC_EVENT_LIST, LB_SETCURSEL, 0);
    OnSelchangeEventList();

    CRect rc;
    GetDlgItem(IDC_PICTURE)->GetWindowRect(rc);
    ScreenToClient(&rc.TopLeft());
    ScreenToClient(&rc.BottomRight());
    rc.InflateRect(-2, -2);
    m_rcPicture = rc;
    GetDlgItem(IDC_DESCRIPTION)->GetWindowRect(rc);
    ScreenToClient(&rc.TopLeft());
    ScreenToClient(&rc.BottomRight());
    rc.InflateRect(-2, -2);
    m_rcDescription = rc;

    GetDlgItem(IDC_EVENT_LIST)->ShowWindow(SW_SHOW);
    return TRUE;
}

void CSoundControlDlg::OnPaint() {
    CPaintDC dc(this);
    if (IsIconic()) {
        SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc.GetSafeHdc()), 0);
        int cxIcon = GetSystemMetrics(SM_CXICON);
        int cyIcon = GetSystemMetrics(SM_CYICON);
        CRect rect;
        GetClientRect(&rect);
        int x = (rect.Width() - cxIcon + 1) / 2;
        int y = (rect.Height() - cyIcon + 1) / 2;
        dc.DrawIcon(x, y, m_hIcon);
        return;
    }
    if (m_pDIBitmap != nullptr) {
        // Centred where the picture is smaller than the frame; where it is larger,
        // its left columns and bottom rows fill the frame from the top left.
        int nWidth = m_rcPicture.Width();
        int nHeight = m_rcPicture.Height();
        CSize size = m_pDIBitmap->GetDimensions();
        int x = m_rcPicture.left + (nWidth - size.cx) / 2;
        if (x < m_rcPicture.left) x = m_rcPicture.left;
        int y = m_rcPicture.top + (size.cy - nHeight) / 2;
        if (y > m_rcPicture.top) y = m_rcPicture.top;
        int nOldStretch = dc.SetStretchBltMode(COLORONCOLOR);
        m_pDIBitmap->Draw(&dc, x, y, 0, 0, nWidth, nHeight, SRCCOPY, nullptr);
        dc.SetStretchBltMode(nOldStretch);
    }
    if (!m_strDescription.IsEmpty()) {
        int nOldMode = dc.SetBkMode(TRANSPARENT);
        CRect rc = m_rcDescription;
        rc.InflateRect(-3, -3);
        dc.DrawText(m_strDescription, m_strDescription.GetLength(), rc, DT_NOPREFIX | DT_WORDBREAK);
        dc.SetBkMode(nOldMode);
    }
}

HCURSOR CSoundControlDlg::OnQueryDragIcon() {
    return static_cast<HCURSOR>(m_hIcon);
}

int CSoundControlDlg::OnCreate(LPCREATESTRUCT lpCreateStruct) {
    if (CDialog::OnCreate(lpCreateStruct) == -1) return -1;
    m_pPalette = nullptr;
    return 0;
}

void CSoundControlDlg::OnSetFocus(CWnd* pOldWnd) {
    CDialog::OnSetFocus(pOldWnd);
    if (m_pDIBitmap != nullptr) delete SetPalette(m_pDIBitmap->CreateDIBPalette());
}

void CSoundControlDlg::OnDestroy() {
    CDialog::OnDestroy();
    StopSound();
    ::WinHelpA(m_hWnd, GetHelpPath(), HELP_QUIT, 0);
    if (m_bHtmlHelpOpened) HtmlHelpFunction()(nullptr, nullptr, HH_CLOSE_ALL, 0);
}

void CSoundControlDlg::OnHelpButton() {
    // The file of the viewer the system can show, else the other file.
    const CString strHlp = GetHelpPath();
    const CString strChm = strHlp.Left(strHlp.GetLength() - 3) + "chm";
    const HtmlHelpProc pfnHtmlHelp = HtmlHelpFunction();
    const BOOL bHtmlHelpFirst = pfnHtmlHelp != nullptr && !HasWinHelpViewer();
    const BOOL bChm = pfnHtmlHelp != nullptr && IsFile(strChm);
    const BOOL bHlp = IsFile(strHlp);
    if (bHtmlHelpFirst ? bChm : bChm && !bHlp) {
        m_bHtmlHelpOpened = TRUE;
        pfnHtmlHelp(m_hWnd, strChm, HH_DISPLAY_TOPIC, 0);
    } else if (bHtmlHelpFirst && !bHlp) {
        // HTML Help shows nothing for a missing file; WinHelp's viewer names it
        // in a box with this caption and first sentence.
        MessageBox("'" + strChm + "' が見つかりません。", "エラー", MB_OK | MB_ICONEXCLAMATION);
    } else {
        ::WinHelpA(m_hWnd, strHlp, HELP_CONTENTS, 0);
    }
}

CString CSoundControlDlg::GetHelpPath() const {
    // The help file lies beside the executable: its path with the last three
    // characters, whatever they are, replaced by "hlp".
    char szPath[MAX_PATH];
    int nLen = static_cast<int>(::GetModuleFileNameA(AfxGetInstanceHandle(), szPath, MAX_PATH));
    CString strPath(szPath, nLen);
    return strPath.Left(nLen - 3) + "hlp";
}

CString CSoundControlDlg::GetWinHelpViewerPath() const {
    // WinHelp starts winhlp32.exe by name, which the system finds in the system
    // directory before the Windows directory (this runtime has it only in the former).
    char szSystem[MAX_PATH];
    char szWindows[MAX_PATH];
    const UINT nSystem = ::GetSystemDirectoryA(szSystem, MAX_PATH);
    const UINT nWindows = ::GetWindowsDirectoryA(szWindows, MAX_PATH);
    if (nSystem == 0 || nSystem >= MAX_PATH || nWindows == 0 || nWindows >= MAX_PATH) return CString();
    char szViewer[MAX_PATH];
    const DWORD nLen =
        ::SearchPathA(CString(szSystem) + ";" + szWindows, "winhlp32.exe", nullptr, MAX_PATH, szViewer, nullptr);
    return nLen > 0 && nLen < MAX_PATH ? CString(szViewer) : CString();
}

BOOL CSoundControlDlg::HasWinHelpViewer() const {
    // A winhlp32.exe is not yet a viewer. Windows 10 and 11, and Vista to 8.1
    // without the WinHelp add-on, keep a stub of a few kilobytes in the Windows
    // directory that only shows a box saying WinHelp is not included. A real
    // viewer is hundreds of kilobytes (this runtime's: 903,253 bytes). The version
    // resource cannot decide: this runtime's viewer has none, and a stub carries
    // the version of the system it came with, as the add-on's viewer does.
    const CString strViewer = GetWinHelpViewerPath();
    WIN32_FILE_ATTRIBUTE_DATA data;
    return !strViewer.IsEmpty() && ::GetFileAttributesExA(strViewer, GetFileExInfoStandard, &data) &&
           (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 &&
           (data.nFileSizeHigh != 0 || data.nFileSizeLow >= kMinWinHelpViewerSize);
}
