// The functions of the device agent (ZELDeviceAgent.dll) as the device library
// links them. The agent wraps the media device manager's storage objects and
// keeps its own current device, folder and found storage. Results of the
// DWORD-valued calls: bit 0x10000 set means failure, 0x20000 success; the
// int-valued calls answer non-zero for success.
#pragma once

#include <vector>

#include "ZELDevice/abi/Records.h"
#include "ZELDevice/abi/ZELFile.h"
#include "ZELDevice/abi/AgentRoutines.h"
#include "zelcompat/collections.h"
#include "zelcompat/com.h"
#include "zelcompat/cstring.h"
#include "zelcompat/types.h"

extern "C" {

// Not one of the media device manager's calls, but the agent's own: the device
// object hands the agent its own window when it is set up (open 1), and the
// agent opens the player afresh, starts at its root and sends that window a
// ZEL_WM_PROGRESS report (a tagProgressReport: start, progress, end) during
// every copy; open 0 when the device object goes away ends the session begun
// with that window. Non-zero when a player was opened.
AFX_EXT_API int Agent_SetDeviceWindow(HWND window, int open);

// The root storage of the current device, with a reference for the caller;
// *first receives the slot of the root's marshalled stream, *second that of
// the memory card's root (null when the player has no card).
AFX_EXT_API IWMDMStorage* Agent_GetRootStorage(IStream*** first, IStream*** second);

// Lists the agent's current folder into list (the device's enumeration list),
// each entry with FolderStorage and StorageStream set; extensions is the
// player's upper-case extension list.
AFX_EXT_API int Agent_WMDMEnumerate(std::vector<CZEL_File>* list, LPCWSTR extensions);
// Writes the device's total capacity and free space in megabytes.
AFX_EXT_API int Agent_WMDMGetDeviceSpace(DWORD* totalMB, DWORD* freeMB);
// Makes a folder (a name in the current folder, or a path) under parent (null:
// the current folder) and fills record; broadcast is 1 for broadcast folders.
AFX_EXT_API int Agent_WMDMMakeFolder(LPCWSTR nameOrPath, CZEL_File* record, IWMDMStorage* parent, int broadcast);
// Copies source (null: none) to the device target, making the folders on the way.
AFX_EXT_API int Agent_WMDMTransferMakeFolderFile(LPCWSTR source, LPCWSTR target);
// Copies source into folder/storage (both null: the current folder); fills
// record and dbRecord when given.
AFX_EXT_API DWORD Agent_WMDMTransferFile(LPCWSTR source, CZEL_File* record, tagDB_File* dbRecord, LPCWSTR folder,
                                         IWMDMStorage* storage);
// Makes a folder current: name (".." goes up) with the address of its node's storage value.
AFX_EXT_API int Agent_WMDMMoveFolder(LPCWSTR name, DWORD* storageValue, CZEL_File* record);
// Makes a special folder current ("" is the root).
AFX_EXT_API int Agent_WMDMMoveSpecialFolder(LPCWSTR name, CZEL_File* record, DWORD* storageValue);
// Finds and selects the file at a device path (storage null: from the root).
AFX_EXT_API int Agent_WMDMFindFileFromPath(LPCWSTR path, IWMDMStorage* storage);
// Copies the file name of the current folder into a folder of the computer; reserved is 0.
AFX_EXT_API int Agent_WMDMUploadFile(LPCWSTR name, LPCWSTR hostFolder, int reserved);
// Copies the file at a device path to a path of the computer (flag 1); non-zero when copied.
AFX_EXT_API int Agent_WMDMUploadFiles(LPCWSTR devicePath, LPCWSTR hostPath, int flag);
// 0 when the file at the device path is missing.
AFX_EXT_API int Agent_WMDMCheckFindFile(LPCWSTR devicePath);
// Deletes the storage; 0x20000 when deleted.
AFX_EXT_API DWORD Agent_WMDMDeleteFiles(IWMDMStorage** storage);
// Formats the device; non-zero when done.
AFX_EXT_API int Agent_WMDMFormat();
// Has the device rebuild its database; non-zero when done.
AFX_EXT_API int Agent_WMDMRebuildDB();
// The broadcast parent of a storage (the folder itself, or a file's folder); the
// agent keeps the reference.
AFX_EXT_API IWMDMStorage* Agent_DataCastStorage(IWMDMStorage* storage);
// Makes device the agent's current device.
AFX_EXT_API int Agent_SetIWMDMDevice(IWMDMDevice* device);
// fromAgentPath: 1 when folderPath is what Agent_GetCurrentPath answered.
AFX_EXT_API int Agent_SetFolderStorage(IWMDMStorage* storage, LPCWSTR folderPath, int fromAgentPath);
// The agent's current folder path; the text belongs to the agent.
AFX_EXT_API LPCWSTR Agent_GetCurrentPath();
// Writes the named playlists: names and paths are parallel.
AFX_EXT_API int Agent_MTPUpdatePlaylist(CStringArray& names, CStringArray& paths, int mode, CZEL_File* record);
// Writes one mood playlist; 0x20000 when written.
AFX_EXT_API DWORD Agent_MTPUpdateMoodPlaylist(CString name, CStringArray& paths, CZEL_File* record);
// Not one of the media device manager's calls, but the agent's own: the items
// of the playlist object name (with or without ".pla") in the folder at
// folderPath (from the device root), as device paths in the playlist's order.
// Non-zero when there is such a playlist; paths is emptied first.
AFX_EXT_API int Agent_MTPReadPlaylist(LPCWSTR folderPath, LPCWSTR name, CStringArray& paths);
// Stops the running copy.
AFX_EXT_API int Agent_CancelTransfer();
// Stops the running copy of the NDA route.
AFX_EXT_API int Agent_NDACancelTransfer();
// Makes the NDA folder at a path without drive current.
AFX_EXT_API int Agent_NDAMoveFolder(LPCWSTR path, DWORD cardStorage);

}  // extern "C"
