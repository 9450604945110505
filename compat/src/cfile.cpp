// MFC's CFile and CFileFind, written on the Win32 file calls.
#include "zelcompat/cfile.h"

#include "zelcompat/debug.h"

CFile::CFile() : m_hFile(INVALID_HANDLE_VALUE) {}

CFile::CFile(LPCWSTR fileName, UINT openFlags) : m_hFile(INVALID_HANDLE_VALUE) {
    CFileException error;
    if (!Open(fileName, openFlags, &error)) throw new CFileException(error.m_lOsError);
}

CFile::~CFile() {
    if (m_hFile != INVALID_HANDLE_VALUE) CloseHandle(m_hFile);
}

BOOL CFile::Open(LPCWSTR fileName, UINT openFlags, CFileException* error) {
    if (m_hFile != INVALID_HANDLE_VALUE) Close();
    DWORD access = 0;
    switch (openFlags & 3) {
    case modeRead: access = GENERIC_READ; break;
    case modeWrite: access = GENERIC_WRITE; break;
    case modeReadWrite: access = GENERIC_READ | GENERIC_WRITE; break;
    default: break;
    }
    DWORD disposition = OPEN_EXISTING;
    if (openFlags & modeCreate) disposition = (openFlags & modeNoTruncate) ? OPEN_ALWAYS : CREATE_ALWAYS;
    HANDLE handle = CreateFileW(fileName, access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, disposition,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        if (error) error->m_lOsError = static_cast<LONG>(GetLastError());
        return FALSE;
    }
    m_hFile = handle;
    m_strFileName = fileName;
    return TRUE;
}

UINT CFile::Read(void* buffer, UINT count) {
    DWORD read = 0;
    if (!ReadFile(m_hFile, buffer, count, &read, nullptr)) throw new CFileException(static_cast<LONG>(GetLastError()));
    return read;
}

void CFile::Write(const void* buffer, UINT count) {
    DWORD written = 0;
    if (!WriteFile(m_hFile, buffer, count, &written, nullptr) || written != count) {
        throw new CFileException(static_cast<LONG>(GetLastError()));
    }
}

ULONGLONG CFile::Seek(LONGLONG offset, UINT from) {
    LONG high = static_cast<LONG>(static_cast<ULONGLONG>(offset) >> 32);
    DWORD low = SetFilePointer(m_hFile, static_cast<LONG>(offset & 0xffffffff), &high, from);
    if (low == INVALID_SET_FILE_POINTER && GetLastError() != ERROR_SUCCESS) {
        throw new CFileException(static_cast<LONG>(GetLastError()));
    }
    return (static_cast<ULONGLONG>(static_cast<DWORD>(high)) << 32) | low;
}

ULONGLONG CFile::GetLength() const {
    LARGE_INTEGER size;
    if (!GetFileSizeEx(m_hFile, &size)) throw new CFileException(static_cast<LONG>(GetLastError()));
    return static_cast<ULONGLONG>(size.QuadPart);
}

ULONGLONG CFile::GetPosition() const {
    LONG high = 0;
    DWORD low = SetFilePointer(m_hFile, 0, &high, FILE_CURRENT);
    return (static_cast<ULONGLONG>(static_cast<DWORD>(high)) << 32) | low;
}

void CFile::Flush() {
    if (m_hFile != INVALID_HANDLE_VALUE) FlushFileBuffers(m_hFile);
}

void CFile::Close() {
    if (m_hFile != INVALID_HANDLE_VALUE) CloseHandle(m_hFile);
    m_hFile = INVALID_HANDLE_VALUE;
    m_strFileName.Empty();
}

void CFile::Abort() { Close(); }

CString CFile::GetFileName() const {
    int slash = m_strFileName.ReverseFind(u'\\');
    return slash < 0 ? m_strFileName : m_strFileName.Mid(slash + 1);
}

CFileFind::CFileFind() = default;

CFileFind::~CFileFind() { Close(); }

void CFileFind::Close() {
    if (m_hContext && m_hContext != INVALID_HANDLE_VALUE) ::FindClose(m_hContext);
    m_hContext = nullptr;
    m_haveNext = m_haveCurrent = false;
}

BOOL CFileFind::FindFile(LPCWSTR name, DWORD) {
    Close();
    CString pattern = name ? CString(name) : CString(u"*.*");
    HANDLE handle = ::FindFirstFileW(pattern, &m_next);
    if (handle == INVALID_HANDLE_VALUE) return FALSE;
    m_hContext = handle;
    m_haveNext = true;
    // The root is the pattern up to its last separator, as MFC keeps it.
    int cut = -1;
    for (int i = 0; i < pattern.GetLength(); ++i) {
        WCHAR c = pattern[i];
        if (c == u'\\' || c == u'/' || c == u':') cut = i;
    }
    m_strRoot = cut >= 0 ? pattern.Left(cut + 1) : CString();
    return TRUE;
}

BOOL CFileFind::FindNextFile() {
    if (!m_haveNext) return FALSE;
    m_found = m_next;
    m_haveCurrent = true;
    m_haveNext = ::FindNextFileW(m_hContext, &m_next) != FALSE;
    return m_haveNext ? TRUE : FALSE;
}

ULONGLONG CFileFind::GetLength() const {
    return (static_cast<ULONGLONG>(m_found.nFileSizeHigh) << 32) | m_found.nFileSizeLow;
}

CString CFileFind::GetFileName() const { return m_haveCurrent ? CString(m_found.cFileName) : CString(); }

CString CFileFind::GetFilePath() const {
    CString root = m_strRoot;
    if (!root.IsEmpty()) {
        WCHAR last = root[root.GetLength() - 1];
        if (last != u'\\' && last != u'/' && last != u':') root += u'\\';
    }
    return root + GetFileName();
}

CString CFileFind::GetFileTitle() const {
    CString name = GetFileName();
    int dot = name.ReverseFind(u'.');
    return dot < 0 ? name : name.Left(dot);
}

CString CFileFind::GetRoot() const { return m_strRoot; }

BOOL CFileFind::GetLastWriteTime(FILETIME* time) const {
    if (!m_haveCurrent || !time) return FALSE;
    *time = m_found.ftLastWriteTime;
    return TRUE;
}

BOOL CFileFind::GetCreationTime(FILETIME* time) const {
    if (!m_haveCurrent || !time) return FALSE;
    *time = m_found.ftCreationTime;
    return TRUE;
}

BOOL CFileFind::GetLastAccessTime(FILETIME* time) const {
    if (!m_haveCurrent || !time) return FALSE;
    *time = m_found.ftLastAccessTime;
    return TRUE;
}

BOOL CFileFind::MatchesMask(DWORD mask) const { return m_haveCurrent && (m_found.dwFileAttributes & mask) ? TRUE : FALSE; }

BOOL CFileFind::IsDots() const {
    if (!m_haveCurrent || !(m_found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) return FALSE;
    std::u16string name(m_found.cFileName);
    return name == u"." || name == u"..";
}
