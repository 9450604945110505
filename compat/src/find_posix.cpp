// Directory search. The order is fixed so that listings are reproducible:
// "." and ".." first (below a drive root only), then names without regard to
// case. Links that lead out of the drive are not listed.
#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <vector>

#include "errors.h"
#include "faultsinternal.h"
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

WIN32_FIND_DATAW DataFor(const std::string& host, const struct stat& st, const std::u16string& name) {
    WIN32_FIND_DATAW data{};
    data.dwFileAttributes = AttributesOf(host, st, name);
    FileTimesOf(host, st, &data.ftCreationTime, &data.ftLastAccessTime, &data.ftLastWriteTime);
    if (!S_ISDIR(st.st_mode)) {
        ULONGLONG size = static_cast<ULONGLONG>(st.st_size);
        data.nFileSizeHigh = static_cast<DWORD>(size >> 32);
        data.nFileSizeLow = static_cast<DWORD>(size & 0xffffffffu);
    }
    size_t length = std::min<size_t>(name.size(), MAX_PATH - 1);
    std::copy(name.begin(), name.begin() + static_cast<std::ptrdiff_t>(length), data.cFileName);
    data.cFileName[length] = 0;
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

// Lists a folder's entries matching mask, in the drive's order.
std::vector<WIN32_FIND_DATAW> ListFolder(const Resolved& folder, const std::u16string& mask) {
    std::vector<WIN32_FIND_DATAW> found;
    DIR* dir = opendir(folder.host.c_str());
    if (!dir) return found;
    std::string realRoot = DriveRealFolder(folder.path.drive);
    std::vector<std::pair<std::u16string, WIN32_FIND_DATAW>> named;
    while (struct dirent* entry = readdir(dir)) {
        std::u16string name = ZelFromUtf8(entry->d_name);
        if (name == u"." || name == u"..") continue;
        if (!WildcardMatch(mask, name)) continue;
        std::string host = folder.host == "/" ? std::string("/") + entry->d_name : folder.host + "/" + entry->d_name;
        struct stat st;
        if (lstat(host.c_str(), &st) != 0) continue;
        const bool link = S_ISLNK(st.st_mode);
        if (link && (!InsideRoot(host, realRoot) || stat(host.c_str(), &st) != 0)) continue;
        WIN32_FIND_DATAW data = DataFor(host, st, name);
        // A link is shown as one, so that deletions remove it instead of going through it.
        if (link) data.dwFileAttributes = WithLinkBit(data.dwFileAttributes);
        named.emplace_back(FoldCase(name), data);
    }
    closedir(dir);
    std::sort(named.begin(), named.end(), [](const auto& a, const auto& b) {
        if (a.first != b.first) return a.first < b.first;
        return std::u16string(a.second.cFileName) < std::u16string(b.second.cFileName);
    });
    if (!folder.IsRoot()) {
        for (const char16_t* dots : {u".", u".."}) {
            if (!WildcardMatch(mask, dots)) continue;
            found.push_back(DataFor(folder.host, folder.st, dots));
        }
    }
    for (auto& item : named) found.push_back(item.second);
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
