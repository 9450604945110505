// Directory search. The order is fixed so that listings are reproducible:
// "." and ".." first (below a drive root only), then names without regard to
// case. Links that lead out of the drive are not listed. A folder searched
// again while unchanged is not read again: its names come from the folder index.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <vector>

#include "attributes.h"
#include "errors.h"
#include "faultsinternal.h"
#include "filesystems.h"
#include "folderindex.h"
#include "handles.h"
#include "paths.h"
#include "zelcompat/files.h"
#include "zelcompat/textfn.h"

namespace zel {
namespace {

class FindObject : public KernelObject {
public:
    std::vector<WIN32_FIND_DATAW> entries;
    size_t next = 0;
};

bool HasWildcard(const std::u16string& text) { return text.find_first_of(u"*?") != std::u16string::npos; }

// The size (files only) and name of an entry's find data.
void SetSizeAndName(WIN32_FIND_DATAW& data, bool folder, ULONGLONG size, const std::u16string& name) {
    if (!folder) {
        data.nFileSizeHigh = static_cast<DWORD>(size >> 32);
        data.nFileSizeLow = static_cast<DWORD>(size & 0xffffffffu);
    }
    size_t length = std::min<size_t>(name.size(), MAX_PATH - 1);
    std::copy(name.begin(), name.begin() + static_cast<std::ptrdiff_t>(length), data.cFileName);
    data.cFileName[length] = 0;
}

// The find data of host, described by st, under the name listed.
WIN32_FIND_DATAW DataFor(const std::string& host, const struct stat& st, const std::u16string& name) {
    WIN32_FIND_DATAW data{};
    data.dwFileAttributes = AttributesOf(host, st, name);
    FileTimesOf(host, st, &data.ftCreationTime, &data.ftLastAccessTime, &data.ftLastWriteTime);
    SetSizeAndName(data, S_ISDIR(st.st_mode), static_cast<ULONGLONG>(st.st_size), name);
    return data;
}

// The same for a folder entry described by sx.
WIN32_FIND_DATAW DataOfEntry(const std::string& host, const struct statx& sx, const std::u16string& name,
                             bool readStored) {
    WIN32_FIND_DATAW data{};
    data.dwFileAttributes = AttributesOfEntry(host, sx, name, readStored);
    FileTimesOfEntry(sx, &data.ftCreationTime, &data.ftLastAccessTime, &data.ftLastWriteTime);
    SetSizeAndName(data, S_ISDIR(sx.stx_mode), sx.stx_size, name);
    return data;
}

bool InsideRoot(const std::string& host, const std::string& realRoot) {
    if (realRoot == "/") return true;
    char buffer[4096];
    if (!realpath(host.c_str(), buffer)) return false;
    std::string real = buffer;
    return real == realRoot || (real.size() > realRoot.size() && real.compare(0, realRoot.size(), realRoot) == 0 &&
                                real[realRoot.size()] == '/');
}

constexpr unsigned kEntryFields = STATX_TYPE | STATX_MODE | STATX_SIZE | STATX_ATIME | STATX_MTIME | STATX_CTIME |
                                  STATX_BTIME;

// Lists a folder's entries matching mask, in the drive's order. The names come
// from the folder index; each entry costs one statx, and the stored attributes
// are read only where the file system can keep them.
std::vector<WIN32_FIND_DATAW> ListFolder(const Resolved& folder, const std::u16string& mask) {
    std::vector<WIN32_FIND_DATAW> found;
    std::shared_ptr<const FolderNames> names = NamesOf(folder.host, folder.st);
    if (!names) return found;
    int fd = open(folder.host.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return found;
    const std::string realRoot = DriveRealFolder(folder.path.drive);
    const bool readStored = FolderKeepsStoredAttributes(folder.host);
    const std::string prefix = folder.host == "/" ? std::string("/") : folder.host + "/";
    if (!folder.IsRoot()) {
        for (const char16_t* dots : {u".", u".."}) {
            if (WildcardMatch(mask, dots)) found.push_back(DataFor(folder.host, folder.st, dots));
        }
    }
    found.reserve(found.size() + names->entries.size());
    for (const FolderNames::Entry& entry : names->entries) {
        if (!WildcardMatch(mask, entry.name)) continue;
        struct statx sx;
        if (statx(fd, entry.host.c_str(), AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT, kEntryFields, &sx) != 0) continue;
        const std::string host = prefix + entry.host;
        const bool link = S_ISLNK(sx.stx_mode);
        if (link && (!InsideRoot(host, realRoot) ||
                     statx(fd, entry.host.c_str(), AT_NO_AUTOMOUNT, kEntryFields, &sx) != 0)) {
            continue;
        }
        WIN32_FIND_DATAW data = DataOfEntry(host, sx, entry.name, readStored);
        // A link is shown as one, so that deletions remove it instead of going through it.
        if (link) data.dwFileAttributes = WithLinkBit(data.dwFileAttributes);
        found.push_back(data);
    }
    close(fd);
    return found;
}

}  // namespace
}  // namespace zel

using namespace zel;

HANDLE FindFirstFileW(LPCWSTR pattern, LPWIN32_FIND_DATAW data) {
    WindowsPath parsed;
    if (!ParseWindowsPath(pattern, parsed)) return INVALID_HANDLE_VALUE;
    if (parsed.volume) return Fail(ERROR_FILE_NOT_FOUND, INVALID_HANDLE_VALUE);
    std::u16string text(pattern);
    bool trailingSeparator = !text.empty() && (text.back() == u'\\' || text.back() == u'/');
    if (parsed.components.empty() || trailingSeparator) return Fail(ERROR_FILE_NOT_FOUND, INVALID_HANDLE_VALUE);
    std::u16string mask = parsed.components.back();
    std::u16string folderText = parsed.Text();
    folderText.resize(folderText.size() - mask.size());
    FaultHit fault;
    if (FindFault(parsed.Text(), ZEL_FAULT_SEARCH, fault)) return Fail(fault.error, INVALID_HANDLE_VALUE);
    auto search = std::make_shared<FindObject>();
    if (HasWildcard(mask)) {
        Resolved folder;
        DWORD error = ResolveExisting(folderText.c_str(), folder);
        if (error != ERROR_SUCCESS || !folder.IsDirectory()) {
            return Fail(error == ERROR_SUCCESS || error == ERROR_FILE_NOT_FOUND ? static_cast<DWORD>(ERROR_PATH_NOT_FOUND) : error,
                        INVALID_HANDLE_VALUE);
        }
        search->entries = ListFolder(folder, mask);
    } else {
        Resolved entry;
        DWORD error = ResolveExisting(parsed.Text().c_str(), entry);
        if (error != ERROR_SUCCESS) return Fail(error, INVALID_HANDLE_VALUE);
        // The name found is the one on the drive, as Windows answers it.
        UseOnDiskName(entry);
        WIN32_FIND_DATAW data = DataFor(entry.host, entry.st, entry.path.components.back());
        if (entry.link) data.dwFileAttributes = WithLinkBit(data.dwFileAttributes);
        search->entries.push_back(data);
    }
    if (search->entries.empty()) return Fail(ERROR_FILE_NOT_FOUND, INVALID_HANDLE_VALUE);
    *data = search->entries[0];
    search->next = 1;
    SetLastError(ERROR_SUCCESS);
    return NewHandle(search);
}

BOOL FindNextFileW(HANDLE find, LPWIN32_FIND_DATAW data) {
    auto search = LookupHandleAs<FindObject>(find);
    if (!search) return Fail(ERROR_INVALID_HANDLE, FALSE);
    if (search->next >= search->entries.size()) return Fail(ERROR_NO_MORE_FILES, FALSE);
    *data = search->entries[search->next++];
    return TRUE;
}

BOOL FindClose(HANDLE find) {
    if (!LookupHandleAs<FindObject>(find)) return Fail(ERROR_INVALID_HANDLE, FALSE);
    CloseHandleEntry(find);
    return TRUE;
}
