// The device class for players that mount as a USB mass-storage drive. It
// works on the drive letter with ordinary file calls; players whose
// capabilities say so are also kept in step with the device agent.
//
// The overrides are declared in the slot order of the base class, which is
// part of the binary interface.
#pragma once

#include "ZELDevice/device/CZEL_Device.h"

class AFX_EXT_CLASS CZEL_DeviceForUMS : public CZEL_Device {
public:
    // Becomes the process-wide current mass-storage device.
    CZEL_DeviceForUMS();
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

    // What GetVersion answers, as a small number: 5 Windows 2000, 6 XP,
    // 7 Vista, 3 98, 4 Me, 0 anything else.
    static int WindowsVersion();

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

    // Agent-mirrored: the agent serves the listing (capability 0x1 without 0x800).
    BOOL IsAgentMirrored() const;
    // Lists the current folder after HaveChild answered 0 for it.
    void ListEnteredFolder();
    // Deletes one file of the drive, attributes reset first, its database
    // record dropped afterwards; false when the file could not be deleted.
    bool DeleteDriveFile(const CString& path);

    // ---- Data members, in their binary order. ----
    CStringArray m_UploadList;
    CString m_strDestFolder;  // what the copy engine puts before the current transfer file
};
