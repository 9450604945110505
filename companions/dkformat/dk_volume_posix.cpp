// Walking and emptying a drive's folder through directory handles. Every entry
// is looked at with fstatat(AT_SYMLINK_NOFOLLOW) and every folder opened with
// openat(O_NOFOLLOW) relative to its parent's handle, so a symbolic link is
// removed as a link and a name swapped for one between the look and the open
// is refused rather than followed: nothing outside the folder is reached.
#include "dk_volume.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

namespace dkformat {

namespace {

constexpr size_t kTickEvery = 256;

// The names of an open folder ("." and ".." left out); the handle stays open.
bool ReadNames(int dirFd, std::vector<std::string>& names) {
    int copy = dup(dirFd);
    if (copy < 0) return false;
    DIR* dir = fdopendir(copy);
    if (dir == nullptr) {
        close(copy);
        return false;
    }
    // The copy shares its reading position with dirFd, which an earlier walk left at the end.
    rewinddir(dir);
    while (struct dirent* entry = readdir(dir)) {
        if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0) continue;
        names.emplace_back(entry->d_name);
    }
    closedir(dir);
    return true;
}

// Opens a sub-folder that fstatat described, refusing a link or a name that
// changed into something else in between.
int OpenSubFolder(int parentFd, const std::string& name, const struct stat& seen) {
    int fd = openat(parentFd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return -1;
    struct stat opened;
    if (fstat(fd, &opened) != 0 || opened.st_dev != seen.st_dev || opened.st_ino != seen.st_ino) {
        close(fd);
        errno = ESTALE;
        return -1;
    }
    return fd;
}

}  // namespace

// One walk over the tree: counting, or removing with its report.
struct Volume::Walk {
    const Volume& volume;
    bool remove = false;
    size_t done = 0;
    const std::function<bool()>* tick = nullptr;           // counting
    const std::function<bool(size_t)>* removed = nullptr;  // removing
    std::vector<Leftover>* leftovers = nullptr;
    bool stopped = false;

    // "E:\Music\a.mp3" for people.
    std::string Shown(const std::string& relative) const {
        std::string path{volume.m_letter, ':', '\\'};
        for (char c : relative) path += c == '/' ? '\\' : c;
        return path;
    }
    void Left(const std::string& relative, const std::string& reason) {
        if (leftovers != nullptr) leftovers->push_back({Shown(relative), reason});
    }
    // One entry is done; false when the caller asked to stop.
    bool Step() {
        ++done;
        if (remove) {
            stopped = !(*removed)(done);
        } else if (done % kTickEvery == 0) {
            stopped = !(*tick)();
        }
        return !stopped;
    }

    // Goes through the folder dirFd (relative: its path below the root, "" for the root).
    void Folder(int dirFd, const std::string& relative) {
        std::vector<std::string> names;
        if (!ReadNames(dirFd, names)) {
            Left(relative, std::string("cannot be read: ") + std::strerror(errno));
            return;
        }
        for (const std::string& name : names) {
            if (stopped) return;
            const std::string path = relative.empty() ? name : relative + "/" + name;
            struct stat st;
            if (fstatat(dirFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
                if (errno != ENOENT) Left(path, std::strerror(errno));
                continue;
            }
            if (S_ISDIR(st.st_mode)) {
                if (static_cast<unsigned long long>(st.st_dev) != volume.m_device) {
                    Left(path, "another file system is mounted here; it is left alone");
                    continue;
                }
                int sub = OpenSubFolder(dirFd, name, st);
                if (sub < 0) {
                    Left(path, std::strerror(errno));
                    continue;
                }
                const size_t leftBefore = leftovers != nullptr ? leftovers->size() : 0;
                Folder(sub, path);
                close(sub);
                if (stopped) return;
                // A folder that stays because something inside stayed is named by that entry.
                if (remove && unlinkat(dirFd, name.c_str(), AT_REMOVEDIR) != 0) {
                    if (leftovers->size() == leftBefore) Left(path, std::strerror(errno));
                    continue;
                }
            } else if (remove && unlinkat(dirFd, name.c_str(), 0) != 0) {
                if (errno != ENOENT) Left(path, std::strerror(errno));
                continue;
            }
            if (!Step()) return;
        }
    }
};

std::unique_ptr<Volume> Volume::Open(char letter, const std::string& folder, std::string& why) {
    if (folder.empty()) {
        why = "the drive is not mapped to a folder";
        return nullptr;
    }
    char real[PATH_MAX];
    if (realpath(folder.c_str(), real) == nullptr) {
        why = folder + ": " + std::strerror(errno);
        return nullptr;
    }
    if (std::strcmp(real, "/") == 0) {
        why = "the drive is the computer's own root folder";
        return nullptr;
    }
    int fd = open(real, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        why = folder + ": " + std::strerror(errno);
        return nullptr;
    }
    struct stat st;
    struct statvfs vfs;
    if (fstat(fd, &st) != 0 || fstatvfs(fd, &vfs) != 0 || (vfs.f_flag & ST_RDONLY) || access(real, W_OK) != 0) {
        why = folder + " cannot be written";
        close(fd);
        return nullptr;
    }
    return std::unique_ptr<Volume>(new Volume(letter, fd, static_cast<unsigned long long>(st.st_dev)));
}

Volume::Volume(char letter, int rootFd, unsigned long long device)
    : m_letter(letter), m_rootFd(rootFd), m_device(device) {}

Volume::~Volume() { close(m_rootFd); }

bool Volume::Count(size_t& entries, const std::function<bool()>& tick) {
    Walk walk{*this};
    walk.tick = &tick;
    walk.Folder(m_rootFd, "");
    entries = walk.done;
    return !walk.stopped;
}

bool Volume::RemoveAll(const std::function<bool(size_t)>& removed, std::vector<Leftover>& leftovers) {
    Walk walk{*this};
    walk.remove = true;
    walk.removed = &removed;
    walk.leftovers = &leftovers;
    walk.Folder(m_rootFd, "");
    return !walk.stopped;
}

std::vector<std::string> Volume::RootEntries() const {
    std::vector<std::string> names, shown;
    ReadNames(m_rootFd, names);
    Walk walk{*this};
    for (const std::string& name : names) {
        struct stat st;
        const bool folder = fstatat(m_rootFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode);
        shown.push_back(walk.Shown(name) + (folder ? " (and what it holds)" : ""));
    }
    return shown;
}

}  // namespace dkformat
