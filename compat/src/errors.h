// errno to Win32 error codes (one table for all of compat).
#pragma once

#include "zelcompat/debug.h"
#include "zelcompat/types.h"

namespace zel {
DWORD Win32ErrorFromErrno(int error);
void SetLastErrorFromErrno(int error);

// Sets the last error and returns the failure value, for one-line error exits.
template <class T>
T Fail(DWORD error, T result) {
    SetLastError(error);
    return result;
}
}  // namespace zel
