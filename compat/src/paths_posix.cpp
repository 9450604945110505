// Resolution of Windows paths to host paths, component by component.
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <ctime>
#include <mutex>
#include <unordered_map>

#include "paths.h"
#include "zelcompat/debug.h"
#include "zelcompat/textfn.h"

namespace zel {
namespace {

// True when host (an existing entry) stays inside the drive's folder once its
// links are followed.
bool InsideDrive(const std::string& host, const std::string& realRoot) {
    if (realRoot == "/") return true;
    char buffer[PATH_MAX];
    if (!realpath(host.c_str(), buffer)) return false;
    std::string real = buffer;
    return real == realRoot ||
           (real.size() > realRoot.size() && real.compare(0, realRoot.size(), realRoot) == 0 &&
            real[realRoot.size()] == '/');
}

// Index of a folder's names by folded case, so that looking up many missing or
// differently spelt names in one large folder does not read it again each time.
// An index is trusted only while the folder's change time is unchanged and lay
// more than two seconds before the index was made: a coarse file-system clock
// could otherwise hide a change made in the same tick.
struct FolderIndex {
    struct timespec changed {};
    ino_t inode = 0;
    std::unordered_map<std::u16string, std::u16string> names;  // folded -> first on-disk name
};

struct FolderIndexCache {
    std::mutex lock;
    std::unordered_map<std::string, FolderIndex> folders;
};

FolderIndexCache& IndexCache() {
    static FolderIndexCache* cache = new FolderIndexCache;
    return *cache;
}

bool SameTime(const struct timespec& a, const struct timespec& b) { return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec; }

std::unordered_map<std::u16string, std::u16string> ReadNames(const std::string& folder) {
    std::unordered_map<std::u16string, std::u16string> names;
    DIR* dir = opendir(folder.c_str());
    if (!dir) return names;
    while (struct dirent* entry = readdir(dir)) {
        std::u16string candidate = ZelFromUtf8(entry->d_name);
        if (candidate == u"." || candidate == u"..") continue;
        auto [it, inserted] = names.emplace(FoldCase(candidate), candidate);
        if (!inserted && candidate < it->second) it->second = candidate;
    }
    closedir(dir);
    return names;
}

// The on-disk name in folder that equals folded without regard to case.
bool CaseInsensitiveMatch(const std::string& folder, const std::u16string& folded, std::u16string& actual) {
    struct stat st;
    if (stat(folder.c_str(), &st) != 0) return false;
    struct timespec now;
    clock_gettime(CLOCK_REALTIME, &now);
    bool settled = now.tv_sec - st.st_mtim.tv_sec > 2 && now.tv_sec - st.st_ctim.tv_sec > 2;
    FolderIndexCache& cache = IndexCache();
    std::lock_guard<std::mutex> guard(cache.lock);
    auto found = cache.folders.find(folder);
    if (found != cache.folders.end() &&
        !(found->second.inode == st.st_ino && SameTime(found->second.changed, st.st_ctim) && settled)) {
        cache.folders.erase(found);
        found = cache.folders.end();
    }
    if (found == cache.folders.end()) {
        auto names = ReadNames(folder);
        auto hit = names.find(folded);
        bool matched = hit != names.end();
        if (matched) actual = hit->second;
        if (settled) {
            if (cache.folders.size() >= 64) cache.folders.clear();
            cache.folders.emplace(folder, FolderIndex{st.st_ctim, st.st_ino, std::move(names)});
        }
        return matched;
    }
    auto hit = found->second.names.find(folded);
    if (hit == found->second.names.end()) return false;
    actual = hit->second;
    return true;
}

enum class Lookup { Found, Missing, Escapes };

// folder/name, built by appending (GCC 12 warns falsely of overlapping copies
// when "/" + std::string is inlined at -O3).
std::string Join(const std::string& folder, const std::u16string& name) {
    std::string joined = folder == "/" ? std::string() : folder;
    joined += '/';
    joined += ZelToUtf8(name);
    return joined;
}

// Finds the entry of folder named name: exactly first, then without regard to
// case (the first in name order, so the answer is stable). On success actual
// holds the on-disk name; link tells whether that entry is a symbolic link.
Lookup FindEntry(const std::string& folder, const std::u16string& name, const std::string& realRoot,
                 std::u16string& actual, struct stat& st, bool& link) {
    link = false;
    std::string host = Join(folder, name);
    struct stat lst;
    if (lstat(host.c_str(), &lst) == 0) {
        actual = name;
    } else {
        std::u16string best;
        if (!CaseInsensitiveMatch(folder, FoldCase(name), best) || best.empty()) return Lookup::Missing;
        host = Join(folder, best);
        if (lstat(host.c_str(), &lst) != 0) return Lookup::Missing;
        actual = best;
    }
    if (!S_ISLNK(lst.st_mode)) {
        st = lst;
        return Lookup::Found;
    }
    link = true;
    if (!InsideDrive(host, realRoot) || stat(host.c_str(), &st) != 0) return Lookup::Escapes;
    return Lookup::Found;
}

}  // namespace

DWORD Resolve(LPCWSTR path, Resolved& out) {
    out = Resolved{};
    if (!ParseWindowsPath(path, out.path)) return GetLastError();
    std::string root = DriveFolder(out.path.drive);
    if (root.empty()) return ERROR_PATH_NOT_FOUND;
    std::string realRoot = DriveRealFolder(out.path.drive);
    out.driveRoot = root;
    std::string current = root;
    auto& parts = out.path.components;
    if (parts.empty()) {
        out.host = root;
        out.exists = stat(root.c_str(), &out.st) == 0;
        return out.exists ? ERROR_SUCCESS : ERROR_PATH_NOT_FOUND;
    }
    for (size_t i = 0; i < parts.size(); ++i) {
        bool last = i + 1 == parts.size();
        std::u16string actual;
        struct stat st;
        bool link = false;
        Lookup found = FindEntry(current, parts[i], realRoot, actual, st, link);
        if (found == Lookup::Found) {
            parts[i] = actual;
            current = Join(current, actual);
            if (!last && !S_ISDIR(st.st_mode)) {
                out.host = current;
                return ERROR_PATH_NOT_FOUND;
            }
            if (last) {
                out.exists = true;
                out.st = st;
                out.link = link;
            }
            continue;
        }
        if (found == Lookup::Escapes) {
            // The link keeps its own name: removing it must name the link itself.
            parts[i] = actual;
            current = Join(current, actual);
            if (!last) {
                out.host = current;
                return ERROR_ACCESS_DENIED;
            }
            out.blocked = true;
            out.link = link;
            continue;
        }
        current = Join(current, parts[i]);
        if (!last) {
            out.host = current;
            return ERROR_PATH_NOT_FOUND;
        }
    }
    out.host = current;
    return ERROR_SUCCESS;
}

DWORD ResolveExisting(LPCWSTR path, Resolved& out) {
    DWORD error = Resolve(path, out);
    if (error != ERROR_SUCCESS) return error;
    return out.exists ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
}

}  // namespace zel
