// The PLP format: "PLP PLAYLIST", "VERSION 1.20", an empty line, then one line
// per entry made of "HDD, " and the path behind "E:\". No byte-order mark is
// written, no end marker and no myAuro section follow the entries.
#include "ZELDevice/playlist/PLPPlaylistFile.h"

#include <vector>

#include "zelcompat/files.h"
#include "zelcompat/textfn.h"
#include "zelcompat/wstdio.h"

namespace {

const WCHAR kExtension[] = u".plp";
const WCHAR kNewLine[] = u"\r\n";

}  // namespace

void CPLPPlaylistFile::AddToPlaylist(LPCWSTR name, LPCWSTR fullPath) {
    std::vector<CString> list;
    list.emplace_back(fullPath);
    MergeIntoPlaylist(PlaylistPath(name, kExtension), list);
}

void CPLPPlaylistFile::StoreGroupedPlaylistsEx(const CStringArray&, const CStringArray&, const CStringArray&) {}

void CPLPPlaylistFile::StoreGroupedPlaylists(const CStringArray& names, const CStringArray& fullPaths) {
    StoreGroups(names, fullPaths, nullptr, kExtension);
}

void CPLPPlaylistFile::WriteHeader() {
    Put(u"PLP PLAYLIST");
    Put(kNewLine);
    Put(u"VERSION 1.20");
    Put(kNewLine);
    Put(kNewLine);
    Flush();
}

void CPLPPlaylistFile::WriteHeaderEx() { WriteHeader(); }

void CPLPPlaylistFile::WriteMyAuroHeader() {}

void CPLPPlaylistFile::WriteItem(LPCWSTR text) {
    Put(u"HDD");
    Put(u", ");
    Put(text ? text : u"");
    Put(kNewLine);
    Flush();
}

void CPLPPlaylistFile::WritePlaylistEnd() {}

void CPLPPlaylistFile::WriteMyAuroEnd() {}

int CPLPPlaylistFile::ReadHeader() {
    WCHAR line[ZEL_PLAYLIST_LINE];
    if (!ReadLine(line) || !LineStartsWith(line, u"PLP PLAYLIST", 12)) return 0;
    if (!ReadLine(line) || !LineStartsWith(line, u"VERSION 1.20", 12)) return 0;
    ReadLine(line);  // the empty line behind the version, whatever it holds
    return 1;
}

int CPLPPlaylistFile::ParseItem(LPCWSTR line, LPWSTR fullPath) {
    if (!line || lstrlenW(line) < 4 || !StartsWith(line, u"HDD, ", 5)) return 0;
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
    lstrcpynW(fullPath + prefix, u"\\", ZEL_PLAYLIST_LINE - prefix);
    ++prefix;
    lstrcpynW(fullPath + prefix, text + 5, ZEL_PLAYLIST_LINE - prefix);
    return 1;
}

void CPLPPlaylistFile::AddItemsToPlaylist(CString, const CStringArray&) {}

void CPLPPlaylistFile::SavePlaylist(CString name, CStringArray& items, int) {
    CreateDirectoryW(m_szFolder, nullptr);
    if (!OpenForWrite(PlaylistPath(name, kExtension))) return;
    FileScope scope(*this);
    WriteHeader();
    // Each item is a music file name relative to System\Music that carries its
    // own line end.
    const INT_PTR count = items.GetSize();
    for (INT_PTR i = 0; i < count; ++i) {
        CString line(u"HDD");
        line += u", ";
        line += u"System\\Music\\";
        line += items.GetAt(i);
        PutCut(line);
    }
    Flush();
}

void CPLPPlaylistFile::SavePlaylistEx(CString, CStringArray&, CString, int) {}

int CPLPPlaylistFile::LoadPlaylist(LPCWSTR path, CStringArray& names, CStringArray&, CString&) {
    if (OpenForRead(path) == 0) return 0;
    FileScope scope(*this);
    WCHAR line[ZEL_PLAYLIST_LINE];
    // Without an end marker a well-formed file ends inside this loop, and the
    // result is 0 with every entry delivered.
    if (!ReadLine(line)) return 0;
    while (line[0] == u'H') {
        names.Add(CString(line));
        if (!ReadLine(line)) return 0;
    }
    return 1;
}

int CPLPPlaylistFile::CreatePlaylist(CString name, int) {
    CString path = PlaylistPath(name, kExtension);
    if (PathExists(path)) return 0;
    if (OpenForWrite(path)) {
        FileScope scope(*this);
        WriteHeader();
    }
    return 1;
}

int CPLPPlaylistFile::TestPlaylistFile(LPCWSTR) { return 0; }

int CPLPPlaylistFile::RenamePlaylist(CString, CString) { return 0; }
