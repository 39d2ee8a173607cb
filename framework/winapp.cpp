#include "afxwin.h"

namespace {

CWinApp* g_pApp = nullptr;

}  // namespace

BEGIN_MESSAGE_MAP(CWinApp, CCmdTarget)
ON_COMMAND(ID_HELP, OnHelp)
END_MESSAGE_MAP()

CWinApp::CWinApp(LPCSTR lpszAppName)
    : m_pszAppName(lpszAppName),
      m_pszExeName(nullptr),
      m_pszHelpFilePath(nullptr),
      m_hInstance(nullptr),
      m_pMainWnd(nullptr) {
    g_pApp = this;
}

CWinApp::~CWinApp() {
    if (g_pApp == this) g_pApp = nullptr;
}

CWinApp* AFXAPI AfxGetApp() {
    return g_pApp;
}

HINSTANCE AFXAPI AfxGetInstanceHandle() {
    return g_pApp != nullptr ? g_pApp->m_hInstance : ::GetModuleHandleA(nullptr);
}

HINSTANCE AFXAPI AfxGetResourceHandle() {
    return AfxGetInstanceHandle();
}

LPCSTR AFXAPI AfxGetAppName() {
    return g_pApp != nullptr && g_pApp->m_pszAppName ? g_pApp->m_pszAppName : "";
}

BOOL AFXAPI AfxWinInit(HINSTANCE hInstance, HINSTANCE, LPSTR, int) {
    // Queries of drives without a medium fail quietly instead of asking the user.
    ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);

    CWinApp* pApp = AfxGetApp();
    if (pApp == nullptr) return FALSE;
    pApp->m_hInstance = hInstance;

    char szPath[MAX_PATH];
    DWORD nLen = ::GetModuleFileNameA(hInstance, szPath, MAX_PATH);
    CString strPath(szPath, static_cast<int>(nLen));
    int nSlash = strPath.ReverseFind('\\');
    CString strFile = strPath.Mid(nSlash + 1);
    int nDot = strFile.ReverseFind('.');
    pApp->m_strExeName = nDot >= 0 ? strFile.Left(nDot) : strFile;
    pApp->m_pszExeName = pApp->m_strExeName;

    if (pApp->m_pszAppName == nullptr) {
        if (!pApp->m_strAppName.LoadString(AFX_IDS_APP_TITLE)) pApp->m_strAppName = pApp->m_strExeName;
        pApp->m_pszAppName = pApp->m_strAppName;
    }

    int nPathDot = strPath.ReverseFind('.');
    pApp->m_strHelpFilePath = (nPathDot > nSlash ? strPath.Left(nPathDot) : strPath) + ".HLP";
    pApp->m_pszHelpFilePath = pApp->m_strHelpFilePath;
    return TRUE;
}

int AFXAPI AfxWinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPSTR lpCmdLine, int nCmdShow) {
    CWinApp* pApp = AfxGetApp();
    if (pApp == nullptr || !AfxWinInit(hInstance, hPrevInstance, lpCmdLine, nCmdShow)) return -1;
    try {
        // The program's work happens inside InitInstance; without a main window
        // there is no message loop to run afterwards.
        pApp->InitInstance();
        return pApp->ExitInstance();
    } catch (...) {
        return -1;
    }
}

HICON CWinApp::LoadIcon(UINT nIDResource) const {
    return ::LoadIconA(AfxGetResourceHandle(), MAKEINTRESOURCEA(nIDResource));
}

int CWinApp::DoMessageBox(LPCSTR lpszPrompt, UINT nType, UINT) {
    if ((nType & MB_ICONMASK) == 0) {
        switch (nType & MB_TYPEMASK) {
        case MB_OK:
        case MB_OKCANCEL:
            nType |= MB_ICONEXCLAMATION;
            break;
        case MB_YESNO:
        case MB_YESNOCANCEL:
            nType |= MB_ICONQUESTION;
            break;
        default:
            break;
        }
    }
    // Owned by the main window, or by whatever this thread has active, so that the box is modal to it.
    HWND hWndOwner = m_pMainWnd != nullptr && m_pMainWnd->m_hWnd != nullptr ? m_pMainWnd->m_hWnd : ::GetActiveWindow();
    if (hWndOwner != nullptr) hWndOwner = ::GetLastActivePopup(::GetAncestor(hWndOwner, GA_ROOT));
    return ::MessageBoxA(hWndOwner, lpszPrompt, AfxGetAppName(), nType);
}

int AFXAPI AfxMessageBox(LPCSTR lpszText, UINT nType, UINT nIDHelp) {
    CWinApp* pApp = AfxGetApp();
    if (pApp == nullptr) return ::MessageBoxA(nullptr, lpszText, "", nType);
    return pApp->DoMessageBox(lpszText, nType, nIDHelp);
}

void CWinApp::OnHelp() {
    HWND hWnd = m_pMainWnd != nullptr ? m_pMainWnd->m_hWnd : nullptr;
    ::WinHelpA(hWnd, m_pszHelpFilePath, HELP_CONTENTS, 0);
}
