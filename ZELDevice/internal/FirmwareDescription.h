// The firmware description file of a player (SYSTEM.VER): 8-bit text whose
// "VER" and "FWUP" lines fill the firmware fields of the device settings. Each
// device class reads the lines by its own rule; the rules take the bytes read
// from the file, so that they can be tried on any text.
#pragma once

#include "ZELDevice/abi/Records.h"
#include "zelcompat/types.h"

namespace zelums {

// The most bytes of the file that are read.
inline constexpr DWORD kFirmwareDescriptionBytes = 100;

// The mass-storage rule: fills FWMajor, FWMinor, FWRegion (mapped) and
// FWUpdateID from the first length bytes of data, and sets the firmware-level
// capability of a TX-D4 when its version allows it. 1 when a VER line was read.
BOOL ReadFirmwareDescription(const char* data, DWORD length, tagDeviceSettings& settings);

}  // namespace zelums
