// The base class of every device object. It derives from CWnd so that outside
// components can report progress to it as window messages; it owns the tree of
// the player's folders and files with the current folder, the bridge to the
// database library the player carries, the progress reporting to the host
// window and the playlist-file object. CZEL_DeviceForUMS and CZEL_DeviceForMTP
// implement the pure operations.
//
// The host calls through the virtual table, so the order of the virtual
// operations below is part of the binary interface, as is the order of the
// data members.
#pragma once

#include <vector>

#include "ZELDevice/abi/Codes.h"
#include "ZELDevice/abi/DBLibrary.h"
#include "ZELDevice/abi/Records.h"
#include "ZELDevice/abi/ZELFile.h"
#include "ZELDevice/abi/tree.h"
#include "ZELDevice/abi/AgentRoutines.h"
#include "ZELDevice/support/LyricsConverter.h"
#include "zelcompat/afxwin.h"
#include "zelcompat/collections.h"
#include "zelcompat/com.h"
#include "zelcompat/cstring.h"
#include "zelcompat/modules.h"
#include "zelcompat/types.h"

class CPlaylistFile;

// The device object of one player: the base of CZEL_DeviceForUMS and
// CZEL_DeviceForMTP, which a host constructs, fills (m_Settings) and sets up
// with CreateDevice, then drives through the virtual operations below.
class AFX_EXT_CLASS CZEL_Device : public CWnd {
public:
    typedef tree<CZEL_File> FileTree;                        // the tree of the player's folders and files
    typedef FileTree::pre_order_iterator pre_order_iterator;  // a node of the tree, walked depth first
    typedef FileTree::sibling_iterator sibling_iterator;      // a node among its siblings

    // Loads the host's resource library ("ResourceDll.dll", found by name).
    CZEL_Device();
    // Releases the tree, the playlist object, the database and resource libraries.
    ~CZEL_Device() override;
    CZEL_Device(const CZEL_Device&) = delete;
    CZEL_Device& operator=(const CZEL_Device&) = delete;

