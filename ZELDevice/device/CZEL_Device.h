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

class AFX_EXT_CLASS CZEL_Device : public CWnd {
public:
    typedef tree<CZEL_File> FileTree;
    typedef FileTree::pre_order_iterator pre_order_iterator;
    typedef FileTree::sibling_iterator sibling_iterator;

    CZEL_Device();
    ~CZEL_Device() override;
    CZEL_Device(const CZEL_Device&) = delete;
    CZEL_Device& operator=(const CZEL_Device&) = delete;

    // ---- The virtual operations, in slot order. ----
    virtual DWORD CreateDevice(tagDeviceInfo* info, HWND hostWindow);
    virtual CZEL_File* FindFileFirst();
    virtual CZEL_File* FindFileNext();
    virtual BOOL CancelTransfer();
    virtual BOOL AddFileToBuffer(LPWSTR path, tagDB_File* record);
    virtual LPWSTR GetCurrentTransFile();
    virtual BOOL IsDeviceRoot();
    virtual BOOL IsSupportFormat(LPWSTR path);
    virtual BOOL IsExistFile(LPWSTR fileName, LPWSTR playlistName, LPWSTR myAuroValue, UINT moodClass);
    virtual BOOL IsExistCastFile(LPWSTR channelFolder, LPWSTR prefix, LPWSTR fileName, int keepName);
    virtual DWORD TransferFile2(LPWSTR folder, tagDB_File* record, int option, IWMDMStorage* storage, int flag,
                                LPWSTR text) = 0;
    virtual DWORD TransferFile(LPWSTR source, tagDB_File* record, int option) = 0;
    virtual DWORD DeleteFileDev(LPWSTR name, int isFolder) = 0;
    virtual void RefreshDeviceInfo(int mode) = 0;
    virtual BOOL UploadFile(LPWSTR source, LPWSTR destination, int form, IWMDMStorage* storage) = 0;
    virtual BOOL CanbeUploaded() = 0;
    virtual DWORD RebuildDB() = 0;
    virtual DWORD FormatDevice() = 0;
    virtual BOOL MakeFolder(LPWSTR name) = 0;
    virtual BOOL GetFWInfo() = 0;
    virtual DWORD FWUpdate(LPCWSTR sourceFolder, LPCWSTR destinationFolder) = 0;
    virtual BOOL MoveSpecialFolder(int kind) = 0;
    virtual BOOL MoveFolder(LPWSTR name) = 0;
    virtual BOOL CreatePWFile(LPWSTR password) = 0;
    virtual void UpdateDataBase(int flag) = 0;
    virtual void UpdatePlaylist(int mode, IWMDMStorage* storage, IWMDMDevice* device, LPWSTR name) = 0;
    virtual void SafeRemoved() = 0;
    virtual void UpdateMoodPlaylist(int mode, IWMDMStorage* storage, IWMDMDevice* device) = 0;
    virtual void ReadPlaylist(LPWSTR name) = 0;
    virtual void StorePlaylist(CStringArray& items) = 0;
    virtual BOOL NewPlayList(CString name) = 0;
    virtual BOOL CheckXPL(LPWSTR name) = 0;
    virtual BOOL ChangePLName(CString oldName, CString newName) = 0;
    virtual void FindUploadTarget(LPWSTR folder, LPWSTR extensions) = 0;
    virtual void GetNewContent(int contentType, CStringList* result) = 0;
    virtual CString AutoUpload(LPCWSTR source, LPCWSTR destinationFolder, int deleteAfter) = 0;
    virtual void GameUpload(CString gameFolder) = 0;
    virtual void FindGameUploadList(LPWSTR sourceFolder, LPCWSTR destinationFolder) = 0;
    virtual BOOL CheckFirmUpFile(LPWSTR path) = 0;
    virtual void TransferXPLfoMTP(LPWSTR source) = 0;
    virtual DWORD TransferPostFile(LPWSTR folderName, LPWSTR prefix, LPWSTR source, tagDB_File* record,
                                   IWMDMStorage* storage) = 0;
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
    CString GetCurrentPath();
    // Enters a child folder (".." goes up): 1 when it has listed children, 0
    // when it has none yet, -1 when there is no such folder.
    int HaveChild(CString name);
    // Appends the tree to "test.txt", one indented name per line.
    void print_tree();
    // Removes a child of the current folder by exact name, or (null or empty
    // name) every cached child of the current folder, so that it is listed anew.
    void DeleteFromInnerBuffer(LPWSTR name);
    void ClearInnerBuffer();
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
    // Empties a PC folder (path ending with ""): files deleted, sub-folders emptied and removed.
    void DeleteDownFiles(LPWSTR folder);

