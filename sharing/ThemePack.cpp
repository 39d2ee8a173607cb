#include "ThemePack.h"

#include <fci.h>
#include <fcntl.h>
#include <fdi.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>

#include "FileNames.h"
#include "LittleEndian.h"
#include "RegistryValues.h"
#include "SystemLibrary.h"

namespace sharing {

using scheme::SameName;
using scheme::SystemFunction;

namespace {

std::u16string Utf16(const std::wstring& strText) {
    return std::u16string(strText.begin(), strText.end());
}

std::wstring Wide(const std::u16string& strText) {
    return std::wstring(strText.begin(), strText.end());
}

// A function of the cabinet library, loaded the first time a pack is read or written.
template <typename Fn>
Fn CabinetFunction(LPCSTR pszName) {
    return SystemFunction<Fn>(L"cabinet.dll", pszName);
}

// Reads at a position of the file, whatever position its handle holds.
BOOL ReadAt(HANDLE hFile, ULONGLONG nPos, void* pData, DWORD cb, DWORD* pnRead) {
    OVERLAPPED at = {};
    at.Offset = static_cast<DWORD>(nPos);
    at.OffsetHigh = static_cast<DWORD>(nPos >> 32);
    *pnRead = 0;
    return ::ReadFile(hFile, pData, cb, pnRead, &at) || ::GetLastError() == ERROR_HANDLE_EOF;
}

// What the cabinet library reads and writes through its handles: a file, or
// bytes in memory, which are read from the start or written up to a limit.
class Stream {
public:
    explicit Stream(HANDLE hFile) : m_hFile(hFile) {}
    // The pack, opened once by the caller for every pass: read at a position of
    // this stream's own, and not closed here.
    static std::unique_ptr<Stream> OnPack(HANDLE hPack) {
        auto stream = std::make_unique<Stream>(hPack);
        stream->m_bShared = true;
        return stream;
    }
    Stream(std::string* pBytes, size_t nLimit) : m_pBytes(pBytes), m_nLimit(nLimit) {}
    explicit Stream(const std::string* pBytes) : m_pSource(pBytes) {}
    ~Stream() {
        if (m_hFile != INVALID_HANDLE_VALUE && !m_bShared) ::CloseHandle(m_hFile);
    }
    Stream(const Stream&) = delete;
    Stream& operator=(const Stream&) = delete;

