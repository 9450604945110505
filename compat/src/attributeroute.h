// Where the hidden, system and archive attributes (and the read-only bit of a
// folder) of a host entry are kept: on a FAT file system in its own directory
// entry, through the FAT attribute ioctls; elsewhere in the user.DOSATTRIB
// extended attribute. The route is chosen by the entry's file system, which is
// detected once (filesystems.h).
#pragma once

#include <sys/stat.h>

#include <string>

#include "zelcompat/types.h"

namespace zel {

enum class AttributeRoute { ExtendedAttribute, FatIoctl };

// The route for an entry whose stat (followed) is st.
AttributeRoute AttributeRouteOf(const std::string& host, const struct stat& st);

// The stored bits (FILE_ATTRIBUTE_READONLY, _HIDDEN, _SYSTEM, _ARCHIVE) of an
// entry; 0 when it has none or they cannot be read.
DWORD ReadStoredBits(const std::string& host, AttributeRoute route);
// Replaces the stored bits (of those four) with bits; false with errno set.
// The extended attribute is removed when bits is 0.
bool WriteStoredBits(const std::string& host, AttributeRoute route, DWORD bits);
// The same on an open descriptor (a copy's new file).
bool WriteStoredBitsOf(int fd, AttributeRoute route, DWORD bits);

}  // namespace zel
