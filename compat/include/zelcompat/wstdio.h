// C runtime streams opened by UTF-16 path, and UTF-16 line reading and writing
// as the wide stream functions behave: on a binary stream units go two bytes each,
// little-endian, without translation; on a text stream they go out in the ANSI
// code page with LF written as CR LF.
#pragma once

#include <cstdio>

#include "types.h"

ZELCOMPAT_API FILE* _wfopen(LPCWSTR path, LPCWSTR mode);
// Reads up to count-1 units, stopping after a line feed; null at end of file
// before any unit was read.
ZELCOMPAT_API WCHAR* fgetws(WCHAR* buffer, int count, FILE* stream);
// Writes the units of a zero-terminated text; a negative result on failure.
ZELCOMPAT_API int fputws(const WCHAR* text, FILE* stream);
ZELCOMPAT_API int _wrename(LPCWSTR oldPath, LPCWSTR newPath);
ZELCOMPAT_API int _wremove(LPCWSTR path);
