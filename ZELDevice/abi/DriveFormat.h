// The drive-format library ("DKFormat.dll") as the device library links it.
// DK_Format formats the drive of a mass-storage player and reports its course
// through a callback; any library that offers it with these arguments and
// results will do.
#pragma once

#include "zelcompat/types.h"

// The callback's stages. The library asks the callback again and again; an
// answer of 0 stops the format.
inline constexpr DWORD DK_STAGE_PERCENT = 0;  // value: entries done; percent: share of the work done
inline constexpr DWORD DK_STAGE_NOTICE = 1;   // value: the stage that begins (DK_STAGE_INIT ... DK_STAGE_WRITE)
inline constexpr DWORD DK_STAGE_QUERY = 2;    // a question; the library takes 0 as "no"
// Any other stage: the library is busy and lets the host breathe.
inline constexpr DWORD DK_STAGE_BUSY = 3;

// The callback: stage and value as above, percent the whole percentage of the
// work done (stage 0), context as given to DK_Format. Answers 0 to stop.
typedef BOOL (*DK_FORMAT_CALLBACK)(DWORD stage, DWORD value, BYTE percent, void* context);

// Results: 0 done; the rest name what went wrong or, for 2000 to 2002, the
// stage during which the callback stopped the format.
inline constexpr int DK_OK = 0;
inline constexpr int DK_ERR_PARAMETER = 1000;        // bad arguments
inline constexpr int DK_ERR_THREAD = 1001;           // a worker thread could not be started
inline constexpr int DK_ERR_OPEN = 1002;             // the drive cannot be opened
inline constexpr int DK_ERR_MEMORY = 1003;           // out of memory
inline constexpr int DK_ERR_FILE_SYSTEM = 1004;      // cannot format with that file system
inline constexpr int DK_ERR_BAD_FILE_SYSTEM = 1005;  // the drive's file system is not one it knows
inline constexpr int DK_ERR_READ = 1006;             // a read of the drive failed
inline constexpr int DK_ERR_WRITE = 1007;            // something on the drive could not be removed or written
inline constexpr int DK_STAGE_INIT = 2000;           // initialising
inline constexpr int DK_STAGE_TABLES = 2001;         // working out the tables
inline constexpr int DK_STAGE_WRITE = 2002;          // writing the data

extern "C" {

// Formats the drive driveLetter ('A' to 'Z'). modelName: the player's model as
// an 8-bit text in the system code page, at most 128 bytes with its
// terminator. firstOption and secondOption: the file-system choices the
// player's model asks for. callback (may be null) receives context.
AFX_EXT_API int DK_Format(BYTE driveLetter, const char* modelName, BYTE firstOption, BYTE secondOption,
                          DK_FORMAT_CALLBACK callback, void* context);

}  // extern "C"
