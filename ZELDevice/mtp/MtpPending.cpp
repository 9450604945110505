// Operations of the MTP player that this build does not offer yet: the tree
// refresh, special folders, format, firmware description and update, uploads
// from the player, the password file, and the playlists. Each answers its
// signature's failure (0, ZEL_FAILURE, an empty text) or does nothing, so
// that the host sees a refusal rather than a false success.
#include "ZELDevice/mtp/CZEL_DeviceForMTP.h"

void CZEL_DeviceForMTP::RefreshDeviceInfo(int) {}

BOOL CZEL_DeviceForMTP::UploadFile(LPWSTR, LPWSTR, int, IWMDMStorage*) { return 0; }

BOOL CZEL_DeviceForMTP::CanbeUploaded() { return 0; }

DWORD CZEL_DeviceForMTP::RebuildDB() { return ZEL_FAILURE; }

DWORD CZEL_DeviceForMTP::FormatDevice() { return ZEL_FAILURE; }

BOOL CZEL_DeviceForMTP::GetFWInfo() { return 0; }

DWORD CZEL_DeviceForMTP::FWUpdate(LPCWSTR, LPCWSTR) { return ZEL_FAILURE; }

BOOL CZEL_DeviceForMTP::MoveSpecialFolder(int) { return 0; }

BOOL CZEL_DeviceForMTP::CreatePWFile(LPWSTR) { return 0; }

void CZEL_DeviceForMTP::UpdateDataBase(int) {}

void CZEL_DeviceForMTP::UpdatePlaylist(int, IWMDMStorage*, IWMDMDevice*, LPWSTR) {}

void CZEL_DeviceForMTP::SafeRemoved() {}

void CZEL_DeviceForMTP::UpdateMoodPlaylist(int, IWMDMStorage*, IWMDMDevice*) {}

void CZEL_DeviceForMTP::ReadPlaylist(LPWSTR) {}

void CZEL_DeviceForMTP::StorePlaylist(CStringArray&) {}

BOOL CZEL_DeviceForMTP::NewPlayList(CString) { return 0; }

BOOL CZEL_DeviceForMTP::CheckXPL(LPWSTR) { return 0; }

BOOL CZEL_DeviceForMTP::ChangePLName(CString, CString) { return 0; }

void CZEL_DeviceForMTP::FindUploadTarget(LPWSTR, LPWSTR) {}

void CZEL_DeviceForMTP::GetNewContent(int, CStringList*) {}

CString CZEL_DeviceForMTP::AutoUpload(LPCWSTR, LPCWSTR, int) { return CString(); }

void CZEL_DeviceForMTP::GameUpload(CString) {}

void CZEL_DeviceForMTP::FindGameUploadList(LPWSTR, LPCWSTR) {}

BOOL CZEL_DeviceForMTP::CheckFirmUpFile(LPWSTR) { return 0; }
