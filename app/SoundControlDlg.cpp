#include "SoundControlDlg.h"

#include "DIBitmap.h"
#include "NarrowNames.h"
#include "RegistryValues.h"
#include "SchemeDlg.h"
#include "SoundEvent.h"
// after windows.h
#include <htmlhelp.h>
#include <mmsystem.h>

namespace {

using HtmlHelpProc = HWND(WINAPI*)(HWND, LPCWSTR, UINT, DWORD_PTR);

// HtmlHelpW of the system's hhctrl.ocx, loaded on first use and kept for the
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
        return reinterpret_cast<HtmlHelpProc>(reinterpret_cast<void*>(::GetProcAddress(hModule, "HtmlHelpW")));
    }();
    return s_pfn;
}

// Every WinHelp viewer is larger; every stub in its place is far smaller.
constexpr DWORD kMinWinHelpViewerSize = 64 * 1024;

// A help file that a viewer can show: one that opens and holds something.
// An empty one would leave HTML Help showing nothing at all.
BOOL IsHelpFile(const std::wstring& strPath) {
    HANDLE hFile = ::CreateFileW(strPath.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (hFile == INVALID_HANDLE_VALUE) return FALSE;
    LARGE_INTEGER nSize{};
    BOOL bFilled = ::GetFileSizeEx(hFile, &nSize) && nSize.QuadPart > 0;
    ::CloseHandle(hFile);
    return bFilled;
}

// The path as WinHelp, which passes it on in the code page, can hand it to its
// viewer: with the short form of what the code page cannot hold, also for a
// file that is missing in a folder that is there.
CString WinHelpPath(const std::wstring& strPath) {
    CString strUsable;
    if (browser::UsablePath(strPath.c_str(), &strUsable)) return strUsable;
    size_t nSplit = strPath.rfind(L'\\');
    CString strName;
    if (nSplit != std::wstring::npos && browser::UsablePath(strPath.substr(0, nSplit).c_str(), &strUsable) &&
        scheme::NarrowText(strPath.substr(nSplit), &strName))
        return strUsable + strName;
    scheme::NarrowText(strPath, &strUsable);
    return strUsable;
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
ON_CBN_SELCHANGE(IDC_APP_COMBO, OnSelchangeAppCombo)
ON_LBN_SELCHANGE(IDC_EVENT_LIST, OnSelchangeEventList)
ON_BN_CLICKED(IDC_TEST, OnTest)
ON_MESSAGE(MM_MCINOTIFY, OnMciNotify)
ON_WM_DESTROY()
ON_LBN_SELCHANGE(IDC_FILE_LIST, OnSelchangeFileList)
ON_WM_SETFOCUS()
ON_BN_CLICKED(IDC_HELP_BUTTON, OnHelpButton)
ON_BN_CLICKED(IDC_MAKE, OnMake)
ON_WM_MEASUREITEM()
ON_WM_DRAWITEM()
ON_WM_COMPAREITEM()
ON_MESSAGE(WM_DPICHANGED, OnDpiChanged)
ON_MESSAGE(WM_SHOWSOUNDINFO, OnShowSoundInfo)
ON_WM_SYSCOMMAND()
END_MESSAGE_MAP()

namespace {

// DPI functions of Windows 10 version 1607 and later, looked up so that the
// program still starts on the systems before, where a window is always drawn
// at the system's DPI.
template <typename Fn>
Fn User32Function(const char* pszName) {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA("user32.dll"), pszName)));
}

UINT GetSystemDpi() {
    CClientDC dc(nullptr);
    return static_cast<UINT>(::GetDeviceCaps(dc, LOGPIXELSY));
}

}  // namespace

CSoundControlDlg::CSoundControlDlg(CWnd* pParent, HKEY hRoot)
    : CDialog(CSoundControlDlg::IDD, pParent),
      m_pPalette(nullptr),
      m_store(hRoot),
      m_bLabelExact(FALSE),
      m_bPlaying(FALSE),
      m_bNotifyPending(FALSE),
      m_nStaleNotifications(0),
      m_nCurrentEvent(-1),
      m_pDIBitmap(nullptr),
      m_nDpi(0),
      m_hAssignedIcon(nullptr),
      m_nIconSize(0),
      m_bHtmlHelpOpened(FALSE),
      m_bPainted(FALSE),
      m_hIcon(nullptr) {}

CSoundControlDlg::~CSoundControlDlg() {
    // A reading started ahead writes members: it ends before any of them goes.
    if (m_reading.valid()) m_reading.wait();
    delete m_pDIBitmap;
    m_pDIBitmap = nullptr;
    delete m_pPalette;
    m_pPalette = nullptr;
    if (m_hAssignedIcon != nullptr) ::DestroyIcon(m_hAssignedIcon);
}

