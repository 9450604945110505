// The drive table: Windows drive letters mapped onto host folders, and the
// translation between Windows paths (E:\Music\a.mp3) and host paths.
#pragma once

#include <string>

#include "types.h"

// Maps a drive letter onto a host folder; later calls replace the mapping.
ZELCOMPAT_API BOOL ZelMapDrive(WCHAR letter, const char* hostFolder);
ZELCOMPAT_API BOOL ZelUnmapDrive(WCHAR letter);
// The host folder a letter maps to, or an empty text.
ZELCOMPAT_API std::string ZelDriveFolder(WCHAR letter);
// The host path a Windows path resolves to (existing components matched exactly,
// then without regard to case); the last component may be missing. FALSE, with
// hostPath empty and the last error set, when there is none: the drive is not
// mapped or a folder of the path is missing (ERROR_PATH_NOT_FOUND), or the path
// leads through a symbolic link out of the drive's folder (ERROR_ACCESS_DENIED).
// Code that writes at the answer must use this form and stop on FALSE.
ZELCOMPAT_API BOOL ZelResolveHostPath(LPCWSTR windowsPath, std::string& hostPath);
// The same as a text: empty, with the last error set as above, when there is no
// host path. An empty answer is never a place to write to.
ZELCOMPAT_API std::string ZelHostPath(LPCWSTR windowsPath);
// The Windows form of a host path, through the mapped drive whose folder is the
// longest prefix of it (Z: maps the host's "/" unless the host changed it).
ZELCOMPAT_API std::u16string ZelWindowsPath(const char* hostPath);
