// The last error a failing Win32 call leaves behind.
#pragma once

#include <cstdio>

#include "zelcompat/debug.h"
#include "zelcompat/types.h"

// What ErrorOf answers for a call that did not fail.
constexpr int kSucceeded = -1;

inline bool Failed(BOOL result) { return !result; }
inline bool Failed(HANDLE result) { return result == nullptr || result == INVALID_HANDLE_VALUE; }
inline bool Failed(HMODULE result) { return result == nullptr; }
inline bool Failed(HWND result) { return result == nullptr; }
inline bool Failed(FILE* result) { return result == nullptr; }

// Runs a call that should fail and answers the error it set. The last error is
// preset to a sentinel first, so a stale value cannot pass for the call's own.
// The answer is an int so that it compares with the ERROR_ constants as they are.
template <class Call>
int ErrorOf(Call call) {
    SetLastError(0xDEAD);
    return Failed(call()) ? static_cast<int>(GetLastError()) : kSucceeded;
}
