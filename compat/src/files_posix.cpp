// Files, folders and volumes: CreateFileW and friends over host calls, with
// the lookups, attributes and errors a FAT drive under Windows gives.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/statvfs.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <map>
#include <mutex>

#include "errors.h"
#include "faultsinternal.h"
#include "fileobject.h"
#include "filesystems.h"
#include "zelcompat/drives.h"
#include "zelcompat/files.h"
#include "zelcompat/textfn.h"

namespace zel {

FileObject::~FileObject() {
    if (fd >= 0) close(fd);
}

bool WriteAll(int fd, const void* data, size_t size, const std::u16string& windowsPath, ULONGLONG& written,
              size_t* done) {
    FaultHit fault;
    size_t allowed = size;
    bool faulted = FindFault(windowsPath, ZEL_FAULT_WRITE, fault);
    if (faulted) allowed = fault.afterBytes > written ? static_cast<size_t>(std::min<ULONGLONG>(size, fault.afterBytes - written)) : 0;
    const char* bytes = static_cast<const char*>(data);
    size_t total = 0;
    while (total < allowed) {
        ssize_t n = write(fd, bytes + total, allowed - total);
        if (n < 0) {
            if (errno == EINTR) continue;
            written += total;
            if (done) *done = total;
            SetLastErrorFromErrno(errno);
            return false;
        }
        total += static_cast<size_t>(n);
    }
    written += total;
    if (done) *done = total;
    if (faulted && total < size) {
        SetLastError(fault.error);
        return false;
    }
    return true;
}

std::string CreateTemporaryBeside(const std::string& target, int& fd) {
    static std::atomic<unsigned> counter{0};
    const size_t slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string("./") : target.substr(0, slash + 1);
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = folder + ".~zel" + std::to_string(getpid()) + "-" + std::to_string(counter++) + ".tmp";
        fd = open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) return name;
        if (errno != EEXIST) break;
    }
    SetLastErrorFromErrno(errno);
    return {};
}

namespace {

bool Faulted(const std::u16string& path, DWORD op) {
    FaultHit hit;
    if (!FindFault(path, op, hit)) return false;
    SetLastError(hit.error);
    return true;
}

bool IsReadOnlyFile(const Resolved& r) { return r.exists && !S_ISDIR(r.st.st_mode) && !(r.st.st_mode & S_IWUSR); }

// What a link leads to is a folder (looked at, never changed).
bool LeadsToFolder(const std::string& host) {
    struct stat st;
    return stat(host.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// The new name of a rename finds the entry being renamed: the same file, or,
// where the file system ignores case (and may number entries by the name they
// were looked up with), another spelling of the same path.
bool SameEntry(const Resolved& from, const Resolved& to) {
    if (!to.exists) return false;
    if (to.st.st_dev == from.st.st_dev && to.st.st_ino == from.st.st_ino) return true;
    if (!TraitsOfFolder(to).foldsCase || !SameNameNoCase(from.path.Text(), to.path.Text())) return false;
    // Two numbers for one entry come only from a FUSE server; elsewhere (a
    // drive declared FAT over a file system that tells case apart) they are
    // two files, and the second must not be replaced.
    struct statfs fs;
    return statfs(to.host.c_str(), &fs) == 0 && static_cast<unsigned long>(fs.f_type) == 0x65735546;  // FUSE
}

// Renames an entry to another spelling of its own name where the file system
// ignores case. Through a temporary name in the same folder: a FUSE FAT server
// (fusefat) takes a one-step rename onto the same entry for a replacement, frees
// the entry's clusters and leaves the renamed name pointing at free space.
// The temporary name is one that no entry has: a rename never replaces there.
bool RenameToFreeName(const std::string& from, const std::string& folder, std::string& middle) {
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        middle = folder + ".~zelcase" + std::to_string(getpid()) + "-" + std::to_string(counter++) + ".tmp";
        if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, middle.c_str(), RENAME_NOREPLACE) == 0) return true;
        if (errno == EEXIST) continue;
        if (errno != EINVAL && errno != ENOSYS) return false;
        // A file system without the no-replace rename: the name is looked at first.
        struct stat st;
        if (lstat(middle.c_str(), &st) == 0) continue;
        return rename(from.c_str(), middle.c_str()) == 0;
    }
    errno = EEXIST;
    return false;
}