    UINT Read(void* pData, UINT cb) {
        if (m_pSource != nullptr) {
            size_t nRead = m_nPos < m_pSource->size() ? std::min<size_t>(cb, m_pSource->size() - m_nPos) : 0;
            memcpy(pData, m_pSource->data() + m_nPos, nRead);
            m_nPos += nRead;
            return static_cast<UINT>(nRead);
        }
        DWORD nRead = 0;
        if (m_bShared) {
            if (!ReadAt(m_hFile, m_nPos, pData, cb, &nRead)) return UINT(-1);
            m_nPos += nRead;
            return nRead;
        }
        return m_hFile != INVALID_HANDLE_VALUE && ::ReadFile(m_hFile, pData, cb, &nRead, nullptr) ? nRead : UINT(-1);
    }
    UINT Write(const void* pData, UINT cb) {
        if (m_pBytes != nullptr) {
            if (m_pBytes->size() + cb > m_nLimit) return UINT(-1);
            m_pBytes->append(static_cast<const char*>(pData), cb);
            m_nPos = m_pBytes->size();
            return cb;
        }
        DWORD nWritten = 0;
        return m_hFile != INVALID_HANDLE_VALUE && ::WriteFile(m_hFile, pData, cb, &nWritten, nullptr) ? nWritten
                                                                                                      : UINT(-1);
    }
    LONG Seek(LONG nDistance, int nOrigin) {
        if (m_hFile == INVALID_HANDLE_VALUE) {
            // Memory is only read or written in order; only where it is can be asked.
            return nDistance == 0 && nOrigin != SEEK_END ? static_cast<LONG>(m_nPos) : -1;
        }
        if (m_bShared) {
            LARGE_INTEGER size;
            if (!::GetFileSizeEx(m_hFile, &size)) return -1;
            LONGLONG nBase = nOrigin == SEEK_SET   ? 0
                             : nOrigin == SEEK_CUR ? static_cast<LONGLONG>(m_nPos)
                                                   : size.QuadPart;
            LONGLONG nPos = nBase + nDistance;
            if (nPos < 0 || nPos > LONG_MAX) return -1;
            m_nPos = static_cast<size_t>(nPos);
            return static_cast<LONG>(nPos);
        }
        DWORD dwMethod = nOrigin == SEEK_SET ? FILE_BEGIN : nOrigin == SEEK_CUR ? FILE_CURRENT : FILE_END;
        LARGE_INTEGER distance, position;
        distance.QuadPart = nDistance;
        if (!::SetFilePointerEx(m_hFile, distance, &position, dwMethod) || position.QuadPart > LONG_MAX) return -1;
        return static_cast<LONG>(position.QuadPart);
    }

private:
    HANDLE m_hFile = INVALID_HANDLE_VALUE;
    BOOL m_bShared = FALSE;
    std::string* m_pBytes = nullptr;
    size_t m_nLimit = 0;
    const std::string* m_pSource = nullptr;
    size_t m_nPos = 0;
};

// The streams of one run of the library, by the handles it was given: each is
// closed when the library closes it, and any it left open when the run ends.
class Streams {
public:
    INT_PTR Add(std::unique_ptr<Stream> stream) {
        INT_PTR hf = reinterpret_cast<INT_PTR>(stream.get());
        m_open[hf] = std::move(stream);
        return hf;
    }
    Stream* Find(INT_PTR hf) const {
        auto it = m_open.find(hf);
        return it != m_open.end() ? it->second.get() : nullptr;
    }
    int Close(INT_PTR hf) { return m_open.erase(hf) != 0 ? 0 : -1; }

private:
    std::map<INT_PTR, std::unique_ptr<Stream>> m_open;
};

// A file opened as the C runtime's open flags ask; null where it cannot be.
std::unique_ptr<Stream> OpenFile(const std::wstring& strPath, int nFlags) {
    DWORD dwAccess = (nFlags & _O_RDWR) != 0     ? GENERIC_READ | GENERIC_WRITE
                     : (nFlags & _O_WRONLY) != 0 ? GENERIC_WRITE
                                                 : GENERIC_READ;
    DWORD dwCreation = (nFlags & _O_CREAT) == 0   ? ((nFlags & _O_TRUNC) != 0 ? TRUNCATE_EXISTING : OPEN_EXISTING)
                       : (nFlags & _O_EXCL) != 0  ? CREATE_NEW
                       : (nFlags & _O_TRUNC) != 0 ? CREATE_ALWAYS
                                                  : OPEN_ALWAYS;
    HANDLE hFile =
        ::CreateFileW(strPath.c_str(), dwAccess, FILE_SHARE_READ, nullptr, dwCreation, FILE_ATTRIBUTE_NORMAL, nullptr);
    return hFile != INVALID_HANDLE_VALUE ? std::make_unique<Stream>(hFile) : nullptr;
}

void* DIAMONDAPI Alloc(ULONG cb) {
    return std::malloc(cb);
}
void DIAMONDAPI Free(void* pv) {
    std::free(pv);
}

// ------------------------------------------------------------------ reading

// FDI's callbacks carry no state of their own: the one run on this thread
// keeps it here. FDI opens nothing but the cabinet, which is the pack opened.
thread_local Streams* t_pStreams = nullptr;
thread_local HANDLE t_hPack = INVALID_HANDLE_VALUE;

INT_PTR DIAMONDAPI FdiOpen(char*, int nFlags, int) {
    if ((nFlags & (_O_WRONLY | _O_RDWR | _O_CREAT | _O_TRUNC)) != 0) return -1;
    return t_pStreams->Add(Stream::OnPack(t_hPack));
}
UINT DIAMONDAPI FdiRead(INT_PTR hf, void* pv, UINT cb) {
    Stream* pStream = t_pStreams->Find(hf);
    return pStream != nullptr ? pStream->Read(pv, cb) : UINT(-1);
}
UINT DIAMONDAPI FdiWrite(INT_PTR hf, void* pv, UINT cb) {
    Stream* pStream = t_pStreams->Find(hf);
    return pStream != nullptr ? pStream->Write(pv, cb) : UINT(-1);
}
int DIAMONDAPI FdiClose(INT_PTR hf) {
    return t_pStreams->Close(hf);
}
LONG DIAMONDAPI FdiSeek(INT_PTR hf, LONG nDistance, int nOrigin) {
    Stream* pStream = t_pStreams->Find(hf);
    return pStream != nullptr ? pStream->Seek(nDistance, nOrigin) : -1;
}

// A file as the pack's directory states it.
struct CabFile {
    ULONG cb;
    ULONG nOffset;  // where it begins in its folder's inflated bytes
    USHORT nFolder;
    std::string name;
};

// The files the pack's directory lists, in its order, which is the order FDI
// tells of them in. kTooLarge where it states more files or bytes than are taken.
PackOutcome ReadDirectory(HANDLE hPack, std::vector<CabFile>* pFiles) {
    BYTE header[36];
    DWORD nRead = 0;
    if (!ReadAt(hPack, 0, header, sizeof header, &nRead) || nRead != sizeof header || memcmp(header, "MSCF", 4) != 0)
        return PackOutcome::kUnreadable;
    ULONGLONG nPos = le::Get32(header + 16);
    const ULONG nFiles = le::Get16(header + 28);
    if (nFiles > kMaxPackFiles) return PackOutcome::kTooLarge;
    ULONGLONG nBytes = 0;
    for (ULONG i = 0; i < nFiles; ++i) {
        // 16 bytes of sizes, offsets, dates and attributes, then the name and its NUL.
        BYTE entry[16 + CB_MAX_FILENAME + 1];
        if (!ReadAt(hPack, nPos, entry, sizeof entry, &nRead) || nRead < 17) return PackOutcome::kUnreadable;
        const BYTE* pEnd = static_cast<const BYTE*>(memchr(entry + 16, '\0', nRead - 16));
        if (pEnd == nullptr) return PackOutcome::kUnreadable;
        CabFile file{le::Get32(entry), le::Get32(entry + 4), le::Get16(entry + 8),
                     std::string(reinterpret_cast<const char*>(entry + 16), reinterpret_cast<const char*>(pEnd))};
        if ((nBytes += file.cb) > kMaxPackBytes) return PackOutcome::kTooLarge;
        nPos += static_cast<ULONGLONG>(pEnd - entry) + 1;
        pFiles->push_back(std::move(file));
    }
    return PackOutcome::kRead;
}

// What one walk over the pack's files found wrong (kRead while nothing did),
// and the bytes that unpacking what it chose costs the library: a file is
// inflated from where the library stands in its folder, from the folder's start
// where it stands past it or in another folder.
struct Walk {
    PackOutcome outcome = PackOutcome::kRead;
    std::vector<CabFile> files;
    size_t nNext = 0;  // the file FDI tells of next
    USHORT nFolder = 0xFFFF;
    ULONGLONG nFolderPos = 0;
    ULONGLONG nInflated = 0;