    // ---- The virtual operations, in slot order. ----
    // Sets the player up: the agent's routines, the playlist object (PlayerType),
    // the player's database library (capability 0x8). The derived classes also
    // check the player, make its standard folders and list its root.
    // ZEL_SUCCESS, or a failure code (ZEL_ERR_NO_DB_LIBRARY, ZEL_ERR_NO_DRIVE ...).
    virtual DWORD CreateDevice(tagDeviceInfo* info, HWND hostWindow);
    // The first entry of the current folder (the listing filter applied), or null.
    virtual CZEL_File* FindFileFirst();
    // The next entry of the current folder, or null after the last.
    virtual CZEL_File* FindFileNext();
    // Asks the running copy to stop; it ends with ZEL_ERR_CANCELLED. Answers 1.
    virtual BOOL CancelTransfer();
    // Remembers a path (and a copy of the record, when given) for the database update; answers 1.
    virtual BOOL AddFileToBuffer(LPWSTR path, tagDB_File* record);
    // The name of the file being copied.
    virtual LPWSTR GetCurrentTransFile();
    // Whether the current folder is the player's root.
    virtual BOOL IsDeviceRoot();
    // Whether the player takes the file at path (its extension and capabilities).
    virtual BOOL IsSupportFormat(LPWSTR path);
    // Whether a file of this name is in the current folder; records it with the
    // playlist, myAuro value and mood class given for the next playlist update.
    virtual BOOL IsExistFile(LPWSTR fileName, LPWSTR playlistName, LPWSTR myAuroValue, UINT moodClass);
    // Whether a broadcast file exists in a channel folder of the broadcast folder
    // (keepName 0: under the name prefix_fileName, text files excepted).
    virtual BOOL IsExistCastFile(LPWSTR channelFolder, LPWSTR prefix, LPWSTR fileName, int keepName);
    // Sends the PC file whose path is in record->Folder (filled by GetMediaType)
    // into folder: admission, album art and lyrics for the player, the copy with
    // progress reports, the database record and the tree entry. A result code.
    virtual DWORD TransferFile2(LPWSTR folder, tagDB_File* record, int option, IWMDMStorage* storage, int flag,
                                LPWSTR text) = 0;
    // Sends the PC file source into the current folder. A result code.
    virtual DWORD TransferFile(LPWSTR source, tagDB_File* record, int option) = 0;
    // Deletes a file (isFolder 0) or a folder with everything in it from the
    // current folder, with their database records. ZEL_SUCCESS or ZEL_FAILURE.
    virtual DWORD DeleteFileDev(LPWSTR name, int isFolder) = 0;
    // Empties the transfer lists and measures the free space; with mode 1 lists
    // the player again and reopens the special folder that was open.
    virtual void RefreshDeviceInfo(int mode) = 0;
    // Copies a file of the player to the computer; non-zero when copied.
    virtual BOOL UploadFile(LPWSTR source, LPWSTR destination, int form, IWMDMStorage* storage) = 0;
    // Whether the player has new content to copy to the computer.
    virtual BOOL CanbeUploaded() = 0;
    // Rebuilds the player's database from its files. A result code.
    virtual DWORD RebuildDB() = 0;
    // Formats the player and puts its template files back. ZEL_SUCCESS or ZEL_FAILURE.
    virtual DWORD FormatDevice() = 0;
    // Makes a folder in the current folder; non-zero when made.
    virtual BOOL MakeFolder(LPWSTR name) = 0;
    // Reads the player's firmware description into the firmware fields of m_Settings.
    virtual BOOL GetFWInfo() = 0;
    // Copies firmware files from a PC folder onto the player. A result code.
    virtual DWORD FWUpdate(LPCWSTR sourceFolder, LPCWSTR destinationFolder) = 0;
    // Makes one of the player's well-known folders current (kind 1 music ...
    // 11 "My Pack"), creating it when missing.
    virtual BOOL MoveSpecialFolder(int kind) = 0;
    // Enters a child folder of the current folder, or its parent with "..".
    virtual BOOL MoveFolder(LPWSTR name) = 0;
    // Writes the player's password file with the text given.
    virtual BOOL CreatePWFile(LPWSTR password) = 0;
    // Brings the player's database file in step.
    virtual void UpdateDataBase(int flag) = 0;
    // Merges the files sent into the mood playlists and writes the named playlists.
    virtual void UpdatePlaylist(int mode, IWMDMStorage* storage, IWMDMDevice* device, LPWSTR name) = 0;
    // Prepares the player for removal.
    virtual void SafeRemoved() = 0;
    // Writes the mood playlists of an MTP player (nothing on a mass-storage player).
    virtual void UpdateMoodPlaylist(int mode, IWMDMStorage* storage, IWMDMDevice* device) = 0;
    // Loads the playlist file name of the playlist folder as the current playlist.
    virtual void ReadPlaylist(LPWSTR name) = 0;
    // Writes items as the current playlist.
    virtual void StorePlaylist(CStringArray& items) = 0;
    // Makes an empty playlist of this name; non-zero when made.
    virtual BOOL NewPlayList(CString name) = 0;
    // Whether the file at name is a playlist file of the player's format.
    virtual BOOL CheckXPL(LPWSTR name) = 0;
    // Renames a playlist; non-zero when renamed.
    virtual BOOL ChangePLName(CString oldName, CString newName) = 0;
    // Adds the files of a player folder whose extensions are listed to the upload list.
    virtual void FindUploadTarget(LPWSTR folder, LPWSTR extensions) = 0;
    // Lists the player's new content of a kind into result.
    virtual void GetNewContent(int contentType, CStringList* result) = 0;
    // Copies a file of the player into a PC folder under a free name (deleting the
    // original when deleteAfter is set); the path it landed at, empty when none.
    virtual CString AutoUpload(LPCWSTR source, LPCWSTR destinationFolder, int deleteAfter) = 0;
    // Copies the game files of a PC folder onto the player.
    virtual void GameUpload(CString gameFolder) = 0;
    // Adds the files of a game folder to the upload list.
    virtual void FindGameUploadList(LPWSTR sourceFolder, LPCWSTR destinationFolder) = 0;
    // Whether path is a firmware update file for this player.
    virtual BOOL CheckFirmUpFile(LPWSTR path) = 0;
    // Copies a playlist file into the playlist folder of an MTP player (nothing on a mass-storage player).
    virtual void TransferXPLfoMTP(LPWSTR source) = 0;
    // Sends broadcast or text-to-speech content into a broadcast folder. A result code.
    virtual DWORD TransferPostFile(LPWSTR folderName, LPWSTR prefix, LPWSTR source, tagDB_File* record,
                                   IWMDMStorage* storage) = 0;
    // Whether a file may go to devicePath: the player takes its media type and
    // its database holds no record of that path yet.
    virtual BOOL CanTransfer(DWORD recordMediaType, DWORD mediaType, CString devicePath);