BOOL RenameCaseInTwoSteps(const std::string& from, const std::string& to) {
    std::string middle;
    if (!RenameToFreeName(from, to.substr(0, to.rfind('/') + 1), middle)) {
        SetLastErrorFromErrno(errno);
        return FALSE;
    }
    if (rename(middle.c_str(), to.c_str()) == 0) return TRUE;
    const int error = errno;
    if (rename(middle.c_str(), from.c_str()) != 0) {  // the old name back
        const std::string line = "[compat] A change of case stopped halfway: the file is kept as " + middle + "\n";
        OutputDebugStringW(ZelFromUtf8(line.c_str()).c_str());
    }
    SetLastErrorFromErrno(error);
    return FALSE;
}

HANDLE OpenVolume(const Resolved& r) {
    std::string folder = DriveFolder(r.path.drive);
    struct stat st;
    if (folder.empty() || stat(folder.c_str(), &st) != 0) return Fail(ERROR_FILE_NOT_FOUND, INVALID_HANDLE_VALUE);
    if (Faulted(r.path.Text(), ZEL_FAULT_OPEN)) return INVALID_HANDLE_VALUE;
    auto volume = std::make_shared<VolumeObject>();
    volume->drive = r.path.drive;
    volume->windowsPath = r.path.Text();
    volume->hostFolder = folder;
    SetLastError(ERROR_SUCCESS);
    return NewHandle(volume);
}

std::shared_ptr<FileObject> FileOf(HANDLE handle) {
    auto file = LookupHandleAs<FileObject>(handle);
    if (!file) SetLastError(ERROR_INVALID_HANDLE);
    return file;
}

}  // namespace
}  // namespace zel

using namespace zel;