    // The file FDI tells of, as the directory lists it; null, with the walk
    // failed, where the two differ.
    const CabFile* Next(const FDINOTIFICATION& info) {
        const CabFile* pFile = nNext < files.size() ? &files[nNext++] : nullptr;
        if (pFile == nullptr || pFile->cb != static_cast<ULONG>(info.cb) || pFile->name != info.psz1) {
            outcome = PackOutcome::kUnreadable;
            return nullptr;
        }
        return pFile;
    }
    // Counts the file as unpacked; FALSE, with the walk failed, where that
    // would inflate more than a pack may hold.
    BOOL Take(const CabFile& file) {
        ULONGLONG nEnd = static_cast<ULONGLONG>(file.nOffset) + file.cb;
        nInflated += file.nFolder == nFolder && file.nOffset >= nFolderPos ? nEnd - nFolderPos : nEnd;
        nFolder = file.nFolder;
        nFolderPos = nEnd;
        if (nInflated <= kMaxPackBytes) return TRUE;
        outcome = PackOutcome::kTooLarge;
        return FALSE;
    }
};

// Runs FDI over the pack's files, calling notify with pWalk as its pv.
PackOutcome WalkPack(HANDLE hPack, PFNFDINOTIFY notify, Walk* pWalk) {
    const auto pFDICreate = CabinetFunction<decltype(&::FDICreate)>("FDICreate");
    const auto pFDICopy = CabinetFunction<decltype(&::FDICopy)>("FDICopy");
    const auto pFDIDestroy = CabinetFunction<decltype(&::FDIDestroy)>("FDIDestroy");
    if (pFDICreate == nullptr || pFDICopy == nullptr || pFDIDestroy == nullptr) return PackOutcome::kNoLibrary;
    pWalk->outcome = ReadDirectory(hPack, &pWalk->files);
    if (pWalk->outcome != PackOutcome::kRead) return pWalk->outcome;
    ERF erf = {};
    HFDI hfdi = pFDICreate(Alloc, Free, FdiOpen, FdiRead, FdiWrite, FdiClose, FdiSeek, cpuUNKNOWN, &erf);
    if (hfdi == nullptr) return PackOutcome::kUnreadable;
    Streams streams;
    t_pStreams = &streams;
    t_hPack = hPack;
    char szCabinet[] = "pack";
    char szPath[] = "";
    BOOL bCopied = pFDICopy(hfdi, szCabinet, szPath, 0, notify, nullptr, pWalk);
    pFDIDestroy(hfdi);
    t_pStreams = nullptr;
    t_hPack = INVALID_HANDLE_VALUE;
    if (pWalk->outcome == PackOutcome::kRead && !bCopied) pWalk->outcome = PackOutcome::kUnreadable;
    return pWalk->outcome;
}

// The name of the file FDI tells of, '/' as '\': FALSE when it does not decode
// or would reach out of the folder it is unpacked to.
BOOL SafeName(const FDINOTIFICATION& info, std::wstring* pName) {
    UINT nCodePage = (info.attribs & _A_NAME_IS_UTF) != 0 ? CP_UTF8 : CP_ACP;
    int nLength = ::MultiByteToWideChar(nCodePage, MB_ERR_INVALID_CHARS, info.psz1, -1, nullptr, 0);
    if (nLength <= 1) return FALSE;
    pName->assign(static_cast<size_t>(nLength), L'\0');
    ::MultiByteToWideChar(nCodePage, MB_ERR_INVALID_CHARS, info.psz1, -1, &(*pName)[0], nLength);
    pName->pop_back();
    for (WCHAR& c : *pName)
        if (c == L'/') c = L'\\';
    if ((*pName)[0] == L'\\' || pName->find(L':') != std::wstring::npos) return FALSE;
    for (size_t nStart = 0; nStart <= pName->size();) {
        size_t nEnd = std::min(pName->find(L'\\', nStart), pName->size());
        if (pName->compare(nStart, nEnd - nStart, L"..") == 0) return FALSE;
        nStart = nEnd + 1;
    }
    return TRUE;
}

struct Listing : Walk {
    PackTheme* pTheme = nullptr;
    BOOL bTheme = FALSE;
};

INT_PTR DIAMONDAPI ListNotify(FDINOTIFICATIONTYPE type, PFDINOTIFICATION pInfo) {
    auto* pListing = static_cast<Listing*>(pInfo->pv);
    switch (type) {
    case fdintCOPY_FILE: {
        std::wstring strName;
        const CabFile* pFile = pListing->Next(*pInfo);
        if (pFile != nullptr && !SafeName(*pInfo, &strName)) pListing->outcome = PackOutcome::kBadName;
        if (pListing->outcome != PackOutcome::kRead) return -1;
        const std::wstring kExtension = L".theme";
        bool bTheme = strName.find(L'\\') == std::wstring::npos && strName.size() > kExtension.size() &&
                      SameName(strName.substr(strName.size() - kExtension.size()), kExtension);
        if (!bTheme || pListing->bTheme) return 0;
        if (pFile->cb > kMaxThemeBytes) {
            pListing->outcome = PackOutcome::kUnreadable;
            return -1;
        }
        if (!pListing->Take(*pFile)) return -1;
        pListing->bTheme = TRUE;
        pListing->pTheme->strName = strName;
        return t_pStreams->Add(std::make_unique<Stream>(&pListing->pTheme->bytes, pFile->cb));
    }
    case fdintCLOSE_FILE_INFO:
        return t_pStreams->Close(pInfo->hf) == 0;
    case fdintPARTIAL_FILE:
    case fdintNEXT_CABINET:
        pListing->outcome = PackOutcome::kUnreadable;
        return -1;
    default:
        return 0;
    }
}

struct Extraction : Walk {
    std::vector<std::wstring> names;  // '/' as '\\'
    std::wstring strFolder;
    std::vector<std::wstring>* pFiles = nullptr;
};

// Makes the file of the pack's name in the folder, each part of its path a
// name the system keeps as given, numbered where a file has that name already.
std::unique_ptr<Stream> MakeUnpacked(const std::wstring& strFolder, const std::wstring& strName, std::wstring* pPath) {
    std::wstring strPath = strFolder;
    size_t nStart = 0;
    for (size_t nSlash = strName.find(L'\\'); nSlash != std::wstring::npos;
         nStart = nSlash + 1, nSlash = strName.find(L'\\', nStart)) {
        strPath += L"\\" + Wide(SafeFileName(Utf16(strName.substr(nStart, nSlash - nStart))));
        ::CreateDirectoryW(strPath.c_str(), nullptr);
    }
    const std::u16string leaf = SafeFileName(Utf16(strName.substr(nStart)));
    for (int n = 1; n <= 1000; ++n) {
        *pPath = strPath + L"\\" + Wide(NumberedName(leaf, n, kMaxCabinetName));
        std::unique_ptr<Stream> file = OpenFile(*pPath, _O_WRONLY | _O_CREAT | _O_EXCL);
        if (file || ::GetLastError() != ERROR_FILE_EXISTS) return file;
    }
    return nullptr;
}

INT_PTR DIAMONDAPI ExtractNotify(FDINOTIFICATIONTYPE type, PFDINOTIFICATION pInfo) {
    auto* pExtraction = static_cast<Extraction*>(pInfo->pv);
    switch (type) {
    case fdintCOPY_FILE: {
        std::wstring strName;
        const CabFile* pFile = pExtraction->Next(*pInfo);
        if (pFile != nullptr && !SafeName(*pInfo, &strName)) pExtraction->outcome = PackOutcome::kBadName;
        if (pExtraction->outcome != PackOutcome::kRead) return -1;
        // The first file of a name serves every sound that names it.
        std::vector<std::wstring>& files = *pExtraction->pFiles;
        std::vector<size_t> serves;
        for (size_t i = 0; i < pExtraction->names.size(); ++i)
            if (files[i].empty() && SameName(pExtraction->names[i], strName)) serves.push_back(i);
        if (serves.empty()) return 0;
        if (!pExtraction->Take(*pFile)) return -1;
        std::wstring strPath;
        std::unique_ptr<Stream> file = MakeUnpacked(pExtraction->strFolder, strName, &strPath);
        if (!file) {
            pExtraction->outcome = PackOutcome::kNotWritten;
            return -1;
        }
        for (size_t i : serves) files[i] = strPath;
        return t_pStreams->Add(std::move(file));
    }
    case fdintCLOSE_FILE_INFO:
        return t_pStreams->Close(pInfo->hf) == 0;
    case fdintPARTIAL_FILE:
    case fdintNEXT_CABINET:
        pExtraction->outcome = PackOutcome::kUnreadable;
        return -1;
    default:
        return 0;
    }
}

// ------------------------------------------------------------------ writing

// The state of one run of FCI, its pv: the names it is handed are "#n" for
// the n-th of the files it writes (the cabinet first, then its temporary
// files) and "*n" for the n-th entry packed.
struct Packing {
    Streams streams;
    std::vector<std::wstring> files;
    const std::vector<PackEntry>* pEntries = nullptr;
};

std::unique_ptr<Stream> OpenNamed(Packing* pPacking, const char* pszName, int nFlags) {
    size_t n = static_cast<size_t>(std::strtoul(pszName + 1, nullptr, 10));
    // Every file FCI writes was made when it was named: its exclusive creation opens it.
    if (pszName[0] == '#' && n < pPacking->files.size()) return OpenFile(pPacking->files[n], nFlags & ~_O_EXCL);
    if (pszName[0] != '*' || n >= pPacking->pEntries->size()) return nullptr;
    const PackEntry& entry = (*pPacking->pEntries)[n];
    return entry.strSource.empty() ? std::make_unique<Stream>(&entry.bytes) : OpenFile(entry.strSource, nFlags);
}

INT_PTR DIAMONDAPI FciOpen(char* pszName, int nFlags, int, int* pErr, void* pv) {
    auto* pPacking = static_cast<Packing*>(pv);
    std::unique_ptr<Stream> stream = OpenNamed(pPacking, pszName, nFlags);
    if (!stream) {
        *pErr = static_cast<int>(::GetLastError());
        return -1;
    }
    return pPacking->streams.Add(std::move(stream));
}
UINT DIAMONDAPI FciRead(INT_PTR hf, void* pData, UINT cb, int*, void* pv) {
    Stream* pStream = static_cast<Packing*>(pv)->streams.Find(hf);
    return pStream != nullptr ? pStream->Read(pData, cb) : UINT(-1);
}
UINT DIAMONDAPI FciWrite(INT_PTR hf, void* pData, UINT cb, int*, void* pv) {
    Stream* pStream = static_cast<Packing*>(pv)->streams.Find(hf);
    return pStream != nullptr ? pStream->Write(pData, cb) : UINT(-1);
}
int DIAMONDAPI FciClose(INT_PTR hf, int*, void* pv) {
    return static_cast<Packing*>(pv)->streams.Close(hf);
}
LONG DIAMONDAPI FciSeek(INT_PTR hf, LONG nDistance, int nOrigin, int*, void* pv) {
    Stream* pStream = static_cast<Packing*>(pv)->streams.Find(hf);
    return pStream != nullptr ? pStream->Seek(nDistance, nOrigin) : -1;
}
int DIAMONDAPI FciDelete(char* pszName, int*, void* pv) {
    auto* pPacking = static_cast<Packing*>(pv);
    size_t n = static_cast<size_t>(std::strtoul(pszName + 1, nullptr, 10));
    return n < pPacking->files.size() && ::DeleteFileW(pPacking->files[n].c_str()) ? 0 : -1;
}
BOOL DIAMONDAPI FciTempFile(char* pszName, int cbName, void* pv) {
    auto* pPacking = static_cast<Packing*>(pv);
    // A name the system makes unique by creating the file, so that none left
    // by an earlier run is taken.
    WCHAR szFolder[MAX_PATH + 1];
    WCHAR szTemp[MAX_PATH];
    DWORD nFolder = ::GetTempPathW(MAX_PATH + 1, szFolder);
    if (nFolder == 0 || nFolder > MAX_PATH - 14 || ::GetTempFileNameW(szFolder, L"zrv", 0, szTemp) == 0) return FALSE;
    pPacking->files.push_back(szTemp);
    std::string strToken = "#" + std::to_string(pPacking->files.size() - 1);
    if (strToken.size() >= static_cast<size_t>(cbName)) return FALSE;
    memcpy(pszName, strToken.c_str(), strToken.size() + 1);
    return TRUE;
}
INT_PTR DIAMONDAPI FciOpenInfo(char* pszName, USHORT* pDate, USHORT* pTime, USHORT* pAttributes, int* pErr, void* pv) {
    auto* pPacking = static_cast<Packing*>(pv);
    size_t n = static_cast<size_t>(std::strtoul(pszName + 1, nullptr, 10));
    if (n >= pPacking->pEntries->size()) return -1;
    const PackEntry& entry = (*pPacking->pEntries)[n];
    FILETIME modified;
    ::GetSystemTimeAsFileTime(&modified);
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!entry.strSource.empty() && ::GetFileAttributesExW(entry.strSource.c_str(), GetFileExInfoStandard, &data))
        modified = data.ftLastWriteTime;
    FILETIME local;
    ::FileTimeToLocalFileTime(&modified, &local);
    ::FileTimeToDosDateTime(&local, pDate, pTime);
    *pAttributes = _A_ARCH;
    for (WCHAR c : entry.strName)
        if (c >= 0x80) *pAttributes |= _A_NAME_IS_UTF;
    return FciOpen(pszName, _O_RDONLY, 0, pErr, pv);
}
LONG DIAMONDAPI FciStatus(UINT, ULONG, ULONG, void*) {
    return 0;
}
int DIAMONDAPI FciPlaced(PCCAB, char*, LONG, BOOL, void*) {
    return 0;
}
BOOL DIAMONDAPI FciNextCabinet(PCCAB, ULONG, void*) {
    return TRUE;
}

// The name as the pack stores it: plain ASCII as it is, anything else in UTF-8
// (which FciOpenInfo marks).
std::string StoredName(const std::wstring& strName) {
    int nLength = ::WideCharToMultiByte(CP_UTF8, 0, strName.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string strStored(static_cast<size_t>(nLength > 0 ? nLength : 1), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, strName.c_str(), -1, &strStored[0], nLength, nullptr, nullptr);
    strStored.pop_back();
    return strStored;
}

}  // namespace

PackOutcome ReadPackTheme(HANDLE hPack, PackTheme* pTheme) {
    *pTheme = PackTheme();
    Listing listing;
    listing.pTheme = pTheme;
    PackOutcome outcome = WalkPack(hPack, ListNotify, &listing);
    return outcome == PackOutcome::kRead && !listing.bTheme ? PackOutcome::kNoTheme : outcome;
}

PackOutcome ExtractPackFiles(HANDLE hPack, const std::vector<std::wstring>& names, const std::wstring& strFolder,
                             std::vector<std::wstring>* pFiles) {
    Extraction extraction;
    for (std::wstring strName : names) {
        for (WCHAR& c : strName)
            if (c == L'/') c = L'\\';
        extraction.names.push_back(strName);
    }
    extraction.strFolder = strFolder;
    pFiles->assign(names.size(), std::wstring());
    extraction.pFiles = pFiles;
    return WalkPack(hPack, ExtractNotify, &extraction);
}

BOOL CabinetLoaded() {
    return CabinetFunction<decltype(&::FDICreate)>("FDICreate") != nullptr;
}

BOOL WritePack(const std::wstring& strPack, const std::vector<PackEntry>& entries) {
    const auto pFCICreate = CabinetFunction<decltype(&::FCICreate)>("FCICreate");
    const auto pFCIAddFile = CabinetFunction<decltype(&::FCIAddFile)>("FCIAddFile");
    const auto pFCIFlushCabinet = CabinetFunction<decltype(&::FCIFlushCabinet)>("FCIFlushCabinet");
    const auto pFCIDestroy = CabinetFunction<decltype(&::FCIDestroy)>("FCIDestroy");
    if (pFCICreate == nullptr || pFCIAddFile == nullptr || pFCIFlushCabinet == nullptr || pFCIDestroy == nullptr)
        return FALSE;
    return ReplaceFileWith(strPack, [&](const std::wstring& strTemp) {
        Packing packing;
        packing.files.push_back(strTemp);
        packing.pEntries = &entries;
        ERF erf = {};
        CCAB ccab = {};
        ccab.cb = 0x7FFFFFFF;
        ccab.cbFolderThresh = 0x7FFFFFFF;
        lstrcpyA(ccab.szCab, "#0");
        HFCI hfci = pFCICreate(&erf, FciPlaced, Alloc, Free, FciOpen, FciRead, FciWrite, FciClose, FciSeek, FciDelete,
                               FciTempFile, &ccab, &packing);
        if (hfci == nullptr) return FALSE;
        BOOL bWritten = TRUE;
        for (size_t i = 0; i < entries.size() && bWritten; ++i) {
            std::string strSource = "*" + std::to_string(i);
            std::string strName = StoredName(entries[i].strName);
            bWritten = pFCIAddFile(hfci, &strSource[0], &strName[0], FALSE, FciNextCabinet, FciStatus, FciOpenInfo,
                                   tcompTYPE_MSZIP);
        }
        bWritten = bWritten && pFCIFlushCabinet(hfci, FALSE, FciNextCabinet, FciStatus);
        pFCIDestroy(hfci);
        // Temporary files that a failure left behind.
        for (size_t i = 1; i < packing.files.size(); ++i) ::DeleteFileW(packing.files[i].c_str());
        return bWritten;
    });
}

BOOL ReplaceFileWith(const std::wstring& strPath, const std::function<BOOL(const std::wstring& strTemp)>& write) {
    size_t nSlash = strPath.find_last_of(L"\\/");
    std::wstring strFolder = nSlash == std::wstring::npos ? L"." : strPath.substr(0, nSlash + 1);
    WCHAR szTemp[MAX_PATH];
    if (strFolder.size() >= MAX_PATH - 14 || ::GetTempFileNameW(strFolder.c_str(), L"zrv", 0, szTemp) == 0)
        return FALSE;
    if (write(szTemp) && ::MoveFileExW(szTemp, strPath.c_str(), MOVEFILE_REPLACE_EXISTING)) return TRUE;
    ::DeleteFileW(szTemp);
    return FALSE;
}

}  // namespace sharing
