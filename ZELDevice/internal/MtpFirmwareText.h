// The firmware description file of an MTP player ("SYSTEM.VER") as text: the
// version, region and update code its lines carry. Kept apart from the device
// so that it can be read (and fuzzed) on its own.
#pragma once

#include <cstddef>

#include "ZELDevice/abi/Records.h"
#include "zelcompat/cstring.h"
#include "zelcompat/types.h"

namespace zelmtpdevice {

// What the lines of the file said.
struct FirmwareDescription {
    bool hasVersion = false;  // a "VER" line was read
    DWORD major = 0;
    DWORD minor = 0;
    CString region;           // two characters, stored as read
    bool hasUpdate = false;   // an "FWUP" line was read
    CString updateId;         // five characters
};

// The bytes of the file that are read.
inline constexpr size_t kFirmwareTextBytes = 100;
// The bytes a line holds; the rest of a longer line is dropped.
inline constexpr size_t kFirmwareLineBytes = 19;

// Reads the first kFirmwareTextBytes of data (8-bit text in the system's code
// page). Lines end with a line feed; text after the last one is ignored,
// unless there is no line feed at all, when the whole text is one line. Each
// line is upper-cased before it is matched: "VER 2.14 AB" gives version 2.14
// and region AB (at most three digits in each number; a missing "." or space
// leaves the numbers after it 0), "FWUP 12345" the update code 12345. Other
// lines ("MODEL ...") are ignored; a later line of a kind replaces an earlier one.
FirmwareDescription ReadFirmwareDescription(const char* data, size_t length);

// Stores what the lines said into the firmware fields of settings (a field
// whose line was missing keeps its value); 1 when a version line was read.
BOOL StoreFirmwareDescription(const FirmwareDescription& description, tagDeviceSettings& settings);

}  // namespace zelmtpdevice