HANDLE CreateFileW(LPCWSTR path, DWORD access, DWORD, LPSECURITY_ATTRIBUTES, DWORD disposition, DWORD flags,
                   HANDLE) {
    Resolved r;
    DWORD error = Resolve(path, r);
    if (error != ERROR_SUCCESS) return Fail(error, INVALID_HANDLE_VALUE);
    if (r.path.volume) return OpenVolume(r);
    if (r.blocked) return Fail(ERROR_ACCESS_DENIED, INVALID_HANDLE_VALUE);
    std::u16string windows = r.path.Text();
    bool wantWrite = (access & GENERIC_WRITE) != 0;
    bool wantRead = (access & GENERIC_READ) != 0;
    if (r.IsDirectory()) {
        if (!(flags & FILE_FLAG_BACKUP_SEMANTICS) || wantWrite) return Fail(ERROR_ACCESS_DENIED, INVALID_HANDLE_VALUE);
    }
    int oflags = O_CLOEXEC;
    bool existedBefore = r.exists;
    switch (disposition) {
    case CREATE_NEW:
        if (r.exists) return Fail(ERROR_FILE_EXISTS, INVALID_HANDLE_VALUE);
        oflags |= O_CREAT | O_EXCL;
        break;
    case CREATE_ALWAYS:
        oflags |= O_CREAT | O_TRUNC;
        break;
    case OPEN_EXISTING:
        if (!r.exists) return Fail(ERROR_FILE_NOT_FOUND, INVALID_HANDLE_VALUE);
        break;
    case OPEN_ALWAYS:
        oflags |= O_CREAT;
        break;
    case TRUNCATE_EXISTING:
        if (!r.exists) return Fail(ERROR_FILE_NOT_FOUND, INVALID_HANDLE_VALUE);
        if (!wantWrite) return Fail(ERROR_INVALID_PARAMETER, INVALID_HANDLE_VALUE);
        oflags |= O_TRUNC;
        break;
    default:
        return Fail(ERROR_INVALID_PARAMETER, INVALID_HANDLE_VALUE);
    }
    bool truncates = (oflags & O_TRUNC) != 0;
    if ((wantWrite || truncates) && IsReadOnlyFile(r)) return Fail(ERROR_ACCESS_DENIED, INVALID_HANDLE_VALUE);
    if ((oflags & O_CREAT) && (error = NewNameError(r)) != ERROR_SUCCESS) return Fail(error, INVALID_HANDLE_VALUE);
    if (Faulted(windows, ZEL_FAULT_OPEN)) return INVALID_HANDLE_VALUE;
    if (r.IsDirectory()) {
        oflags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
    } else if (wantWrite) {
        oflags |= wantRead ? O_RDWR : O_WRONLY;
    } else {
        oflags |= O_RDONLY;
    }
    if (truncates && !wantWrite) oflags = (oflags & ~O_RDONLY) | O_WRONLY;
    int fd = open(r.host.c_str(), oflags, 0666);
    if (fd < 0) {
        int e = errno;
        return Fail(e == EEXIST ? static_cast<DWORD>(ERROR_FILE_EXISTS) : Win32ErrorFromErrno(e), INVALID_HANDLE_VALUE);
    }
    auto file = std::make_shared<FileObject>();
    file->fd = fd;
    file->hostPath = r.host;
    file->windowsPath = windows;
    file->canRead = wantRead;
    file->canWrite = wantWrite;
    bool reportExisting = existedBefore && (disposition == CREATE_ALWAYS || disposition == OPEN_ALWAYS);
    SetLastError(reportExisting ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
    return NewHandle(file);
}

BOOL ReadFile(HANDLE handle, LPVOID buffer, DWORD toRead, LPDWORD read, LPOVERLAPPED) {
    if (read) *read = 0;
    auto file = FileOf(handle);
    if (!file) return FALSE;
    if (!file->canRead) return Fail(ERROR_ACCESS_DENIED, FALSE);
    if (Faulted(file->windowsPath, ZEL_FAULT_READ)) return FALSE;
    char* bytes = static_cast<char*>(buffer);
    DWORD total = 0;
    while (total < toRead) {
        ssize_t n = ::read(file->fd, bytes + total, toRead - total);
        if (n < 0) {
            if (errno == EINTR) continue;
            if (read) *read = total;
            SetLastErrorFromErrno(errno);
            return FALSE;
        }
        if (n == 0) break;
        total += static_cast<DWORD>(n);
    }
    if (read) *read = total;
    return TRUE;
}

BOOL WriteFile(HANDLE handle, LPCVOID buffer, DWORD toWrite, LPDWORD written, LPOVERLAPPED) {
    if (written) *written = 0;
    auto file = FileOf(handle);
    if (!file) return FALSE;
    if (!file->canWrite) return Fail(ERROR_ACCESS_DENIED, FALSE);
    size_t done = 0;
    bool ok = WriteAll(file->fd, buffer, toWrite, file->windowsPath, file->written, &done);
    if (written) *written = static_cast<DWORD>(done);
    return ok ? TRUE : FALSE;
}

BOOL GetFileSizeEx(HANDLE handle, PLARGE_INTEGER size) {
    auto file = FileOf(handle);
    if (!file) return FALSE;
    struct stat st;
    if (fstat(file->fd, &st) != 0) {
        SetLastErrorFromErrno(errno);
        return FALSE;
    }
    size->QuadPart = st.st_size;
    return TRUE;
}

DWORD GetFileSize(HANDLE handle, LPDWORD sizeHigh) {
    LARGE_INTEGER size;
    if (!GetFileSizeEx(handle, &size)) return INVALID_FILE_SIZE;
    if (sizeHigh) *sizeHigh = static_cast<DWORD>(static_cast<ULONGLONG>(size.QuadPart) >> 32);
    SetLastError(ERROR_SUCCESS);
    return static_cast<DWORD>(size.QuadPart & 0xffffffffu);
}

DWORD SetFilePointer(HANDLE handle, LONG distance, LONG* distanceHigh, DWORD method) {
    auto file = FileOf(handle);
    if (!file) return INVALID_SET_FILE_POINTER;
    off_t offset = distanceHigh ? static_cast<off_t>((static_cast<ULONGLONG>(static_cast<DWORD>(*distanceHigh)) << 32) |
                                                     static_cast<DWORD>(distance))
                                : static_cast<off_t>(distance);
    int whence = method == FILE_BEGIN ? SEEK_SET : method == FILE_CURRENT ? SEEK_CUR : SEEK_END;
    off_t position = lseek(file->fd, offset, whence);
    if (position < 0) {
        SetLastError(errno == EINVAL ? static_cast<DWORD>(ERROR_NEGATIVE_SEEK) : Win32ErrorFromErrno(errno));
        return INVALID_SET_FILE_POINTER;
    }
    if (distanceHigh) *distanceHigh = static_cast<LONG>(static_cast<ULONGLONG>(position) >> 32);
    SetLastError(ERROR_SUCCESS);
    return static_cast<DWORD>(position & 0xffffffff);
}

BOOL SetEndOfFile(HANDLE handle) {
    auto file = FileOf(handle);
    if (!file) return FALSE;
    off_t position = lseek(file->fd, 0, SEEK_CUR);
    if (position < 0 || ftruncate(file->fd, position) != 0) {
        SetLastErrorFromErrno(errno);
        return FALSE;
    }
    return TRUE;
}

BOOL FlushFileBuffers(HANDLE handle) {
    auto file = FileOf(handle);
    if (!file) return FALSE;
    if (fsync(file->fd) != 0 && errno != EINVAL) {
        SetLastErrorFromErrno(errno);
        return FALSE;
    }
    return TRUE;
}

BOOL GetFileTime(HANDLE handle, LPFILETIME creation, LPFILETIME lastAccess, LPFILETIME lastWrite) {
    auto file = FileOf(handle);
    if (!file) return FALSE;
    struct stat st;
    if (fstat(file->fd, &st) != 0) {
        SetLastErrorFromErrno(errno);
        return FALSE;
    }
    FileTimesOf(file->hostPath, st, creation, lastAccess, lastWrite);
    return TRUE;
}

DWORD GetFileAttributesW(LPCWSTR path) {
    Resolved r;
    DWORD error = ResolveExisting(path, r);
    if (error != ERROR_SUCCESS) return Fail(error, INVALID_FILE_ATTRIBUTES);
    std::u16string name = r.path.components.empty() ? std::u16string() : r.path.components.back();
    DWORD attributes = AttributesOf(r.host, r.st, name);
    return r.link ? WithLinkBit(attributes) : attributes;
}

BOOL SetFileAttributesW(LPCWSTR path, DWORD attributes) {
    Resolved r;
    DWORD error = ResolveExisting(path, r);
    if (error != ERROR_SUCCESS) return Fail(error, FALSE);
    if (Faulted(r.path.Text(), ZEL_FAULT_ATTRIBUTES)) return FALSE;
    if (!StoreAttributes(r.host, r.st, attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_NORMAL))) {
        SetLastErrorFromErrno(errno);
        return FALSE;
    }
    return TRUE;
}

