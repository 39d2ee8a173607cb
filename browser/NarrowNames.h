// The program works in code page 932; the file system and the registry hold
// UTF-16. A name or path that the code page cannot hold is reached through its
// short (8.3) form, which is plain ASCII and opens the same file.
#pragma once

#include "afx.h"

namespace browser {

// The text in the program's code page when every character converts exactly
// (no substitution, no best fit); FALSE otherwise.
BOOL ExactNarrow(LPCWSTR lpszText, CString* pText);

// The name under which the program can open a found file or directory: its
// long name when the code page holds it, else its short name; FALSE when the
// volume keeps no short name for it.
BOOL UsableName(const WIN32_FIND_DATAW& fd, CString* pName);

// A path of an existing file or directory as the program can use it: the path
// itself when the code page holds it, else the path with the short form of each
// component that the code page cannot hold; FALSE when that cannot be had (the
// file does not exist, or the volume keeps no short name for it). Components are
// separated by '\\' or '/', as the system separates them.
BOOL UsablePath(LPCWSTR lpszPath, CString* pPath);

// Whether two paths in the code page name the same file, as the file system
// sees it: the same file on the same volume where both can be opened, else the
// same full path without regard to case.
BOOL SameFile(LPCSTR lpszPath1, LPCSTR lpszPath2);

}  // namespace browser
