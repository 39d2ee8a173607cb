// Files and archives: CFile over a Win32 file handle, and CArchive, the buffered
// binary stream that objects store themselves into and load themselves from.
// Included at the end of afx.h, after CObject: include afx.h.
#pragma once

#include <windows.h>

#include <vector>

// A binary file. Positions and lengths are 64-bit; nothing throws: failures
// show in the results.
class CFile : public CObject {
public:
    enum OpenFlags : UINT {
        modeRead = 0x0000,
        modeWrite = 0x0001,
        modeReadWrite = 0x0002,
        modeCreate = 0x1000,  // creates the file, or empties one that exists
        typeBinary = 0x8000,  // files are always binary; accepted for the usual spelling
    };
    enum SeekPosition : UINT { begin = 0, current = 1, end = 2 };

    CFile() = default;
    ~CFile() override { Close(); }

    // FALSE when the file cannot be opened that way, or this object has a file open already.
    BOOL Open(LPCSTR lpszFileName, UINT nOpenFlags);
    // The bytes read: fewer than asked at the end of the file, 0 when closed.
    UINT Read(void* lpBuf, UINT nCount);
    // TRUE when every byte was written.
    BOOL Write(const void* lpBuf, UINT nCount);
    // The new position; a seek that fails (before the start, or no file) leaves
    // the position as it was and gives ULLONG_MAX.
    ULONGLONG Seek(LONGLONG lOff, UINT nFrom);
    ULONGLONG GetPosition() const;
    ULONGLONG GetLength() const;
    void Close();

    HANDLE m_hFile = INVALID_HANDLE_VALUE;
};

// Buffered reading or writing of one file, with little-endian numbers and the
// object framing below. Reads past the end of the file give zeros; nothing throws.
//
// An object written with WriteObject or operator<< is framed as
//   WORD 0                              a null pointer, nothing follows
//   WORD 0xFFFF, WORD schema,           the first object of a class in this
//   WORD name length, the name's bytes  archive (names of 1 to 64 bytes), then
//                                       the object's own data
//   WORD 0x8000 | n                     an object of the n-th class (from 1) that
//                                       this archive introduced, then its data
// Every object is written in full: pointers to one object written twice load as
// two objects.
class CArchive {
public:
    enum Mode : UINT { store = 0, load = 1 };

    CArchive(CFile* pFile, UINT nMode, int nBufSize = 4096);
    // Closes the archive, writing out what is buffered.
    ~CArchive();
    CArchive(const CArchive&) = delete;
    CArchive& operator=(const CArchive&) = delete;

    BOOL IsLoading() const { return m_bLoading; }
    BOOL IsStoring() const { return !m_bLoading; }
    CFile* GetFile() const { return m_pFile; }

    UINT Read(void* lpBuf, UINT nMax);
    void Write(const void* lpBuf, UINT nMax);
    // Storing: writes out the buffer. Loading: drops the read-ahead and moves the
    // file back to where the archive's reading stands, so that the file can be
    // read directly from there.
    void Flush();
    // Flushes and lets go of the file, which stays open.
    void Close();

    void WriteObject(const CObject* pOb);
    // The object read, created by its class's name; null for a stored null, for
    // a class not registered or of another schema, for an object that is not a
    // pClassRefRequested (when given), and for framing this archive cannot read.
    CObject* ReadObject(const CRuntimeClass* pClassRefRequested);

    CArchive& operator<<(BYTE by);
    CArchive& operator<<(WORD w);
    CArchive& operator<<(LONG l);
    CArchive& operator<<(DWORD dw);
    CArchive& operator>>(BYTE& by);
    CArchive& operator>>(WORD& w);
    CArchive& operator>>(LONG& l);
    CArchive& operator>>(DWORD& dw);

private:
    // Loading: refills the buffer from the file; FALSE at the end of the file.
    BOOL FillBuffer();

    CFile* m_pFile;
    BOOL m_bLoading;
    std::vector<BYTE> m_buffer;
    size_t m_nCur = 0;                            // storing: bytes buffered; loading: next byte to hand out
    size_t m_nEnd = 0;                            // loading: bytes in the buffer
    std::vector<const CRuntimeClass*> m_classes;  // in order of introduction
};

CArchive& AFXAPI operator<<(CArchive& ar, const CObject* pOb);
CArchive& AFXAPI operator>>(CArchive& ar, CObject*& pOb);
