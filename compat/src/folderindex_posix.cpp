// The folder index: names of host folders kept between searches and lookups.
//
// A kept index must never miss a change: a name written a moment ago in another
// case would otherwise be taken for a new one, and a second file would appear
// beside it. Two things vouch for an index, and in both cases the folder must
// still be the same (device and inode) when its path is looked at:
// - on local file systems the host reports every change of a watched folder
//   (inotify). The watch is set before the folder is read, and the changes
//   reported since are applied before each use, so a folder written to all the
//   time, as by a batch of transfers, keeps its index;
// - elsewhere (network file systems, or when no watch can be had) the
//   index holds while the folder keeps its modification and change times to the
//   nanosecond. A change must then move those times: file systems that stamp a
//   fine-grained time on a change whenever the old one was read (Linux 6.13 and
//   later: ext4, XFS, Btrfs, tmpfs) guarantee it, since a stat precedes every read
//   and use of an index; elsewhere time stamps move in clock ticks, and an index
//   read in the tick of the folder's last change is not kept (nor one read within
//   two seconds of it where time stamps have no sub-second part, as on FAT).
//   FUSE file systems are never trusted this way: their servers decide the times.
#include <dirent.h>
#include <fcntl.h>
#include <sys/inotify.h>
#include <sys/utsname.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <ctime>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "faultsinternal.h"
#include "folderindex.h"
#include "paths.h"
#include "zelcompat/drives.h"
#include "zelcompat/textfn.h"

