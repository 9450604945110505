// An MTP player keeps its own database: there is nothing for the library to
// rebuild or write, and these calls succeed without touching the player.
#include "ZELDevice/mtp/CZEL_DeviceForMTP.h"

DWORD CZEL_DeviceForMTP::RebuildDB() { return ZEL_SUCCESS; }

void CZEL_DeviceForMTP::UpdateDataBase(int) {}
