// The device class for players that mount as a USB mass-storage drive. It
// works on the drive letter with ordinary file calls; players whose
// capabilities say so are also kept in step with the device agent.
//
// The overrides are declared in the slot order of the base class, which is
// part of the binary interface.
//
// Special folders 9 and 10 lie inside "My Pack": the host supplies Folders
// entries 7 and 8 as folder names below "My Pack" (for example "Music"), the
// form set-up uses to make "My Pack\Music". MoveSpecialFolder(10) creates
// "My Pack\" followed by entry 8, and ids 9 and 10 enter the entry from
// "My Pack", so that creating and entering name the same folder.
#pragma once

#include "ZELDevice/device/CZEL_Device.h"

// The device object of a mass-storage player (one per drive: the player's
// memory, or its card when tagDeviceInfo::CardStorage is 1).
class AFX_EXT_CLASS CZEL_DeviceForUMS : public CZEL_Device {
public:
    // Becomes the process-wide current mass-storage device.
    CZEL_DeviceForUMS();
    // Stops being the current mass-storage device.
    ~CZEL_DeviceForUMS() override;

    // The mass-storage device constructed last (null after it was destroyed).
    static CZEL_DeviceForUMS* Current();

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

    // The extensions of one kind of content: 1 video "MPG.AVI.WMV.KVI", 2
    // pictures "JPG.GIF.BMP", 3 music "MP3"; empty for any other kind.
    CString GetContentsType(int kind);

    // What GetVersion answers, as a small number: 5 Windows 2000, 6 XP,
    // 7 Vista, 3 98, 4 Me, 0 anything else.
    static int WindowsVersion();

    // ---- Uploads. ----
    // 1 when the two files were last written in the same second (local time);
    // two files whose times cannot be read count as equal.
    BOOL CompareFileWriteTime(LPCWSTR path1, LPCWSTR path2);
    // The path with "~(number)" before the extension of its name (before the
    // name when it has none), replacing the mark of the number before it:
    // a.mp3, 1 gives a~(1).mp3; a~(1).mp3, 2 gives a~(2).mp3.
    CString ChangeFileName(LPCWSTR path, int number);
    // Where AutoUpload puts source in folder: the source's name (its AVI name
    // when the movie converter will convert it), numbered while a different
    // file has it. When a file there has the source's last-write time, the
    // source was uploaded before: that file's path, with alreadyThere set to 1.
    // Empty when no free name was found.
    CString UploadDestination(LPCWSTR source, LPCWSTR folder, BOOL* alreadyThere);

protected:
    // ---- Set-up and listing. ----
    // Lists the current folder of the drive into the tree; always 1.
    BOOL EnumCurrentPath_MSC();
    // Has no effect; always 1.
    BOOL EnumETCPath_MSC();
    // Adds the tags of a file on the drive (Folder and FileName filled) to its record; always 1.
    BOOL GetFileInfo(tagDB_File* record);
    // Whether the volume of the drive letter accepts writes.
    BOOL IsDiskWritable();
    // Free and total capacity of the drive in whole megabytes into the settings;
    // they stay as they were when the drive cannot be measured.
    void MeasureDrive();

    // ---- Folder operations. ----
    // Deletes a sub-folder of the current folder with everything in it; 1 when it is gone.
    BOOL DeleteFolderDev(LPWSTR name);
    // The same for the levels below, without a result.
    void DeleteSubFolder(LPWSTR name);
    // What both do: enters the folder, deletes its files and sub-folders in
    // search order, goes back up and removes it; stops at the first file that
    // stays. top: the folder the caller named (yields after each sub-folder).
    bool RemoveFolderTree(const CString& name, bool top);
    // Makes (where missing) and enters each folder of a path below the root.
    void MoveRootSubFolder(CString path);
    // Makes the tree's current folder the node the current path names; a
    // folder missing on the drive gets a node of its own, whose view is empty.
    void FollowCurrentPathInTree();
    // Drops the node of a folder just left when it was made for a folder
    // missing on the drive and nothing came into it.
    void ForgetMissingFolder(const pre_order_iterator& node, const CString& path);

    // ---- Special folders. ----
    // The drive root becomes the current folder of the tree, the path and the agent.
    void MoveToDriveRoot();
    // Creates each level of a folder path below the current folder but the
    // last, entering (and listing) each; folder keeps the last level. Whether
    // that last level was created.
    bool MakeFolderLevels(CString& folder);
    // Creates one folder (full path on the drive, or the agent's relative form);
    // whether it was created.
    bool MakeFolderInOneStep(const CString& relative, const CString& full);
    // Enters the levels of a relative folder path in the tree from the current
    // folder, listing levels on the way that were never listed; a missing level
    // gets a node of its own. The answer of HaveChild for the last level.
    int EnterTreePath(const CString& relative);

