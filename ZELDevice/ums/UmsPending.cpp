// Operations of the mass-storage player that this build does not offer yet:
// formatting and firmware update and the database rebuild. Each answers its
// signature's failure (ZEL_FAILURE) or does nothing, so that the host sees a
// refusal rather than a false success.
#include "ZELDevice/ums/CZEL_DeviceForUMS.h"

DWORD CZEL_DeviceForUMS::RebuildDB() { return ZEL_FAILURE; }

DWORD CZEL_DeviceForUMS::FormatDevice() { return ZEL_FAILURE; }

DWORD CZEL_DeviceForUMS::FWUpdate(LPCWSTR, LPCWSTR) { return ZEL_FAILURE; }

void CZEL_DeviceForUMS::UpdateDataBase(int) {}

void CZEL_DeviceForUMS::SafeRemoved() {}
