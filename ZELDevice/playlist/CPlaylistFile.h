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

// The playlist files of one player: the format operations that the XPL and PLP
// classes implement, and the stream and folder they share.
class AFX_EXT_CLASS CPlaylistFile {
public:
    CPlaylistFile();  // no folder, no open stream
    CPlaylistFile(const CPlaylistFile&) = delete;
    CPlaylistFile& operator=(const CPlaylistFile&) = delete;

    // The format operations, in the order of the virtual table. A name is a
    // playlist name without folder and extension; a full path is the drive
    // prefix and the path. Every write flushes the stream after its last character.

    // Merges one full path into playlist name (created when missing).
    virtual void AddToPlaylist(LPCWSTR name, LPCWSTR fullPath) = 0;
    // Writes one version-2.00 playlist per run of equal names of the parallel lists.
    virtual void StoreGroupedPlaylistsEx(const CStringArray& names, const CStringArray& fullPaths,
                                         const CStringArray& myAuroValues) = 0;
    // Writes one version-1.00 playlist per run of equal names of the parallel lists.
    virtual void StoreGroupedPlaylists(const CStringArray& names, const CStringArray& fullPaths) = 0;
    // Writes the header of a version-1.00 file to the open stream.
    virtual void WriteHeader() = 0;
    // Writes the header of a version-2.00 file to the open stream.
    virtual void WriteHeaderEx() = 0;
    // Writes the start of the myAuro section to the open stream.
    virtual void WriteMyAuroHeader() = 0;
    // Writes one line to the open stream.
    virtual void WriteItem(LPCWSTR text) = 0;
    // Writes the end of the entries to the open stream.
    virtual void WritePlaylistEnd() = 0;
    // Writes the end of the myAuro section to the open stream.
    virtual void WriteMyAuroEnd() = 0;
    // Reads the header of the open file: its version, 0 when it is no playlist of this format.
    virtual int ReadHeader() = 0;
    // Turns one entry line into a full path; fullPath receives at most
    // ZEL_PLAYLIST_CUT units and a terminator. Non-zero for an entry.
    virtual int ParseItem(LPCWSTR line, LPWSTR fullPath) = 0;
    // Merges a list of full paths into playlist name (created when missing).
    virtual void AddItemsToPlaylist(CString name, const CStringArray& fullPaths) = 0;
    // Writes playlist name, version 1.00, from an edited list (items are brought
    // to stored form in place); nonEmpty 0 writes an empty playlist.
    virtual void SavePlaylist(CString name, CStringArray& items, int nonEmpty) = 0;
    // The same as version 2.00 with the myAuro value.
    virtual void SavePlaylistEx(CString name, CStringArray& items, CString myAuroValue, int nonEmpty) = 0;
    // Reads a playlist file: its names and entries and the myAuro value. Non-zero when read.
    virtual int LoadPlaylist(LPCWSTR path, CStringArray& names, CStringArray& entries, CString& myAuroValue) = 0;
    // Creates an empty playlist of version 1 or 2 unless one exists. Non-zero when created.
    virtual int CreatePlaylist(CString name, int version) = 0;
    // Whether the file at path is a playlist of this format.
    virtual int TestPlaylistFile(LPCWSTR path) = 0;
    // Renames a playlist file unless the new name exists. Non-zero when renamed.
    virtual int RenamePlaylist(CString oldPath, CString newPath) = 0;

    // Operations shared by both formats.

    // Sets the playlist folder (a full path); its first two characters are the drive prefix.
    void SetFolder(LPCWSTR folder);
    // Opens path for writing, replacing its content; 1 when it opened.
    int OpenForWrite(LPCWSTR path);
    // Closes the open stream, if any.
    void CloseFile();
    // Opens path for reading and reads its header: the version, 0 when it is no
    // playlist of this format (then nothing stays open).
    int OpenForRead(LPCWSTR path);
    // Rewrites a playlist keeping only the entries whose files exist.
    void PurgePlaylist(LPCWSTR path);
    // PurgePlaylist on every playlist file of a folder.
    void PurgePlaylistFolder(LPCWSTR folder);

    LPCWSTR GetFolder() const { return m_szFolder; }          // the playlist folder
    LPCWSTR GetDrivePrefix() const { return m_szDrive; }      // "E:", or empty
    BOOL IsFileOpen() const { return m_pFile != nullptr; }  // a stream is open

    // The class has no virtual destructor (its virtual table holds the format
    // operations only), so an object held through this class is deleted here,
    // which destroys it as the format class it was created as.
    static void Destroy(CPlaylistFile* file);

protected:
    ~CPlaylistFile();  // closes the open stream

    // Closes the object's stream when the scope is left, on every way out.
    class FileScope {
    public:
        explicit FileScope(CPlaylistFile& owner) : m_owner(owner) {}  // guards owner's stream
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
    // Flushes the open stream.
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

    FILE* m_pFile;          // the open stream, or null
    WCHAR m_szDrive[5];     // the drive prefix ("E:")
    WCHAR m_szFolder[521];  // the playlist folder
};