BOOL DeleteFileW(LPCWSTR path) {
    Resolved r;
    DWORD error = Resolve(path, r);
    if (error != ERROR_SUCCESS) return Fail(error, FALSE);
    // A link goes as a link, wherever it leads; a link to a folder is a folder here.
    if (!r.exists && !r.link) return Fail(ERROR_FILE_NOT_FOUND, FALSE);
    if (r.link ? LeadsToFolder(r.host) : r.IsDirectory()) return Fail(ERROR_ACCESS_DENIED, FALSE);
    if (!r.link && IsReadOnlyFile(r)) return Fail(ERROR_ACCESS_DENIED, FALSE);
    if (Faulted(r.path.Text(), ZEL_FAULT_DELETE)) return FALSE;
    if (unlink(r.host.c_str()) != 0) {
        SetLastErrorFromErrno(errno);
        return FALSE;
    }
    return TRUE;
}

BOOL MoveFileW(LPCWSTR existing, LPCWSTR newName) {
    Resolved from, to;
    DWORD error = ResolveExisting(existing, from);
    if (error != ERROR_SUCCESS) return Fail(error, FALSE);
    error = Resolve(newName, to);
    if (error != ERROR_SUCCESS) return Fail(error, FALSE);
    if (to.blocked) return Fail(ERROR_ACCESS_DENIED, FALSE);
    const bool sameEntry = SameEntry(from, to);
    if (to.exists && !sameEntry) return Fail(ERROR_ALREADY_EXISTS, FALSE);
    if (!to.exists && (error = NewNameError(to)) != ERROR_SUCCESS) return Fail(error, FALSE);
    if (Faulted(from.path.Text(), ZEL_FAULT_RENAME) || Faulted(to.path.Text(), ZEL_FAULT_RENAME)) return FALSE;
    // A change of letter case alone renames the entry itself.
    std::string target = to.host;
    if (sameEntry) {
        WindowsPath given;
        ParseWindowsPath(newName, given);
        if (given.components.empty()) return Fail(ERROR_ACCESS_DENIED, FALSE);
        target = to.host.substr(0, to.host.rfind('/') + 1) + ZelToUtf8(given.components.back());
        if (TraitsOfFolder(to).foldsCase) return RenameCaseInTwoSteps(from.host, target);
    }
    if (rename(from.host.c_str(), target.c_str()) == 0) return TRUE;
    if (errno != EXDEV || from.IsDirectory()) {
        SetLastErrorFromErrno(errno);
        return FALSE;
    }
    // Across drives a file is copied and the original deleted, as Windows does.
    if (!CopyFileExW(existing, newName, nullptr, nullptr, nullptr, COPY_FILE_FAIL_IF_EXISTS)) return FALSE;
    return DeleteFileW(existing);
}

