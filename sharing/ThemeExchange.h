// Schemes taken from theme files, theme packs and INI files, and written out as
// theme packs or theme files, through the store. Packs taken in are unpacked
// into a folder of this user's, %LOCALAPPDATA%\ZORVAND\スキーム\<scheme name>.
// Nothing here shows anything: the caller tells the user what came of it.
#pragma once

#include <string>

#include "SchemeStore.h"

namespace sharing {

enum class ImportOutcome {
    kImported,
    kUnreadable,  // cannot be read, is no text, too large a theme, or a damaged pack
    kEmpty,
    kNoSounds,   // no sound section, and no scheme here of the name it gives
    kLongSound,  // a sound longer than any path
    kBadName,    // a pack's file named with "..", ':' or an absolute path
    kTooLarge,   // a pack of too many files or too many bytes
    kNoTheme,    // a pack without a theme file
    kNotWave,    // a sound of the pack that is no RIFF WAVE file
    kNotWritten,
};

struct ImportReport {
    std::wstring strId;    // the new scheme
    CString strName;       // its name
    size_t nSounds = 0;    // events given a sound or no sound
    size_t nLacking = 0;   // events of the theme that this system has not
    size_t nMissing = 0;   // sounds whose file is not there
    std::wstring strFile;  // for kNotWave: the file's name in the pack
};

// Takes in the theme file, theme pack (told by its content) or INI file as a
// new scheme, which is not applied. Anything refused leaves nothing written.
ImportOutcome ImportTheme(const SchemeStore& store, const std::wstring& strPath, ImportReport* pReport);

struct ExportReport {
    size_t nSounds = 0;   // events written out
    size_t nMissing = 0;  // sounds whose file is not there, written as they are
};

// A scheme's name as a file name: what no file name may hold, and a final dot
// or space that the system would drop, become '_'.
std::wstring FileNameOf(std::wstring strName);

// Writes the scheme (the current sounds for an empty id) under its name as a
// theme file where the path ends in ".theme", referencing the sounds where they
// lie, else as a theme pack holding "<name>.theme" and every sound file, each
// named by its bare file name. What was at the path stays unless all is written.
BOOL ExportTheme(const SchemeStore& store, const std::wstring& strId, const std::wstring& strName,
                 const std::wstring& strPath, ExportReport* pReport);

}  // namespace sharing