    // ---- What ReadPlaylist delivered. ----
    // The names list and the entries list that ReadPlaylist appends to (the
    // host empties them before a read and hands StorePlaylist the edited
    // entries), and the myAuro value it read.
    CStringArray& GetPlaylistItemNames() { return m_PlaylistItemNames; }
    CStringArray& GetPlaylistItemEntries() { return m_PlaylistItemEntries; }
    const CString& GetPlaylistMyAuroValue() const { return m_strMyAuroValue; }

    // ---- The player's database library. ----
    // Loads the library named by DBLibraryPath; 1 only when it and all five entry points were found.
    BOOL DB_LoadDBLibrary();
    // Records a file at its full device path; 0 without a database call on
    // RV-M41 and RV-M43 players for anything but audio.
    BOOL AddFileToDB(LPWSTR path, tagDB_File* record);
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

    afx_msg void OnTimer(UINT_PTR nIDEvent);
    afx_msg LRESULT OnMsgProgress(WPARAM wParam, LPARAM lParam);
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
    HWND m_hHostWnd;
    CString m_strCurrentPath;  // current folder, relative, without drive and leading "\"
    HMODULE m_hResource;
    CStringArray m_PlaylistNames;
    CLyricsConverter m_LyricsConverter;
    BYTE* m_pTransferBuffer;
    ZelTagReaderFn m_pfnGetFileInfo;
    ZelTagReleaseFn m_pfnDeleteTrack;
    ZelAlbumArtResizeFn m_pfnResizeAlbumImage;
    ZelAlbumImageDeleteFn m_pfnDeleteAlbumImage;
    ZelAlbumImageResizeInMemoryFn m_pfnResizeAlbumImageForC7;
    ZelMoodWriterFn m_pfnAddMoodInfo;
    CStringArray m_TransferPaths;
    CStringArray m_TransferPlaylistNames;
    CStringArray m_TransferMyAuroValues;
    CUIntArray m_TransferMoodClasses;
    CStringArray m_PlaylistItemNames;
    CStringArray m_PlaylistItemEntries;
    CString m_strCurrentPathText;  // full path of the current folder entry, made by FindFileFirst
    CString m_strMyAuroValue;
    CString m_strDriveRoot;  // "E:\" for drive-letter players, empty for MTP players
    CString m_strExtensions;
    DWORD m_bCancel;
    std::vector<CZEL_File> m_EnumList;  // one listed folder, consumed by MakeTree
    size_t m_nEnumCursor;               // next element MakeTree takes
    CStringArray m_PendingPaths;
    std::vector<tagDB_File> m_PendingRecords;
    WCHAR m_szWork[MAX_PATH];
    CString m_strCurrentTransFile;
    CZEL_File m_CurrentFolderEntry;
    CPlaylistFile* m_pPlaylist;
    DWORD m_bFormatBusy;
    DWORD m_nSpecialFolderState;
    DWORD m_bOldWindows;
    DWORD m_nLastProgress;
    WCHAR m_szTempDir[MAX_PATH];
    DWORD m_nMoodPlayState;
    DWORD m_nReserved;

public:
    DWORD m_BatchTotal;  // total bytes of a multi-file transfer, 0 for none (host)

protected:
    DWORD m_BatchDone;
    DWORD m_PrevFileTotal;
    HMODULE m_hDBLibrary;
    ZELDB_CREATE_PROC m_pfnZELDB_Create;
    ZELDB_ADDRECORD_PROC m_pfnZELDB_AddRecord;
    ZELDB_DELETERECORD_PROC m_pfnZELDB_DeleteRecord;
    ZELDB_GETRECORD_PROC m_pfnZELDB_GetRecord;
    ZELDB_DBSYNC_PROC m_pfnZELDB_DBSync;

public:
    tagDeviceSettings m_Settings;  // the player's properties (host)

protected:
    DWORD m_nDeviceKind;  // tagDeviceInfo::Kind
    CString m_strCurrentPlaylist;
    FileTree m_Tree;
    sibling_iterator m_itList;      // position of FindFileFirst / FindFileNext
    pre_order_iterator m_itCurrent;  // the current folder
    CZEL_File m_FoundFile;           // what FindFileFirst / FindFileNext returned
    CStringArray m_FWList;
    CStringArray m_FWDestList;

    // Kept beside the table above.
    int m_nPlaylistIndex;       // read position in m_PlaylistNames
    std::vector<CString> m_RebuildList;  // files collected by a database rebuild
    bool m_bListRestart;        // the next FindFileNext starts at the first child
};
