// The safe-removal library ("SFRemove.dll"), which the device loads when the
// host prepares the player for unplugging and looks up by name.
#pragma once

#include "zelcompat/types.h"

// Prepares the drive driveLetter for removal; the device does not use the result.
typedef BOOL (*SFREMOVE_PROC)(WCHAR driveLetter);
#define SFREMOVE_NAME "SFRemove"  // SFREMOVE_PROC
