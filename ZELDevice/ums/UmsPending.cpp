// The operation of the mass-storage player that this build does not offer yet:
// the database rebuild. It answers its signature's failure (ZEL_FAILURE), so
// that the host sees a refusal rather than a false success.
#include "ZELDevice/ums/CZEL_DeviceForUMS.h"

DWORD CZEL_DeviceForUMS::RebuildDB() { return ZEL_FAILURE; }
