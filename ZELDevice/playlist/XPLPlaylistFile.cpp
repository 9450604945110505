// The XPL format: FF FE, "XPL PLAYLIST", "VERSION 1.00" or "VERSION 2.00", an
// empty line, the entries, an empty line and "END PLAYLIST"; version 2.00 then
// carries the myAuro section. Every line ends with CR LF.
#include "ZELDevice/playlist/XPLPlaylistFile.h"

#include <vector>

#include "zelcompat/files.h"
#include "zelcompat/textfn.h"
#include "zelcompat/wstdio.h"

namespace {

const WCHAR kExtension[] = u".xpl";
const WCHAR kNewLine[] = u"\r\n";

// An item that already has the stored form of an entry line, as LoadPlaylist
// delivered it: it begins with a backslash, where a full path begins with its
// drive. Entry lines of every folder count, not only those below \Music, so
// that a playlist read and stored back keeps every line as it was.
bool IsStoredEntry(const CString& item) { return item.GetLength() > 0 && item[0] == u'\\'; }

}  // namespace

void CXPLPlaylistFile::AddToPlaylist(LPCWSTR name, LPCWSTR fullPath) {
    std::vector<CString> list;
    list.emplace_back(fullPath);
    MergeIntoPlaylist(PlaylistPath(name, kExtension), list);
}

void CXPLPlaylistFile::StoreGroupedPlaylistsEx(const CStringArray& names, const CStringArray& fullPaths,
                                               const CStringArray& myAuroValues) {
    StoreGroups(names, fullPaths, &myAuroValues, kExtension);
}

void CXPLPlaylistFile::StoreGroupedPlaylists(const CStringArray& names, const CStringArray& fullPaths) {
    StoreGroups(names, fullPaths, nullptr, kExtension);
}

void CXPLPlaylistFile::WriteHeader() {
    Put(u"\uFEFF");
    Put(u"XPL PLAYLIST");
    Put(kNewLine);
    Put(u"VERSION 1.00");
    Put(kNewLine);
    Put(kNewLine);
    Flush();
}

void CXPLPlaylistFile::WriteHeaderEx() {
    Put(u"\uFEFF");
    Put(u"XPL PLAYLIST");
    Put(kNewLine);
    Put(u"VERSION 2.00");
    Put(kNewLine);
    Put(kNewLine);
    Flush();
}

void CXPLPlaylistFile::WriteMyAuroHeader() {
    Put(kNewLine);
    Put(u"myAuro DATA");
    Put(kNewLine);
    Put(kNewLine);
    Flush();
}

void CXPLPlaylistFile::WriteItem(LPCWSTR text) {
    Put(text ? text : u"");
    Put(kNewLine);
    Flush();
}

void CXPLPlaylistFile::WritePlaylistEnd() {
    Put(kNewLine);
    Put(u"END PLAYLIST");
    Put(kNewLine);
    Flush();
}

void CXPLPlaylistFile::WriteMyAuroEnd() {
    Put(kNewLine);
    Put(u"END myAuro");
    Put(kNewLine);
    Flush();
}

int CXPLPlaylistFile::ReadHeader() {
    WCHAR line[ZEL_PLAYLIST_LINE];
    if (!ReadLine(line) || !LineStartsWith(line, u"XPL PLAYLIST", 12)) return 0;
    if (!ReadLine(line)) return 0;
    int version = 0;
    if (LineStartsWith(line, u"VERSION 1.00", 12)) {
        version = 1;
    } else if (LineStartsWith(line, u"VERSION 2.00", 12)) {
        version = 2;
    } else {
        return 0;
    }
    ReadLine(line);  // the empty line behind the version, whatever it holds
    return version;
}

int CXPLPlaylistFile::ParseItem(LPCWSTR line, LPWSTR fullPath) {
    if (!line || lstrlenW(line) < 4) return 0;
    if (StartsWith(line, u"END PLAYLIST", 12)) return 2;
    WCHAR text[ZEL_PLAYLIST_LINE];
    CopyCut(text, line);
    for (WCHAR* p = text; *p; ++p) {
        if (*p == u'\r' || *p == u'\n') {
            *p = 0;
            break;
        }
    }
    int prefix = lstrlenW(m_szDrive);
    lstrcpynW(fullPath, m_szDrive, ZEL_PLAYLIST_LINE);
    lstrcpynW(fullPath + prefix, text, ZEL_PLAYLIST_LINE - prefix);
    return 1;
}

