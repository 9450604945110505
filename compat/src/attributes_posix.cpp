// DOS attributes and file times of host entries. Read-only is the owner write
// bit of a file; hidden, system and archive (and read-only of a folder) live in
// the user.DOSATTRIB extended attribute, which a folder search reads only where
// the file system has extended attributes at all.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "attributes.h"
#include "paths.h"

namespace zel {
namespace {

const char kDosAttrib[] = "user.DOSATTRIB";
const DWORD kStoredBits = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                          FILE_ATTRIBUTE_ARCHIVE;

DWORD StoredBits(const std::string& host) {
    char value[32];
    ssize_t length = getxattr(host.c_str(), kDosAttrib, value, sizeof value - 1);
    if (length <= 0) return 0;
    value[length] = 0;
    return static_cast<DWORD>(std::strtoul(value, nullptr, 0)) & kStoredBits;
}

DWORD AttributesFromMode(const std::string& host, mode_t mode, const std::u16string& name, bool readStored) {
    DWORD stored = readStored ? StoredBits(host) : 0;
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
    return AttributesFromMode(host, st.st_mode, name, true);
}

bool FolderKeepsStoredAttributes(const std::string& folder) {
    char value[32];
    return getxattr(folder.c_str(), kDosAttrib, value, sizeof value) >= 0 || errno != ENOTSUP;
}

DWORD AttributesOfEntry(const std::string& host, const struct statx& sx, const std::u16string& name, bool readStored) {
    return AttributesFromMode(host, sx.stx_mode, name, readStored);
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
    DWORD keep = attributes & (directory ? kStoredBits : (kStoredBits & ~FILE_ATTRIBUTE_READONLY));
    if (keep == 0) {
        if (removexattr(host.c_str(), kDosAttrib) != 0 && errno != ENODATA && errno != ENOTSUP) return false;
        return true;
    }
    char value[32];
    int length = std::snprintf(value, sizeof value, "0x%x", keep);
    if (setxattr(host.c_str(), kDosAttrib, value, static_cast<size_t>(length), 0) != 0) {
        // Without extended attributes only the archive bit may be dropped silently.
        if (errno == ENOTSUP && (keep & ~static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE)) == 0) return true;
        return false;
    }
    return true;
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
