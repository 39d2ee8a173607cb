// The process's drive and directory: the browser's only state. Each drive
// remembers its own current directory in the "=X:" environment variable, as the
// system's command processor and runtime library do.
#pragma once

#include <windows.h>

namespace browser {

// Makes the path current (absolute, relative or ".."), then records the new
// current directory as its drive's; a network path is not recorded.
BOOL ChangeDirectory(LPCSTR lpszPath);
// Makes drive nDrive current (1 is A): its remembered directory, or its root.
// Numbers below 1 or above 31 are refused.
BOOL ChangeDrive(int nDrive);

}  // namespace browser
