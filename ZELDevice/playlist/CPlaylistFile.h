// Playlist files on a mass-storage player: the interface shared by the XPL and
// PLP formats. A playlist is a UTF-16 little-endian text file in one playlist
// folder on the player's drive; the device object owns one of these objects and
// drives it after transfers, deletions and edits.
#pragma once

#include <cstdio>
#include <vector>

#include "zelcompat/collections.h"
#include "zelcompat/cstring.h"
#include "zelcompat/types.h"

// Working line buffers: one read takes at most 259 units, plus the terminator.
#define ZEL_PLAYLIST_LINE 260
// Longest text that fits a working line buffer.
#define ZEL_PLAYLIST_CUT (ZEL_PLAYLIST_LINE - 1)

class AFX_EXT_CLASS CPlaylistFile {
public:
    CPlaylistFile();
    CPlaylistFile(const CPlaylistFile&) = delete;
    CPlaylistFile& operator=(const CPlaylistFile&) = delete;

    // The format operations, in the order of the virtual table.
    virtual void AddToPlaylist(LPCWSTR name, LPCWSTR fullPath) = 0;
    virtual void StoreGroupedPlaylistsEx(const CStringArray& names, const CStringArray& fullPaths,
                                         const CStringArray& myAuroValues) = 0;
    virtual void StoreGroupedPlaylists(const CStringArray& names, const CStringArray& fullPaths) = 0;
    virtual void WriteHeader() = 0;
    virtual void WriteHeaderEx() = 0;
    virtual void WriteMyAuroHeader() = 0;
    virtual void WriteItem(LPCWSTR text) = 0;
    virtual void WritePlaylistEnd() = 0;
    virtual void WriteMyAuroEnd() = 0;
    virtual int ReadHeader() = 0;
    // fullPath receives at most ZEL_PLAYLIST_CUT units and a terminator.
    virtual int ParseItem(LPCWSTR line, LPWSTR fullPath) = 0;
    virtual void AddItemsToPlaylist(CString name, const CStringArray& fullPaths) = 0;
    virtual void SavePlaylist(CString name, CStringArray& items, int nonEmpty) = 0;
    virtual void SavePlaylistEx(CString name, CStringArray& items, CString myAuroValue, int nonEmpty) = 0;
    virtual int LoadPlaylist(LPCWSTR path, CStringArray& names, CStringArray& entries, CString& myAuroValue) = 0;
    virtual int CreatePlaylist(CString name, int version) = 0;
    virtual int TestPlaylistFile(LPCWSTR path) = 0;
    virtual int RenamePlaylist(CString oldPath, CString newPath) = 0;

    // Operations shared by both formats.
    void SetFolder(LPCWSTR folder);
    int OpenForWrite(LPCWSTR path);
    void CloseFile();
    int OpenForRead(LPCWSTR path);
    void PurgePlaylist(LPCWSTR path);
    void PurgePlaylistFolder(LPCWSTR folder);

    LPCWSTR GetFolder() const { return m_szFolder; }
    LPCWSTR GetDrivePrefix() const { return m_szDrive; }
    BOOL IsFileOpen() const { return m_pFile != nullptr; }

    // The class has no virtual destructor (its virtual table holds the format
    // operations only), so an object held through this class is deleted here,
    // which destroys it as the format class it was created as.
    static void Destroy(CPlaylistFile* file);

protected:
    ~CPlaylistFile();

    // Closes the object's stream when the scope is left, on every way out.
    class FileScope {
    public:
        explicit FileScope(CPlaylistFile& owner) : m_owner(owner) {}
        ~FileScope() { m_owner.CloseFile(); }
        FileScope(const FileScope&) = delete;
        FileScope& operator=(const FileScope&) = delete;

    private:
        CPlaylistFile& m_owner;
    };

    // folder + "\" + name + extension ("%s\%s.xpl").
    CString PlaylistPath(LPCWSTR name, LPCWSTR extension) const;
    // Writes text to the open stream without flushing.
    void Put(LPCWSTR text);
    // Writes text cut to 259 units to the open stream without flushing.
    void PutCut(LPCWSTR text);
    void Flush();
    // Reads one line (at most 259 units) of the open stream; FALSE at end of file.
    BOOL ReadLine(WCHAR* line);
    // Number of leading characters a full path loses in this format's entries.
    int EntryCut() const;

    // The merge of AddToPlaylist and AddItemsToPlaylist: the new list comes
    // first, then the entries of the existing file that are not in it yet
    // (case-insensitive); the file is rewritten as version 1.00.
    void MergeIntoPlaylist(LPCWSTR path, std::vector<CString>& list);
    // StoreGroupedPlaylists(Ex): one file per run of equal names.
    void StoreGroups(const CStringArray& names, const CStringArray& fullPaths, const CStringArray* myAuroValues,
                     LPCWSTR extension);
    // Reads the myAuro section of a version-2.00 file from behind the entries:
    // FALSE when the file ends before the value line.
    BOOL ReadMyAuroValue(CString& value);

    // 1 when a file search finds the exact path.
    static BOOL PathExists(LPCWSTR path);
    // Copies at most 259 units of text into a working buffer.
    static void CopyCut(WCHAR* buffer, LPCWSTR text);
    // TRUE when the line begins with the count units of word.
    static BOOL StartsWith(LPCWSTR line, LPCWSTR word, int count);
    // The same after one leading U+FEFF, as header lines are compared.
    static BOOL LineStartsWith(LPCWSTR line, LPCWSTR word, int count);

    FILE* m_pFile;
    WCHAR m_szDrive[5];
    WCHAR m_szFolder[521];
};
