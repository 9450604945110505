// An MTP player is not a drive of this computer: there is no file system of
// it to flush before it is unplugged, so safe removal has no work here.
#include "ZELDevice/mtp/CZEL_DeviceForMTP.h"

void CZEL_DeviceForMTP::SafeRemoved() {}
