// Debugger output and the Windows version queries.
#pragma once

#include "types.h"

ZELCOMPAT_API void OutputDebugStringW(LPCWSTR text);
// Receives every OutputDebugStringW line; null restores the default (standard
// error, only when ZEL_DEBUG is set).
ZELCOMPAT_API void ZelSetDebugSink(void (*sink)(LPCWSTR line, void* ctx), void* ctx);

ZELCOMPAT_API DWORD GetVersion();
ZELCOMPAT_API BOOL GetVersionExW(LPOSVERSIONINFOW info);
// What the version queries answer; the default is 5.1 on the NT platform.
ZELCOMPAT_API void ZelSetWindowsVersion(DWORD major, DWORD minor, DWORD platformId);

ZELCOMPAT_API DWORD GetLastError();
ZELCOMPAT_API void SetLastError(DWORD error);
