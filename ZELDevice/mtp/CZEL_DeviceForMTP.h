// The device class for players that are reached only through the device
// agent (MTP players). Every operation on the player goes through the agent's
// calls; the class keeps the base object's tree, current path and transfer
// state in step with the agent's current folder.
//
// It adds no data members to the base class. The overrides are declared in
// the slot order of the base class, which is part of the binary interface.
#pragma once

#include "ZELDevice/device/CZEL_Device.h"

// The device object of an MTP player (one per player, its storages together:
// a memory card is a folder of the player's root).
class AFX_EXT_CLASS CZEL_DeviceForMTP : public CZEL_Device {
public:
    // Only the base class's construction.
    CZEL_DeviceForMTP();
    // Also tells the agent that the device it was set up for goes away.
    ~CZEL_DeviceForMTP() override;

    // ---- Overrides, in slot order. ----
    DWORD CreateDevice(tagDeviceInfo* info, HWND hostWindow) override;
    BOOL CancelTransfer() override;
    DWORD TransferFile2(LPWSTR folder, tagDB_File* record, int option, IWMDMStorage* storage, int flag,
                        LPWSTR text) override;
    DWORD TransferFile(LPWSTR source, tagDB_File* record, int option) override;
    DWORD DeleteFileDev(LPWSTR name, int isFolder) override;
    void RefreshDeviceInfo(int mode) override;
    BOOL UploadFile(LPWSTR source, LPWSTR destination, int form, IWMDMStorage* storage) override;
    BOOL CanbeUploaded() override;
    DWORD RebuildDB() override;
    DWORD FormatDevice() override;
    BOOL MakeFolder(LPWSTR name) override;
    BOOL GetFWInfo() override;
    DWORD FWUpdate(LPCWSTR sourceFolder, LPCWSTR destinationFolder) override;
    BOOL MoveSpecialFolder(int kind) override;
    BOOL MoveFolder(LPWSTR name) override;
    BOOL CreatePWFile(LPWSTR password) override;
    void UpdateDataBase(int flag) override;
    void UpdatePlaylist(int mode, IWMDMStorage* storage, IWMDMDevice* device, LPWSTR name) override;
    void SafeRemoved() override;
    void UpdateMoodPlaylist(int mode, IWMDMStorage* storage, IWMDMDevice* device) override;
    void ReadPlaylist(LPWSTR name) override;
    void StorePlaylist(CStringArray& items) override;
    BOOL NewPlayList(CString name) override;
    BOOL CheckXPL(LPWSTR name) override;
    BOOL ChangePLName(CString oldName, CString newName) override;
    void FindUploadTarget(LPWSTR folder, LPWSTR extensions) override;
    void GetNewContent(int contentType, CStringList* result) override;
    CString AutoUpload(LPCWSTR source, LPCWSTR destinationFolder, int deleteAfter) override;
    void GameUpload(CString gameFolder) override;
    void FindGameUploadList(LPWSTR sourceFolder, LPCWSTR destinationFolder) override;
    BOOL CheckFirmUpFile(LPWSTR path) override;
    void TransferXPLfoMTP(LPWSTR source) override;
    DWORD TransferPostFile(LPWSTR folderName, LPWSTR prefix, LPWSTR source, tagDB_File* record,
                           IWMDMStorage* storage) override;