    // ---- Playlists. ----
    // The playlist object exists (a playlist player that is not MTP).
    bool HasPlaylistObject() const;
    // The full path of the playlist folder.
    CString PlaylistFolder() const;
    // The playlist file name of a playlist: its name and the format's extension.
    CString PlaylistFileName(const CString& name) const;
    // After a transfer: the transferred files of each mood class join that
    // class's mood playlist.
    void MergeIntoMoodPlaylists();
    // After a transfer: each named playlist is written with its entries
    // followed by the transferred files that join it.
    void StoreNamedPlaylists();
    // The entries of an existing playlist as full paths, and its myAuro value;
    // false when a file of that name exists but does not read as a playlist.
    bool ReadExistingPlaylist(const CString& name, std::vector<CString>& paths, CString& value);
    // Drops the cached children of the playlist folder's tree node (unless the
    // host shows that folder) and tells the host that the playlists changed.
    void RefreshPlaylistFolderView();

    // ---- File transfer. ----
    // The transfer both public forms share, from the admission test to the
    // clean-up, into the destination-folder member that the caller set;
    // intoCurrentFolder selects the rules of the three-argument TransferFile.
    DWORD TransferOneFile(LPCWSTR source, tagDB_File* record, IWMDMStorage* storage, bool intoCurrentFolder);

    // ---- Copy engine. ----
    // File route: copies source to destination; written receives the path that
    // was written (the 0x120E player numbers its movies).
    DWORD TransferFileThroughMSC(LPCWSTR source, const CString& destination, CString& written);
    // Buffer route: writes byteCount bytes of the transfer buffer to destination.
    DWORD TransferFileThroughMSC(DWORD byteCount, const CString& destination);
    // One file, by the method the Windows family calls for.
    DWORD TransferFile(LPCWSTR source, LPCWSTR destination);
    // A batch with one shared progress bar; sources and destinations pair up by index.
    DWORD TransferFile(CStringArray& sources, CStringArray& destinations);

    // ---- Format and firmware update. ----
    // The format library's callback: stage 0 reports a percentage (host event
    // 9), stage 1 a stage notice (event 10), stage 2 is answered 0, every stage
    // lets the host's messages run. Reaches the host through the process-wide
    // host window.
    static BOOL FormatProc(DWORD stage, DWORD value, BYTE percent, void* context);
    // Writes the debugger text of a format-library code and sends the host
    // event of its row (11 when the drive could not be opened, else 21).
    void DebugOutFormatMessage(int code);
    // After a format: the standard folders and the model's extra folders made again.
    void RemakeFoldersAfterFormat();
    // After a format: the model's template files copied into the root; host
    // event 12 when the copy failed.
    void CopyFormatTemplates();
    // "<data folder>\FMT\<ModelName>": the model's template files (format) and
    // log templates (rebuild). The data folder is the installed one, else the
    // running program's folder.
    CString ModelTemplateFolder() const;

    // ---- Database rebuild. ----
    // Walks a folder and every folder below it (links excepted), putting the
    // files the model's rules take on the rebuild list; category (or null) is
    // the category folder it lies in, for the players that sort by category.
    // The M41 family skips hidden entries here too. Stops when the host
    // cancels. Always 1.
    BOOL RebuildDBSubDir(LPCWSTR folder, LPCWSTR category);
    // The M41 family: MP3, WMA and OGG files, hidden root entries skipped.
    void Rebuild_M41DB();
    // The log-file family: the Music, Photo, Video and Text folders.
    void Rebuild_S6DB();
    // The log-file family, once its rebuild is whole: each media folder's log
    // starts again from the model's template.
    void ResetRebuildLogs();
    // Every other model: the root's files and folders but SYSTEM and RECORDED,
    // or only the category folders on the two category players.
    void Rebuild_ORBDB();
    // Records every file of the rebuild list through the database library
    // (type, and tags for music), sending the host the percentages as they
    // change, until the host cancels (when cancellable); the last percentage sent.
    DWORD RecordRebuildList(bool cancellable = true);
    // Lets the host's messages run; false once the host cancelled the rebuild.
    bool KeepRebuilding();

    // Agent-mirrored: the agent serves the listing (capability 0x1 without 0x800).
    BOOL IsAgentMirrored() const;
    // Lists the current folder after HaveChild answered 0 for it.
    void ListEnteredFolder();
    // Deletes one file of the drive, attributes reset first, its database
    // record dropped afterwards; false when the file could not be deleted.
    bool DeleteDriveFile(const CString& path);

    // ---- Data members, in their binary order. ----
    CStringArray m_UploadList;  // files found for an upload (FindUploadTarget, FindGameUploadList)
    CString m_strDestFolder;  // what the copy engine puts before the current transfer file
};
