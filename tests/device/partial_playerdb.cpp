// A database library that lacks ZELDB_DBSync, for the loader's all-or-nothing rule.
#include "ZELDevice/abi/Records.h"

extern "C" {
AFX_EXT_API BOOL ZELDB_Create(DWORD, HWND, int) { return TRUE; }
AFX_EXT_API BOOL ZELDB_AddRecord(tagDB_File*) { return TRUE; }
AFX_EXT_API BOOL ZELDB_DeleteRecord(LPCWSTR) { return TRUE; }
AFX_EXT_API BOOL ZELDB_GetRecord(LPCWSTR, tagDB_File*) { return TRUE; }
}
