// Operations shared by the XPL and PLP playlist formats: the playlist folder,
// opening and closing the one stream, purging missing files, and the merge and
// grouping loops both formats run with their own header and entry writers.
#include "ZELDevice/playlist/CPlaylistFile.h"

#include <string>
#include <unordered_set>

#include "ZELDevice/playlist/PLPPlaylistFile.h"
#include "ZELDevice/playlist/XPLPlaylistFile.h"
#include "zelcompat/files.h"
#include "zelcompat/textfn.h"
#include "zelcompat/wstdio.h"

namespace {

// A path folded for the case-insensitive duplicate test, so that a merge looks
// each path up in a hash set instead of scanning the list.
std::u16string FoldedPath(LPCWSTR path) {
    std::u16string folded;
    if (!path) return folded;
    for (LPCWSTR p = path; *p; ++p) folded += ZelToLower(ZelToUpper(*p));
    return folded;
}

// Holds a directory search open for the length of a scope.
class FindScope {
public:
    explicit FindScope(HANDLE find) : m_find(find) {}
    ~FindScope() {
        if (m_find != INVALID_HANDLE_VALUE) FindClose(m_find);
    }
    FindScope(const FindScope&) = delete;
    FindScope& operator=(const FindScope&) = delete;
    HANDLE Get() const { return m_find; }

private:
    HANDLE m_find;
};

}  // namespace

CPlaylistFile::CPlaylistFile() : m_pFile(nullptr), m_szDrive{}, m_szFolder{} {}

CPlaylistFile::~CPlaylistFile() { CloseFile(); }

void CPlaylistFile::Destroy(CPlaylistFile* file) {
    if (!file) return;
    if (auto* xpl = dynamic_cast<CXPLPlaylistFile*>(file)) {
        delete xpl;
    } else if (auto* plp = dynamic_cast<CPLPPlaylistFile*>(file)) {
        delete plp;
    }
}

void CPlaylistFile::SetFolder(LPCWSTR folder) {
    for (WCHAR& unit : m_szDrive) unit = 0;
    lstrcpynW(m_szFolder, folder ? folder : u"", static_cast<int>(sizeof(m_szFolder) / sizeof(WCHAR)));
    lstrcpynW(m_szDrive, m_szFolder, 3);
}

int CPlaylistFile::OpenForWrite(LPCWSTR path) {
    WCHAR buffer[ZEL_PLAYLIST_LINE];
    CopyCut(buffer, path);
    CloseFile();
    m_pFile = _wfopen(buffer, u"wb");
    return m_pFile ? 1 : 0;
}

void CPlaylistFile::CloseFile() {
    if (m_pFile) {
        std::fclose(m_pFile);
        m_pFile = nullptr;
    }
}

int CPlaylistFile::OpenForRead(LPCWSTR path) {
    WCHAR buffer[ZEL_PLAYLIST_LINE];
    CopyCut(buffer, path);
    CloseFile();
    m_pFile = _wfopen(buffer, u"rb");
    if (!m_pFile) return 0;
    int version = ReadHeader();
    if (version == 0) CloseFile();
    return version;
}

void CPlaylistFile::PurgePlaylist(LPCWSTR path) {
    int version = OpenForRead(path);
    if (version == 0) return;
    FileScope scope(*this);

    std::vector<CString> kept;
    WCHAR line[ZEL_PLAYLIST_LINE];
    WCHAR fullPath[ZEL_PLAYLIST_LINE];
    BOOL endOfFile = TRUE;
    while (ReadLine(line)) {
        if (ParseItem(line, fullPath) != 1) {
            endOfFile = FALSE;
            break;
        }
        HANDLE file = CreateFileW(fullPath, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            CloseHandle(file);
            kept.emplace_back(fullPath);
        }
    }

    CString value;
    if (version == 2 && (endOfFile || !ReadMyAuroValue(value))) return;

    CloseFile();
    if (!OpenForWrite(path)) return;
    if (version == 2) {
        WriteHeaderEx();
    } else {
        WriteHeader();
    }
    const int cut = EntryCut();
    for (const CString& item : kept) {
        LPCWSTR text = item;
        WriteItem(item.GetLength() > cut ? text + cut : u"");
    }
    WritePlaylistEnd();
    if (version == 2) {
        WriteMyAuroHeader();
        if (!value.IsEmpty()) WriteItem(value);
        WriteMyAuroEnd();
    }
}

void CPlaylistFile::PurgePlaylistFolder(LPCWSTR folder) {
    CString base(folder);
    std::vector<CString> found;
    {
        WIN32_FIND_DATAW data;
        FindScope find(FindFirstFileW(base + u"\\*.*", &data));
        if (find.Get() == INVALID_HANDLE_VALUE) return;
        do {
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
            CString path = base + u"\\" + data.cFileName;
            int length = path.GetLength();
            if (length < 3) continue;
            CString extension = path.Mid(length - 3);
            if (extension.CompareNoCase(u"xpl") == 0 || extension.CompareNoCase(u"plp") == 0) {
                found.push_back(path);
            }
        } while (FindNextFileW(find.Get(), &data));
    }
    for (const CString& path : found) PurgePlaylist(path);
}

