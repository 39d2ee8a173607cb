#include "ThemeExchange.h"

#include <shlobj.h>
#include <shlwapi.h>

#include <algorithm>
#include <map>
#include <set>

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

std::u16string ToUtf16(const std::wstring& strText) {
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
    *pText = ToUtf16(strText);
    return true;
}

// The file's first bytes, up to nMax; FALSE when it cannot be read.
BOOL ReadStart(const std::wstring& strPath, DWORD nMax, std::string* pBytes) {
    HANDLE hFile = ::CreateFileW(strPath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
    if (hFile == INVALID_HANDLE_VALUE) return FALSE;
    LARGE_INTEGER size;
    BOOL bRead = ::GetFileSizeEx(hFile, &size);
    pBytes->assign(bRead ? static_cast<size_t>(std::min<LONGLONG>(size.QuadPart, nMax)) : 0, '\0');
    DWORD nRead = 0;
    bRead = bRead &&
            (pBytes->empty() || ::ReadFile(hFile, &(*pBytes)[0], static_cast<DWORD>(pBytes->size()), &nRead, nullptr));
    ::CloseHandle(hFile);
    pBytes->resize(nRead);
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

// Removes a folder this made, with everything in it.
void DeleteTree(const std::wstring& strFolder) {
    WIN32_FIND_DATAW found;
    HANDLE hFind = ::FindFirstFileW((strFolder + L"\\*").c_str(), &found);
    if (hFind != INVALID_HANDLE_VALUE) {
        do {
            std::wstring strName = found.cFileName;
            if (strName == L"." || strName == L"..") continue;
            std::wstring strPath = strFolder + L"\\" + strName;
            if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
                DeleteTree(strPath);
            else
                ::DeleteFileW(strPath.c_str());
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

// A name "@library,-id" as the library gives it, environment variables
// expanded; any other name as it is; empty when the library does not give it.
std::wstring ResolvedName(const std::wstring& strName) {
    if (strName.empty() || strName[0] != L'@') return strName;
    static const auto pLoad = SystemFunction<decltype(&::SHLoadIndirectString)>(L"shlwapi.dll", "SHLoadIndirectString");
    WCHAR szExpanded[MAX_PATH];
    WCHAR szText[1024];
    DWORD nExpanded = ::ExpandEnvironmentStringsW(strName.c_str(), szExpanded, MAX_PATH);
    if (nExpanded == 0 || nExpanded > MAX_PATH || pLoad == nullptr ||
        pLoad(szExpanded, szText, ARRAYSIZE(szText), nullptr) != S_OK)
        return std::wstring();
    return szText;
}

// The file a sound plays: its text, expanded where it is expandable; empty for
// none or a path that is not full.
std::wstring SoundFile(const StoredValue& value) {
    std::wstring strText = ValueText(value);
    strText.resize(wcsnlen(strText.c_str(), strText.size()));
    if (!strText.empty() && value.dwType == REG_EXPAND_SZ) {
        DWORD nExpanded = ::ExpandEnvironmentStringsW(strText.c_str(), nullptr, 0);
        std::wstring strExpanded(nExpanded, L'\0');
        if (nExpanded == 0 || ::ExpandEnvironmentStringsW(strText.c_str(), &strExpanded[0], nExpanded) != nExpanded)
            return std::wstring();
        strText = strExpanded.substr(0, nExpanded - 1);
    }
    // A drive's root or a network share's: what the sound's path must begin with.
    BOOL bFull = (strText.size() >= 3 && strText[1] == L':' && (strText[2] == L'\\' || strText[2] == L'/')) ||
                 strText.compare(0, 2, L"\\\\") == 0;
    return bFull ? strText : std::wstring();
}

BOOL IsFile(const std::wstring& strPath) {
    DWORD dwAttributes = ::GetFileAttributesW(strPath.c_str());
    return dwAttributes != INVALID_FILE_ATTRIBUTES && (dwAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// A new folder of this user's for a pack's files: its scheme's name, with a
// number where a folder has that name.
BOOL MakeSchemeFolder(const CString& strName, std::wstring* pFolder) {
    WCHAR szBase[MAX_PATH];
    DWORD nBase = ::GetEnvironmentVariableW(L"LOCALAPPDATA", szBase, MAX_PATH);
    // Systems before Vista have no such variable, only the folder.
    if (nBase == 0 || nBase >= MAX_PATH) {
        static const auto pGetFolderPath =
            SystemFunction<decltype(&::SHGetFolderPathW)>(L"shell32.dll", "SHGetFolderPathW");
        if (pGetFolderPath == nullptr ||
            pGetFolderPath(nullptr, CSIDL_LOCAL_APPDATA | CSIDL_FLAG_CREATE, nullptr, 0, szBase) != S_OK)
            return FALSE;
    }
    std::wstring strBase = std::wstring(szBase) + L"\\ZORVAND";
    ::CreateDirectoryW(strBase.c_str(), nullptr);
    strBase += L"\\スキーム\\";
    ::CreateDirectoryW(strBase.c_str(), nullptr);
    std::wstring strLeaf = FileNameOf(Widen(strName));
    for (int n = 1; n <= 1000; ++n) {
        *pFolder = strBase + strLeaf + (n == 1 ? L"" : L" (" + std::to_wstring(n) + L")");
        if (::CreateDirectoryW(pFolder->c_str(), nullptr)) return TRUE;
        if (::GetLastError() != ERROR_ALREADY_EXISTS) return FALSE;
    }
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
    default:
        return ImportOutcome::kUnreadable;
    }
}

// Unpacks the theme file and the wave files its sounds name in its folder into
// a new folder; pFolder gets it, with its final backslash. Nothing is left
// where it fails.
ImportOutcome UnpackTheme(const std::wstring& strPack, const PackTheme& theme, const std::vector<ThemeSound>& sounds,
                          const CString& strName, std::wstring* pFolder, ImportReport* pReport) {
    std::wstring strFolder;
    if (!MakeSchemeFolder(strName, &strFolder)) return ImportOutcome::kNotWritten;
    std::vector<std::wstring> names;
    for (const ThemeSound& sound : sounds)
        if (sound.inThemeFolder && EndsWith(ToWide(sound.path), L".wav")) names.push_back(ToWide(sound.path));
    std::vector<std::wstring> written;
    ImportOutcome outcome = FromPack(ExtractPackFiles(strPack, names, strFolder, &written));
    for (size_t i = 0; i < written.size() && outcome == ImportOutcome::kImported; ++i) {
        std::string head;
        if (!ReadStart(written[i], 12, &head) || head.size() < 12 || head.compare(0, 4, "RIFF") != 0 ||
            head.compare(8, 4, "WAVE") != 0) {
            outcome = ImportOutcome::kNotWave;
            pReport->strFile = written[i].substr(strFolder.size() + 1);
        }
    }
    if (outcome == ImportOutcome::kImported &&
        !WriteNewFile(strFolder + L"\\" + theme.strName, theme.bytes, CREATE_NEW))
        outcome = ImportOutcome::kNotWritten;
    if (outcome != ImportOutcome::kImported) {
        DeleteTree(strFolder);
        return outcome;
    }
    *pFolder = strFolder + L"\\";
    return outcome;
}

}  // namespace

std::wstring FileNameOf(std::wstring strName) {
    for (WCHAR& c : strName)
        if (c < L' ' || wcschr(L"\\/:*?\"<>|", c) != nullptr) c = L'_';
    if (!strName.empty() && (strName.back() == L'.' || strName.back() == L' ')) strName.back() = L'_';
    return strName;
}

ImportOutcome ImportTheme(const SchemeStore& store, const std::wstring& strPath, ImportReport* pReport) {
    *pReport = ImportReport();
    std::string bytes;
    if (!ReadStart(strPath, 4, &bytes)) return ImportOutcome::kUnreadable;
    const BOOL bPack = bytes == "MSCF";
    PackTheme packTheme;
    if (bPack) {
        ImportOutcome outcome = FromPack(ReadPackTheme(strPath, &packTheme));
        if (outcome != ImportOutcome::kImported) return outcome;
        bytes = packTheme.bytes;
    } else if (!ReadStart(strPath, kMaxThemeBytes + 1, &bytes) || bytes.size() > kMaxThemeBytes) {
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

    std::vector<SharedSound> sounds;
    if (theme.sounds.empty()) {
        // A theme that names a scheme of the system's instead of giving sounds.
        std::wstring strWanted = ToWide(theme.schemeName);
        std::wstring strResolved = ResolvedName(strWanted);
        BOOL bFound = FALSE;
        for (const SchemeStore::Scheme& scheme : store.ListSchemes()) {
            if (!SameName(scheme.strId, strWanted) && !SameName(scheme.strName, strWanted) &&
                !SameName(scheme.strName, strResolved))
                continue;
            bFound = store.ReadSharedSounds(scheme.strId, &sounds);
            break;
        }
        if (!bFound) return ImportOutcome::kNoSounds;
    }

    std::wstring strWanted = ResolvedName(ToWide(theme.displayName));
    strWanted.erase(0, strWanted.find_first_not_of(L" \t"));
    strWanted.erase(strWanted.find_last_not_of(L" \t") + 1);
    if (strWanted.empty()) strWanted = BareName(strPath, FALSE);
    if (strWanted.empty()) strWanted = BareName(strPath, TRUE);
    pReport->strName = store.MakeSchemeName(strWanted);

    std::wstring strThemeDir = strPath.substr(0, strPath.find_last_of(L"\\/") + 1);
    // A pack that names a scheme of this system's has nothing to unpack.
    const BOOL bUnpack = bPack && !theme.sounds.empty();
    if (bUnpack) {
        ImportOutcome outcome = UnpackTheme(strPath, packTheme, theme.sounds, pReport->strName, &strThemeDir, pReport);
        if (outcome != ImportOutcome::kImported) return outcome;
    }
    for (const ThemeSound& sound : theme.sounds) {
        std::wstring strValue = (sound.inThemeFolder ? strThemeDir : std::wstring()) + ToWide(sound.path);
        const auto* pBytes = reinterpret_cast<const BYTE*>(strValue.c_str());
        StoredValue value{sound.expandable ? DWORD(REG_EXPAND_SZ) : DWORD(REG_SZ),
                          std::vector<BYTE>(pBytes, pBytes + (strValue.size() + 1) * sizeof(WCHAR))};
        sounds.push_back(SharedSound{SchemeStore::EventKey{ToWide(sound.app), ToWide(sound.event)}, value});
    }

    std::vector<SharedSound> written;
    if (!store.ImportScheme(pReport->strName, sounds, &pReport->strId, &written, &pReport->nLacking)) {
        if (bUnpack) DeleteTree(strThemeDir.substr(0, strThemeDir.size() - 1));
        return ImportOutcome::kNotWritten;
    }
    pReport->nSounds = written.size();
    for (const SharedSound& sound : written) {
        std::wstring strFile = SoundFile(sound.value);
        if (!ValueText(sound.value).empty() && (strFile.empty() || !IsFile(strFile))) ++pReport->nMissing;
    }
    return ImportOutcome::kImported;
}

BOOL ExportTheme(const SchemeStore& store, const std::wstring& strId, const std::wstring& strName,
                 const std::wstring& strPath, ExportReport* pReport) {
    *pReport = ExportReport();
    std::vector<SharedSound> shared;
    if (!store.ReadSharedSounds(strId, &shared)) return FALSE;
    const BOOL bThemeFile = EndsWith(strPath, L".theme");
    std::vector<PackEntry> entries;
    if (!bThemeFile) entries.push_back(PackEntry{FileNameOf(strName) + L".theme", std::wstring(), std::string()});
    // Each file once, under a name of its own in the pack.
    std::map<std::wstring, std::wstring, NameLess> packed;
    std::set<std::wstring, NameLess> taken;
    if (!entries.empty()) taken.insert(entries[0].strName);
    std::vector<ThemeSound> sounds;
    for (const SharedSound& sound : shared) {
        ThemeSound written;
        written.app = ToUtf16(sound.event.strApp);
        written.event = ToUtf16(sound.event.strEvent);
        std::wstring strText = ValueText(sound.value);
        written.path = ToUtf16(strText.substr(0, wcsnlen(strText.c_str(), strText.size())));
        written.expandable = sound.value.dwType == REG_EXPAND_SZ;
        std::wstring strFile = SoundFile(sound.value);
        if (!written.path.empty() && (strFile.empty() || !IsFile(strFile))) {
            ++pReport->nMissing;
        } else if (!written.path.empty() && !bThemeFile) {
            std::wstring& strPacked = packed[strFile];
            if (strPacked.empty()) {
                // A '%' in a name would read as a variable.
                std::wstring strBare = BareName(strFile, TRUE);
                for (WCHAR& c : strBare)
                    if (c == L'%') c = L'_';
                size_t nDot = strBare.rfind(L'.');
                nDot = nDot == std::wstring::npos ? strBare.size() : nDot;
                strPacked = strBare;
                for (int n = 2; taken.count(strPacked) != 0; ++n)
                    strPacked = strBare.substr(0, nDot) + L" (" + std::to_wstring(n) + L")" + strBare.substr(nDot);
                taken.insert(strPacked);
                entries.push_back(PackEntry{strPacked, strFile, std::string()});
            }
            written.path = ToUtf16(strPacked);
            written.inThemeFolder = true;
            written.expandable = false;
        }
        sounds.push_back(written);
    }
    pReport->nSounds = sounds.size();
    std::string themeBytes = WriteTheme(ToUtf16(strName), sounds);
    if (bThemeFile) {
        return ReplaceFileWith(strPath, [&themeBytes](const std::wstring& strTemp) {
            return WriteNewFile(strTemp, themeBytes, CREATE_ALWAYS);
        });
    }
    entries[0].bytes = std::move(themeBytes);
    return WritePack(strPath, entries);
}

}  // namespace sharing
