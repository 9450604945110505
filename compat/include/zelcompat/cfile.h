// MFC's CFile and CFileFind over the Win32 file calls.
#pragma once

#include "collections.h"
#include "cstring.h"
#include "files.h"

class ZELCOMPAT_API CFileException : public CException {
public:
    explicit CFileException(LONG osError = 0) : m_lOsError(osError) {}
    LONG m_lOsError;
};

class ZELCOMPAT_API CFile {
public:
    enum OpenFlags : UINT {
        modeRead = 0x0000,
        modeWrite = 0x0001,
        modeReadWrite = 0x0002,
        shareCompat = 0x0000,
        shareExclusive = 0x0010,
        shareDenyWrite = 0x0020,
        shareDenyRead = 0x0030,
        shareDenyNone = 0x0040,
        modeNoInherit = 0x0080,
        modeCreate = 0x1000,
        modeNoTruncate = 0x2000,
        typeText = 0x4000,
        typeBinary = 0x8000,
    };
    enum SeekPosition { begin = 0x0, current = 0x1, end = 0x2 };

    CFile();
    CFile(LPCWSTR fileName, UINT openFlags);  // throws CFileException* when the file does not open
    virtual ~CFile();
    CFile(const CFile&) = delete;
    CFile& operator=(const CFile&) = delete;

    virtual BOOL Open(LPCWSTR fileName, UINT openFlags, CFileException* error = nullptr);
    virtual UINT Read(void* buffer, UINT count);
    // Throws CFileException* when not everything was written, as MFC does.
    virtual void Write(const void* buffer, UINT count);
    virtual ULONGLONG Seek(LONGLONG offset, UINT from);
    void SeekToBegin() { Seek(0, begin); }
    ULONGLONG SeekToEnd() { return Seek(0, end); }
    virtual ULONGLONG GetLength() const;
    virtual ULONGLONG GetPosition() const;
    virtual void Flush();
    virtual void Close();
    virtual void Abort();  // closes without throwing
    CString GetFilePath() const { return m_strFileName; }
    CString GetFileName() const;

    HANDLE m_hFile;

protected:
    CString m_strFileName;
};

class ZELCOMPAT_API CFileFind {
public:
    CFileFind();
    virtual ~CFileFind();
    CFileFind(const CFileFind&) = delete;
    CFileFind& operator=(const CFileFind&) = delete;

    // Starts a search (null: "*.*" in the current folder). Nonzero when something was found;
    // the first entry becomes current with the first FindNextFile.
    virtual BOOL FindFile(LPCWSTR name = nullptr, DWORD unused = 0);
    // Moves to the next entry; zero when the entry it moved to is the last one.
    virtual BOOL FindNextFile();
    void Close();

    ULONGLONG GetLength() const;
    virtual CString GetFileName() const;
    virtual CString GetFilePath() const;
    virtual CString GetFileTitle() const;
    virtual CString GetRoot() const;
    virtual BOOL GetLastWriteTime(FILETIME* time) const;
    virtual BOOL GetCreationTime(FILETIME* time) const;
    virtual BOOL GetLastAccessTime(FILETIME* time) const;
    virtual BOOL MatchesMask(DWORD mask) const;
    virtual BOOL IsDots() const;
    BOOL IsReadOnly() const { return MatchesMask(FILE_ATTRIBUTE_READONLY); }
    BOOL IsDirectory() const { return MatchesMask(FILE_ATTRIBUTE_DIRECTORY); }
    BOOL IsHidden() const { return MatchesMask(FILE_ATTRIBUTE_HIDDEN); }
    BOOL IsSystem() const { return MatchesMask(FILE_ATTRIBUTE_SYSTEM); }
    BOOL IsArchived() const { return MatchesMask(FILE_ATTRIBUTE_ARCHIVE); }
    BOOL IsNormal() const { return MatchesMask(FILE_ATTRIBUTE_NORMAL); }

private:
    HANDLE m_hContext = nullptr;
    WIN32_FIND_DATAW m_found{};
    WIN32_FIND_DATAW m_next{};
    bool m_haveNext = false;
    bool m_haveCurrent = false;
    CString m_strRoot;
};
