// Placing files from the computer onto a mass-storage player.
#include "ZELDevice/ums/CZEL_DeviceForUMS.h"

DWORD CZEL_DeviceForUMS::TransferFile2(LPWSTR, tagDB_File*, int, IWMDMStorage*, int, LPWSTR) { return ZEL_FAILURE; }

DWORD CZEL_DeviceForUMS::TransferFile(LPWSTR, tagDB_File*, int) { return ZEL_FAILURE; }

DWORD CZEL_DeviceForUMS::TransferPostFile(LPWSTR, LPWSTR, LPWSTR, tagDB_File*, IWMDMStorage*) { return ZEL_FAILURE; }

// Playlists reach a mass-storage player as files; there is nothing to hand to an agent.
void CZEL_DeviceForUMS::TransferXPLfoMTP(LPWSTR) {}