SoundEvent* CSoundControlDlg::GetEvent(INT_PTR nIndex) const {
    // The table holds SoundEvent records; the array only keeps their pointers.
    return reinterpret_cast<SoundEvent*>(m_store.GetEvents(m_strApp).GetAt(nIndex));
}

void CSoundControlDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_TEST, m_btnTest);
    DDX_Control(pDX, IDC_DIRECTORY_LABEL, m_stcDirectory);
    DDX_Control(pDX, IDC_DRIVE_COMBO, m_cmbDrive);
    DDX_Control(pDX, IDC_FILE_LIST, m_lstFiles);
    DDX_Control(pDX, IDC_EVENT_LIST, m_lstEvents);
    DDX_Control(pDX, IDC_APP_COMBO, m_cmbApp);
}

BOOL CSoundControlDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    // Loaded here, not on construction: the first icon starts the window
    // system, which the catalogue's reading ahead runs beside.
    m_hIcon = AfxGetApp()->LoadIcon(IDR_MAINFRAME);
    SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));
    HMENU hSystemMenu = ::GetSystemMenu(m_hWnd, FALSE);
    if (hSystemMenu != nullptr) {
        ::AppendMenuA(hSystemMenu, MF_SEPARATOR, 0, nullptr);
        ::AppendMenuA(hSystemMenu, MF_STRING, IDM_SCHEMES, "サウンド設定(&S)...");
    }
    SendDlgItemMessage(IDC_FILE_LIST, LB_RESETCONTENT);
    SendDlgItemMessage(IDC_EVENT_LIST, LB_RESETCONTENT);
    // What was read ahead, or is read now. A reading that failed on its way
    // (memory ran out) is told as one that found no events.
    Reading reading = Reading::kNoEvents;
    try {
        reading = m_reading.valid() ? m_reading.get() : ReadAhead();
    } catch (const std::exception&) {
        m_apps.clear();
    }
    FillDriveList();
    FillApplicationList();

    // Without the catalogue the dialog stays open, its event list hidden and empty.
    if (reading != Reading::kRead) {
        AfxMessageBox("ﾚｼﾞｽﾄﾘｵｰﾌﾟﾝｴﾗｰ", MB_OK);
        return FALSE;
    }

    LayoutForDpi();
    ShowApplication(L".Default");

    GetDlgItem(IDC_EVENT_LIST)->ShowWindow(SW_SHOW);
    return TRUE;
}

void CSoundControlDlg::OnPaint() {
    CPaintDC dc(this);
    if (!m_bPainted) {
        m_bPainted = TRUE;
        if (m_pendingFormat) PostMessage(WM_SHOWSOUNDINFO);
    }
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
        // The picture keeps its size relative to the frame at every DPI: a pixel
        // of it takes a pixel at 96 DPI, one and a half at 144. The frame, in the
        // picture's pixels, is placed as at 96 DPI: centred where the picture is
        // smaller; where it is larger, its left columns and bottom rows fill the
        // frame from the top left.
        UINT nDpi = GetDpi();
        int nWidth = ::MulDiv(m_rcPicture.Width(), 96, static_cast<int>(nDpi));
        int nHeight = ::MulDiv(m_rcPicture.Height(), 96, static_cast<int>(nDpi));
        CSize size = m_pDIBitmap->GetDimensions();
        int x = (nWidth - size.cx) / 2;
        if (x < 0) x = 0;
        int y = (size.cy - nHeight) / 2;
        if (y > 0) y = 0;
        int nSaved = ::SaveDC(dc);
        // Rounding at other scales must not paint over the frame.
        ::IntersectClipRect(dc, m_rcPicture.left, m_rcPicture.top, m_rcPicture.right, m_rcPicture.bottom);
        dc.SetStretchBltMode(COLORONCOLOR);
        m_pDIBitmap->StretchDraw(&dc, m_rcPicture.left + ScaleToDpi(x), m_rcPicture.top + ScaleToDpi(y),
                                 ScaleToDpi(nWidth), ScaleToDpi(nHeight), 0, 0, nWidth, nHeight, SRCCOPY, nullptr);
        ::RestoreDC(dc, nSaved);
    }
    if (!m_strDescription.IsEmpty()) {
        int nOldMode = dc.SetBkMode(TRANSPARENT);
        CFont* pOldFont = m_fntDescription.m_hObject != nullptr ? dc.SelectObject(&m_fntDescription) : nullptr;
        CRect rc = m_rcDescription;
        rc.InflateRect(-ScaleToDpi(3), -ScaleToDpi(3));
        dc.DrawText(m_strDescription, m_strDescription.GetLength(), rc, DT_NOPREFIX | DT_WORDBREAK);
        if (pOldFont != nullptr) dc.SelectObject(pOldFont);
        dc.SetBkMode(nOldMode);
    }
}

