// The media routines of the device agent (ZELDeviceAgent): the records they share with
// the device library and the types of their entry points. The agent hands each entry
// point out through a getter (Agent_GetGetFileInfo, ...) that takes no arguments.
#pragma once

#include "zelcompat/types.h"

#pragma pack(push, 1)

// What the device tells the tag reader about itself; copied from its settings.
struct ZelTagRequest {
    WORD DeviceID1;       // tagDeviceSettings::DeviceID1
    WORD ProductID;       // tagDeviceSettings::ProductID
    WORD DeviceID3;       // tagDeviceSettings::DeviceID3
    BYTE TagKey[16];      // tagDeviceSettings::TagKey
    BYTE TagBlock[2048];  // tagDeviceSettings::TagBlock
};

// Kinds of file the tag reader recognises (ZelTagAnswer::Kind).
enum : DWORD {
    ZEL_TAGKIND_NONE = 0,       // not read
    ZEL_TAGKIND_MP3 = 1,        // MPEG audio with ID3 tags
    ZEL_TAGKIND_OGG = 2,        // Ogg Vorbis
    ZEL_TAGKIND_ASF_AUDIO = 3,  // ASF file without a video stream (WMA)
    ZEL_TAGKIND_ASF_VIDEO = 4,  // ASF file with a video stream (WMV)
    ZEL_TAGKIND_OTHER = 5,      // another format whose tags could be read
};

#define ZEL_TAG_PATH_UNITS 1024  // UTF-16 units of ZelTagAnswer::Path
#define ZEL_TAG_LONG_UNITS 256   // UTF-16 units of a long tag text
#define ZEL_TAG_SHORT_UNITS 64   // UTF-16 units of a short tag text

// The tag reader's answer. The device zero-fills it and puts the file's path in Path;
// the reader fills the rest. Every text is zero-terminated within its field; the long
// texts hold at most 255 units and the short ones at most 63.
struct ZelTagAnswer {
    WCHAR Path[ZEL_TAG_PATH_UNITS];     // Windows path of the file
    WCHAR Title[ZEL_TAG_LONG_UNITS];    // long text 1
    WCHAR Artist[ZEL_TAG_LONG_UNITS];   // long text 2
    WCHAR Album[ZEL_TAG_LONG_UNITS];    // long text 3
    WCHAR Genre[ZEL_TAG_SHORT_UNITS];   // short text 1
    WCHAR Year[ZEL_TAG_SHORT_UNITS];    // short text 2: the year in decimal digits, empty when none
    DWORD Number1;                      // track number, 0 when none
    DWORD Number2;                      // duration in whole seconds
    DWORD FileSize;                     // bytes (saturates at 0xFFFFFFFF)
    DWORD OrderNumber;                  // track number, 0 when none (the device stores 9999 then)
    DWORD Kind;                         // ZEL_TAGKIND_*
    DWORD Bitrate;                      // kbit/s, 0 when unknown
    DWORD SampleRate;                   // Hz, 0 when unknown
    DWORD Channels;                     // 0 when unknown
    BYTE Reserved[1656];                // zero
};

#pragma pack(pop)

static_assert(sizeof(ZelTagRequest) == 2070, "ZelTagRequest layout");
static_assert(offsetof(ZelTagRequest, ProductID) == 2, "ZelTagRequest layout");
static_assert(offsetof(ZelTagRequest, DeviceID3) == 4, "ZelTagRequest layout");
static_assert(offsetof(ZelTagRequest, TagKey) == 6, "ZelTagRequest layout");
static_assert(offsetof(ZelTagRequest, TagBlock) == 22, "ZelTagRequest layout");

static_assert(sizeof(ZelTagAnswer) == 5528, "ZelTagAnswer layout");
static_assert(offsetof(ZelTagAnswer, Title) == 2048, "ZelTagAnswer layout");
static_assert(offsetof(ZelTagAnswer, Artist) == 2560, "ZelTagAnswer layout");
static_assert(offsetof(ZelTagAnswer, Album) == 3072, "ZelTagAnswer layout");
static_assert(offsetof(ZelTagAnswer, Genre) == 3584, "ZelTagAnswer layout");
static_assert(offsetof(ZelTagAnswer, Year) == 3712, "ZelTagAnswer layout");
static_assert(offsetof(ZelTagAnswer, Number1) == 3840, "ZelTagAnswer layout");
static_assert(offsetof(ZelTagAnswer, Number2) == 3844, "ZelTagAnswer layout");
static_assert(offsetof(ZelTagAnswer, FileSize) == 3848, "ZelTagAnswer layout");
static_assert(offsetof(ZelTagAnswer, OrderNumber) == 3852, "ZelTagAnswer layout");
static_assert(offsetof(ZelTagAnswer, Kind) == 3856, "ZelTagAnswer layout");
static_assert(offsetof(ZelTagAnswer, Reserved) == 3872, "ZelTagAnswer layout");

// Reads the tags of the file at path (answer->Path when path is null or empty) into
// answer; answerSize is sizeof(ZelTagAnswer) or more. Non-zero when tags were read.
typedef int (*ZelTagReaderFn)(ZelTagAnswer* answer, const ZelTagRequest* request, LPCWSTR path, DWORD answerSize);
// Releases what the last read kept; called with null after each read.
typedef int (*ZelTagReleaseFn)(void* reserved);
// Writes a copy of source to target with the embedded front cover scaled to
// width x height. Non-zero when target was written; on failure no target is left.
typedef int (*ZelAlbumArtResizeFn)(LPCWSTR source, LPCWSTR target, int width, int height);
// *length: bytes of the ID3v2 tag block at tagIn. Writes the tag without its pictures to
// tagOut (as large as the input) and sets *length. Non-zero when pictures were removed.
typedef int (*ZelAlbumImageDeleteFn)(const BYTE* tagIn, BYTE* tagOut, DWORD* length);
// *length: bytes of the ID3v2 tag block at tagIn. Writes the tag with its front cover
// scaled to width x height to tagOut (as large as the input) and sets *length.
// Non-zero on success; 0 when the result would not fit.
typedef int (*ZelAlbumImageResizeInMemoryFn)(const BYTE* tagIn, BYTE* tagOut, DWORD* length, int width, int height);
// Writes mood class 1..4 into the file's tag. Non-zero on success.
typedef int (*ZelMoodWriterFn)(LPCWSTR path, UINT moodClass);

// The getters the agent exports.
extern "C" {
// The tag reader.
AFX_EXT_API ZelTagReaderFn Agent_GetGetFileInfo();
// What releases the tag reader's last read.
AFX_EXT_API ZelTagReleaseFn Agent_GetDeleteTrack();
// The album-art resizer that writes a copy of a file.
AFX_EXT_API ZelAlbumArtResizeFn Agent_ResizeAlbumImage();
// The routine that removes the pictures of a tag block in memory.
AFX_EXT_API ZelAlbumImageDeleteFn Agent_DeleteAlbumImage();
// The album-art resizer that works on a tag block in memory.
AFX_EXT_API ZelAlbumImageResizeInMemoryFn Agent_ResizeAlbumImageForC7();
// The mood writer.
AFX_EXT_API ZelMoodWriterFn Agent_AddMoodInfoForDevice();
}
