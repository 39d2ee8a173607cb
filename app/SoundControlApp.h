// The application object: it runs the sound control dialog and ends.
#pragma once

#include "afxwin.h"

class CSoundControlApp : public CWinApp {
public:
    CSoundControlApp();
    BOOL InitInstance() override;

    DECLARE_MESSAGE_MAP()
};
