#include "SoundControlDlg.h"

#include "DIBitmap.h"
#include "SoundEvent.h"
// after windows.h
#include <mmsystem.h>

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
      m_pDIBitmap(nullptr) {
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
}

void CSoundControlDlg::OnHelpButton() {
    ::WinHelpA(m_hWnd, GetHelpPath(), HELP_CONTENTS, 0);
}

CString CSoundControlDlg::GetHelpPath() const {
    // The help file lies beside the executable: its path with the last three
    // characters, whatever they are, replaced by "hlp".
    char szPath[MAX_PATH];
    int nLen = static_cast<int>(::GetModuleFileNameA(AfxGetInstanceHandle(), szPath, MAX_PATH));
    CString strPath(szPath, nLen);
    return strPath.Left(nLen - 3) + "hlp";
}
