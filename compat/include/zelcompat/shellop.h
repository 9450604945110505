// The shell's file operation: move, copy, delete or rename whole lists of files
// and folders in one call, over compat's Win32 file calls.
//
// Lists are consecutive zero-terminated texts closed by one more zero. The last
// component of a source may hold the wildcards "*" and "?" ("E:\FMT\*.*" stands
// for the whole content of E:\FMT). Folders are copied, moved and deleted with
// everything inside them.
//
// There is no user to ask on this host: every question the shell would put
// (overwrite, create the destination folder, delete a read-only file) is
// answered "yes", and every progress or error window stays hidden, so the UI
// flags are accepted and change nothing. Deletion is permanent (there is no
// recycle bin, so FOF_ALLOWUNDO does not keep a copy).
#pragma once

#include "types.h"

#define FO_MOVE 0x0001
#define FO_COPY 0x0002
#define FO_DELETE 0x0003
#define FO_RENAME 0x0004

// pTo holds one destination per source instead of one folder for all of them.
#define FOF_MULTIDESTFILES 0x0001
#define FOF_CONFIRMMOUSE 0x0002
#define FOF_SILENT 0x0004
// A copy or move onto an existing name gets a new name ("Copy of x") instead.
#define FOF_RENAMEONCOLLISION 0x0008
#define FOF_NOCONFIRMATION 0x0010
#define FOF_WANTMAPPINGHANDLE 0x0020
#define FOF_ALLOWUNDO 0x0040
// With a wildcard source, only files match (folders are left alone).
#define FOF_FILESONLY 0x0080
#define FOF_SIMPLEPROGRESS 0x0100
#define FOF_NOCONFIRMMKDIR 0x0200
#define FOF_NOERRORUI 0x0400

typedef WORD FILEOP_FLAGS;

typedef struct _SHFILEOPSTRUCTW {
    HWND hwnd;
    UINT wFunc;
    LPCWSTR pFrom;
    LPCWSTR pTo;
    FILEOP_FLAGS fFlags;
    BOOL fAnyOperationsAborted;
    LPVOID hNameMappings;
    LPCWSTR lpszProgressTitle;
} SHFILEOPSTRUCTW, *LPSHFILEOPSTRUCTW;

// Runs the operation. Returns 0 when every item was done; otherwise the Win32
// error code of the first failure (ERROR_INVALID_PARAMETER for a malformed
// request: unknown operation, empty source list, missing destination, a count of
// destinations that does not fit FOF_MULTIDESTFILES, a folder copied into
// itself) with fAnyOperationsAborted set, since the failure leaves items undone.
// Every source is looked up before the first item is done; items finished
// before a later failure stay done.
ZELCOMPAT_API int SHFileOperationW(LPSHFILEOPSTRUCTW operation);
