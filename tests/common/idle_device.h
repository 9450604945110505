// A device object whose player operations do nothing, for tests and benchmarks
// that exercise what the base class itself does.
#pragma once

#include "ZELDevice/ZELDevice.h"

class IdleDevice : public CZEL_Device {
public:
    DWORD TransferFile2(LPWSTR, tagDB_File*, int, IWMDMStorage*, int, LPWSTR) override { return 0; }
    DWORD TransferFile(LPWSTR, tagDB_File*, int) override { return 0; }
    DWORD DeleteFileDev(LPWSTR, int) override { return 0; }
    void RefreshDeviceInfo(int) override {}
    BOOL UploadFile(LPWSTR, LPWSTR, int, IWMDMStorage*) override { return 0; }
    BOOL CanbeUploaded() override { return 0; }
    DWORD RebuildDB() override { return 0; }
    DWORD FormatDevice() override { return 0; }
    BOOL MakeFolder(LPWSTR) override { return 0; }
    BOOL GetFWInfo() override { return 0; }
    DWORD FWUpdate(LPCWSTR, LPCWSTR) override { return 0; }
    BOOL MoveSpecialFolder(int) override { return 0; }
    BOOL MoveFolder(LPWSTR) override { return 0; }
    BOOL CreatePWFile(LPWSTR) override { return 0; }
    void UpdateDataBase(int) override {}
    void UpdatePlaylist(int, IWMDMStorage*, IWMDMDevice*, LPWSTR) override {}
    void SafeRemoved() override {}
    void UpdateMoodPlaylist(int, IWMDMStorage*, IWMDMDevice*) override {}
    void ReadPlaylist(LPWSTR) override {}
    void StorePlaylist(CStringArray&) override {}
    BOOL NewPlayList(CString) override { return 0; }
    BOOL CheckXPL(LPWSTR) override { return 0; }
    BOOL ChangePLName(CString, CString) override { return 0; }
    void FindUploadTarget(LPWSTR, LPWSTR) override {}
    void GetNewContent(int, CStringList*) override {}
    CString AutoUpload(LPCWSTR, LPCWSTR, int) override { return CString(); }
    void GameUpload(CString) override {}
    void FindGameUploadList(LPWSTR, LPCWSTR) override {}
    BOOL CheckFirmUpFile(LPWSTR) override { return 0; }
    void TransferXPLfoMTP(LPWSTR) override {}
    DWORD TransferPostFile(LPWSTR, LPWSTR, LPWSTR, tagDB_File*, IWMDMStorage*) override { return 0; }
};
