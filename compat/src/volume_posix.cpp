// Volume labels and volume information of mapped drives.
//
// A label is kept where the file system keeps its own when the drive's folder
// is the root of a file system of its own (a mounted player) and the kernel
// lets this user set it (FS_IOC_SETFSLABEL). Otherwise it lives in an extended
// attribute of the drive's folder. The attribute, when present, is what both
// calls read first, so a label set either way reads back the same.
//
// The host's own root ("/", the default Z:) is never relabelled.
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>

#include "errors.h"
#include "paths.h"
#include "zelcompat/files.h"
#include "zelcompat/textfn.h"

namespace zel {
namespace {

const char kLabelAttribute[] = "user.zelcompat.label";
constexpr size_t kMostLabelUnits = 32;

// The drive of a root path such as "E:\" or "E:"; 0 when it is not one.
WCHAR RootDrive(LPCWSTR root) {
    Resolved r;
    if (!root || Resolve(root, r) != ERROR_SUCCESS || !r.IsRoot() || !r.exists) return 0;
    return r.path.drive;
}

// The folder is the root of a mounted file system, and not the host's own root.
bool IsOwnFileSystem(const std::string& folder) {
    char real[PATH_MAX];
    if (!realpath(folder.c_str(), real) || std::strcmp(real, "/") == 0) return false;
    struct stat self, parent;
    if (stat(real, &self) != 0 || stat((std::string(real) + "/..").c_str(), &parent) != 0) return false;
    return self.st_dev != parent.st_dev;
}

// The file system's own label through the label ioctls; false when the kernel
// or the file system does not offer it to this user.
bool FileSystemLabel(const std::string& folder, unsigned long request, char (&label)[FSLABEL_MAX]) {
    if (!IsOwnFileSystem(folder)) return false;
    int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return false;
    bool done = ioctl(fd, request, label) == 0;
    close(fd);
    return done;
}

// The label in the folder's attribute; false when the folder has none.
bool AttributeLabel(const std::string& folder, std::string& label) {
    char value[FSLABEL_MAX];
    ssize_t length = getxattr(folder.c_str(), kLabelAttribute, value, sizeof value);
    if (length < 0) return false;
    label.assign(value, static_cast<size_t>(length));
    return true;
}

std::u16string ReadLabel(const std::string& folder) {
    std::string label;
    if (AttributeLabel(folder, label)) return ZelFromUtf8(label);
    char own[FSLABEL_MAX] = {};
    if (FileSystemLabel(folder, FS_IOC_GETFSLABEL, own)) return ZelFromUtf8(std::string(own, strnlen(own, sizeof own)));
    return {};
}

// Copies text with its terminator into a caller's buffer of size units.
bool CopyOut(const std::u16string& text, LPWSTR buffer, DWORD size) {
    if (size <= text.size()) return Fail(ERROR_INSUFFICIENT_BUFFER, false);
    std::copy(text.begin(), text.end(), buffer);
    buffer[text.size()] = 0;
    return true;
}

}  // namespace
}  // namespace zel

using namespace zel;

BOOL SetVolumeLabelW(LPCWSTR rootPath, LPCWSTR label) {
    WCHAR drive = RootDrive(rootPath);
    if (!drive) return Fail(ERROR_INVALID_DRIVE, FALSE);
    const std::u16string text = label ? label : u"";
    if (text.size() > kMostLabelUnits) return Fail(ERROR_INVALID_NAME, FALSE);
    const std::string folder = DriveFolder(drive);
    const std::string utf8 = ZelToUtf8(text);

    char own[FSLABEL_MAX] = {};
    std::copy(utf8.begin(), utf8.end(), own);
    if (FileSystemLabel(folder, FS_IOC_SETFSLABEL, own)) {
        // The file system holds it now; an older attribute must not hide it.
        removexattr(folder.c_str(), kLabelAttribute);
        return TRUE;
    }
    if (setxattr(folder.c_str(), kLabelAttribute, utf8.data(), utf8.size(), 0) != 0) {
        SetLastError(errno == ENOTSUP ? static_cast<DWORD>(ERROR_NOT_SUPPORTED) : Win32ErrorFromErrno(errno));
        return FALSE;
    }
    return TRUE;
}

BOOL GetVolumeInformationW(LPCWSTR rootPath, LPWSTR label, DWORD labelSize, LPDWORD serial, LPDWORD maxComponent,
                           LPDWORD fsFlags, LPWSTR fsName, DWORD fsNameSize) {
    WCHAR drive = RootDrive(rootPath);
    if (!drive) return Fail(ERROR_INVALID_DRIVE, FALSE);
    const std::string folder = DriveFolder(drive);
    if (label && !CopyOut(ReadLabel(folder), label, labelSize)) return FALSE;
    if (serial) {
        struct stat st;
        *serial = stat(folder.c_str(), &st) == 0 ? static_cast<DWORD>(st.st_ino ^ (st.st_dev << 16)) : 0;
    }
    if (maxComponent) *maxComponent = 255;
    if (fsFlags) *fsFlags = 0x2 | 0x4;  // case preserved, Unicode names
    if (fsName && !CopyOut(u"FAT32", fsName, fsNameSize)) return FALSE;
    return TRUE;
}
