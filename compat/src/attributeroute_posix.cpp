// The two places DOS attributes are kept: the FAT directory entry (through the
// kernel's FAT attribute ioctls) and the user.DOSATTRIB extended attribute.
//
// The FAT route serves the kernel's vfat and msdos file systems only. It cannot
// run on the machines the tests run on: the kernel's vfat cannot be mounted
// there, and a FAT image served through FUSE (fusefat) answers neither the
// ioctls nor extended attributes. So it is kept to the two calls it needs.
#include "attributeroute.h"

#include <fcntl.h>
#include <linux/msdos_fs.h>
#include <sys/ioctl.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "filesystems.h"

namespace zel {
namespace {

const char kDosAttrib[] = "user.DOSATTRIB";
constexpr DWORD kStoredBits =
    FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;
// FAT keeps the bits under the same numbers as Win32 (ATTR_RO 1, ATTR_HIDDEN 2,
// ATTR_SYS 4, ATTR_ARCH 0x20); the others (folder, volume) are its own.

bool WriteFatBits(int fd, DWORD bits) {
    __u32 current = 0;
    if (ioctl(fd, FAT_IOCTL_GET_ATTRIBUTES, &current) != 0) return false;
    __u32 wanted = (current & ~static_cast<__u32>(kStoredBits)) | (bits & kStoredBits);
    return wanted == current || ioctl(fd, FAT_IOCTL_SET_ATTRIBUTES, &wanted) == 0;
}

bool WriteXattrBits(int fd, const std::string* host, DWORD bits) {
    if (bits == 0) {
        int removed = host ? removexattr(host->c_str(), kDosAttrib) : fremovexattr(fd, kDosAttrib);
        return removed == 0 || errno == ENODATA || errno == ENOTSUP;
    }
    char value[32];
    const int length = std::snprintf(value, sizeof value, "0x%x", bits);
    const int set = host ? setxattr(host->c_str(), kDosAttrib, value, static_cast<size_t>(length), 0)
                         : fsetxattr(fd, kDosAttrib, value, static_cast<size_t>(length), 0);
    return set == 0;
}

}  // namespace

AttributeRoute AttributeRouteOf(const std::string& host, const struct stat& st) {
    return TraitsOfEntry(host, st.st_dev).fatAttributes ? AttributeRoute::FatIoctl : AttributeRoute::ExtendedAttribute;
}

DWORD ReadStoredBits(const std::string& host, AttributeRoute route) {
    if (route == AttributeRoute::FatIoctl) {
        const int fd = open(host.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) return 0;
        __u32 bits = 0;
        const bool read = ioctl(fd, FAT_IOCTL_GET_ATTRIBUTES, &bits) == 0;
        close(fd);
        return read ? (bits & kStoredBits) : 0;
    }
    char value[32];
    const ssize_t length = getxattr(host.c_str(), kDosAttrib, value, sizeof value - 1);
    if (length <= 0) return 0;
    value[length] = 0;
    return static_cast<DWORD>(std::strtoul(value, nullptr, 0)) & kStoredBits;
}

bool WriteStoredBits(const std::string& host, AttributeRoute route, DWORD bits) {
    if (route == AttributeRoute::FatIoctl) {
        const int fd = open(host.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) return false;
        const bool written = WriteFatBits(fd, bits);
        const int error = errno;
        close(fd);
        errno = error;
        return written;
    }
    return WriteXattrBits(-1, &host, bits);
}

bool WriteStoredBitsOf(int fd, AttributeRoute route, DWORD bits) {
    return route == AttributeRoute::FatIoctl ? WriteFatBits(fd, bits) : WriteXattrBits(fd, nullptr, bits);
}

}  // namespace zel
