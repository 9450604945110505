// The device library as a host sees it: the records, result and event codes,
// capability bits, the exported device classes, and the Win32 / MFC subset
// they are declared with (drive table, windows, messages).
#pragma once

#include "zelcompat/zelcompat.h"

#include "ZELDevice/core/Codes.h"
#include "ZELDevice/core/Records.h"
#include "ZELDevice/core/ZELFile.h"
#include "ZELDevice/core/tree.h"
#include "ZELDevice/core/CZEL_Device.h"
#include "ZELDevice/ums/CZEL_DeviceForUMS.h"