BOOL MoveFileExW(LPCWSTR existing, LPCWSTR newName, DWORD flags) {
    if (!(flags & MOVEFILE_REPLACE_EXISTING)) return MoveFileW(existing, newName);
    Resolved from, to;
    DWORD error = ResolveExisting(existing, from);
    if (error != ERROR_SUCCESS) return Fail(error, FALSE);
    error = Resolve(newName, to);
    if (error != ERROR_SUCCESS) return Fail(error, FALSE);
    if (to.blocked) return Fail(ERROR_ACCESS_DENIED, FALSE);
    if (SameEntry(from, to)) return MoveFileW(existing, newName);
    if (to.exists && (to.IsDirectory() || from.IsDirectory() || IsReadOnlyFile(to))) {
        return Fail(ERROR_ACCESS_DENIED, FALSE);
    }
    error = NewNameError(to);
    if (error != ERROR_SUCCESS) return Fail(error, FALSE);
    // The file put in place keeps the name as the drive spells it.
    UseOnDiskName(to);
    if (Faulted(from.path.Text(), ZEL_FAULT_RENAME) || Faulted(to.path.Text(), ZEL_FAULT_RENAME)) return FALSE;
    // rename() puts the new entry in place in one step: there is no moment
    // without a file of that name.
    if (rename(from.host.c_str(), to.host.c_str()) == 0) return TRUE;
    if (errno != EXDEV || from.IsDirectory() || !(flags & MOVEFILE_COPY_ALLOWED)) {
        SetLastErrorFromErrno(errno);
        return FALSE;
    }
    if (!CopyFileExW(existing, newName, nullptr, nullptr, nullptr, 0)) return FALSE;
    return DeleteFileW(existing);
}