void CSoundControlDlg::ShowChosenSound(const CString& strPath) {
    const DWORD dwAttributes = strPath.IsEmpty() ? INVALID_FILE_ATTRIBUTES : ::GetFileAttributesA(strPath);
    m_pendingFormat.reset();
    if (strPath.IsEmpty() || (dwAttributes != INVALID_FILE_ATTRIBUTES && (dwAttributes & FILE_ATTRIBUTE_DIRECTORY))) {
        delete m_pDIBitmap;
        m_pDIBitmap = nullptr;
        m_strDescription.Empty();
        delete SetPalette(nullptr);
        GetDlgItem(IDC_SOUND_INFO)->SetWindowText("");
    } else {
        // One walk of the file gives all three; a file that cannot be opened is
        // reported by the picture's message.
        DiscardPicture();
        m_strDescription.Empty();
        auto pBitmap = std::make_unique<CDIBitmap>();
        std::optional<preview::ChosenSound> sound = ReadChosenSound(strPath, preview::kEveryPart, pBitmap.get());
        ShowPicture(sound ? &sound->picture : nullptr, std::move(pBitmap));
        std::optional<preview::SoundFormat> format;
        if (sound) {
            ShowDescription(sound->description);
            format = std::move(sound->format);
        }
        // The first format query of a process loads the sound drivers, which
        // takes a good part of a second: the dialog is shown first.
        if (format && !m_bPainted) {
            m_pendingFormat = std::move(format);
            GetDlgItem(IDC_SOUND_INFO)->SetWindowText("");
        } else {
            GetDlgItem(IDC_SOUND_INFO)->SetWindowText(DescribeSound(format));
        }
    }
    InvalidateRect(m_rcPicture, TRUE);
    InvalidateRect(m_rcDescription, TRUE);
}

LRESULT CSoundControlDlg::OnShowSoundInfo(WPARAM, LPARAM) {
    if (m_pendingFormat) {
        GetDlgItem(IDC_SOUND_INFO)->SetWindowText(DescribeSound(m_pendingFormat));
        m_pendingFormat.reset();
    }
    return 0;
}

UINT CSoundControlDlg::GetDpi() {
    if (m_nDpi == 0) {
        static const auto pGetDpiForWindow = User32Function<UINT(WINAPI*)(HWND)>("GetDpiForWindow");
        UINT nDpi = pGetDpiForWindow != nullptr && m_hWnd != nullptr ? pGetDpiForWindow(m_hWnd) : 0;
        // Before the window exists it will be drawn at the system's DPI.
        if (nDpi == 0) return GetSystemDpi();
        m_nDpi = nDpi;
    }
    return m_nDpi;
}

int CSoundControlDlg::ScaleToDpi(int nPixels) {
    return ::MulDiv(nPixels, static_cast<int>(GetDpi()), 96);
}

int CSoundControlDlg::GetDpiMetric(int nIndex) {
    static const auto pGetSystemMetricsForDpi = User32Function<int(WINAPI*)(int, UINT)>("GetSystemMetricsForDpi");
    if (pGetSystemMetricsForDpi != nullptr) return pGetSystemMetricsForDpi(nIndex, GetDpi());
    return ::MulDiv(::GetSystemMetrics(nIndex), static_cast<int>(GetDpi()), static_cast<int>(GetSystemDpi()));
}

