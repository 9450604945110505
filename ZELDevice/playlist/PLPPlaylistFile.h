// PLP playlists: UTF-16 little-endian files without a byte-order mark, a header
// of "PLP PLAYLIST" and "VERSION 1.20", then one "HDD, " line per entry (the full
// path without drive letter, colon and backslash); no end marker follows.
#pragma once

#include "ZELDevice/playlist/CPlaylistFile.h"

// The playlist files of a player with PLP playlists.
class AFX_EXT_CLASS CPLPPlaylistFile final : public CPlaylistFile {
public:
    CPLPPlaylistFile() = default;
    ~CPLPPlaylistFile() = default;

    void AddToPlaylist(LPCWSTR name, LPCWSTR fullPath) override;
    void StoreGroupedPlaylistsEx(const CStringArray& names, const CStringArray& fullPaths,
                                 const CStringArray& myAuroValues) override;
    void StoreGroupedPlaylists(const CStringArray& names, const CStringArray& fullPaths) override;
    void WriteHeader() override;
    void WriteHeaderEx() override;
    void WriteMyAuroHeader() override;
    void WriteItem(LPCWSTR text) override;
    void WritePlaylistEnd() override;
    void WriteMyAuroEnd() override;
    int ReadHeader() override;
    int ParseItem(LPCWSTR line, LPWSTR fullPath) override;
    void AddItemsToPlaylist(CString name, const CStringArray& fullPaths) override;
    void SavePlaylist(CString name, CStringArray& items, int nonEmpty) override;
    void SavePlaylistEx(CString name, CStringArray& items, CString myAuroValue, int nonEmpty) override;
    int LoadPlaylist(LPCWSTR path, CStringArray& names, CStringArray& entries, CString& myAuroValue) override;
    int CreatePlaylist(CString name, int version) override;
    int TestPlaylistFile(LPCWSTR path) override;
    int RenamePlaylist(CString oldPath, CString newPath) override;
};
