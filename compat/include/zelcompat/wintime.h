// Win32 times: FILETIME counts 100 ns since 1601-01-01 UTC.
#pragma once

#include "types.h"

ZELCOMPAT_API BOOL FileTimeToSystemTime(const FILETIME* fileTime, LPSYSTEMTIME systemTime);
ZELCOMPAT_API BOOL SystemTimeToFileTime(const SYSTEMTIME* systemTime, LPFILETIME fileTime);
ZELCOMPAT_API BOOL FileTimeToLocalFileTime(const FILETIME* fileTime, LPFILETIME localFileTime);
ZELCOMPAT_API BOOL LocalFileTimeToFileTime(const FILETIME* localFileTime, LPFILETIME fileTime);
ZELCOMPAT_API void GetLocalTime(LPSYSTEMTIME systemTime);
ZELCOMPAT_API void GetSystemTime(LPSYSTEMTIME systemTime);
ZELCOMPAT_API void GetSystemTimeAsFileTime(LPFILETIME fileTime);
ZELCOMPAT_API LONG CompareFileTime(const FILETIME* a, const FILETIME* b);