UINT GetTempFileNameW(LPCWSTR folder, LPCWSTR prefix, UINT unique, LPWSTR tempFileName) {
    if (!folder || !tempFileName) return Fail(ERROR_INVALID_PARAMETER, 0u);
    std::u16string base(folder);
    if (!base.empty() && base.back() != u'\\' && base.back() != u'/') base += u'\\';
    std::u16string lead = prefix ? std::u16string(prefix).substr(0, 3) : std::u16string();
    auto nameFor = [&](UINT number) {
        char hex[8];
        std::snprintf(hex, sizeof hex, "%X", number & 0xFFFFu);
        return base + lead + ZelFromUtf8(hex) + u".TMP";
    };
    auto give = [&](const std::u16string& name, UINT number) -> UINT {
        if (name.size() >= MAX_PATH) return Fail(ERROR_BUFFER_OVERFLOW, 0u);
        std::copy(name.begin(), name.end(), tempFileName);
        tempFileName[name.size()] = 0;
        return number;
    };
    if (unique != 0) return give(nameFor(unique), unique & 0xFFFFu);
    // Processes start their search at different numbers; creating the file
    // with CREATE_NEW is what makes the name ours.
    UINT start = static_cast<UINT>(getpid() * 7919u + static_cast<UINT>(time(nullptr)));
    for (UINT step = 0; step < 0xFFFFu; ++step) {
        UINT number = (start + step) % 0xFFFFu + 1;
        std::u16string name = nameFor(number);
        if (name.size() >= MAX_PATH) return Fail(ERROR_BUFFER_OVERFLOW, 0u);
        HANDLE file = CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            CloseHandle(file);
            return give(name, number);
        }
        if (GetLastError() != ERROR_FILE_EXISTS) return 0;
    }
    return Fail(ERROR_FILE_EXISTS, 0u);
}

BOOL CopyFileW(LPCWSTR existing, LPCWSTR newName, BOOL failIfExists) {
    return CopyFileExW(existing, newName, nullptr, nullptr, nullptr, failIfExists ? COPY_FILE_FAIL_IF_EXISTS : 0);
}

BOOL CreateDirectoryW(LPCWSTR path, LPSECURITY_ATTRIBUTES) {
    Resolved r;
    DWORD error = Resolve(path, r);
    if (error != ERROR_SUCCESS) return Fail(error, FALSE);
    if (r.IsRoot() || r.exists) return Fail(ERROR_ALREADY_EXISTS, FALSE);
    if (r.blocked) return Fail(ERROR_ACCESS_DENIED, FALSE);
    error = NewNameError(r);
    if (error != ERROR_SUCCESS) return Fail(error, FALSE);
    if (Faulted(r.path.Text(), ZEL_FAULT_CREATEDIR)) return FALSE;
    if (mkdir(r.host.c_str(), 0777) != 0) {
        SetLastErrorFromErrno(errno);
        return FALSE;
    }
    return TRUE;
}

BOOL RemoveDirectoryW(LPCWSTR path) {
    Resolved r;
    DWORD error = Resolve(path, r);
    if (error != ERROR_SUCCESS) return Fail(error, FALSE);
    if (r.link) {
        // A link to a folder is removed as a link: what it leads to stays.
        if (!LeadsToFolder(r.host)) return Fail(ERROR_DIRECTORY, FALSE);
        if (Faulted(r.path.Text(), ZEL_FAULT_REMOVEDIR)) return FALSE;
        if (unlink(r.host.c_str()) != 0) {
            SetLastErrorFromErrno(errno);
            return FALSE;
        }
        return TRUE;
    }
    if (!r.exists) return Fail(ERROR_FILE_NOT_FOUND, FALSE);
    if (!r.IsDirectory()) return Fail(ERROR_DIRECTORY, FALSE);
    if (r.IsRoot()) return Fail(ERROR_ACCESS_DENIED, FALSE);
    std::u16string name = r.path.components.back();
    if (AttributesOf(r.host, r.st, name) & FILE_ATTRIBUTE_READONLY) return Fail(ERROR_ACCESS_DENIED, FALSE);
    if (Faulted(r.path.Text(), ZEL_FAULT_REMOVEDIR)) return FALSE;
    if (rmdir(r.host.c_str()) != 0) {
        SetLastError(errno == EEXIST ? static_cast<DWORD>(ERROR_DIR_NOT_EMPTY) : Win32ErrorFromErrno(errno));
        return FALSE;
    }
    return TRUE;
}

