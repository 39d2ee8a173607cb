#include "SoundControlApp.h"

#include "SoundControlDlg.h"

BEGIN_MESSAGE_MAP(CSoundControlApp, CWinApp)
ON_COMMAND(ID_HELP, CWinApp::OnHelp)
END_MESSAGE_MAP()

// No name of its own: the framework names the application after the executable.
CSoundControlApp::CSoundControlApp() : CWinApp(nullptr) {}

CSoundControlApp theApp;

BOOL CSoundControlApp::InitInstance() {
    Enable3dControlsStatic();
    CSoundControlDlg dlg;
    dlg.StartReading();
    m_pMainWnd = &dlg;
    dlg.DoModal();
    // Everything happened inside the dialog: no message loop follows.
    return FALSE;
}
