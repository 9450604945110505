// Operations of the mass-storage player that this build does not offer yet:
// formatting and firmware update, uploads from the player, the database
// rebuild, special folders and playlists. Each answers its signature's failure
// (0, ZEL_FAILURE, an empty text) or does nothing, so that the host sees a
// refusal rather than a false success.
#include "ZELDevice/ums/CZEL_DeviceForUMS.h"

void CZEL_DeviceForUMS::RefreshDeviceInfo(int) {}

BOOL CZEL_DeviceForUMS::UploadFile(LPWSTR, LPWSTR, int, IWMDMStorage*) { return 0; }

BOOL CZEL_DeviceForUMS::CanbeUploaded() { return 0; }

DWORD CZEL_DeviceForUMS::RebuildDB() { return ZEL_FAILURE; }

DWORD CZEL_DeviceForUMS::FormatDevice() { return ZEL_FAILURE; }

DWORD CZEL_DeviceForUMS::FWUpdate(LPCWSTR, LPCWSTR) { return ZEL_FAILURE; }

BOOL CZEL_DeviceForUMS::MoveSpecialFolder(int) { return 0; }

BOOL CZEL_DeviceForUMS::CreatePWFile(LPWSTR) { return 0; }

void CZEL_DeviceForUMS::UpdateDataBase(int) {}

void CZEL_DeviceForUMS::UpdatePlaylist(int, IWMDMStorage*, IWMDMDevice*, LPWSTR) {}

void CZEL_DeviceForUMS::SafeRemoved() {}

void CZEL_DeviceForUMS::ReadPlaylist(LPWSTR) {}

void CZEL_DeviceForUMS::StorePlaylist(CStringArray&) {}

BOOL CZEL_DeviceForUMS::NewPlayList(CString) { return 0; }

BOOL CZEL_DeviceForUMS::CheckXPL(LPWSTR) { return 0; }

BOOL CZEL_DeviceForUMS::ChangePLName(CString, CString) { return 0; }

void CZEL_DeviceForUMS::FindUploadTarget(LPWSTR, LPWSTR) {}

void CZEL_DeviceForUMS::GetNewContent(int, CStringList*) {}

CString CZEL_DeviceForUMS::AutoUpload(LPCWSTR, LPCWSTR, int) { return CString(); }

void CZEL_DeviceForUMS::GameUpload(CString) {}

void CZEL_DeviceForUMS::FindGameUploadList(LPWSTR, LPCWSTR) {}