BOOL GetDiskFreeSpaceExW(LPCWSTR directory, PULARGE_INTEGER freeToCaller, PULARGE_INTEGER totalBytes,
                         PULARGE_INTEGER totalFree) {
    Resolved r;
    DWORD error = ResolveExisting(directory ? directory : u".", r);
    if (error != ERROR_SUCCESS) return Fail(error == ERROR_FILE_NOT_FOUND ? static_cast<DWORD>(ERROR_PATH_NOT_FOUND) : error, FALSE);
    if (Faulted(r.path.Text(), ZEL_FAULT_SPACE)) return FALSE;
    ULONGLONG available = 0, total = 0, free = 0;
    ULONGLONG fakeFree = 0, fakeTotal = 0;
    if (FakeDriveSpace(r.path.drive, fakeFree, fakeTotal)) {
        available = free = fakeFree;
        total = fakeTotal;
    } else {
        struct statvfs vfs;
        if (statvfs(r.host.c_str(), &vfs) != 0) {
            SetLastErrorFromErrno(errno);
            return FALSE;
        }
        // A file system that reports no blocks at all (fusefat serving FAT32)
        // cannot be measured; an answer of 0 bytes free would read as full.
        if (vfs.f_blocks == 0) return Fail(ERROR_NOT_SUPPORTED, FALSE);
        available = static_cast<ULONGLONG>(vfs.f_bavail) * vfs.f_frsize;
        total = static_cast<ULONGLONG>(vfs.f_blocks) * vfs.f_frsize;
        free = static_cast<ULONGLONG>(vfs.f_bfree) * vfs.f_frsize;
    }
    if (freeToCaller) freeToCaller->QuadPart = available;
    if (totalBytes) totalBytes->QuadPart = total;
    if (totalFree) totalFree->QuadPart = free;
    return TRUE;
}

BOOL DeviceIoControl(HANDLE device, DWORD code, LPVOID, DWORD, LPVOID, DWORD, LPDWORD returned, LPOVERLAPPED) {
    if (returned) *returned = 0;
    auto volume = LookupHandleAs<VolumeObject>(device);
    if (!volume) return Fail(LookupHandle(device) ? static_cast<DWORD>(ERROR_INVALID_FUNCTION) : static_cast<DWORD>(ERROR_INVALID_HANDLE), FALSE);
    if (code != IOCTL_DISK_IS_WRITABLE) return Fail(ERROR_INVALID_FUNCTION, FALSE);
    if (Faulted(volume->windowsPath, ZEL_FAULT_IOCTL)) return FALSE;
    struct statvfs vfs;
    if (statvfs(volume->hostFolder.c_str(), &vfs) != 0) return Fail(ERROR_NOT_READY, FALSE);
    if ((vfs.f_flag & ST_RDONLY) || access(volume->hostFolder.c_str(), W_OK) != 0) return Fail(ERROR_WRITE_PROTECT, FALSE);
    return TRUE;
}

DWORD GetTempPathW(DWORD size, LPWSTR buffer) {
    const char* tmp = std::getenv("TMPDIR");
    std::u16string path = ZelWindowsPath(tmp && *tmp ? tmp : "/tmp");
    if (path.empty() || path.back() != u'\\') path += u'\\';
    if (!buffer || size <= path.size()) return static_cast<DWORD>(path.size() + 1);
    std::copy(path.begin(), path.end(), buffer);
    buffer[path.size()] = 0;
    return static_cast<DWORD>(path.size());
}
