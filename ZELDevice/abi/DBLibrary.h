// The entry points of the database library a player carries. The device object
// loads the library from DBLibraryPath of its settings and looks these up by
// name; a library that offers all five with these argument lists will do.
#pragma once

#include "ZELDevice/abi/Records.h"
#include "zelcompat/types.h"

// The database of the player whose drive is driveLetter (one UTF-16 unit
// widened to 32 bits); window is the device object's own window. Mode 0 opens
// the existing database, mode 1 starts an empty one. The device ignores the result.
typedef BOOL (*ZELDB_CREATE_PROC)(DWORD driveLetter, HWND window, int mode);
// Records a file; non-zero on success.
typedef BOOL (*ZELDB_ADDRECORD_PROC)(tagDB_File* record);
// Forgets the file at a full device path; non-zero when a record was removed.
typedef BOOL (*ZELDB_DELETERECORD_PROC)(LPCWSTR path);
// Non-zero when the database holds the file at a full device path; its record
// is copied into the zero-filled record given.
typedef BOOL (*ZELDB_GETRECORD_PROC)(LPCWSTR path, tagDB_File* record);
// Brings the database file on the player in step; the device passes 1.
typedef BOOL (*ZELDB_DBSYNC_PROC)(int flag);

// The names the entry points are looked up by.
#define ZELDB_CREATE_NAME "ZELDB_Create"              // ZELDB_CREATE_PROC
#define ZELDB_ADDRECORD_NAME "ZELDB_AddRecord"        // ZELDB_ADDRECORD_PROC
#define ZELDB_DELETERECORD_NAME "ZELDB_DeleteRecord"  // ZELDB_DELETERECORD_PROC
#define ZELDB_GETRECORD_NAME "ZELDB_GetRecord"        // ZELDB_GETRECORD_PROC
#define ZELDB_DBSYNC_NAME "ZELDB_DBSync"              // ZELDB_DBSYNC_PROC

// An optional sixth entry point, for hosts that show what the player's database
// holds; the device library itself never looks it up. Answers the number of
// records and copies the first min(count, capacity) of them, in the order they
// were first recorded, to records (which may be null to ask for the count).
typedef int (*ZELDB_LISTRECORDS_PROC)(tagDB_File* records, int capacity);
#define ZELDB_LISTRECORDS_NAME "ZELDB_ListRecords"  // ZELDB_LISTRECORDS_PROC