    // ---- Lifecycle and small host operations. ----
    // Makes "<My Music>\Nuvoqa\$temp2" (or "C:\My Music\Nuvoqa\$temp2" when the
    // user has no music folder) and keeps its path as the temporary folder.
    void CreateTempDir();
    // Whether Windows Media Player has a top-level window.
    BOOL IsRunWMP();
    // Remembers whether the host plays a mood playlist (the library never reads it).
    void MoodPlayState(bool state);
    // The agent's root storage; the two streams receive its marshalled forms.
    IWMDMStorage* GetStorageFromAgent(IStream*** first, IStream*** second);

    // ---- Media type and transfer admission. ----
    // Classifies a PC file: fills FileName, Folder, FileSize and the times of
    // record and answers (and stores in MediaType) its media-type code; 0 when
    // the player does not take the extension or the file cannot be read.
    DWORD GetMediaType(LPWSTR path, tagDB_File* record);
    // Whether the player takes this code (extension list and capability bits).
    BOOL IsSupportedMedia(DWORD mediaType, LPWSTR path);
    // ZEL_SUCCESS when the current folder suits the media family, else the
    // family's wrong-folder code.
    DWORD CanTransferCurrentLocation(DWORD mediaType);

    // Fills the tag fields of a record (title, artist, album, genre, year, track
    // number, duration and order number) from the agent's tag reader, as the
    // player's database keeps them: for hosts without a media library of their
    // own. 0, and the record unchanged, when there is no reader or it could not
    // read the file.
    BOOL ReadTagsIntoRecord(LPCWSTR path, tagDB_File* record);

    // ---- The device file tree and navigation. ----
    // Adds one entry under the folder its Path names (created when missing);
    // with checkExisting non-zero nothing is added when that folder already
    // has a child of the same name (without regard to case).
    void Add2Tree(CZEL_File* entry, int checkExisting);
    // Grafts the enumeration list under the current folder.
    void MakeTree();
    // The folder node holding the last component of path; missing folders are created.
    pre_order_iterator SetCurrentPath(LPWSTR path);
    // Makes a folder current; the path names a folder only when it ends with "\".
    void SetCurrentIterator(LPWSTR path);
    // Changes the current path text only: a name descends, ".." goes up, empty goes to the root.
    void MoveCurrentPath(CString name);
    // The current folder as a full path ending with "\" (no drive on an MTP player).
    CString GetCurrentPath();
    // Enters a child folder (".." goes up): 1 when it has listed children, 0
    // when it has none yet, -1 when there is no such folder.
    int HaveChild(CString name);
    // Appends the tree to "test.txt", one indented name per line.
    void print_tree();
    // Removes a child of the current folder by exact name, or (null or empty
    // name) every cached child of the current folder, so that it is listed anew.
    void DeleteFromInnerBuffer(LPWSTR name);
    // Empties the tree and the enumeration list.
    void ClearInnerBuffer();
    // The entry of the current folder as the last transfer or listing left it.
    CZEL_File* GetCurrentTransZELFile();

    // ---- Playlist names, existence tests and broadcast files. ----
    // Lists the XPL files of the playlist folder; the first full path, or null.
    LPCWSTR GetFirstPlaylistName();
    // The next listed path, or null after the last one.
    LPCWSTR GetNextPlaylistName();
    // "MoodPlaylist", or "@" and the host's name for the class when its resource library is loaded.
    CString GetMoodPlaylistName(int moodClass);
    // A movie beside path whose name begins with path's base name and ends with "kvi".
    BOOL FindDataCastMovie(LPWSTR path);
    // Empties a PC folder (path ending with ""): files deleted, sub-folders emptied
    // and removed; a link to a folder is removed as a link, never emptied.
    void DeleteDownFiles(LPWSTR folder);

    // ---- What ReadPlaylist delivered. ----
    // The names list and the entries list that ReadPlaylist appends to (the
    // host empties them before a read and hands StorePlaylist the edited
    // entries), and the myAuro value it read.
    CStringArray& GetPlaylistItemNames() { return m_PlaylistItemNames; }
    CStringArray& GetPlaylistItemEntries() { return m_PlaylistItemEntries; }  // the entries list
    const CString& GetPlaylistMyAuroValue() const { return m_strMyAuroValue; }  // the myAuro value read

