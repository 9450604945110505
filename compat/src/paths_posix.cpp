// Resolution of Windows paths to host paths, component by component.
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>

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

// Finds the entry of folder named name: exactly first, then without regard to
// case (the first in name order, so the answer is stable). On success actual
// holds the on-disk name.
Lookup FindEntry(const std::string& folder, const std::u16string& name, const std::string& realRoot,
                 std::u16string& actual, struct stat& st) {
    std::string exact = folder == "/" ? "/" + ZelToUtf8(name) : folder + "/" + ZelToUtf8(name);
    struct stat lst;
    if (lstat(exact.c_str(), &lst) == 0) {
        actual = name;
        if (S_ISLNK(lst.st_mode)) {
            if (!InsideDrive(exact, realRoot) || stat(exact.c_str(), &st) != 0) return Lookup::Escapes;
        } else {
            st = lst;
        }
        return Lookup::Found;
    }
    DIR* dir = opendir(folder.c_str());
    if (!dir) return Lookup::Missing;
    std::u16string best;
    std::u16string folded = FoldCase(name);
    while (struct dirent* entry = readdir(dir)) {
        std::u16string candidate = ZelFromUtf8(entry->d_name);
        if (candidate == u"." || candidate == u"..") continue;
        if (FoldCase(candidate) == folded && (best.empty() || candidate < best)) best = candidate;
    }
    closedir(dir);
    if (best.empty()) return Lookup::Missing;
    std::string host = folder == "/" ? "/" + ZelToUtf8(best) : folder + "/" + ZelToUtf8(best);
    if (lstat(host.c_str(), &lst) != 0) return Lookup::Missing;
    actual = best;
    if (S_ISLNK(lst.st_mode)) {
        if (!InsideDrive(host, realRoot) || stat(host.c_str(), &st) != 0) return Lookup::Escapes;
    } else {
        st = lst;
    }
    return Lookup::Found;
}

std::string Join(const std::string& folder, const std::u16string& name) {
    return folder == "/" ? "/" + ZelToUtf8(name) : folder + "/" + ZelToUtf8(name);
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
        Lookup found = FindEntry(current, parts[i], realRoot, actual, st);
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
            }
            continue;
        }
        current = Join(current, parts[i]);
        if (!last) {
            out.host = current;
            return ERROR_PATH_NOT_FOUND;
        }
        out.blocked = found == Lookup::Escapes;
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
