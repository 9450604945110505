// DOS attributes and file times of host entries described by statx, as a
// folder search reads them: one statx per entry, and the stored attributes only
// where the file system can keep them.
#pragma once

#include <fcntl.h>
#include <sys/stat.h>

#include <string>

#include "zelcompat/types.h"

namespace zel {

// Whether entries of folder (a host path) can carry stored attributes: false
// when its file system has no extended attributes at all.
bool FolderKeepsStoredAttributes(const std::string& folder);

// The Win32 attribute bits of the entry host described by sx (as AttributesOf
// gives them); its stored attributes are read only when readStored.
DWORD AttributesOfEntry(const std::string& host, const struct statx& sx, const std::u16string& name, bool readStored);

// Creation (birth time, else change time), last-access and last-write times of sx.
void FileTimesOfEntry(const struct statx& sx, FILETIME* created, FILETIME* accessed, FILETIME* written);

}  // namespace zel
