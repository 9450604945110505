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
};
