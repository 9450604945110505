// Files, folders and volumes with Win32 behaviour over the drive table.
// Lookups behave like a FAT drive: exact name first, then without regard to case.
#pragma once

#include "types.h"

typedef DWORD(CALLBACK* LPPROGRESS_ROUTINE)(LARGE_INTEGER totalFileSize, LARGE_INTEGER totalBytesTransferred,
                                            LARGE_INTEGER streamSize, LARGE_INTEGER streamBytesTransferred,
                                            DWORD streamNumber, DWORD callbackReason, HANDLE sourceFile,
                                            HANDLE destinationFile, LPVOID data);
#define CALLBACK_CHUNK_FINISHED 0x00000000
#define CALLBACK_STREAM_SWITCH 0x00000001
#define PROGRESS_CONTINUE 0
#define PROGRESS_CANCEL 1
#define PROGRESS_STOP 2
#define PROGRESS_QUIET 3
#define COPY_FILE_FAIL_IF_EXISTS 0x00000001
#define MOVEFILE_REPLACE_EXISTING 0x00000001
#define MOVEFILE_COPY_ALLOWED 0x00000002

ZELCOMPAT_API HANDLE CreateFileW(LPCWSTR path, DWORD access, DWORD shareMode, LPSECURITY_ATTRIBUTES security,
                                 DWORD disposition, DWORD flags, HANDLE templateFile);
ZELCOMPAT_API BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD toRead, LPDWORD read, LPOVERLAPPED overlapped);
ZELCOMPAT_API BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD toWrite, LPDWORD written,
                             LPOVERLAPPED overlapped);
ZELCOMPAT_API BOOL CloseHandle(HANDLE handle);
ZELCOMPAT_API DWORD GetFileSize(HANDLE file, LPDWORD sizeHigh);
ZELCOMPAT_API BOOL GetFileSizeEx(HANDLE file, PLARGE_INTEGER size);
ZELCOMPAT_API DWORD SetFilePointer(HANDLE file, LONG distance, LONG* distanceHigh, DWORD method);
ZELCOMPAT_API BOOL SetEndOfFile(HANDLE file);
ZELCOMPAT_API BOOL FlushFileBuffers(HANDLE file);
ZELCOMPAT_API BOOL GetFileTime(HANDLE file, LPFILETIME creation, LPFILETIME lastAccess, LPFILETIME lastWrite);

ZELCOMPAT_API DWORD GetFileAttributesW(LPCWSTR path);
ZELCOMPAT_API BOOL SetFileAttributesW(LPCWSTR path, DWORD attributes);
// A symbolic link is deleted as a link, never what it leads to; a link to a
// folder is removed with RemoveDirectoryW, which removes only the link.
ZELCOMPAT_API BOOL DeleteFileW(LPCWSTR path);
ZELCOMPAT_API BOOL MoveFileW(LPCWSTR existing, LPCWSTR newName);
// With MOVEFILE_REPLACE_EXISTING an existing file of the new name (not a folder,
// not read-only) is replaced in one step; MOVEFILE_COPY_ALLOWED lets a move to
// another drive copy the file and delete the original.
ZELCOMPAT_API BOOL MoveFileExW(LPCWSTR existing, LPCWSTR newName, DWORD flags);
// Makes a name "<folder>\<up to three units of prefix><hex>.TMP". With unique 0
// a free number is chosen and the empty file is created, so that the name is
// this caller's alone; the number is returned (0 on failure, with the last
// error set). tempFileName receives the path and has room for MAX_PATH units.
ZELCOMPAT_API UINT GetTempFileNameW(LPCWSTR folder, LPCWSTR prefix, UINT unique, LPWSTR tempFileName);
ZELCOMPAT_API BOOL CopyFileW(LPCWSTR existing, LPCWSTR newName, BOOL failIfExists);
// The copy is written under a temporary name in the destination's folder and
// renamed over the destination only when it is complete: a failure or a cancel
// leaves an existing destination as it was.
ZELCOMPAT_API BOOL CopyFileExW(LPCWSTR existing, LPCWSTR newName, LPPROGRESS_ROUTINE progress, LPVOID data,
                               LPBOOL cancel, DWORD flags);
ZELCOMPAT_API BOOL CreateDirectoryW(LPCWSTR path, LPSECURITY_ATTRIBUTES security);
ZELCOMPAT_API BOOL RemoveDirectoryW(LPCWSTR path);

ZELCOMPAT_API BOOL GetDiskFreeSpaceExW(LPCWSTR directory, PULARGE_INTEGER freeToCaller, PULARGE_INTEGER totalBytes,
                                       PULARGE_INTEGER totalFree);
ZELCOMPAT_API BOOL DeviceIoControl(HANDLE device, DWORD code, LPVOID in, DWORD inSize, LPVOID out, DWORD outSize,
                                   LPDWORD returned, LPOVERLAPPED overlapped);
ZELCOMPAT_API BOOL SetVolumeLabelW(LPCWSTR rootPath, LPCWSTR label);
ZELCOMPAT_API BOOL GetVolumeInformationW(LPCWSTR rootPath, LPWSTR label, DWORD labelSize, LPDWORD serial,
                                         LPDWORD maxComponent, LPDWORD fsFlags, LPWSTR fsName, DWORD fsNameSize);
ZELCOMPAT_API DWORD GetTempPathW(DWORD size, LPWSTR buffer);

// Directory search. Results come in a fixed order: "." and ".." first (not at a
// drive root, which has neither), then names without regard to case.
ZELCOMPAT_API HANDLE FindFirstFileW(LPCWSTR pattern, LPWIN32_FIND_DATAW data);
ZELCOMPAT_API BOOL FindNextFileW(HANDLE find, LPWIN32_FIND_DATAW data);
ZELCOMPAT_API BOOL FindClose(HANDLE find);
