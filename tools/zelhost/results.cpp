// Exit codes and the meaning of the library's result codes.
#include "results.h"

#include <cstdio>

namespace zelhost {

int ExitCodeOf(DWORD result) {
    if (!ZelFailed(result)) return kExitOk;
    switch (result) {
    case ZEL_ERR_FOLDER_MUSIC:
    case ZEL_ERR_FOLDER_VIDEO:
    case ZEL_ERR_FOLDER_TEXT:
    case ZEL_ERR_MEDIA_TYPE:
    case ZEL_ERR_WMP_RUNNING:
    case ZEL_ERR_LOW_SPACE:
    case ZEL_ERR_WRITE_PROTECTED: return kExitRefused;
    default: return kExitFailed;
    }
}

const char* StatusName(int exitCode) {
    switch (exitCode) {
    case kExitOk: return "ok";
    case kExitRefused: return "refused";
    case kExitUsage: return "usage";
    case kExitDatabase: return "database";
    default: return "failed";
    }
}

std::string DescribeResult(DWORD result) {
    switch (result) {
    case ZEL_SUCCESS: return "done";
    case ZEL_FAILURE: return "the operation failed";
    case ZEL_ERR_FOLDER_MUSIC: return "wrong folder for this kind of file (music and photos go to their own folders)";
    case ZEL_ERR_FOLDER_VIDEO: return "wrong folder for a video";
    case ZEL_ERR_FOLDER_TEXT: return "wrong folder for a text";
    case ZEL_ERR_MEDIA_TYPE: return "media type not supported by the player";
    case ZEL_ERR_COPY: return "the copy failed";
    case ZEL_ERR_DESTINATION: return "the file on the player could not be created";
    case ZEL_ERR_NOT_CONVERTED: return "the file could not be converted";
    case ZEL_ERR_NO_DB_LIBRARY: return "the player's database library is missing";
    case ZEL_ERR_PATH: return "path too long or not found";
    case ZEL_ERR_CANCELLED: return "cancelled";
    case ZEL_ERR_WMP_RUNNING: return "a media player program is running";
    case ZEL_ERR_LOW_SPACE: return "not enough room on the player (less than 10 MiB free, or its storage is full)";
    case ZEL_ERR_WRITE_PROTECTED: return "the player is write-protected";
    case ZEL_ERR_NO_DRIVE: return "the player cannot be reached (no usable drive, or the MTP player is gone)";
    default: return ZelFailed(result) ? "the operation failed" : "done";
    }
}

std::string HexCode(DWORD value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%X", static_cast<unsigned>(value));
    return text;
}

}  // namespace zelhost
