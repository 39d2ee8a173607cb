// Resource and control ids of ZORVAND.EXE.
#pragma once

#define IDS_NONE 1
#define IDD_SOUNDCONTROL_DIALOG 102
#define IDD_SCHEMES 103
#define IDD_SCHEME_NAME 104
#define IDR_MAINFRAME 128
#define IDI_SOUND_ASSIGNED 134

#define IDC_DIRECTORY_LABEL 1000
#define IDC_EVENT_LIST 1001
#define IDC_FILE_LIST 1002
#define IDC_DRIVE_COMBO 1003
#define IDC_TEST 1004
#define IDC_PICTURE 1005
#define IDC_DESCRIPTION 1006
#define IDC_HELP_BUTTON 1007
#define IDC_APP_COMBO 1008
#define IDC_SOUND_INFO 1009
#define IDC_SCHEME_LIST 1101
#define IDC_SCHEME_APPLY 1102
#define IDC_SCHEME_SAVE 1103
#define IDC_SCHEME_DELETE 1104
#define IDC_SCHEME_NAME 1105

// The system menu's command that opens the sound settings.
#define IDM_SCHEMES 0x0100

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif
