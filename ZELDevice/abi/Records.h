// The records that cross the boundaries of the device library: what the host
// hands to CreateDevice (tagDeviceInfo), the player's properties the host fills
// in every device object (tagDeviceSettings), and the per-file record shared
// with the player's database library (tagDB_File). The host, the agent and the
// database library are built separately, so every size and offset below is a
// binary interface: fixed-width integers, fixed UTF-16 arrays, explicit
// reserved ranges.
#pragma once

#include <cstddef>

#include "zelcompat/types.h"

// Media-type codes: the high half names the family, the low half the format.
// 0 means the file is not supported.
inline constexpr DWORD ZEL_MEDIA_NONE = 0;
inline constexpr DWORD ZEL_MEDIA_AUDIO = 0x10000;  // family bit: audio
inline constexpr DWORD ZEL_MEDIA_VIDEO = 0x20000;  // family bit: video
inline constexpr DWORD ZEL_MEDIA_IMAGE = 0x40000;  // family bit: image
inline constexpr DWORD ZEL_MEDIA_OTHER = 0x80000;  // family bit: text and other content

inline constexpr DWORD ZEL_MEDIA_MP3 = 0x10001;        // MP3 audio
inline constexpr DWORD ZEL_MEDIA_WMA = 0x10002;        // Windows Media audio
inline constexpr DWORD ZEL_MEDIA_OGG = 0x10003;        // Ogg audio
inline constexpr DWORD ZEL_MEDIA_ASF_AUDIO = 0x10004;  // ASF the tag reader reports as audio
inline constexpr DWORD ZEL_MEDIA_NETSYNC = 0x10007;    // MP3 whose first bytes are "NETSYNC"
inline constexpr DWORD ZEL_MEDIA_WMV = 0x20001;        // Windows Media video
inline constexpr DWORD ZEL_MEDIA_ASF_VIDEO = 0x20002;  // ASF the tag reader reports as video
inline constexpr DWORD ZEL_MEDIA_MPG = 0x20003;        // MPEG video
inline constexpr DWORD ZEL_MEDIA_AVI = 0x20004;        // AVI video
inline constexpr DWORD ZEL_MEDIA_KVI = 0x20009;        // KVI video container
inline constexpr DWORD ZEL_MEDIA_JPG = 0x40001;        // JPEG image
inline constexpr DWORD ZEL_MEDIA_GIF = 0x40002;        // GIF image
inline constexpr DWORD ZEL_MEDIA_BMP = 0x40003;        // bitmap image
inline constexpr DWORD ZEL_MEDIA_TXT = 0x80001;        // text
inline constexpr DWORD ZEL_MEDIA_80002 = 0x80002;  // admitted by its own capability bit; no extension gives it
inline constexpr DWORD ZEL_MEDIA_SWF = 0x80003;    // Flash content
inline constexpr DWORD ZEL_MEDIA_TS3 = 0x80004;    // TS3 content
inline constexpr DWORD ZEL_MEDIA_UCQ = 0x80010;    // UCQ content (tree entries only)
inline constexpr DWORD ZEL_MEDIA_UCI = 0x80020;    // UCI content (tree entries only)
inline constexpr DWORD ZEL_MEDIA_80030 = 0x80030;  // admitted by its own capability bit; no extension gives it
inline constexpr DWORD ZEL_MEDIA_TTS = 0x80040;    // TTS content

// Units of the fixed text fields.
#define ZEL_MODELNAME_INFO 261  // UTF-16 units of tagDeviceInfo::ModelName
#define ZEL_MODELNAME 20        // UTF-16 units of tagDeviceSettings::ModelName
#define ZEL_FOLDER_UNITS 128    // UTF-16 units of a folder name, the playlist path and the extension list
#define ZEL_SPECIAL_FOLDERS 6   // entries of tagDeviceSettings::SpecialFolders
#define ZEL_FOLDERS 10          // entries of tagDeviceSettings::Folders
#define ZEL_DBLIBRARYPATH 896   // UTF-16 units of tagDeviceSettings::DBLibraryPath
#define ZEL_DBFOLDER 384        // UTF-16 units of tagDB_File::Folder
#define ZEL_DBFILENAME 512      // UTF-16 units of tagDB_File::FileName
#define ZEL_DBTEXT 256          // UTF-16 units of the long tag texts of tagDB_File
#define ZEL_DBSHORTTEXT 64      // UTF-16 units of the short tag texts of tagDB_File

// What the host tells CreateDevice about the player. The library reads the
// fields below and writes only ModelName.
struct tagDeviceInfo {
    DWORD Kind;         // 0: reached through a drive letter; other: not
    DWORD CardStorage;  // 1: this object stands for the memory card
    BYTE Reserved8[4];  // not read
    WCHAR DriveLetter;  // one UTF-16 unit, 0 when none
    WCHAR ModelName[ZEL_MODELNAME_INFO];  // model name; the mass-storage CreateDevice may replace it
    DWORD TotalMB;                        // total capacity in megabytes
    DWORD FreeMB;                         // free space in megabytes
    BYTE Reserved544[2];  // not read
    WORD ProductID;       // USB product identifier
    WORD SecondID;        // tells apart models that share a product identifier
    BYTE Reserved550[2];  // tail
};

static_assert(offsetof(tagDeviceInfo, Kind) == 0);
static_assert(offsetof(tagDeviceInfo, CardStorage) == 4);
static_assert(offsetof(tagDeviceInfo, Reserved8) == 8);
static_assert(offsetof(tagDeviceInfo, DriveLetter) == 12);
static_assert(offsetof(tagDeviceInfo, ModelName) == 14);
static_assert(offsetof(tagDeviceInfo, TotalMB) == 536);
static_assert(offsetof(tagDeviceInfo, FreeMB) == 540);
static_assert(offsetof(tagDeviceInfo, Reserved544) == 544);
static_assert(offsetof(tagDeviceInfo, ProductID) == 546);
static_assert(offsetof(tagDeviceInfo, SecondID) == 548);
static_assert(sizeof(tagDeviceInfo) == 552);

// The player's properties: a public member of every device object that the host
// fills before CreateDevice. Reserved ranges are the host's; the library leaves
// them untouched.
struct tagDeviceSettings {
    DWORD IsMTP;  // 1 for an MTP device object: device paths carry no drive
    BYTE Reserved4[4];   // the host's
    DWORD Capabilities;  // ZEL_CAP_* bits
    DWORD FreeMB;        // free space in megabytes; the library keeps it current
    DWORD TotalMB;       // total capacity in megabytes; the library keeps it current
    BYTE Reserved20[8];  // the host's
    DWORD CardStorage;   // 1 when the object stands for the memory card
    BYTE Reserved32[4];  // the host's
    DWORD PlayerType;          // 1: XPL playlists; 2: PLP playlists and no database
    DWORD SpecialFolderCount;  // valid entries of SpecialFolders, at most 6
    BYTE Reserved44[4];              // the host's
    WCHAR ModelName[ZEL_MODELNAME];  // model name, compared with model strings such as "RV-M41"
    WCHAR PlaylistFile[ZEL_FOLDER_UNITS];  // relative to the device root; made absolute by CreateDevice
    WCHAR DBLibraryPath[ZEL_DBLIBRARYPATH];  // full path of the player's database library
    WCHAR SpecialFolders[ZEL_SPECIAL_FOLDERS][ZEL_FOLDER_UNITS];  // device paths without drive
    DWORD FWMajor;        // firmware major number, from the player's firmware description (GetFWInfo)
    DWORD FWMinor;        // firmware minor number
    WCHAR FWRegion[6];    // firmware region code, two characters
    WCHAR FWUpdateID[8];  // firmware update code, five characters
    WCHAR Folders[ZEL_FOLDERS][ZEL_FOLDER_UNITS];  // 0 music, 1 video, 2 photos, 3 texts, 6 broadcast ...
    WCHAR Extensions[ZEL_FOLDER_UNITS];            // upper case, e.g. "MP3.WMA.OGG"
    DWORD AlbumArtWidth;                           // album-art width in pixels; 0: no album-art editing
    DWORD AlbumArtHeight;                          // album-art height in pixels
    WCHAR DriveLetter;       // the player's drive letter, one UTF-16 unit
    WORD DeviceID1;          // first identifier given to the agent's tag reader
    WORD ProductID;          // USB product identifier
    WORD DeviceID3;          // third identifier given to the agent's tag reader
    BYTE Reserved6540[128];  // the host's
    BYTE TagKey[16];         // opaque block given to the agent's tag reader
    BYTE TagBlock[2048];     // opaque block given to the agent's tag reader
};

static_assert(offsetof(tagDeviceSettings, IsMTP) == 0);
static_assert(offsetof(tagDeviceSettings, Capabilities) == 8);
static_assert(offsetof(tagDeviceSettings, FreeMB) == 12);
static_assert(offsetof(tagDeviceSettings, TotalMB) == 16);
static_assert(offsetof(tagDeviceSettings, CardStorage) == 28);
static_assert(offsetof(tagDeviceSettings, PlayerType) == 36);
static_assert(offsetof(tagDeviceSettings, SpecialFolderCount) == 40);
static_assert(offsetof(tagDeviceSettings, ModelName) == 48);
static_assert(offsetof(tagDeviceSettings, PlaylistFile) == 88);
static_assert(offsetof(tagDeviceSettings, DBLibraryPath) == 344);
static_assert(offsetof(tagDeviceSettings, SpecialFolders) == 2136);
static_assert(offsetof(tagDeviceSettings, FWMajor) == 3672);
static_assert(offsetof(tagDeviceSettings, FWMinor) == 3676);
static_assert(offsetof(tagDeviceSettings, FWRegion) == 3680);
static_assert(offsetof(tagDeviceSettings, FWUpdateID) == 3692);
static_assert(offsetof(tagDeviceSettings, Folders) == 3708);
static_assert(offsetof(tagDeviceSettings, Extensions) == 6268);
static_assert(offsetof(tagDeviceSettings, AlbumArtWidth) == 6524);
static_assert(offsetof(tagDeviceSettings, AlbumArtHeight) == 6528);
static_assert(offsetof(tagDeviceSettings, DriveLetter) == 6532);
static_assert(offsetof(tagDeviceSettings, DeviceID1) == 6534);
static_assert(offsetof(tagDeviceSettings, ProductID) == 6536);
static_assert(offsetof(tagDeviceSettings, DeviceID3) == 6538);
static_assert(offsetof(tagDeviceSettings, TagKey) == 6668);
static_assert(offsetof(tagDeviceSettings, TagBlock) == 6684);
static_assert(sizeof(tagDeviceSettings) == 8732);

// One media file as the player's database keeps it. Whoever creates one zero-fills it.
struct tagDB_File {
    DWORD MediaType;                 // ZEL_MEDIA_* code
    WCHAR Folder[ZEL_DBFOLDER];      // folder of the file, without the final "\"
    WCHAR FileName[ZEL_DBFILENAME];  // name with extension
    DWORD FileSize;                  // low 32 bits
    DWORD Created[6];                // UTC: year, month, day, hour, minute, second
    DWORD Modified[6];               // UTC, as Created
    WCHAR Text1[ZEL_DBTEXT];         // first tag text of the agent's answer
    WCHAR Text2[ZEL_DBTEXT];         // third tag text of the agent's answer
    WCHAR Text3[ZEL_DBTEXT];         // second tag text of the agent's answer
    WCHAR ShortText1[ZEL_DBSHORTTEXT];  // second short tag text
    WCHAR ShortText2[ZEL_DBSHORTTEXT];  // first short tag text
    BYTE Reserved3640[516];          // zero
    DWORD Number1;                   // first tag number of the agent's answer
    BYTE Reserved4160[20];           // zero
    DWORD Number2;                   // second tag number of the agent's answer
    DWORD OrderNumber;               // order number of the agent's answer; 9999 when it holds 0
    DWORD LyricsFlag;                // tested by a transfer to a player that shows lyrics
    BYTE Reserved4192[16];           // zero
};

static_assert(offsetof(tagDB_File, MediaType) == 0);
static_assert(offsetof(tagDB_File, Folder) == 4);
static_assert(offsetof(tagDB_File, FileName) == 772);
static_assert(offsetof(tagDB_File, FileSize) == 1796);
static_assert(offsetof(tagDB_File, Created) == 1800);
static_assert(offsetof(tagDB_File, Modified) == 1824);
static_assert(offsetof(tagDB_File, Text1) == 1848);
static_assert(offsetof(tagDB_File, Text2) == 2360);
static_assert(offsetof(tagDB_File, Text3) == 2872);
static_assert(offsetof(tagDB_File, ShortText1) == 3384);
static_assert(offsetof(tagDB_File, ShortText2) == 3512);
static_assert(offsetof(tagDB_File, Number1) == 4156);
static_assert(offsetof(tagDB_File, Number2) == 4180);
static_assert(offsetof(tagDB_File, OrderNumber) == 4184);
static_assert(offsetof(tagDB_File, LyricsFlag) == 4188);
static_assert(sizeof(tagDB_File) == 4208);
