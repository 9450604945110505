// Result codes, window messages, event codes and capability bits of the device
// library.
#pragma once

#include "zelcompat/types.h"

// Results of the operations that answer a DWORD: success is 0x20000, every
// failure carries bit 0x10000.
inline constexpr DWORD ZEL_SUCCESS = 0x20000;
inline constexpr DWORD ZEL_FAILURE = 0x10000;            // general failure, and the failure bit
inline constexpr DWORD ZEL_ERR_FOLDER_MUSIC = 0x10002;   // audio or image file outside its folder
inline constexpr DWORD ZEL_ERR_FOLDER_VIDEO = 0x10004;   // video file outside the video folder
inline constexpr DWORD ZEL_ERR_FOLDER_TEXT = 0x10005;    // text file outside the text folder
inline constexpr DWORD ZEL_ERR_MEDIA_TYPE = 0x10007;     // media type 0 or not supported
inline constexpr DWORD ZEL_ERR_COPY = 0x10009;           // copy failed
inline constexpr DWORD ZEL_ERR_DESTINATION = 0x1000A;    // destination cannot be created
inline constexpr DWORD ZEL_ERR_NOT_CONVERTED = 0x1000B;  // not converted
inline constexpr DWORD ZEL_ERR_NO_DB_LIBRARY = 0x1000C;  // the player's database library is missing
inline constexpr DWORD ZEL_ERR_PATH = 0x1000D;           // path too long or not found; converter asked to stop
inline constexpr DWORD ZEL_ERR_CANCELLED = 0x10016;       // cancelled (CancelTransfer)
inline constexpr DWORD ZEL_ERR_WMP_RUNNING = 0x10017;     // Windows Media Player is running
inline constexpr DWORD ZEL_ERR_LOW_SPACE = 0x10018;       // less than 10 MiB free
inline constexpr DWORD ZEL_ERR_WRITE_PROTECTED = 0x10031;  // the drive is write-protected
inline constexpr DWORD ZEL_ERR_NO_DRIVE = 0x10040;  // no usable drive

// True for a failure result: one with bit 0x10000 set.
inline constexpr bool ZelFailed(DWORD result) { return (result & ZEL_FAILURE) != 0; }

// The message the library sends to the host window (wParam: event code,
// lParam: value), and the two that outside components send to the device
// object's own window with a tagProgressReport* in lParam.
inline constexpr UINT ZEL_WM_PROGRESS = WM_USER + 10;  // 0x40A
inline constexpr UINT ZEL_WM_FORMAT = WM_USER + 11;    // 0x40B

// Event codes of ZEL_WM_PROGRESS sent to the host window.
inline constexpr WPARAM ZEL_EVENT_BEGIN = 2;             // a file operation begins
inline constexpr WPARAM ZEL_EVENT_END = 3;               // it ends (lParam 0 or a result)
inline constexpr WPARAM ZEL_EVENT_PERCENT = 4;           // lParam 0..100
inline constexpr WPARAM ZEL_EVENT_PLAYLISTS = 8;         // playlists updated
inline constexpr WPARAM ZEL_EVENT_FORMAT_BUSY = 9;       // tick value or percentage during a format
inline constexpr WPARAM ZEL_EVENT_FORMAT_STAGE = 10;     // format stage notice
inline constexpr WPARAM ZEL_EVENT_FORMAT_FAILED = 11;    // format failure notice
inline constexpr WPARAM ZEL_EVENT_FORMAT_TEMPLATES = 12; // templates not copied after a format
inline constexpr WPARAM ZEL_EVENT_REBUILD_BEGIN = 18;     // a database rebuild begins
inline constexpr WPARAM ZEL_EVENT_REBUILD_PROGRESS = 19;  // rebuild progress
inline constexpr WPARAM ZEL_EVENT_REBUILD_END = 20;  // lParam 100
inline constexpr WPARAM ZEL_EVENT_FORMAT_FAILED2 = 21;  // second format failure notice
inline constexpr WPARAM ZEL_EVENT_FIRMWARE_STEP1 = 31;  // firmware update, first step
inline constexpr WPARAM ZEL_EVENT_FIRMWARE_STEP2 = 32;  // firmware update, second step

// What lParam of ZEL_WM_PROGRESS and ZEL_WM_FORMAT points to when they come to
// the device object's own window.
struct tagProgressReport {
    DWORD Event;  // ZEL_REPORT_*
    DWORD Done;   // bytes done
    DWORD Total;  // bytes in all
};
static_assert(sizeof(tagProgressReport) == 12);

// Events of a tagProgressReport.
inline constexpr DWORD ZEL_REPORT_START = 1;     // a copy starts (Total: its size)
inline constexpr DWORD ZEL_REPORT_END = 2;       // the copy ended
inline constexpr DWORD ZEL_REPORT_PROGRESS = 3;  // Done of Total bytes copied

// Capability bits of tagDeviceSettings::Capabilities.
inline constexpr DWORD ZEL_CAP_AGENT = 0x1;          // the agent serves this mass-storage player too
inline constexpr DWORD ZEL_CAP_NDA_FOLDER = 0x2;     // special-folder moves also move the agent's NDA folder
inline constexpr DWORD ZEL_CAP_PLAYLISTS = 0x4;      // the player has playlist files
inline constexpr DWORD ZEL_CAP_DATABASE = 0x8;       // the player carries a database library
inline constexpr DWORD ZEL_CAP_LYRICS = 0x10;        // the player shows lyrics
inline constexpr DWORD ZEL_CAP_VIDEO = 0x20;         // video files and the video folder
inline constexpr DWORD ZEL_CAP_IMAGE = 0x40;         // image files and the photo folder
inline constexpr DWORD ZEL_CAP_TEXT = 0x100;         // text files and the text folder
inline constexpr DWORD ZEL_CAP_SWF = 0x200;          // SWF content
inline constexpr DWORD ZEL_CAP_AGENT_ROUTE = 0x800;  // no folders inside special folders; agent transfers
inline constexpr DWORD ZEL_CAP_CHECK_FOLDER = 0x1000;  // a transfer checks that the folder suits the media
inline constexpr DWORD ZEL_CAP_CARD_SLOT = 0x2000;     // memory-card slot
inline constexpr DWORD ZEL_CAP_FW_LEVEL = 0x4000;      // set by the firmware description reader
inline constexpr DWORD ZEL_CAP_TS3 = 0x10000;          // TS3 content and Folders entry 4
inline constexpr DWORD ZEL_CAP_MEDIA_80002 = 0x20000;  // content of type 0x80002
inline constexpr DWORD ZEL_CAP_BROADCAST = 0x40000;    // the broadcast folder (Folders entry 6)
inline constexpr DWORD ZEL_CAP_MUSIC_SPECIAL = 0x80000;  // the music special folder
inline constexpr DWORD ZEL_CAP_MYAURO = 0x200000;      // UCQ content, myAuro pack folders and playlists
inline constexpr DWORD ZEL_CAP_UCI = 0x400000;         // UCI content and the second pack folder
inline constexpr DWORD ZEL_CAP_NEW_CONTENT = 0x800000; // new content offered for upload
inline constexpr DWORD ZEL_CAP_GUIDE = 0x2000000;      // content of type 0x80030, broadcast-guide folders

// Attribute bits the tree entries use.
inline constexpr DWORD ZEL_ATTR_FOLDER = 0x10;  // a folder
inline constexpr DWORD ZEL_ATTR_FILE = 0x80;    // a plain file
inline constexpr DWORD ZEL_ATTR_CARD = 0x12300010;  // the memory-card node
