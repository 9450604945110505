// The device library as a host sees it: the records, result and event codes,
// capability bits, the exported device classes, and the Win32 / MFC subset
// they are declared with (drive table, windows, messages).
#pragma once

#include "zelcompat/zelcompat.h"

#include "ZELDevice/abi/Codes.h"
#include "ZELDevice/abi/Records.h"
#include "ZELDevice/abi/ZELFile.h"
#include "ZELDevice/abi/tree.h"
#include "ZELDevice/device/CZEL_Device.h"
#include "ZELDevice/mtp/CZEL_DeviceForMTP.h"
#include "ZELDevice/ums/CZEL_DeviceForUMS.h"
