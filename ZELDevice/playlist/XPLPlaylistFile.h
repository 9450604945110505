// XPL playlists: UTF-16 little-endian files that begin with a byte-order mark,
// hold one entry per line (the full path without its drive letter and colon)
// between a header and "END PLAYLIST", and in version 2.00 carry a myAuro
// section with one value the host sets.
#pragma once

#include "ZELDevice/playlist/CPlaylistFile.h"

// The playlist files of a player with XPL playlists.
class AFX_EXT_CLASS CXPLPlaylistFile final : public CPlaylistFile {
public:
    CXPLPlaylistFile() = default;
    ~CXPLPlaylistFile() = default;

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

private:
    // SavePlaylist and SavePlaylistEx: version 1 or 2 (with the myAuro value).
    void Save(const CString& name, CStringArray& items, int version, const CString& myAuroValue, int nonEmpty);
};
