#include "DriveDirectory.h"

#include <direct.h>

namespace browser {

BOOL ChangeDirectory(LPCSTR lpszPath) {
    if (_chdir(lpszPath) != 0) return FALSE;
    char szCurrent[MAX_PATH];
    DWORD nLen = ::GetCurrentDirectoryA(MAX_PATH, szCurrent);
    if (nLen < 2 || nLen >= MAX_PATH || szCurrent[1] != ':') return TRUE;  // a network path, or too long
    // This runtime does not record the drive's directory itself.
    char chDrive = szCurrent[0];
    if (chDrive >= 'a' && chDrive <= 'z') chDrive = static_cast<char>(chDrive - 'a' + 'A');
    char szVariable[] = {'=', chDrive, ':', '\0'};
    ::SetEnvironmentVariableA(szVariable, szCurrent);
    return TRUE;
}

BOOL ChangeDrive(int nDrive) {
    if (nDrive < 1 || nDrive > 31) return FALSE;
    return _chdrive(nDrive) == 0;
}

}  // namespace browser
