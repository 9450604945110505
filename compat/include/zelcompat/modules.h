// Module loading: LoadLibraryW over dlopen. A module name X.dll is looked for as
// the file itself, then as libX.so and X.so in the same folder; a bare name is
// looked for next to the running executable, then in the folders of ZEL_MODULE_PATH.
#pragma once

#include "types.h"

typedef intptr_t (*FARPROC)();

ZELCOMPAT_API HMODULE LoadLibraryW(LPCWSTR name);
ZELCOMPAT_API FARPROC GetProcAddress(HMODULE module, LPCSTR name);
ZELCOMPAT_API BOOL FreeLibrary(HMODULE module);
// Full Windows path of a loaded module (null: the running executable); the
// length written, or 0 on failure. Cut to size-1 units like Windows.
ZELCOMPAT_API DWORD GetModuleFileNameW(HMODULE module, LPWSTR buffer, DWORD size);