void CSoundControlDlg::LayoutForDpi() {
    // The frames' insides, within their two-pixel borders.
    CRect rc;
    GetDlgItem(IDC_PICTURE)->GetWindowRect(rc);
    ScreenToClient(&rc.TopLeft());
    ScreenToClient(&rc.BottomRight());
    rc.InflateRect(-ScaleToDpi(2), -ScaleToDpi(2));
    m_rcPicture = rc;
    GetDlgItem(IDC_DESCRIPTION)->GetWindowRect(rc);
    ScreenToClient(&rc.TopLeft());
    ScreenToClient(&rc.BottomRight());
    rc.InflateRect(-ScaleToDpi(2), -ScaleToDpi(2));
    m_rcDescription = rc;

    // The loudspeaker at the small-icon size, which the icon holds for the usual
    // scales; the system scales the nearest image for others.
    m_nIconSize = GetDpiMetric(SM_CXSMICON);
    HICON hIcon = static_cast<HICON>(::LoadImageA(AfxGetResourceHandle(), MAKEINTRESOURCEA(IDI_SOUND_ASSIGNED),
                                                  IMAGE_ICON, m_nIconSize, m_nIconSize, LR_DEFAULTCOLOR));
    if (m_hAssignedIcon != nullptr) ::DestroyIcon(m_hAssignedIcon);
    m_hAssignedIcon = hIcon;

    // The description is written in the context's default font, which the
    // system makes for its own DPI; at another, a copy of it scaled to this one.
    m_fntDescription.DeleteObject();
    UINT nSystemDpi = GetSystemDpi();
    LOGFONTA lf;
    if (GetDpi() != nSystemDpi && ::GetObjectA(::GetStockObject(SYSTEM_FONT), sizeof lf, &lf) == sizeof lf) {
        lf.lfHeight = ::MulDiv(lf.lfHeight, static_cast<int>(GetDpi()), static_cast<int>(nSystemDpi));
        lf.lfWidth = ::MulDiv(lf.lfWidth, static_cast<int>(GetDpi()), static_cast<int>(nSystemDpi));
        m_fntDescription.CreateFontIndirect(&lf);
    }
}

LRESULT CSoundControlDlg::OnDpiChanged(WPARAM wParam, LPARAM lParam) {
    // The system scales the template's controls and fonts itself.
    Default();
    m_nDpi = HIWORD(wParam);
    // A message without the suggested rectangle keeps the window where it is.
    const RECT* prcSuggested = reinterpret_cast<const RECT*>(lParam);
    if (prcSuggested != nullptr)
        SetWindowPos(nullptr, prcSuggested->left, prcSuggested->top, prcSuggested->right - prcSuggested->left,
                     prcSuggested->bottom - prcSuggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
    LayoutForDpi();
    m_lstEvents.SetItemHeight(0, static_cast<UINT>(GetRowHeight()));
    Invalidate();
    return 0;
}

void CSoundControlDlg::OnSysCommand(UINT nID, LPARAM lParam) {
    if ((nID & 0xFFF0) != IDM_SCHEMES) {
        CDialog::OnSysCommand(nID, lParam);
        return;
    }
    CSchemeDlg dlg(this);
    dlg.DoModal();
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
    ::WinHelpA(m_hWnd, WinHelpPath(GetHelpPath()), HELP_QUIT, 0);
    if (m_bHtmlHelpOpened) HtmlHelpFunction()(nullptr, nullptr, HH_CLOSE_ALL, 0);
}

void CSoundControlDlg::OnHelpButton() {
    // The file of the viewer the system can show, else the other file.
    const std::wstring strHlp = GetHelpPath();
    const std::wstring strChm = strHlp.substr(0, strHlp.size() - 3) + L"chm";
    const HtmlHelpProc pfnHtmlHelp = HtmlHelpFunction();
    const BOOL bHtmlHelpFirst = pfnHtmlHelp != nullptr && !HasWinHelpViewer();
    const BOOL bChm = pfnHtmlHelp != nullptr && IsHelpFile(strChm);
    const BOOL bHlp = IsHelpFile(strHlp);
    if (bHtmlHelpFirst ? bChm : bChm && !bHlp) {
        m_bHtmlHelpOpened = TRUE;
        pfnHtmlHelp(m_hWnd, strChm.c_str(), HH_DISPLAY_TOPIC, 0);
    } else if (bHtmlHelpFirst && !bHlp) {
        // HTML Help shows nothing for a missing file; WinHelp's viewer names it
        // in a box with this caption and first sentence.
        CString strShown;
        scheme::NarrowText(strChm, &strShown);
        MessageBox("'" + strShown + "' が見つかりません。", "エラー", MB_OK | MB_ICONEXCLAMATION);
    } else {
        ::WinHelpA(m_hWnd, WinHelpPath(strHlp), HELP_CONTENTS, 0);
    }
}

std::wstring CSoundControlDlg::GetHelpPath() const {
    // The help file lies beside the executable: its path with the last three
    // characters, whatever they are, replaced by "hlp". Asked in UTF-16, as the
    // folder's name may hold what the code page cannot.
    std::wstring strPath(MAX_PATH, L'\0');
    for (;;) {
        DWORD nLen = ::GetModuleFileNameW(AfxGetInstanceHandle(), &strPath[0], static_cast<DWORD>(strPath.size()));
        if (nLen < strPath.size() || strPath.size() >= 32768) {
            strPath.resize(nLen);
            break;
        }
        strPath.resize(strPath.size() * 2);
    }
    return strPath.substr(0, strPath.size() < 3 ? 0 : strPath.size() - 3) + L"hlp";
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
