#include "ThemeExchange.h"

#include <shlobj.h>
#include <shlwapi.h>

#include <algorithm>
#include <map>
#include <set>

#include "FileNames.h"
#include "RegistryValues.h"
#include "SystemLibrary.h"
#include "ThemeFile.h"
#include "ThemePack.h"

namespace sharing {

using scheme::NameLess;
using scheme::SameName;
using scheme::StoredValue;
using scheme::SystemFunction;
using scheme::ValueText;
using scheme::Widen;

namespace {

using SharedSound = SchemeStore::SharedSound;

std::wstring ToWide(const std::u16string& strText) {
    return std::wstring(strText.begin(), strText.end());
}

std::u16string Utf16(const std::wstring& strText) {
    return std::u16string(strText.begin(), strText.end());
}

BOOL EndsWith(const std::wstring& strText, const std::wstring& strEnd) {
    return strText.size() >= strEnd.size() && SameName(strText.substr(strText.size() - strEnd.size()), strEnd);
}

// The code page functions decode a theme that is not UTF-16.
bool DecodeText(TextEncoding encoding, std::string_view bytes, std::u16string* pText) {
    pText->clear();
    if (bytes.empty()) return true;
    UINT nCodePage = encoding == TextEncoding::kUtf8 ? CP_UTF8 : CP_ACP;
    auto nBytes = static_cast<int>(bytes.size());
    int nLength = ::MultiByteToWideChar(nCodePage, MB_ERR_INVALID_CHARS, bytes.data(), nBytes, nullptr, 0);
    if (nLength <= 0) return false;
    std::wstring strText(static_cast<size_t>(nLength), L'\0');
    ::MultiByteToWideChar(nCodePage, MB_ERR_INVALID_CHARS, bytes.data(), nBytes, &strText[0], nLength);
    *pText = Utf16(strText);
    return true;
}

// The file's first bytes, up to nMax, read through its handle from its start.
BOOL ReadHead(HANDLE hFile, DWORD nMax, std::string* pBytes) {
    LARGE_INTEGER size;
    if (!::GetFileSizeEx(hFile, &size)) return FALSE;
    pBytes->assign(static_cast<size_t>(std::min<LONGLONG>(size.QuadPart, nMax)), '\0');
    OVERLAPPED start = {};
    DWORD nRead = 0;
    BOOL bRead =
        pBytes->empty() || ::ReadFile(hFile, &(*pBytes)[0], static_cast<DWORD>(pBytes->size()), &nRead, &start);
    pBytes->resize(nRead);
    return bRead;
}

// The file's first bytes, up to nMax; FALSE when it cannot be read.
BOOL ReadStart(const std::wstring& strPath, DWORD nMax, std::string* pBytes) {
    HANDLE hFile = ::CreateFileW(strPath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
    if (hFile == INVALID_HANDLE_VALUE) return FALSE;
    BOOL bRead = ReadHead(hFile, nMax, pBytes);
    ::CloseHandle(hFile);
    return bRead;
}

// Writes the bytes as the file, created as dwCreation asks.
BOOL WriteNewFile(const std::wstring& strPath, const std::string& bytes, DWORD dwCreation) {
    HANDLE hFile =
        ::CreateFileW(strPath.c_str(), GENERIC_WRITE, 0, nullptr, dwCreation, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (hFile == INVALID_HANDLE_VALUE) return FALSE;
    DWORD nWritten = 0;
    BOOL bWritten = ::WriteFile(hFile, bytes.data(), static_cast<DWORD>(bytes.size()), &nWritten, nullptr) &&
                    nWritten == bytes.size();
    return ::CloseHandle(hFile) && bWritten;
}

// Removes a folder this made, with everything in it. A link (a junction, a
// symbolic link) is removed itself, never what it points to.
void DeleteTree(const std::wstring& strFolder) {
    DWORD dwAttributes = ::GetFileAttributesW(strFolder.c_str());
    WIN32_FIND_DATAW found;
    HANDLE hFind = dwAttributes == INVALID_FILE_ATTRIBUTES || (dwAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0
                       ? INVALID_HANDLE_VALUE
                       : ::FindFirstFileW((strFolder + L"\\*").c_str(), &found);
    if (hFind != INVALID_HANDLE_VALUE) {
        do {
            std::wstring strName = found.cFileName;
            if (strName == L"." || strName == L"..") continue;
            std::wstring strPath = strFolder + L"\\" + strName;
            if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
                ::DeleteFileW(strPath.c_str());
            else if ((found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0)
                ::RemoveDirectoryW(strPath.c_str());
            else
                DeleteTree(strPath);
        } while (::FindNextFileW(hFind, &found));
        ::FindClose(hFind);
    }
    ::RemoveDirectoryW(strFolder.c_str());
}

// The file's name without its folder and, unless bExtension, its extension.
std::wstring BareName(const std::wstring& strPath, BOOL bExtension) {
    std::wstring strName = strPath.substr(strPath.find_last_of(L"\\/") + 1);
    size_t nDot = strName.rfind(L'.');
    return bExtension || nDot == std::wstring::npos ? strName : strName.substr(0, nDot);
}

BOOL IsSeparator(WCHAR c) {
    return c == L'\\' || c == L'/';
}

// A full path on a drive: "X:\...", also as "\\?\X:\..." or "\\.\X:\...".
BOOL IsDrivePath(const std::wstring& strPath, WCHAR* pDrive) {
    size_t nAt = strPath.size() >= 4 && IsSeparator(strPath[0]) && IsSeparator(strPath[1]) &&
                         (strPath[2] == L'?' || strPath[2] == L'.') && IsSeparator(strPath[3])
                     ? 4
                     : 0;
    if (strPath.size() < nAt + 3 || strPath[nAt + 1] != L':' || !IsSeparator(strPath[nAt + 2])) return FALSE;
    *pDrive = strPath[nAt];
    return TRUE;
}

// A path that nothing here may open or ask about, as that would reach out of
// this machine or into a device: a share's (\\host\share, //host/share,
// \\?\UNC\...), any other path of the system's namespaces, and a path on a drive
// mapped to the network. Asking a drive's type does not reach the network.
BOOL IsRemote(const std::wstring& strPath) {
    WCHAR cDrive;
    if (IsDrivePath(strPath, &cDrive)) {
        const WCHAR szRoot[] = {cDrive, L':', L'\\', L'\0'};
        return ::GetDriveTypeW(szRoot) == DRIVE_REMOTE;
    }
    return strPath.size() >= 2 && IsSeparator(strPath[0]) && IsSeparator(strPath[1]);
}

// The text expanded as the system expands it; empty where it cannot be.
std::wstring Expanded(const std::wstring& strText) {
    DWORD nExpanded = ::ExpandEnvironmentStringsW(strText.c_str(), nullptr, 0);
    std::wstring strExpanded(nExpanded, L'\0');
    if (nExpanded == 0 || ::ExpandEnvironmentStringsW(strText.c_str(), &strExpanded[0], nExpanded) != nExpanded)
        return std::wstring();
    return strExpanded.substr(0, nExpanded - 1);
}

// A name "@library,-id" as the library gives it, environment variables
// expanded; any other name as it is; empty when the library does not give it.
// The library is the system's where it is named without a folder, and never one
// that is not on a drive of this machine. pbNoLibrary tells that the system's
// function that reads it cannot be loaded.
std::wstring ResolvedName(const std::wstring& strName, BOOL* pbNoLibrary) {
    if (strName.empty() || strName[0] != L'@') return strName;
    std::wstring strExpanded = Expanded(strName.substr(1));
    size_t nComma = strExpanded.rfind(L',');
    if (strExpanded.empty() || nComma == std::wstring::npos) return std::wstring();
    std::wstring strLibrary = strExpanded.substr(0, nComma);
    WCHAR cDrive;
    if (strLibrary.find_first_of(L"\\/") == std::wstring::npos) {
        WCHAR szSystem[MAX_PATH];
        UINT nSystem = ::GetSystemDirectoryW(szSystem, MAX_PATH);
        if (nSystem == 0 || nSystem >= MAX_PATH) return std::wstring();
        strLibrary = std::wstring(szSystem) + L"\\" + strLibrary;
    } else if (!IsDrivePath(strLibrary, &cDrive) || IsRemote(strLibrary)) {
        return std::wstring();
    }
    const auto pLoad = SystemFunction<decltype(&::SHLoadIndirectString)>(L"shlwapi.dll", "SHLoadIndirectString");
    if (pLoad == nullptr) {
        *pbNoLibrary = TRUE;
        return std::wstring();
    }
    std::wstring strIndirect = L"@" + strLibrary + strExpanded.substr(nComma);
    WCHAR szText[1024];
    return pLoad(strIndirect.c_str(), szText, ARRAYSIZE(szText), nullptr) == S_OK ? szText : std::wstring();
}

// The file a sound plays: its text, expanded where it is expandable; empty for
// none or a path that is not full.
std::wstring SoundFile(const StoredValue& value) {
    std::wstring strText = ValueText(value);
    strText.resize(wcsnlen(strText.c_str(), strText.size()));
    if (!strText.empty() && value.dwType == REG_EXPAND_SZ) strText = Expanded(strText);
    // A drive's root or a network share's: what the sound's path must begin with.
    BOOL bFull = (strText.size() >= 3 && strText[1] == L':' && IsSeparator(strText[2])) ||
                 (strText.size() >= 2 && IsSeparator(strText[0]) && IsSeparator(strText[1]));
    return bFull ? strText : std::wstring();
}

BOOL IsFile(const std::wstring& strPath) {
    DWORD dwAttributes = ::GetFileAttributesW(strPath.c_str());
    return dwAttributes != INVALID_FILE_ATTRIBUTES && (dwAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// Where the file a sound plays is: counted in pReport unless it is there.
template <typename Report>
BOOL IsThere(const std::wstring& strFile, Report* pReport) {
    if (!strFile.empty() && IsRemote(strFile)) {
        ++pReport->nNetwork;
        return FALSE;
    }
    if (strFile.empty() || !IsFile(strFile)) {
        ++pReport->nMissing;
        return FALSE;
    }
    return TRUE;
}

// A sound a pack carries: a file named ".wav", in the theme's folder. Export and
// import keep to this one rule; any other sound is the scheme's value.
BOOL IsPacked(const std::wstring& strName) {
    return EndsWith(strName, L".wav");
}

// The folders made for a pack's files: its own, and the ones above it that
// were not there, so that what fails leaves none of them.
struct SchemeFolder {
    std::wstring strPath;
    std::vector<std::wstring> made;  // from the deepest

    void Remove() const {
        DeleteTree(strPath);
        for (const std::wstring& strMade : made) ::RemoveDirectoryW(strMade.c_str());
    }
};

// The folder below which packs taken in are unpacked, with its final backslash;
// empty where it is not known.
std::wstring UnpackRoot() {
    WCHAR szBase[MAX_PATH];
    DWORD nBase = ::GetEnvironmentVariableW(L"LOCALAPPDATA", szBase, MAX_PATH);
    // Systems before Vista have no such variable, only the folder.
    if (nBase == 0 || nBase >= MAX_PATH) {
        const auto pGetFolderPath = SystemFunction<decltype(&::SHGetFolderPathW)>(L"shell32.dll", "SHGetFolderPathW");
        if (pGetFolderPath == nullptr ||
            pGetFolderPath(nullptr, CSIDL_LOCAL_APPDATA | CSIDL_FLAG_CREATE, nullptr, 0, szBase) != S_OK)
            return std::wstring();
    }
    return std::wstring(szBase) + L"\\ZORVAND\\スキーム\\";
}

// A new folder of this user's for a pack's files: its scheme's name, with a
// number where a folder has that name.
BOOL MakeSchemeFolder(const CString& strName, SchemeFolder* pFolder) {
    std::wstring strBase = UnpackRoot();
    if (strBase.empty()) return FALSE;
    for (const std::wstring& strParent : {strBase.substr(0, strBase.rfind(L'\\', strBase.size() - 2)), strBase}) {
        if (::CreateDirectoryW(strParent.c_str(), nullptr)) pFolder->made.insert(pFolder->made.begin(), strParent);
    }
    const std::u16string leaf = Utf16(FileNameOf(Widen(strName)));
    for (int n = 1; n <= 1000; ++n) {
        pFolder->strPath = strBase + ToWide(NumberedName(leaf, n, kMaxCabinetName));
        if (::CreateDirectoryW(pFolder->strPath.c_str(), nullptr)) return TRUE;
        if (::GetLastError() != ERROR_ALREADY_EXISTS) break;
    }
    pFolder->strPath.clear();
    pFolder->Remove();
    return FALSE;
}

ImportOutcome FromPack(PackOutcome outcome) {
    switch (outcome) {
    case PackOutcome::kRead:
        return ImportOutcome::kImported;
    case PackOutcome::kBadName:
        return ImportOutcome::kBadName;
    case PackOutcome::kTooLarge:
        return ImportOutcome::kTooLarge;
    case PackOutcome::kNoTheme:
        return ImportOutcome::kNoTheme;
    case PackOutcome::kNotWritten:
        return ImportOutcome::kNotWritten;
    case PackOutcome::kNoLibrary:
        return ImportOutcome::kNoLibrary;
    default:
        return ImportOutcome::kUnreadable;
    }
}

// Unpacks the theme file and the wave files its sounds name in its folder into
// a new folder; pFiles gets the file unpacked for each sound, empty where there
// is none. Nothing is left where it fails.
ImportOutcome UnpackTheme(HANDLE hPack, const PackTheme& theme, const std::vector<ThemeSound>& sounds,
                          const CString& strName, SchemeFolder* pFolder, std::vector<std::wstring>* pFiles,
                          ImportReport* pReport) {
    if (!MakeSchemeFolder(strName, pFolder)) return ImportOutcome::kNotWritten;
    std::vector<std::wstring> names;
    for (const ThemeSound& sound : sounds)
        names.push_back(sound.inThemeFolder && IsPacked(ToWide(sound.path)) ? ToWide(sound.path) : std::wstring());
    ImportOutcome outcome = FromPack(ExtractPackFiles(hPack, names, pFolder->strPath, pFiles));
    for (size_t i = 0; i < pFiles->size() && outcome == ImportOutcome::kImported; ++i) {
        std::string head;
        const std::wstring& strFile = (*pFiles)[i];
        if (!strFile.empty() && (!ReadStart(strFile, 12, &head) || head.size() < 12 ||
                                 head.compare(0, 4, "RIFF") != 0 || head.compare(8, 4, "WAVE") != 0)) {
            outcome = ImportOutcome::kNotWave;
            pReport->strFile = names[i];
        }
    }
    if (outcome == ImportOutcome::kImported &&
        !WriteNewFile(pFolder->strPath + L"\\" + ToWide(SafeFileName(Utf16(theme.strName))), theme.bytes, CREATE_NEW))
        outcome = ImportOutcome::kNotWritten;
    if (outcome != ImportOutcome::kImported) pFolder->Remove();
    return outcome;
}

// The sound of a theme as a scheme keeps it.
StoredValue ValueOf(const std::wstring& strText, BOOL bExpandable) {
    const auto* pBytes = reinterpret_cast<const BYTE*>(strText.c_str());
    return StoredValue{bExpandable ? DWORD(REG_EXPAND_SZ) : DWORD(REG_SZ),
                       std::vector<BYTE>(pBytes, pBytes + (strText.size() + 1) * sizeof(WCHAR))};
}

ImportOutcome ImportOpened(const SchemeStore& store, const std::wstring& strPath, HANDLE hFile, ImportReport* pReport) {
    std::string bytes;
    if (!ReadHead(hFile, 4, &bytes)) return ImportOutcome::kUnreadable;
    const BOOL bPack = bytes == "MSCF";
    PackTheme packTheme;
    if (bPack) {
        ImportOutcome outcome = FromPack(CabinetLoaded() ? ReadPackTheme(hFile, &packTheme) : PackOutcome::kNoLibrary);
        if (outcome == ImportOutcome::kNoLibrary) pReport->strFile = L"cabinet.dll";
        if (outcome != ImportOutcome::kImported) return outcome;
        bytes = packTheme.bytes;
    } else if (!ReadHead(hFile, kMaxThemeBytes + 1, &bytes) || bytes.size() > kMaxThemeBytes) {
        return ImportOutcome::kUnreadable;
    }
    Theme theme;
    switch (ReadTheme(bytes, DecodeText, &theme)) {
    case ThemeOutcome::kRead:
        break;
    case ThemeOutcome::kEmpty:
        return ImportOutcome::kEmpty;
    case ThemeOutcome::kNoSounds:
        return ImportOutcome::kNoSounds;
    case ThemeOutcome::kLongSound:
        return ImportOutcome::kLongSound;
    default:
        return ImportOutcome::kUnreadable;
    }

    BOOL bNoLibrary = FALSE;
    std::vector<SharedSound> sounds;
    if (theme.sounds.empty()) {
        // A theme that names a scheme of the system's instead of giving sounds.
        std::wstring strWanted = ToWide(theme.schemeName);
        std::wstring strResolved = ResolvedName(strWanted, &bNoLibrary);
        BOOL bFound = FALSE;
        for (const SchemeStore::Scheme& scheme : store.ListSchemes()) {
            if (!SameName(scheme.strId, strWanted) && !SameName(scheme.strName, strWanted) &&
                !SameName(scheme.strName, strResolved))
                continue;
            bFound = store.ReadSharedSounds(scheme.strId, &sounds);
            break;
        }
        if (!bFound && !bNoLibrary) return ImportOutcome::kNoSounds;
    }

    std::wstring strWanted = ResolvedName(ToWide(theme.displayName), &bNoLibrary);
    if (bNoLibrary) {
        pReport->strFile = L"shlwapi.dll";
        return ImportOutcome::kNoLibrary;
    }
    strWanted.erase(0, strWanted.find_first_not_of(L" \t"));
    strWanted.erase(strWanted.find_last_not_of(L" \t") + 1);
    if (strWanted.empty()) strWanted = BareName(strPath, FALSE);
    if (strWanted.empty()) strWanted = BareName(strPath, TRUE);
    pReport->strName = store.MakeSchemeName(strWanted);

    std::wstring strThemeDir = strPath.substr(0, strPath.find_last_of(L"\\/") + 1);
    // A pack that names a scheme of this system's has nothing to unpack.
    const BOOL bUnpack = bPack && !theme.sounds.empty();
    SchemeFolder folder;
    std::vector<std::wstring> files(theme.sounds.size());
    if (bUnpack) {
        ImportOutcome outcome = UnpackTheme(hFile, packTheme, theme.sounds, pReport->strName, &folder, &files, pReport);
        if (outcome != ImportOutcome::kImported) return outcome;
        strThemeDir = folder.strPath + L"\\";
    }
    for (size_t i = 0; i < theme.sounds.size(); ++i) {
        const ThemeSound& sound = theme.sounds[i];
        std::wstring strValue = !files[i].empty()     ? files[i]
                                : sound.inThemeFolder ? strThemeDir + ToWide(sound.path)
                                                      : ToWide(sound.path);
        sounds.push_back(SharedSound{SchemeStore::EventKey{ToWide(sound.app), ToWide(sound.event)},
                                     ValueOf(strValue, sound.expandable && files[i].empty())});
    }

    std::vector<SharedSound> written;
    if (!store.ImportScheme(pReport->strName, sounds, &pReport->strId, &written, &pReport->nLacking)) {
        if (bUnpack) folder.Remove();
        return ImportOutcome::kNotWritten;
    }
    pReport->nSounds = written.size();
    for (const SharedSound& sound : written)
        if (!ValueText(sound.value).empty()) IsThere(SoundFile(sound.value), pReport);
    return ImportOutcome::kImported;
}

}  // namespace

std::wstring FileNameOf(std::wstring strName) {
    return ToWide(SafeFileName(Utf16(strName)));
}

ImportOutcome ImportTheme(const SchemeStore& store, const std::wstring& strPath, ImportReport* pReport) {
    *pReport = ImportReport();
    // Opened once for every pass over a pack, which no one may change meanwhile.
    HANDLE hFile = ::CreateFileW(strPath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
    if (hFile == INVALID_HANDLE_VALUE) return ImportOutcome::kUnreadable;
    ImportOutcome outcome = ImportOpened(store, strPath, hFile, pReport);
    ::CloseHandle(hFile);
    return outcome;
}
ExportOutcome ExportTheme(const SchemeStore& store, const std::wstring& strId, const std::wstring& strName,
                          const std::wstring& strPath, ExportReport* pReport) {
    *pReport = ExportReport();
    std::vector<SharedSound> shared;
    if (!store.ReadSharedSounds(strId, &shared)) return ExportOutcome::kNotWritten;
    const BOOL bThemeFile = EndsWith(strPath, L".theme");
    if (!bThemeFile && !CabinetLoaded()) return ExportOutcome::kNoLibrary;
    std::vector<PackEntry> entries;
    if (!bThemeFile)
        entries.push_back(
            PackEntry{ToWide(CutName(Utf16(FileNameOf(strName) + L".theme"), kMaxCabinetName)), L"", std::string()});
    // Each file once, under a name of its own in the pack.
    std::map<std::wstring, std::wstring, NameLess> packed;
    std::set<std::wstring, NameLess> taken;
    if (!entries.empty()) taken.insert(entries[0].strName);
    std::vector<ThemeSound> sounds;
    for (const SharedSound& sound : shared) {
        ThemeSound written;
        written.app = Utf16(sound.event.strApp);
        written.event = Utf16(sound.event.strEvent);
        std::wstring strText = ValueText(sound.value);
        written.path = Utf16(strText.substr(0, wcsnlen(strText.c_str(), strText.size())));
        written.expandable = sound.value.dwType == REG_EXPAND_SZ;
        std::wstring strFile = SoundFile(sound.value);
        if (!written.path.empty() && IsThere(strFile, pReport) && !bThemeFile && IsPacked(strFile)) {
            std::wstring& strPacked = packed[strFile];
            if (strPacked.empty()) {
                // A '%' in a name would read as a variable.
                std::u16string bare = SafeFileName(Utf16(BareName(strFile, TRUE)));
                for (char16_t& c : bare)
                    if (c == u'%') c = u'_';
                for (int n = 1; strPacked.empty() || taken.count(strPacked) != 0; ++n)
                    strPacked = ToWide(NumberedName(bare, n, kMaxCabinetName));
                taken.insert(strPacked);
                entries.push_back(PackEntry{strPacked, strFile, std::string()});
            }
            written.path = Utf16(strPacked);
            written.inThemeFolder = true;
            written.expandable = false;
        }
        sounds.push_back(written);
    }
    pReport->nSounds = sounds.size();
    std::string themeBytes = WriteTheme(Utf16(strName), sounds);
    BOOL bWritten;
    if (bThemeFile) {
        bWritten = ReplaceFileWith(strPath, [&themeBytes](const std::wstring& strTemp) {
            return WriteNewFile(strTemp, themeBytes, CREATE_ALWAYS);
        });
    } else {
        entries[0].bytes = std::move(themeBytes);
        bWritten = WritePack(strPath, entries);
    }
    return bWritten ? ExportOutcome::kWritten : ExportOutcome::kNotWritten;
}

std::vector<std::wstring> UnpackFoldersOf(const SchemeStore& store, const std::wstring& strId) {
    const std::wstring strRoot = UnpackRoot();
    // The unpack folder a scheme's sound lies in, or empty: never a path that
    // would lead out of the folder of unpack folders.
    auto folderOf = [&strRoot](const SharedSound& sound) {
        std::wstring strFile = SoundFile(sound.value);
        if (strRoot.empty() || strFile.size() <= strRoot.size() ||
            !SameName(strFile.substr(0, strRoot.size()), strRoot))
            return std::wstring();
        size_t nSlash = strFile.find(L'\\', strRoot.size());
        std::wstring strLeaf = strFile.substr(strRoot.size(), nSlash - strRoot.size());
        if (nSlash == std::wstring::npos || strLeaf.empty() || strLeaf == L"." || strLeaf == L".." ||
            strLeaf.find(L'/') != std::wstring::npos)
            return std::wstring();
        return strRoot + strLeaf;
    };
    std::vector<SharedSound> sounds;
    std::set<std::wstring, NameLess> folders;
    if (!store.ReadSharedSounds(strId, &sounds)) return {};
    for (const SharedSound& sound : sounds) {
        std::wstring strFolder = folderOf(sound);
        if (!strFolder.empty()) folders.insert(strFolder);
    }
    std::vector<std::wstring> others{std::wstring()};
    for (const SchemeStore::Scheme& scheme : store.ListSchemes())
        if (!SameName(scheme.strId, strId)) others.push_back(scheme.strId);
    for (const std::wstring& strOther : others) {
        std::vector<SharedSound> used;
        if (!store.ReadSharedSounds(strOther, &used)) return {};
        for (const SharedSound& sound : used) folders.erase(folderOf(sound));
    }
    return std::vector<std::wstring>(folders.begin(), folders.end());
}

void RemoveFolders(const std::vector<std::wstring>& folders) {
    for (const std::wstring& strFolder : folders) DeleteTree(strFolder);
}

}  // namespace sharing