    // ---- Beside the table (not virtual). ----
    // Collects the files of a computer folder and the folders below it (depth
    // first, in search order; empty files left out) into the firmware list;
    // non-zero when the list is not empty.
    BOOL CreateTargetList(LPWSTR folder);
    // Finds the playlist folder among the root's entries and adds it to the
    // tree when it is there, then returns the agent to folder; 1 when found.
    BOOL UpdatePLFolder(pre_order_iterator& folder);
    // Where UploadFile would put the player's file at devicePath in a folder of
    // the computer: its own name, or the first numbered name ("~(1)", ...) no
    // file has. Empty when no name is left. With alreadyThere, a file of the
    // current folder whose copy one of those names holds already (its size and
    // last-write time) sets it to 1 and answers that copy's path.
    CString UploadDestination(LPCWSTR devicePath, LPCWSTR hostFolder, BOOL* alreadyThere = nullptr);
    // The items of the playlist object name (with or without ".pla") of the
    // playlist folder, as device paths in order; 0 when there is no such
    // playlist. For hosts that show a playlist: ReadPlaylist has no work here.
    BOOL ReadPlaylistItems(LPCWSTR name, CStringArray& paths);

protected:
    // ---- Set-up. ----
    // Makes the configured folders the capabilities select (an existing
    // folder is no error): music always, then photo, video, text, the TS3
    // folder and the broadcast folder.
    void MakeStandardFolders();
    // Lists the agent's current folder under the tree's current folder; the agent's answer.
    int ListCurrentFolder();
    // Refreshes TotalMB and FreeMB from the agent.
    void MeasurePlayer();

    // ---- File transfer. ----
    // What TransferFile and TransferFile2 share, from the album art to the
    // clean-up: sends source (the caller's file, admitted already) under the
    // current transfer file's name into folder/storage (both null: the
    // agent's current folder); folderText is that folder as the tree and the
    // pending paths name it. stripArt: the lyrics merge may remove the album
    // art. On success the current folder entry describes the new file.
    DWORD SendPreparedFile(const CString& source, tagDB_File* record, const CString& folderText, LPCWSTR folder,
                           IWMDMStorage* storage, bool stripArt);
    // Merges the lyrics of an MP3 file into a copy in the temporary folder
    // named after the current transfer file: ZEL_SUCCESS with working naming
    // the copy, 0 when nothing was merged (the file goes as it is), or a
    // failure code.
    DWORD MergeLyricsIntoCopy(CString& working, DWORD mediaType, bool stripArt);
    // Adds a transferred entry under the folder its Path names; one that
    // replaced a file of the same name takes that file's place.
    void PutIntoTree(CZEL_File& entry);

    // ---- Uploads. ----
    // The file of that name in the tree's current folder, or null.
    const CZEL_File* FileInCurrentFolder(const CString& name) const;

    // ---- Special folders. ----
    // The agent, the tree and the current path at the root; every Slot back to 0.
    void MoveToRoot();
    // Makes the folder (a path below the root, the tree at its root) the tree's
    // current folder level by level, listing a level on the way that was never
    // listed: HaveChild's answer for the last level, -1 when a level is missing.
    int EnterTreeFolder(const CString& folder);
    // Puts a folder the agent has just made into the tree, when the folder
    // holding it has been listed (otherwise its listing brings it).
    void AddMadeFolder(CZEL_File& made);
    // After a full refresh: opens again the special folder the remembered
    // current path lies in.
    void ReopenSpecialFolder(const CString& remembered);

    // ---- Playlists. ----
    // Walks the named playlists of the transfer lists group by group (the
    // debugger's "Current Item" lines); the group of the given name is written
    // into the playlist folder on its own and ends the walk: true then.
    bool WriteGivenPlaylistGroup(IWMDMStorage* storage, const CString& given);
    // Writes the mood playlists of the transfer lists, class 1 to 4; listed is
    // the playlist folder's HaveChild answer, brought up to date.
    void WriteMoodPlaylists(IWMDMStorage* storage, pre_order_iterator& remembered, int& listed);
    // Looks for the playlist folder among the root's entries again
    // (UpdatePLFolder): HaveChild's answer for it, the tree's root current.
    int FindPlaylistFolderAgain(pre_order_iterator& remembered);
    // Drops the playlist folder's children, so that it is listed afresh, and
    // sets listed to 0; not when the remembered folder lies inside it (false).
    bool ForgetPlaylistFolder(const pre_order_iterator& playlists, const pre_order_iterator& remembered, int& listed);
    // The playlist folder's name below the root, without "" at either end.
    CString PlaylistFolderName() const;
};