    // ---- The player's database library. ----
    // Loads the library named by DBLibraryPath; 1 only when it and all five entry points were found.
    BOOL DB_LoadDBLibrary();
    // Lets the library go (it writes what it holds as it goes) and forgets its entry points.
    void DB_ReleaseDBLibrary();
    // Records a file at its full device path; 0 without a database call on
    // RV-M41 and RV-M43 players for anything but audio, and for a path whose
    // folder or name does not fit the record (never cut into another path). A
    // record the database does not take is reported on the debugger output.
    BOOL AddFileToDB(LPWSTR path, tagDB_File* record);
    // Forgets the record of the file at a full device path; non-zero when one was removed.
    BOOL DeleteFileToDB(LPWSTR path);

protected:
    // Clears the tree and puts the current folder and the listing position nowhere.
    void ClearTree();
    // Whether the tree holds the current folder.
    BOOL HasCurrentFolder() const;
    // InDatabase for a file entry: the database look-up when the player's
    // database is in use, else 1.
    DWORD LookUpInDatabase(const CString& path);
    // The database is in use: capability 0x8 and PlayerType other than 2.
    BOOL UsesDatabase() const;
    // Sends ZEL_WM_PROGRESS with an event code and its value to the host window.
    LRESULT NotifyHost(WPARAM event, LPARAM value) {
        return ::SendMessageW(m_hHostWnd, ZEL_WM_PROGRESS, event, value);
    }
    // Asks the agent's tag reader about a file (the request made from the
    // device settings) into the zeroed answer, then calls its release routine.
    // 0 when there is no reader or it could not read the file.
    BOOL ReadTags(LPCWSTR path, ZelTagAnswer* answer);
    // Moves the tag reader's answer into the record's tag fields (the order
    // number 9999 when the answer holds none).
    static void CopyTagsIntoRecord(const ZelTagAnswer& answer, tagDB_File* record);

    // ---- What the transfers of both player kinds prepare. ----
    // A copy of source with its album art scaled to AlbumArtWidth x
    // AlbumArtHeight, named fileName in the temporary folder's "$temp3": its
    // path, or empty when none was made (nothing is left then).
    CString MakeAlbumArtCopy(const CString& source, const CString& fileName);
    // The lyrics converter's file conversion of source into the temporary
    // folder under fileName: the converter's answer; copy receives the
    // converted file's path when the answer has bit 0x20000.
    DWORD MakeLyricsCopy(const CString& source, DWORD mediaType, const CString& fileName, CString& copy);

    // The busy ticker's timer: a format still running reports to the host.
    afx_msg void OnTimer(UINT_PTR nIDEvent);
    // ZEL_WM_PROGRESS to the device's window: a copy's report (lParam) as percentages for the host.
    afx_msg LRESULT OnMsgProgress(WPARAM wParam, LPARAM lParam);
    // ZEL_WM_FORMAT to the device's window: a format's report (lParam) for the host.
    afx_msg LRESULT OnMsgFormat(WPARAM wParam, LPARAM lParam);
    DECLARE_MESSAGE_MAP()

private:
    // Turns a progress report (its address) into percentages for the host
    // window; formatFlag starts and stops the busy ticker of a format.
    void CallbackProgress(LONG_PTR report, int formatFlag);
    void CreateRoot();
    // The listing filter of FindFileFirst (first true) and FindFileNext.
    BOOL PassesListing(const CZEL_File& entry, bool first) const;

