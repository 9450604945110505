// DOS attributes and file times of host entries. Read-only is the owner write
// bit of a file; hidden, system and archive (and read-only of a folder) are
// kept where the entry's file system keeps them (attributeroute.h); a folder
// search reads them only where the file system can keep them at all.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/xattr.h>

#include <cerrno>

#include "attributeroute.h"
#include "attributes.h"
#include "filesystems.h"
#include "paths.h"

namespace zel {
namespace {

const char kDosAttrib[] = "user.DOSATTRIB";
const DWORD kStoredBits = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                          FILE_ATTRIBUTE_ARCHIVE;

AttributeRoute RouteOfDevice(const std::string& host, dev_t device) {
    return TraitsOfEntry(host, device).fatAttributes ? AttributeRoute::FatIoctl : AttributeRoute::ExtendedAttribute;
}

DWORD AttributesFromMode(const std::string& host, dev_t device, mode_t mode, const std::u16string& name,
                         bool readStored) {
    DWORD stored = readStored ? ReadStoredBits(host, RouteOfDevice(host, device)) : 0;
    DWORD attributes = 0;
    if (S_ISDIR(mode)) {
        attributes = FILE_ATTRIBUTE_DIRECTORY | (stored & kStoredBits);
    } else {
        attributes = stored & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY);
        if (!(mode & S_IWUSR)) attributes |= FILE_ATTRIBUTE_READONLY;
    }
    if (!name.empty() && name[0] == u'.' && name != u"." && name != u"..") attributes |= FILE_ATTRIBUTE_HIDDEN;
    if (attributes == 0) attributes = FILE_ATTRIBUTE_NORMAL;
    return attributes;
}

FILETIME FileTimeOf(const struct statx_timestamp& stamp) {
    struct timespec ts{static_cast<time_t>(stamp.tv_sec), static_cast<long>(stamp.tv_nsec)};
    return FileTimeFromTimespec(ts);
}

}  // namespace

DWORD AttributesOf(const std::string& host, const struct stat& st, const std::u16string& name) {
    return AttributesFromMode(host, st.st_dev, st.st_mode, name, true);
}

bool FolderKeepsStoredAttributes(const std::string& folder) {
    struct stat st;
    if (stat(folder.c_str(), &st) == 0 && RouteOfDevice(folder, st.st_dev) == AttributeRoute::FatIoctl) return true;
    char value[32];
    return getxattr(folder.c_str(), kDosAttrib, value, sizeof value) >= 0 || errno != ENOTSUP;
}

DWORD AttributesOfEntry(const std::string& host, const struct statx& sx, const std::u16string& name, bool readStored) {
    return AttributesFromMode(host, makedev(sx.stx_dev_major, sx.stx_dev_minor), sx.stx_mode, name, readStored);
}

void FileTimesOfEntry(const struct statx& sx, FILETIME* created, FILETIME* accessed, FILETIME* written) {
    if (written) *written = FileTimeOf(sx.stx_mtime);
    if (accessed) *accessed = FileTimeOf(sx.stx_atime);
    if (created) *created = FileTimeOf((sx.stx_mask & STATX_BTIME) ? sx.stx_btime : sx.stx_ctime);
}

bool StoreAttributes(const std::string& host, const struct stat& st, DWORD attributes) {
    bool directory = S_ISDIR(st.st_mode);
    if (!directory) {
        mode_t mode = st.st_mode & 07777;
        mode_t wanted = (attributes & FILE_ATTRIBUTE_READONLY) ? (mode & ~static_cast<mode_t>(0222))
                                                               : (mode | S_IWUSR);
        if (wanted != mode && chmod(host.c_str(), wanted) != 0) return false;
    }
    const AttributeRoute route = AttributeRouteOf(host, st);
    // A FAT entry keeps a file's read-only bit itself (the mode above follows it).
    const bool readOnlyInMode = !directory && route == AttributeRoute::ExtendedAttribute;
    DWORD keep = attributes & (readOnlyInMode ? (kStoredBits & ~FILE_ATTRIBUTE_READONLY) : kStoredBits);
    if (WriteStoredBits(host, route, keep)) return true;
    // Without extended attributes only the archive bit may be dropped silently.
    return errno == ENOTSUP && route == AttributeRoute::ExtendedAttribute &&
           (keep & ~static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE)) == 0;
}

void FileTimesOf(const std::string& host, const struct stat& st, FILETIME* created, FILETIME* accessed,
                 FILETIME* written) {
    if (written) *written = FileTimeFromTimespec(st.st_mtim);
    if (accessed) *accessed = FileTimeFromTimespec(st.st_atim);
    if (created) {
        struct statx sx;
        if (statx(AT_FDCWD, host.c_str(), 0, STATX_BTIME, &sx) == 0 && (sx.stx_mask & STATX_BTIME)) {
            struct timespec ts{static_cast<time_t>(sx.stx_btime.tv_sec), static_cast<long>(sx.stx_btime.tv_nsec)};
            *created = FileTimeFromTimespec(ts);
        } else {
            *created = FileTimeFromTimespec(st.st_ctim);
        }
    }
}

}  // namespace zel
