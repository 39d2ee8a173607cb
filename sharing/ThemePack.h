// Theme packs: cabinet files that hold a theme file and the sounds it names,
// read and written by the system's cabinet library (cabinet.dll: FDI reads, FCI
// writes). Every name the library is handed is one of ours, so that paths in
// UTF-16 of any length reach the files; names inside a pack that are not plain
// ASCII are stored in UTF-8 and marked so.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace sharing {

// What a pack taken in may hold at most: theme packs hold a theme and its few
// pictures and sounds.
constexpr size_t kMaxPackFiles = 1000;
constexpr ULONGLONG kMaxPackBytes = 256ULL << 20;
// A theme file is text of a few kilobytes: one much larger is no theme.
constexpr DWORD kMaxThemeBytes = 16UL << 20;

enum class PackOutcome {
    kRead,
    kUnreadable,  // no cabinet, a damaged one, one continued in another, or a theme too large
    kBadName,     // a name holding "..", ':' or an absolute path, or one that does not decode
    kTooLarge,    // more than kMaxPackFiles files or kMaxPackBytes bytes, or more inflated to unpack what is asked
    kNoTheme,     // no theme file at its root
    kNotWritten,  // a file could not be written
    kNoLibrary,   // the cabinet library cannot be loaded
};

struct PackTheme {
    std::wstring strName;  // the theme file's name in the pack
    std::string bytes;
};

// Whether the cabinet library can be loaded.
BOOL CabinetLoaded();

// The pack is opened once by the caller, for reading, and shared with no writer
// nor anyone who would rename or delete it, so that every pass reads the same
// bytes. Each pass checks the directory of the pack (at most kMaxPackFiles
// files, kMaxPackBytes bytes stated) and bounds the bytes the library inflates
// to reach the files it unpacks, where they lie in their folders, by
// kMaxPackBytes.

// Checks the names of every file in the pack and reads its theme file, the
// first ".theme" at its root.
PackOutcome ReadPackTheme(HANDLE hPack, PackTheme* pTheme);

// Unpacks the files of the pack that names names (compared regardless of case,
// '/' as '\'), the first file of a name, into the folder and subfolders made in
// it: each part of a path a name the system keeps as given (SafeFileName),
// numbered where it is taken. pFiles gets, for each name, the path of the file
// written, empty where the pack has none.
PackOutcome ExtractPackFiles(HANDLE hPack, const std::vector<std::wstring>& names, const std::wstring& strFolder,
                             std::vector<std::wstring>* pFiles);

// A file to pack: a file on disk, or bytes in memory where strSource is empty.
struct PackEntry {
    std::wstring strName;  // its name in the pack
    std::wstring strSource;
    std::string bytes;
};
// Writes a pack of the entries, compressed, in their order. Its temporary files
// are named by the system, each new.
BOOL WritePack(const std::wstring& strPack, const std::vector<PackEntry>& entries);

// Writes a file through write, given a new file of the same folder, which then
// takes the file's place: what was there stays until the new one is whole.
BOOL ReplaceFileWith(const std::wstring& strPath, const std::function<BOOL(const std::wstring& strTemp)>& write);

}  // namespace sharing
