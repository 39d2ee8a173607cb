// Schemes taken from theme files, theme packs and INI files, and written out as
// theme packs or theme files, through the store. Packs taken in are unpacked
// into a folder of this user's, %LOCALAPPDATA%\ZORVAND\スキーム\<scheme name>.
// Nothing here shows anything: the caller tells the user what came of it.
#pragma once

#include <string>
#include <vector>

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
    kNoLibrary,  // a library of the system's that it needs cannot be loaded
};

struct ImportReport {
    std::wstring strId;    // the new scheme
    CString strName;       // its name
    size_t nSounds = 0;    // events given a sound or no sound
    size_t nLacking = 0;   // events of the theme that this system has not
    size_t nMissing = 0;   // sounds whose file is not there
    size_t nNetwork = 0;   // sounds on the network, taken as they are and never opened
    std::wstring strFile;  // for kNotWave: the sound's name in the theme; for kNoLibrary: the library
};

// Takes in the theme file, theme pack (told by its content) or INI file as a
// new scheme, which is not applied. Anything refused leaves nothing written,
// neither a key nor a folder. A sound's file on the network (a share's path,
// \\?\UNC\..., a drive mapped to the network) is never opened or asked about,
// and no library is loaded that the theme names off this machine's drives.
ImportOutcome ImportTheme(const SchemeStore& store, const std::wstring& strPath, ImportReport* pReport);

struct ExportReport {
    size_t nSounds = 0;   // events written out
    size_t nMissing = 0;  // sounds whose file is not there, written as they are
    size_t nNetwork = 0;  // sounds on the network, written as they are and never opened
};

enum class ExportOutcome {
    kWritten,
    kNotWritten,
    kNoLibrary,  // the cabinet library, which writes packs, cannot be loaded
};

// A scheme's name as a file name (SafeFileName).
std::wstring FileNameOf(std::wstring strName);

// Writes the scheme (the current sounds for an empty id) under its name as a
// theme file where the path ends in ".theme", referencing the sounds where they
// lie, else as a theme pack holding "<name>.theme" and every sound file named
// ".wav" that is there, each by its bare file name (made safe, numbered where
// taken, within a cabinet's 255 bytes); every other sound is written as the
// scheme keeps it. What was at the path stays unless all is written.
ExportOutcome ExportTheme(const SchemeStore& store, const std::wstring& strId, const std::wstring& strName,
                          const std::wstring& strPath, ExportReport* pReport);

// The folders that packs were unpacked to for the scheme in which no other
// scheme, nor the current sounds, has a sound: what goes with the scheme.
std::vector<std::wstring> UnpackFoldersOf(const SchemeStore& store, const std::wstring& strId);
// Removes the folders with everything in them; a link in them is removed
// itself, never what it points to.
void RemoveFolders(const std::vector<std::wstring>& folders);

}  // namespace sharing
