// Module loading: LoadLibraryW over dlopen. A module name X.dll is looked for as
// the file itself, then as libX.so and X.so in the same folder. A bare name is
// looked for in the installed module folder (lib/zeldevice beside the installed
// zelcompat library), then next to the running executable, then in the folders
// of ZEL_MODULE_PATH (separated by ":"). A name with a folder is looked for there
// only (through the drive table).
//
// Data the library ships (the FMT template folders, ...) is found the same way:
// the installed data folder (share/zeldevice of the same prefix), the running
// executable's folder, then the folders of ZEL_MODULE_PATH.
#pragma once

#include <string>

#include "types.h"

typedef intptr_t (*FARPROC)();

ZELCOMPAT_API HMODULE LoadLibraryW(LPCWSTR name);
ZELCOMPAT_API FARPROC GetProcAddress(HMODULE module, LPCSTR name);
ZELCOMPAT_API BOOL FreeLibrary(HMODULE module);
// Full Windows path of a loaded module (null: the running executable); the
// length written, or 0 on failure. Cut to size-1 units like Windows.
ZELCOMPAT_API DWORD GetModuleFileNameW(HMODULE module, LPWSTR buffer, DWORD size);

// The host path of the file LoadLibraryW would open for a bare module name
// ("LDBConvert.dll" finds libLDBConvert.so), or "" when there is none.
ZELCOMPAT_API std::string ZelFindModule(LPCWSTR name);
// The Windows path of the first data folder that holds item, a relative Windows
// path matched like a path on a drive ("FMT\\XPL Player" or "PlayerInfos.ini");
// the running executable's folder when none holds it. An empty item answers the
// first data folder.
ZELCOMPAT_API std::u16string ZelDataFolder(LPCWSTR item);