namespace zel {

const FolderNames::Entry* FolderNames::FindFolded(const std::u16string& folded) const {
    auto first = entries.lower_bound(Entry{folded, std::u16string(), std::string()});
    return first != entries.end() && first->folded == folded ? &*first : nullptr;
}

namespace {

constexpr size_t kMaxFolders = 64;
constexpr uint32_t kWatchedChanges =
    IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;

struct FolderKey {
    dev_t device;
    ino_t inode;
    bool operator==(const FolderKey&) const = default;
};

struct FolderKeyHash {
    size_t operator()(const FolderKey& key) const { return std::hash<ino_t>()(key.inode) ^ (key.device << 1); }
};

struct FolderIndex {
    int watch = -1;  // the host reports the folder's changes; -1: its times vouch for the index
    struct timespec modified {};
    struct timespec changed {};
    std::shared_ptr<FolderNames> names;
};

bool SameTime(const struct timespec& a, const struct timespec& b) { return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec; }

bool Before(const struct timespec& a, const struct timespec& b) {
    return a.tv_sec < b.tv_sec || (a.tv_sec == b.tv_sec && a.tv_nsec < b.tv_nsec);
}

FolderNames::Entry EntryFor(const char* host) {
    std::u16string name = ZelFromUtf8(host);
    std::u16string folded = FoldCase(name);
    return {std::move(folded), std::move(name), host};
}

// File systems whose changes are all made on this machine, so that the host's
// change reports are complete.
bool LocalFileSystem(const struct statfs& fs) {
    switch (static_cast<unsigned long>(fs.f_type)) {
        case 0xEF53:      // ext2/3/4
        case 0x58465342:  // XFS
        case 0x9123683E:  // Btrfs
        case 0xF2F52010:  // F2FS
        case 0x01021994:  // tmpfs
        case 0x4D44:      // FAT
        case 0x2011BAB0:  // exFAT
        case 0x5346544E:  // NTFS
        case 0x7366746E:  // NTFS (ntfs3)
            return true;
        default: return false;
    }
}

// Linux 6.13 or later, on a file system that stamps fine-grained times once read.
bool FineGrainedWhenRead(const struct statfs& fs) {
    static const bool kernel = [] {
        struct utsname name;
        int major = 0, minor = 0;
        if (uname(&name) != 0 || std::sscanf(name.release, "%d.%d", &major, &minor) != 2) return false;
        return major > 6 || (major == 6 && minor >= 13);
    }();
    switch (static_cast<unsigned long>(fs.f_type)) {
        case 0xEF53: case 0x58465342: case 0x9123683E: case 0x01021994: return kernel;
        default: return false;
    }
}

// FUSE file systems stamp folder times as their servers please: fusefat leaves
// a folder's times alone when an entry is added to it. Their times vouch for
// nothing, so their folders are read afresh each time.
bool TimesFollowChanges(const struct statfs& fs) {
    return static_cast<unsigned long>(fs.f_type) != 0x65735546;  // FUSE
}

// Whether a test has taken the change reports of folder away.
bool WatchRefused(const std::string& folder) {
    FaultHit hit;
    return AnyFault(ZEL_FAULT_WATCH) && FindFault(ZelWindowsPath(folder.c_str()), ZEL_FAULT_WATCH, hit);
}

// Whether a change after clockNow is bound to move the folder's times: the
// clock is past the tick (or, without sub-second stamps, the two seconds) of
// the folder's last change.
bool PastLastChange(const struct stat& st, const struct timespec& clockNow) {
    struct timespec last = Before(st.st_mtim, st.st_ctim) ? st.st_ctim : st.st_mtim;
    if (st.st_mtim.tv_nsec == 0 || st.st_ctim.tv_nsec == 0) last.tv_sec += 2;
    return Before(last, clockNow);
}

std::shared_ptr<FolderNames> ReadNames(int fd) {
    DIR* dir = fdopendir(fd);
    if (!dir) {
        close(fd);
        return nullptr;
    }
    std::vector<FolderNames::Entry> read;
    while (struct dirent* entry = readdir(dir)) {
        const char* raw = entry->d_name;
        if (raw[0] == '.' && (raw[1] == 0 || (raw[1] == '.' && raw[2] == 0))) continue;
        read.push_back(EntryFor(raw));
    }
    closedir(dir);
    // Sorted first, the names go into the set in one pass.
    std::sort(read.begin(), read.end());
    auto names = std::make_shared<FolderNames>();
    names->entries.insert(std::make_move_iterator(read.begin()), std::make_move_iterator(read.end()));
    return names;
}

class FolderIndexCache {
public:
    std::shared_ptr<const FolderNames> NamesOf(const std::string& folder, const struct stat& st) {
        std::lock_guard<std::mutex> guard(lock_);
        Drain();
        const FolderKey key{st.st_dev, st.st_ino};
        auto found = folders_.find(key);
        if (found != folders_.end()) {
            const FolderIndex& index = found->second;
            if (index.watch >= 0 || (SameTime(index.modified, st.st_mtim) && SameTime(index.changed, st.st_ctim))) {
                return index.names;
            }
            Forget(found);
        }
        return Read(folder, st, key);
    }

private:
    // Reads the folder, and keeps what it read when that can be vouched for.
    // Under the lock, so that no change reported meanwhile is taken by another thread.
    std::shared_ptr<const FolderNames> Read(const std::string& folder, const struct stat& st, const FolderKey& key) {
        // The clock is read before the folder, so whatever changes after the read
        // is stamped at this time or later.
        struct timespec clockNow;
        clock_gettime(CLOCK_REALTIME_COARSE, &clockNow);
        int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0) return nullptr;
        struct stat opened;
        struct statfs fs;
        const bool same = fstat(fd, &opened) == 0 && opened.st_dev == key.device && opened.st_ino == key.inode;
        const bool known = same && fstatfs(fd, &fs) == 0;
        FolderIndex index;
        if (known && LocalFileSystem(fs) && !WatchRefused(folder)) index.watch = Watch(fd);
        const bool keep = index.watch >= 0 || (known && TimesFollowChanges(fs) && (FineGrainedWhenRead(fs) || PastLastChange(st, clockNow)));
        index.names = ReadNames(fd);
        if (!index.names || !keep) {
            Unwatch(index.watch);
            return index.names;
        }
        if (folders_.size() >= kMaxFolders) ForgetAll();
        index.modified = st.st_mtim;
        index.changed = st.st_ctim;
        if (index.watch >= 0) byWatch_[index.watch] = key;
        return folders_.emplace(key, std::move(index)).first->second.names;
    }