void CXPLPlaylistFile::AddItemsToPlaylist(CString name, const CStringArray& fullPaths) {
    CreateDirectoryW(m_szFolder, nullptr);
    const INT_PTR count = fullPaths.GetSize();
    if (count == 0) return;  // callers merge at least one path
    std::vector<CString> list;
    list.reserve(static_cast<size_t>(count));
    for (INT_PTR i = 0; i < count; ++i) list.push_back(fullPaths.GetAt(i));
    MergeIntoPlaylist(PlaylistPath(name, kExtension), list);
}

void CXPLPlaylistFile::SavePlaylist(CString name, CStringArray& items, int nonEmpty) {
    Save(name, items, 1, CString(), nonEmpty);
}

void CXPLPlaylistFile::SavePlaylistEx(CString name, CStringArray& items, CString myAuroValue, int nonEmpty) {
    Save(name, items, 2, myAuroValue, nonEmpty);
}

void CXPLPlaylistFile::Save(const CString& name, CStringArray& items, int version, const CString& myAuroValue,
                            int nonEmpty) {
    CreateDirectoryW(m_szFolder, nullptr);
    CString path = PlaylistPath(name, kExtension);

    if (nonEmpty == 0) {
        if (!OpenForWrite(path)) return;
        FileScope scope(*this);
        if (version == 2) {
            WriteHeaderEx();
        } else {
            WriteHeader();
        }
        WritePlaylistEnd();
        if (version == 2) {
            WriteMyAuroHeader();
            WriteMyAuroEnd();
        }
        return;
    }

    // Items come back either as entry lines the way LoadPlaylist delivered them
    // or as full paths; the caller's list is brought to the stored form in place.
    const INT_PTR count = items.GetSize();
    for (INT_PTR i = 0; i < count; ++i) {
        CString item = items.GetAt(i);
        if (IsStoredEntry(item)) continue;
        CString stored = item.Mid(2);
        stored += kNewLine;
        items.SetAt(i, stored);
    }
    if (count == 0) return;

    if (!OpenForWrite(path)) return;
    FileScope scope(*this);
    if (version == 2) {
        WriteHeaderEx();
    } else {
        WriteHeader();
    }
    for (INT_PTR i = 0; i < count; ++i) PutCut(items.GetAt(i));
    Flush();
    WritePlaylistEnd();
    if (version == 2) {
        WriteMyAuroHeader();
        if (!myAuroValue.IsEmpty()) WriteItem(myAuroValue);
        WriteMyAuroEnd();
    }
}

int CXPLPlaylistFile::LoadPlaylist(LPCWSTR path, CStringArray& names, CStringArray& entries, CString& myAuroValue) {
    int version = OpenForRead(path);
    if (version == 0) return 0;
    FileScope scope(*this);

    WCHAR line[ZEL_PLAYLIST_LINE];
    if (!ReadLine(line)) return 0;
    while (line[0] == u'\\') {
        entries.Add(CString(line));
        LPCWSTR name = line;
        for (LPCWSTR p = line; *p; ++p) {
            if (*p == u'\\') name = p + 1;
        }
        names.Add(CString(name));
        if (!ReadLine(line)) return 0;
    }
    if (version == 1) {
        myAuroValue.Empty();
        return 1;
    }
    CString value;
    if (!ReadMyAuroValue(value)) return 0;
    myAuroValue = value;
    return 1;
}

int CXPLPlaylistFile::CreatePlaylist(CString name, int version) {
    CString path = PlaylistPath(name, kExtension);
    if (PathExists(path)) return 0;
    if (OpenForWrite(path)) {
        FileScope scope(*this);
        if (version == 2) {
            WriteHeaderEx();
        } else {
            WriteHeader();
        }
        WritePlaylistEnd();
        if (version == 2) {
            WriteMyAuroHeader();
            WriteMyAuroEnd();
        }
    }
    return 1;
}

int CXPLPlaylistFile::TestPlaylistFile(LPCWSTR path) {
    WCHAR buffer[ZEL_PLAYLIST_LINE];
    CopyCut(buffer, path);
    CloseFile();
    m_pFile = _wfopen(buffer, u"rb");
    if (!m_pFile) return 0;
    FileScope scope(*this);
    WCHAR line[ZEL_PLAYLIST_LINE];
    if (!ReadLine(line)) return 0;
    return LineStartsWith(line, u"XPL PLAYLIST", 12) ? 1 : 0;
}

int CXPLPlaylistFile::RenamePlaylist(CString oldPath, CString newPath) {
    WCHAR from[ZEL_PLAYLIST_LINE];
    WCHAR to[ZEL_PLAYLIST_LINE];
    CopyCut(from, oldPath);
    CopyCut(to, newPath);
    if (PathExists(to)) return 0;
    _wrename(from, to);
    return 1;
}