    // ---- Data members, in their binary order. ----
protected:
    HWND m_hHostWnd;               // the host window that receives ZEL_WM_PROGRESS
    CString m_strCurrentPath;      // current folder, relative, without drive and leading "\"
    HMODULE m_hResource;           // the host's resource library, or null
    CStringArray m_PlaylistNames;  // the playlist files listed by GetFirstPlaylistName
    CLyricsConverter m_LyricsConverter;  // merges lyrics into music files before a copy
    BYTE* m_pTransferBuffer;       // a buffer copy's data, freed on every way out
    ZelTagReaderFn m_pfnGetFileInfo;                       // the agent's tag reader, or null
    ZelTagReleaseFn m_pfnDeleteTrack;                      // releases the tag reader's last read
    ZelAlbumArtResizeFn m_pfnResizeAlbumImage;             // the agent's album-art resizer (file copy)
    ZelAlbumImageDeleteFn m_pfnDeleteAlbumImage;           // removes the pictures of a tag block
    ZelAlbumImageResizeInMemoryFn m_pfnResizeAlbumImageForC7;  // the album-art resizer in memory
    ZelMoodWriterFn m_pfnAddMoodInfo;                      // writes a file's mood class
    CStringArray m_TransferPaths;          // files recorded by IsExistFile for the playlist update
    CStringArray m_TransferPlaylistNames;  // the playlist of each of them
    CStringArray m_TransferMyAuroValues;   // the myAuro value of each of them
    CUIntArray m_TransferMoodClasses;      // the mood class of each of them
    CStringArray m_PlaylistItemNames;      // names read by ReadPlaylist
    CStringArray m_PlaylistItemEntries;    // entries read by ReadPlaylist
    CString m_strCurrentPathText;  // full path of the current folder entry, made by FindFileFirst
    CString m_strMyAuroValue;      // the myAuro value of the current playlist
    CString m_strDriveRoot;        // "E:\" for drive-letter players, empty for MTP players
    CString m_strExtensions;       // the player's extension list, upper case
    DWORD m_bCancel;               // set by CancelTransfer, polled by the running copy
    std::vector<CZEL_File> m_EnumList;  // one listed folder, consumed by MakeTree
    size_t m_nEnumCursor;               // next element MakeTree takes
    CStringArray m_PendingPaths;               // paths given to AddFileToBuffer
    std::vector<tagDB_File> m_PendingRecords;  // records given to AddFileToBuffer
    WCHAR m_szWork[MAX_PATH];          // scratch text
    CString m_strCurrentTransFile;     // name of the file being copied
    CZEL_File m_CurrentFolderEntry;    // the current folder's entry (GetCurrentTransZELFile)
    CPlaylistFile* m_pPlaylist;        // the playlist-file object of the player type, or null
    DWORD m_bFormatBusy;               // a format is running (the busy ticker reports)
    DWORD m_nSpecialFolderState;       // 1 while a special folder is open
    DWORD m_bOldWindows;               // the Windows 95/98/Me family: the stream copy is used
    DWORD m_nLastProgress;             // the last percentage sent to the host
    WCHAR m_szTempDir[MAX_PATH];       // the temporary folder (CreateTempDir)
    DWORD m_nMoodPlayState;            // what MoodPlayState was told
    DWORD m_nReserved;                 // not used

public:
    DWORD m_BatchTotal;  // total bytes of a multi-file transfer, 0 for none (host)

protected:
    DWORD m_BatchDone;                                // bytes of the batch done before the current file
    DWORD m_PrevFileTotal;                            // size of the previous file of the batch
    HMODULE m_hDBLibrary;                             // the player's database library, or null
    ZELDB_CREATE_PROC m_pfnZELDB_Create;              // its ZELDB_Create
    ZELDB_ADDRECORD_PROC m_pfnZELDB_AddRecord;        // its ZELDB_AddRecord
    ZELDB_DELETERECORD_PROC m_pfnZELDB_DeleteRecord;  // its ZELDB_DeleteRecord
    ZELDB_GETRECORD_PROC m_pfnZELDB_GetRecord;        // its ZELDB_GetRecord
    ZELDB_DBSYNC_PROC m_pfnZELDB_DBSync;              // its ZELDB_DBSync

public:
    tagDeviceSettings m_Settings;  // the player's properties (host)

protected:
    DWORD m_nDeviceKind;           // tagDeviceInfo::Kind
    CString m_strCurrentPlaylist;  // the playlist ReadPlaylist loaded
    FileTree m_Tree;               // the player's folders and files as listed so far
    sibling_iterator m_itList;      // position of FindFileFirst / FindFileNext
    pre_order_iterator m_itCurrent;  // the current folder
    CZEL_File m_FoundFile;           // what FindFileFirst / FindFileNext returned
    CStringArray m_FWList;           // firmware files to copy
    CStringArray m_FWDestList;       // where each of them goes

    // Kept beside the table above.
    int m_nPlaylistIndex;       // read position in m_PlaylistNames
    std::vector<CString> m_RebuildList;  // files collected by a database rebuild
    bool m_bListRestart;        // the next FindFileNext starts at the first child
};