CString CPlaylistFile::PlaylistPath(LPCWSTR name, LPCWSTR extension) const {
    CString path(m_szFolder);
    path += u"\\";
    path += name ? name : u"";
    path += extension;
    return path;
}

void CPlaylistFile::Put(LPCWSTR text) {
    if (m_pFile) fputws(text, m_pFile);
}

void CPlaylistFile::PutCut(LPCWSTR text) {
    WCHAR buffer[ZEL_PLAYLIST_LINE];
    CopyCut(buffer, text);
    Put(buffer);
}

void CPlaylistFile::Flush() {
    if (m_pFile) std::fflush(m_pFile);
}

BOOL CPlaylistFile::ReadLine(WCHAR* line) {
    line[0] = 0;
    return m_pFile && fgetws(line, ZEL_PLAYLIST_LINE, m_pFile) != nullptr;
}

int CPlaylistFile::EntryCut() const {
    // An XPL entry keeps the backslash behind the drive; a PLP entry drops it.
    return dynamic_cast<const CPLPPlaylistFile*>(this) ? 3 : 2;
}

void CPlaylistFile::MergeIntoPlaylist(LPCWSTR path, std::vector<CString>& list) {
    std::unordered_set<std::u16string> present;
    present.reserve(list.size() * 2 + 16);
    for (const CString& item : list) present.insert(FoldedPath(item));

    if (OpenForRead(path)) {
        FileScope scope(*this);
        WCHAR line[ZEL_PLAYLIST_LINE];
        WCHAR fullPath[ZEL_PLAYLIST_LINE];
        while (ReadLine(line)) {
            if (ParseItem(line, fullPath) != 1) break;
            if (present.insert(FoldedPath(fullPath)).second) list.emplace_back(fullPath);
        }
    }

    if (!OpenForWrite(path)) return;
    FileScope scope(*this);
    WriteHeader();
    const int cut = EntryCut();
    WCHAR entry[ZEL_PLAYLIST_LINE];
    for (const CString& item : list) {
        LPCWSTR text = item;
        CopyCut(entry, item.GetLength() > cut ? text + cut : u"");
        WriteItem(entry);
    }
    WritePlaylistEnd();
}

void CPlaylistFile::StoreGroups(const CStringArray& names, const CStringArray& fullPaths,
                                const CStringArray* myAuroValues, LPCWSTR extension) {
    CreateDirectoryW(m_szFolder, nullptr);
    const int cut = EntryCut();
    CString current;
    std::vector<CString> groupPaths;
    std::vector<CString> groupValues;

    auto writeGroup = [&]() {
        if (!OpenForWrite(PlaylistPath(current, extension))) return;  // the group carries over
        FileScope scope(*this);
        if (myAuroValues) {
            WriteHeaderEx();
        } else {
            WriteHeader();
        }
        WCHAR entry[ZEL_PLAYLIST_LINE];
        for (const CString& path : groupPaths) {
            LPCWSTR text = path;
            CopyCut(entry, path.GetLength() > cut ? text + cut : u"");
            WriteItem(entry);
        }
        WritePlaylistEnd();
        if (myAuroValues) {
            WriteMyAuroHeader();
            if (!groupValues.empty() && !groupValues.front().IsEmpty()) WriteItem(groupValues.front());
            WriteMyAuroEnd();
        }
        CloseFile();
        groupPaths.clear();
        groupValues.clear();
    };

    const INT_PTR count = fullPaths.GetSize();
    for (INT_PTR i = 0; i < count; ++i) {
        CString name = names.GetAt(i);
        if (name != current && !current.IsEmpty()) writeGroup();
        current = name;
        groupPaths.push_back(fullPaths.GetAt(i));
        if (myAuroValues) groupValues.push_back(myAuroValues->GetAt(i));
    }
    if (!groupPaths.empty() && !current.IsEmpty()) writeGroup();
}

BOOL CPlaylistFile::ReadMyAuroValue(CString& value) {
    WCHAR line[ZEL_PLAYLIST_LINE];
    do {
        if (!ReadLine(line)) return FALSE;
    } while (!LineStartsWith(line, u"myAuro DATA", 11));
    if (!ReadLine(line)) return FALSE;  // the empty line behind "myAuro DATA"
    if (!ReadLine(line)) return FALSE;
    int length = lstrlenW(line);
    value = length > 2 ? CString(line, length - 2) : CString();
    return TRUE;
}

BOOL CPlaylistFile::PathExists(LPCWSTR path) {
    WIN32_FIND_DATAW data;
    FindScope find(FindFirstFileW(path, &data));
    return find.Get() != INVALID_HANDLE_VALUE;
}

void CPlaylistFile::CopyCut(WCHAR* buffer, LPCWSTR text) { lstrcpynW(buffer, text ? text : u"", ZEL_PLAYLIST_LINE); }

BOOL CPlaylistFile::StartsWith(LPCWSTR line, LPCWSTR word, int count) {
    for (int i = 0; i < count; ++i) {
        if (line[i] != word[i]) return FALSE;
        if (line[i] == 0) return FALSE;
    }
    return TRUE;
}

BOOL CPlaylistFile::LineStartsWith(LPCWSTR line, LPCWSTR word, int count) {
    if (line[0] == 0xFEFF) ++line;
    return StartsWith(line, word, count);
}
