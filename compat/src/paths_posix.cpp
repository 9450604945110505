// Resolution of Windows paths to host paths, component by component.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>

#include "folderindex.h"
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
