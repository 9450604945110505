// What the fault-injection seam tells the file calls.
#pragma once

#include <string>

#include "zelcompat/faults.h"

namespace zel {

struct FaultHit {
    DWORD error = 0;
    ULONGLONG afterBytes = 0;
};

// True when an injected fault covers op on the path (a normalised Windows path).
bool FindFault(const std::u16string& windowsPath, DWORD op, FaultHit& hit);
// True when any injected fault covers op, whatever its path.
bool AnyFault(DWORD op);
// True when the host set fake sizes for the drive.
bool FakeDriveSpace(WCHAR letter, ULONGLONG& freeBytes, ULONGLONG& totalBytes);

}  // namespace zel
