// The exports of the reference player database library (libZELPlayerDB.so,
// "ZELPlayerDB.dll"). The first five are what the device library looks up by
// name; ZELDB_ListRecords is for hosts and tests.
#pragma once

#include "ZELDevice/abi/Records.h"
#include "zelcompat/types.h"

// Where the database lives on the player's drive.
#define ZELPLAYERDB_FOLDER u"System"
#define ZELPLAYERDB_FILE u"PlayerDB.zdb"
#define ZELPLAYERDB_TEMP u"PlayerDB.zdb.new"

extern "C" {
// Opens the database of the player at driveLetter (mode 0) or starts an empty
// one and writes it at once (mode 1). Unsaved changes of the database open
// before are written first. driveLetter 0 only closes the open database.
// window, when it is a window, receives progress reports while the file is written.
AFX_EXT_API BOOL ZELDB_Create(DWORD driveLetter, HWND window, int mode);
// Records a file under Folder "\" FileName; a record for the same path (without
// regard to case) is replaced. 0 without an open database or a file name.
AFX_EXT_API BOOL ZELDB_AddRecord(tagDB_File* record);
// Forgets the file at a full device path; non-zero when it was recorded.
AFX_EXT_API BOOL ZELDB_DeleteRecord(LPCWSTR path);
// Non-zero when the file at a full device path is recorded; its record is copied into record.
AFX_EXT_API BOOL ZELDB_GetRecord(LPCWSTR path, tagDB_File* record);
// Writes the database file; non-zero when it was written.
AFX_EXT_API BOOL ZELDB_DBSync(int flag);
// The number of records; the first min(count, capacity) of them, in the order
// they were first recorded, are copied to records (which may be null).
AFX_EXT_API int ZELDB_ListRecords(tagDB_File* records, int capacity);
}
