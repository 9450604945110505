// Operations of the mass-storage player that this build does not offer yet:
// formatting and firmware update, uploads from the player and the database
// rebuild. Each answers its signature's failure (0, ZEL_FAILURE, an empty
// text) or does nothing, so that the host sees a refusal rather than a false
// success.
#include "ZELDevice/ums/CZEL_DeviceForUMS.h"

DWORD CZEL_DeviceForUMS::RebuildDB() { return ZEL_FAILURE; }

DWORD CZEL_DeviceForUMS::FormatDevice() { return ZEL_FAILURE; }

DWORD CZEL_DeviceForUMS::FWUpdate(LPCWSTR, LPCWSTR) { return ZEL_FAILURE; }

void CZEL_DeviceForUMS::UpdateDataBase(int) {}

void CZEL_DeviceForUMS::SafeRemoved() {}

void CZEL_DeviceForUMS::GetNewContent(int, CStringList*) {}