    // A watch on the open folder itself, -1 when none can be had.
    int Watch(int fd) {
        if (notify_ == -1) {
            notify_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
            if (notify_ < 0) notify_ = -2;
        }
        if (notify_ < 0) return -1;
        const std::string self = "/proc/self/fd/" + std::to_string(fd);
        const int watch = inotify_add_watch(notify_, self.c_str(), kWatchedChanges);
        if (watch < 0) return -1;
        // The host gives a folder watched already the same watch: its old index goes.
        auto owner = byWatch_.find(watch);
        if (owner != byWatch_.end()) {
            folders_.erase(owner->second);
            byWatch_.erase(owner);
        }
        return watch;
    }

    void Unwatch(int watch) {
        if (watch >= 0 && notify_ >= 0) inotify_rm_watch(notify_, watch);
    }

    void Forget(std::unordered_map<FolderKey, FolderIndex, FolderKeyHash>::iterator found) {
        if (found->second.watch >= 0) {
            byWatch_.erase(found->second.watch);
            Unwatch(found->second.watch);
        }
        folders_.erase(found);
    }

    void ForgetAll() {
        for (const auto& [watch, key] : byWatch_) Unwatch(watch);
        byWatch_.clear();
        folders_.clear();
    }

    // Applies the changes the host has reported since the last time.
    void Drain() {
        if (owner_ != getpid()) {
            // A child process must not read the reports of the parent's watches.
            if (notify_ >= 0) close(notify_);
            notify_ = -1;
            byWatch_.clear();
            folders_.clear();
            owner_ = getpid();
        }
        if (notify_ < 0) return;
        alignas(struct inotify_event) char buffer[16384];
        for (;;) {
            const ssize_t length = read(notify_, buffer, sizeof buffer);
            if (length < 0 && errno == EINTR) continue;
            if (length <= 0) return;
            for (ssize_t at = 0; at < length;) {
                const auto* event = reinterpret_cast<const struct inotify_event*>(buffer + at);
                Apply(*event);
                at += static_cast<ssize_t>(sizeof(struct inotify_event) + event->len);
            }
        }
    }

    void Apply(const struct inotify_event& event) {
        if (event.mask & IN_Q_OVERFLOW) return ForgetAll();
        auto watched = byWatch_.find(event.wd);
        if (watched == byWatch_.end()) return;
        auto found = folders_.find(watched->second);
        if (found == folders_.end()) return;
        if (event.mask & IN_IGNORED) {  // the host has dropped the watch itself
            byWatch_.erase(watched);
            folders_.erase(found);
            return;
        }
        if (event.mask & (IN_DELETE_SELF | IN_MOVE_SELF | IN_UNMOUNT)) return Forget(found);
        if (event.len == 0) return;
        // Listings in progress keep the names they were given.
        std::shared_ptr<FolderNames>& names = found->second.names;
        if (names.use_count() > 1) names = std::make_shared<FolderNames>(*names);
        if (event.mask & (IN_CREATE | IN_MOVED_TO)) names->entries.insert(EntryFor(event.name));
        if (event.mask & (IN_DELETE | IN_MOVED_FROM)) names->entries.erase(EntryFor(event.name));
    }

    std::mutex lock_;
    std::unordered_map<FolderKey, FolderIndex, FolderKeyHash> folders_;
    std::unordered_map<int, FolderKey> byWatch_;
    int notify_ = -1;  // -2: the host offers no change reports
    pid_t owner_ = getpid();
};

FolderIndexCache& IndexCache() {
    static FolderIndexCache* cache = new FolderIndexCache;
    return *cache;
}

}  // namespace

std::shared_ptr<const FolderNames> NamesOf(const std::string& folder, const struct stat& st) {
    return IndexCache().NamesOf(folder, st);
}

bool CaseInsensitiveMatch(const std::string& folder, const std::u16string& folded, std::u16string& actual) {
    struct stat st;
    if (stat(folder.c_str(), &st) != 0) return false;
    std::shared_ptr<const FolderNames> names = NamesOf(folder, st);
    if (!names) return false;
    const FolderNames::Entry* entry = names->FindFolded(folded);
    if (entry == nullptr) return false;
    actual = entry->name;
    return true;
}

}  // namespace zel
