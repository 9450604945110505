// The simulated MTP player: objects are the files and folders below the
// storage folders, their handles come from one process-wide table of paths.
#include "mtp_simulated.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <unordered_map>

#include "ZELDevice/abi/ZELFile.h"
#include "zelcompat/textfn.h"

namespace zelmtp {
namespace {

constexpr size_t kChunk = 256 * 1024;
constexpr char kTempPrefix[] = ".zelmtp-";

// Handles of the objects of every simulated player this process has seen, by path.
class HandleTable {
public:
    uint32_t HandleOf(const std::string& path) {
        std::lock_guard<std::mutex> guard(lock_);
        auto found = byPath_.find(path);
        if (found != byPath_.end()) return found->second;
        byHandle_.push_back(path);
        const auto handle = static_cast<uint32_t>(byHandle_.size());
        byPath_.emplace(path, handle);
        return handle;
    }
    bool PathOf(uint32_t handle, std::string& path) {
        std::lock_guard<std::mutex> guard(lock_);
        if (handle == kStorageRoot || handle > byHandle_.size()) return false;
        path = byHandle_[handle - 1];
        return true;
    }

private:
    std::mutex lock_;
    std::unordered_map<std::string, uint32_t> byPath_;
    std::vector<std::string> byHandle_;
};

HandleTable& Handles() {
    static HandleTable* table = new HandleTable;  // outlives static destructors
    return *table;
}

// The fault ZEL_MTP_FAULT injects.
struct Fault {
    enum Kind { None, Full, Write, Gone } kind = None;
    uint64_t after = 0;     // bytes of a send that still succeed
    bool always = false;    // no "@N": the fault holds for every call
};

Fault CurrentFault() {
    Fault fault;
    const char* text = std::getenv("ZEL_MTP_FAULT");
    if (text == nullptr) return fault;
    const std::string value(text);
    const size_t at = value.find('@');
    const std::string kind = value.substr(0, at);
    if (kind == "full") fault.kind = Fault::Full;
    else if (kind == "write") fault.kind = Fault::Write;
    else if (kind == "gone") fault.kind = Fault::Gone;
    fault.always = at == std::string::npos;
    if (!fault.always) fault.after = std::strtoull(value.c_str() + at + 1, nullptr, 10);
    return fault;
}

bool Gone() {
    const Fault fault = CurrentFault();
    return fault.kind == Fault::Gone && fault.always;
}

Status FaultStatus(Fault::Kind kind) {
    switch (kind) {
    case Fault::Full: return Status::StorageFull;
    case Fault::Gone: return Status::Gone;
    default: return Status::WriteError;
    }
}

Status StatusOfErrno(int error) {
    return error == ENOSPC || error == EDQUOT ? Status::StorageFull : Status::WriteError;
}

bool ValidName(const std::u16string& name) {
    if (name.empty() || name == u"." || name == u"..") return false;
    return name.find_first_of(std::u16string(u"/\\\0", 3)) == std::u16string::npos;
}

// A path that realpath resolves, or empty.
std::string Resolved(const std::string& path) {
    char buffer[PATH_MAX];
    return realpath(path.c_str(), buffer) != nullptr ? std::string(buffer) : std::string();
}

bool WriteAll(int fd, const char* data, size_t length, int& error) {
    while (length > 0) {
        const ssize_t written = write(fd, data, length);
        if (written < 0) {
            if (errno == EINTR) continue;
            error = errno;
            return false;
        }
        data += written;
        length -= static_cast<size_t>(written);
    }
    return true;
}

// A new file in a folder under a temporary name, renamed onto its target when
// complete and removed otherwise.
class TempFile {
public:
    explicit TempFile(const std::string& folder) {
        static std::atomic<unsigned> counter{0};
        path_ = folder + "/" + kTempPrefix + std::to_string(getpid()) + "-" + std::to_string(counter++) + ".part";
        fd_ = open(path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    }
    ~TempFile() {
        if (fd_ >= 0) close(fd_);
        if (!committed_) unlink(path_.c_str());
    }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;

    bool IsOpen() const { return fd_ >= 0; }
    int Descriptor() const { return fd_; }
    Status Commit(const std::string& target) {
        const int fd = fd_;
        fd_ = -1;
        if (close(fd) != 0) return StatusOfErrno(errno);
        if (rename(path_.c_str(), target.c_str()) != 0) return StatusOfErrno(errno);
        committed_ = true;
        return Status::Ok;
    }

private:
    std::string path_;
    int fd_ = -1;
    bool committed_ = false;
};

// Copies in to out in chunks, asking progress after each; a fault injected
// for sends strikes once its byte count is reached.
Status CopyStream(int in, int out, uint64_t total, const Progress& progress, const Fault& fault) {
    std::vector<char> buffer(kChunk);
    uint64_t done = 0;
    const bool faulty = fault.kind != Fault::None;
    if (progress && progress(0, total)) return Status::Cancelled;
    for (;;) {
        const ssize_t got = read(in, buffer.data(), buffer.size());
        if (got < 0) {
            if (errno == EINTR) continue;
            return Status::Failed;
        }
        if (got == 0) break;
        size_t length = static_cast<size_t>(got);
        int error = 0;
        if (faulty && done + length > fault.after) {
            WriteAll(out, buffer.data(), static_cast<size_t>(fault.after - done), error);
            return FaultStatus(fault.kind);
        }
        if (!WriteAll(out, buffer.data(), length, error)) return StatusOfErrno(error);
        done += length;
        if (done > total) total = done;
        if (progress && progress(done, total)) return Status::Cancelled;
    }
    return Status::Ok;
}

}  // namespace

SimulatedPlayer::SimulatedPlayer(const std::string& playerFolder, const std::string& cardFolder) {
    const std::string player = Resolved(playerFolder);
    if (!player.empty()) roots_.push_back({kPlayerStorage, u"Internal Storage", player});
    const std::string card = cardFolder.empty() ? std::string() : Resolved(cardFolder);
    if (!card.empty()) roots_.push_back({kCardStorage, u"Memory Card", card});
}

const SimulatedPlayer::Root* SimulatedPlayer::RootOf(uint32_t storage) const {
    for (const Root& root : roots_)
        if (root.id == storage) return &root;
    return nullptr;
}

const SimulatedPlayer::Root* SimulatedPlayer::RootHolding(const std::string& path) const {
    for (const Root& root : roots_)
        if (path.size() > root.folder.size() + 1 && path.compare(0, root.folder.size(), root.folder) == 0 &&
            path[root.folder.size()] == '/')
            return &root;
    return nullptr;
}

bool SimulatedPlayer::PathOf(uint32_t handle, std::string& path) const {
    std::string recorded;
    if (!Handles().PathOf(handle, recorded)) return false;
    // Never through a link out of the player: the path must still lie below a storage.
    struct stat info;
    if (lstat(recorded.c_str(), &info) != 0 || S_ISLNK(info.st_mode)) return false;
    if (RootHolding(recorded) == nullptr || RootHolding(Resolved(recorded)) == nullptr) return false;
    path = recorded;
    return true;
}

bool SimulatedPlayer::FolderOf(uint32_t storage, uint32_t parent, std::string& folder) const {
    const Root* root = RootOf(storage);
    if (root == nullptr) return false;
    if (parent == kStorageRoot) {
        folder = root->folder;
        return true;
    }
    std::string path;
    struct stat info;
    if (!PathOf(parent, path) || RootHolding(path) != root || stat(path.c_str(), &info) != 0 || !S_ISDIR(info.st_mode))
        return false;
    folder = path;
    return true;
}

bool SimulatedPlayer::Describe(const std::string& path, ObjectInfo& info) const {
    const Root* root = RootHolding(path);
    struct stat status;
    if (root == nullptr || lstat(path.c_str(), &status) != 0) return false;
    if (!S_ISDIR(status.st_mode) && !S_ISREG(status.st_mode)) return false;  // links and devices are no objects
    const size_t slash = path.rfind('/');
    const std::string parentPath = path.substr(0, slash);
    info.handle = Handles().HandleOf(path);
    info.parent = parentPath == root->folder ? kStorageRoot : Handles().HandleOf(parentPath);
    info.storage = root->id;
    info.name = ZelFromUtf8(path.substr(slash + 1));
    info.size = S_ISREG(status.st_mode) ? static_cast<uint64_t>(status.st_size) : 0;
    info.modified = status.st_mtime;
    info.format = S_ISDIR(status.st_mode) ? static_cast<uint16_t>(kFormatFolder) : FormatOfName(info.name);
    return true;
}

bool SimulatedPlayer::FindChild(const std::string& folder, const std::u16string& name, std::string& path) const {
    const std::u16string wanted = CZEL_File::FoldName(name.c_str());
    DIR* dir = opendir(folder.c_str());
    if (dir == nullptr) return false;
    bool found = false;
    while (dirent* entry = readdir(dir)) {
        const std::string raw = entry->d_name;
        if (raw == "." || raw == "..") continue;
        if (CZEL_File::FoldedEquals(ZelFromUtf8(raw).c_str(), wanted)) {
            path = folder + "/" + raw;
            found = true;
            break;
        }
    }
    closedir(dir);
    return found;
}

std::u16string SimulatedPlayer::PlayerPath(const Root& root, const std::string& path) const {
    std::u16string text = ZelFromUtf8(path.substr(root.folder.size()));
    for (char16_t& unit : text)
        if (unit == u'/') unit = u'\\';
    return text;
}

Status SimulatedPlayer::Describe(DeviceInfo& info) {
    if (Gone() || roots_.empty()) return Status::Gone;
    uint32_t hash = 2166136261u;
    for (unsigned char c : roots_.front().folder) hash = (hash ^ c) * 16777619u;
    char serial[16];
    std::snprintf(serial, sizeof serial, "SIM%08X", hash);
    info.model = u"ZEL Simulated Player";
    info.serial = ZelFromUtf8(serial);
    info.firmware = u"1.00";
    return Status::Ok;
}

Status SimulatedPlayer::Storages(std::vector<StorageInfo>& storages) {
    if (Gone() || roots_.empty()) return Status::Gone;
    const Fault fault = CurrentFault();
    storages.clear();
    for (const Root& root : roots_) {
        StorageInfo storage;
        storage.id = root.id;
        storage.description = root.description;
        struct statvfs space;
        if (statvfs(root.folder.c_str(), &space) == 0) {
            storage.capacity = static_cast<uint64_t>(space.f_blocks) * space.f_frsize;
            storage.freeSpace = static_cast<uint64_t>(space.f_bavail) * space.f_frsize;
        }
        if (fault.kind == Fault::Full && fault.always) storage.freeSpace = 0;
        storages.push_back(storage);
    }
    return Status::Ok;
}

Status SimulatedPlayer::Children(uint32_t storage, uint32_t parent, std::vector<ObjectInfo>& children) {
    if (Gone()) return Status::Gone;
    std::string folder;
    if (!FolderOf(storage, parent, folder)) return Status::NotFound;
    DIR* dir = opendir(folder.c_str());
    if (dir == nullptr) return Status::Failed;
    children.clear();
    while (dirent* entry = readdir(dir)) {
        const std::string raw = entry->d_name;
        if (raw == "." || raw == ".." || raw.rfind(kTempPrefix, 0) == 0) continue;
        // A name that does not survive the trip to UTF-16 could not be found again.
        if (ZelToUtf8(ZelFromUtf8(raw)) != raw) continue;
        ObjectInfo info;
        if (Describe(folder + "/" + raw, info)) children.push_back(info);
    }
    closedir(dir);
    return Status::Ok;
}

Status SimulatedPlayer::Object(uint32_t handle, ObjectInfo& info) {
    if (Gone()) return Status::Gone;
    std::string path;
    if (!PathOf(handle, path) || !Describe(path, info)) return Status::NotFound;
    return Status::Ok;
}

Status SimulatedPlayer::CreateFolder(uint32_t storage, uint32_t parent, const std::u16string& name, ObjectInfo& made) {
    if (Gone()) return Status::Gone;
    std::string folder, existing;
    if (!FolderOf(storage, parent, folder)) return Status::NotFound;
    if (!ValidName(name)) return Status::Failed;
    if (FindChild(folder, name, existing)) return Describe(existing, made) ? Status::Exists : Status::Failed;
    const Fault fault = CurrentFault();
    if (fault.kind != Fault::None && fault.always) return FaultStatus(fault.kind);
    const std::string path = folder + "/" + ZelToUtf8(name);
    if (mkdir(path.c_str(), 0755) != 0) return StatusOfErrno(errno);
    return Describe(path, made) ? Status::Ok : Status::Failed;
}

Status SimulatedPlayer::WriteFileAtomically(const std::string& folder, const std::string& target,
                                            const std::string& source, uint64_t total, const Progress& progress) {
    const int in = open(source.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) return Status::NotFound;
    TempFile temp(folder);
    Status status = temp.IsOpen() ? Status::Ok : StatusOfErrno(errno);
    if (status == Status::Ok) status = CopyStream(in, temp.Descriptor(), total, progress, CurrentFault());
    close(in);
    if (status == Status::Ok) status = temp.Commit(target);
    return status;
}

Status SimulatedPlayer::SendFile(const std::string& hostPath, uint32_t storage, uint32_t parent,
                                 const std::u16string& name, uint16_t, const Progress& progress, ObjectInfo& made) {
    if (Gone()) return Status::Gone;
    std::string folder, target;
    if (!FolderOf(storage, parent, folder)) return Status::NotFound;
    if (!ValidName(name)) return Status::Failed;
    struct stat source;
    if (stat(hostPath.c_str(), &source) != 0 || !S_ISREG(source.st_mode)) return Status::NotFound;
    // A file of that name is replaced, keeping its spelling; a folder is not.
    if (FindChild(folder, name, target)) {
        struct stat existing;
        if (lstat(target.c_str(), &existing) != 0 || !S_ISREG(existing.st_mode)) return Status::Exists;
    } else {
        target = folder + "/" + ZelToUtf8(name);
    }
    const Status status =
        WriteFileAtomically(folder, target, hostPath, static_cast<uint64_t>(source.st_size), progress);
    if (status != Status::Ok) return status;
    return Describe(target, made) ? Status::Ok : Status::Failed;
}

Status SimulatedPlayer::ReadFile(uint32_t handle, const std::string& hostPath, const Progress& progress) {
    if (Gone()) return Status::Gone;
    std::string path;
    struct stat info;
    if (!PathOf(handle, path) || stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return Status::NotFound;
    const int in = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) return Status::Failed;
    const int out = open(hostPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    Status status = out >= 0 ? CopyStream(in, out, static_cast<uint64_t>(info.st_size), progress, Fault{})
                             : Status::Failed;
    close(in);
    if (out >= 0 && close(out) != 0 && status == Status::Ok) status = Status::Failed;
    if (out >= 0 && status != Status::Ok) unlink(hostPath.c_str());
    return status;
}

Status SimulatedPlayer::Delete(uint32_t handle) {
    if (Gone()) return Status::Gone;
    std::string path;
    if (!PathOf(handle, path)) return Status::NotFound;
    std::error_code error;
    std::filesystem::remove_all(path, error);  // links inside are removed, never followed
    return error ? Status::Failed : Status::Ok;
}

Status SimulatedPlayer::WritePlaylist(uint32_t storage, uint32_t parent, const std::u16string& name,
                                      const std::vector<uint32_t>& items, uint32_t replacing, ObjectInfo& made) {
    if (Gone()) return Status::Gone;
    std::string folder, target;
    const Root* root = RootOf(storage);
    if (root == nullptr || !FolderOf(storage, parent, folder)) return Status::NotFound;
    std::u16string fileName = name;
    const std::u16string folded = CZEL_File::FoldName(name.c_str());
    if (folded.size() < 4 || folded.compare(folded.size() - 4, 4, u".pla") != 0) fileName += u".pla";
    if (!ValidName(fileName)) return Status::Failed;
    if (replacing != 0) {
        if (!PathOf(replacing, target) || target.substr(0, target.rfind('/')) != folder) return Status::NotFound;
    } else if (!FindChild(folder, fileName, target)) {
        target = folder + "/" + ZelToUtf8(fileName);
    }

    std::string text;
    for (uint32_t item : items) {
        std::string path;
        if (PathOf(item, path) && RootHolding(path) == root) text += ZelToUtf8(PlayerPath(*root, path)) + "\n";
    }
    const Fault fault = CurrentFault();
    if (fault.kind != Fault::None && fault.always) return FaultStatus(fault.kind);
    TempFile temp(folder);
    int error = 0;
    if (!temp.IsOpen()) return StatusOfErrno(errno);
    if (!WriteAll(temp.Descriptor(), text.data(), text.size(), error)) return StatusOfErrno(error);
    const Status status = temp.Commit(target);
    if (status != Status::Ok) return status;
    return Describe(target, made) ? Status::Ok : Status::Failed;
}

Status SimulatedPlayer::PlaylistItems(uint32_t handle, std::vector<uint32_t>& items) {
    if (Gone()) return Status::Gone;
    std::string path;
    if (!PathOf(handle, path)) return Status::NotFound;
    const Root* root = RootHolding(path);
    FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return Status::Failed;
    std::string text;
    char buffer[4096];
    for (size_t got; (got = std::fread(buffer, 1, sizeof buffer, file)) > 0;) text.append(buffer, got);
    std::fclose(file);

    items.clear();
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        // Each component is looked up as the player would, without regard to case.
        std::string current = root->folder;
        bool found = !line.empty();
        size_t from = 0;
        while (found && from <= line.size()) {
            size_t cut = line.find_first_of("\\/", from);
            if (cut == std::string::npos) cut = line.size();
            std::string child;
            if (cut > from) found = FindChild(current, ZelFromUtf8(line.substr(from, cut - from)), child);
            if (cut > from && found) current = child;
            from = cut + 1;
        }
        ObjectInfo info;
        if (found && Describe(current, info)) items.push_back(info.handle);
    }
    return Status::Ok;
}

Status SimulatedPlayer::Format(uint32_t storage) {
    if (Gone()) return Status::Gone;
    const Root* root = RootOf(storage);
    if (root == nullptr) return Status::NotFound;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(root->folder, error)) {
        std::error_code removed;
        std::filesystem::remove_all(entry.path(), removed);
        if (removed) error = removed;
    }
    return error ? Status::Failed : Status::Ok;
}

}  // namespace zelmtp
