// Fault injection for tests: calls on a chosen path fail with a chosen Win32
// error. Tests run as root, where permission bits stop nothing, so failures that
// a real player produces (access denied, disk full) are made here.
#pragma once

#include "types.h"

enum ZelFaultOp : DWORD {
    ZEL_FAULT_OPEN = 0x1,       // CreateFileW, _wfopen, the source or target of a copy, LoadLibraryW's module files
    ZEL_FAULT_READ = 0x2,       // ReadFile and stream reads
    ZEL_FAULT_WRITE = 0x4,      // WriteFile, stream writes and copy writes (after N bytes)
    ZEL_FAULT_DELETE = 0x8,     // DeleteFileW, _wremove
    ZEL_FAULT_CREATEDIR = 0x10, // CreateDirectoryW
    ZEL_FAULT_REMOVEDIR = 0x20, // RemoveDirectoryW
    ZEL_FAULT_ATTRIBUTES = 0x40,// SetFileAttributesW
    ZEL_FAULT_RENAME = 0x80,    // MoveFileW, _wrename
    ZEL_FAULT_IOCTL = 0x100,    // DeviceIoControl on a volume (\\.\E:)
    ZEL_FAULT_SEARCH = 0x200,   // FindFirstFileW
    ZEL_FAULT_SPACE = 0x400,    // GetDiskFreeSpaceExW
    ZEL_FAULT_WATCH = 0x800,    // the host's change reports for a folder (the folder's times must then do)
    ZEL_FAULT_ALL = 0xFFFFFFFFu
};

// Makes the given operations on paths matching pattern (a Windows path, compared
// without regard to case; "*" and "?" are wildcards) fail with error. For
// ZEL_FAULT_WRITE the first afterBytes bytes written through one open file still
// succeed. Returns an id for ZelRemoveFault.
ZELCOMPAT_API int ZelInjectFault(LPCWSTR pattern, DWORD ops, DWORD error, ULONGLONG afterBytes = 0);
ZELCOMPAT_API void ZelRemoveFault(int id);
ZELCOMPAT_API void ZelClearFaults();
// Makes GetDiskFreeSpaceExW on a drive answer the given sizes (both 0: the real ones).
ZELCOMPAT_API void ZelSetDriveSpace(WCHAR letter, ULONGLONG freeBytes, ULONGLONG totalBytes);
// Makes compat treat a drive as a FAT drive whatever its host file system:
// FAT's name rules hold on it and names are found and kept the way a file
// system that ignores case keeps them (FALSE: the host file system decides
// again). The DOS attributes still go where the host file system keeps them.
ZELCOMPAT_API void ZelSetDriveFat(WCHAR letter, BOOL fat);
