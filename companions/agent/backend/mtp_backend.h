// The agent's narrow view of an MTP player, shaped after MTP's own object
// model: a device with storages, and objects (files, folders, playlists) that
// have a handle, a parent, a storage, a name, a size, a modification time and
// an object format. Everything with logic (paths, names compared without
// regard to case, replacing a file, merging playlists, progress reports) sits
// above this interface, so that the simulated player tests it; a backend only
// maps these calls onto its player.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace zelmtp {

// The parent handle of an object at the top of its storage.
inline constexpr uint32_t kStorageRoot = 0;

// Object formats, by the codes MTP gives them.
enum : uint16_t {
    kFormatUndefined = 0x3000,
    kFormatFolder = 0x3001,
    kFormatText = 0x3004,
    kFormatWav = 0x3008,
    kFormatMp3 = 0x3009,
    kFormatAvi = 0x300A,
    kFormatMpeg = 0x300B,
    kFormatAsf = 0x300C,
    kFormatJpeg = 0x3801,
    kFormatBmp = 0x3804,
    kFormatGif = 0x3807,
    kFormatPng = 0x380B,
    kFormatWma = 0xB901,
    kFormatOgg = 0xB902,
    kFormatWmv = 0xB981,
    kFormatPlaylist = 0xBA05,  // an abstract playlist: an ordered list of object handles
};

// The format of a file by its name's extension (kFormatUndefined when unknown).
uint16_t FormatOfName(const std::u16string& name);

enum class Status {
    Ok,
    Failed,       // the player refused, or the request made no sense
    NotFound,     // no such storage, object or host file
    Exists,       // a folder of that name is there already
    StorageFull,  // the storage ran out of room
    WriteError,   // the player could not store the data
    Cancelled,    // the progress callback asked to stop
    Gone,         // the player is no longer there
};

struct StorageInfo {
    uint32_t id = 0;
    std::u16string description;
    uint64_t capacity = 0;   // bytes
    uint64_t freeSpace = 0;  // bytes
};

struct ObjectInfo {
    uint32_t handle = 0;
    uint32_t parent = kStorageRoot;
    uint32_t storage = 0;
    std::u16string name;
    uint64_t size = 0;
    int64_t modified = 0;  // seconds since 1970, UTC
    uint16_t format = kFormatUndefined;

    bool IsFolder() const { return format == kFormatFolder; }
};

struct DeviceInfo {
    std::u16string model;
    std::u16string serial;
    std::u16string firmware;
};

// Bytes done of total during a send or a read; a non-zero answer stops it.
using Progress = std::function<int(uint64_t done, uint64_t total)>;

class Backend {
public:
    virtual ~Backend() = default;

    virtual Status Describe(DeviceInfo& info) = 0;
    // The storages in the player's order; the first is its internal memory.
    virtual Status Storages(std::vector<StorageInfo>& storages) = 0;
    // The objects directly below parent (kStorageRoot: the top of the storage).
    virtual Status Children(uint32_t storage, uint32_t parent, std::vector<ObjectInfo>& children) = 0;
    virtual Status Object(uint32_t handle, ObjectInfo& info) = 0;
    virtual Status CreateFolder(uint32_t storage, uint32_t parent, const std::u16string& name, ObjectInfo& made) = 0;
    // Sends a computer file as a new object. A send that does not end with Ok
    // leaves no object behind.
    virtual Status SendFile(const std::string& hostPath, uint32_t storage, uint32_t parent, const std::u16string& name,
                            uint16_t format, const Progress& progress, ObjectInfo& made) = 0;
    // Writes the object's data to a new computer file at hostPath.
    virtual Status ReadFile(uint32_t handle, const std::string& hostPath, const Progress& progress) = 0;
    // Deletes an object. Callers empty a folder first (a player may refuse a
    // folder with objects in it); a backend may also take them with it.
    virtual Status Delete(uint32_t handle) = 0;
    // Writes a playlist object holding items in order: a new one named name in
    // parent, or, when replacing is not 0, that playlist with its items replaced.
    virtual Status WritePlaylist(uint32_t storage, uint32_t parent, const std::u16string& name,
                                 const std::vector<uint32_t>& items, uint32_t replacing, ObjectInfo& made) = 0;
    virtual Status PlaylistItems(uint32_t handle, std::vector<uint32_t>& items) = 0;
    // Deletes every object of a storage.
    virtual Status Format(uint32_t storage) = 0;
};

// The player the environment names: the simulated player when ZEL_MTP_PLAYER
// is set (ZEL_MTP_CARD adds its memory card), otherwise, where the build has
// libmtp, the first MTP player found or the one ZEL_MTP_DEVICE names. Null
// when there is none. The variables are read at every call.
std::unique_ptr<Backend> OpenBackend();

// Whether this build reaches real players through libmtp.
bool HasLibmtp();

}  // namespace zelmtp
