// What a host file system does the way a FAT drive does, found once per file
// system: whether it keeps the DOS attributes itself (the FAT attribute
// ioctls), whether FAT's rules for names hold on it, and whether it finds a
// name whatever its letter case (so that the host answers for any spelling).
#pragma once

#include <sys/types.h>

#include <string>

#include "paths.h"

namespace zel {

struct FileSystemTraits {
    bool fatAttributes = false;  // hidden, system, archive through FAT_IOCTL_GET/SET_ATTRIBUTES
    bool fatNames = false;       // FAT refuses some characters, trailing dots and spaces, device names
    bool foldsCase = false;      // lookups ignore letter case; the entry keeps the spelling it was made with
};

// The traits of a file system by its statfs type and, for one served through
// FUSE, its mount type as the mount table gives it ("fuse.fusefat").
FileSystemTraits ClassifyFileSystem(unsigned long statfsType, const std::string& mountType);

// The traits of the file system an existing host entry lies on, detected the
// first time that file system is met (statfs, and the mount table for FUSE).
FileSystemTraits TraitsOfEntry(const std::string& host, dev_t device);
// The traits of the folder that holds the last component of a resolved path;
// a drive that the host declared FAT (ZelSetDriveFat) has FAT's names and
// folds case whatever its file system.
FileSystemTraits TraitsOfFolder(const Resolved& r);

// Drops what was detected, for the drive table changed (a folder may now be
// another file system).
void ForgetFileSystems();

// The last error that making the last component of r as a new name gets:
// ERROR_SUCCESS, or the error of the FAT name rule it breaks where the
// folder's file system keeps FAT's names.
DWORD NewNameError(const Resolved& r);

// Where the folder's file system folds case and the last component of r
// exists, replaces the last component and the host path with the spelling the
// entry has on the drive (the host accepts any spelling, but a file written or
// renamed under another spelling would take that one).
void UseOnDiskName(Resolved& r);

}  // namespace zel
