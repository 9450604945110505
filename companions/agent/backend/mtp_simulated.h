// A simulated MTP player over folders of the computer, for tests and for
// trying the system without a player. The first folder is the player's
// internal memory, the optional second one its memory card; the files and
// folders below them are the player's objects, with handles that stay the
// same for the life of the process. Names are matched without regard to case,
// as on the players' own file systems. A send writes a real file, through a
// temporary name, so that a send that fails leaves nothing. A playlist object
// is the file "<name>.pla" in its folder, one player path per line (UTF-8, LF).
//
// Faults are injected through ZEL_MTP_FAULT, read at every call:
//   "full[@N]"   the storage is full (after N bytes of a send): StorageFull
//   "write[@N]"  the storage fails to write (after N bytes): WriteError
//   "gone[@N]"   the player is unplugged (after N bytes of a send): Gone
#pragma once

#include <string>
#include <vector>

#include "mtp_backend.h"

namespace zelmtp {

class SimulatedPlayer final : public Backend {
public:
    // cardFolder empty: a player without a card.
    SimulatedPlayer(const std::string& playerFolder, const std::string& cardFolder);

    // Storage ids of the internal memory and the card.
    static constexpr uint32_t kPlayerStorage = 0x00010001;
    static constexpr uint32_t kCardStorage = 0x00020001;

    Status Describe(DeviceInfo& info) override;
    Status Storages(std::vector<StorageInfo>& storages) override;
    Status Children(uint32_t storage, uint32_t parent, std::vector<ObjectInfo>& children) override;
    Status Object(uint32_t handle, ObjectInfo& info) override;
    Status CreateFolder(uint32_t storage, uint32_t parent, const std::u16string& name, ObjectInfo& made) override;
    Status SendFile(const std::string& hostPath, uint32_t storage, uint32_t parent, const std::u16string& name,
                    uint16_t format, const Progress& progress, ObjectInfo& made) override;
    Status ReadFile(uint32_t handle, const std::string& hostPath, const Progress& progress) override;
    Status Delete(uint32_t handle) override;
    Status WritePlaylist(uint32_t storage, uint32_t parent, const std::u16string& name,
                         const std::vector<uint32_t>& items, uint32_t replacing, ObjectInfo& made) override;
    Status PlaylistItems(uint32_t handle, std::vector<uint32_t>& items) override;
    Status Format(uint32_t storage) override;

private:
    struct Root {
        uint32_t id;
        std::u16string description;
        std::string folder;  // resolved, without a final "/"
    };

    const Root* RootOf(uint32_t storage) const;
    // The storage whose folder holds path (null when none does).
    const Root* RootHolding(const std::string& path) const;
    // The host folder of parent in storage; false when it is not a folder there.
    bool FolderOf(uint32_t storage, uint32_t parent, std::string& folder) const;
    // The host path of an object of this player; false when it is not one.
    bool PathOf(uint32_t handle, std::string& path) const;
    bool Describe(const std::string& path, ObjectInfo& info) const;
    // The entry of folder whose name matches name without regard to case.
    bool FindChild(const std::string& folder, const std::u16string& name, std::string& path) const;
    // The path of an object from the top of its storage: "\Music\a.mp3".
    std::u16string PlayerPath(const Root& root, const std::string& path) const;
    Status WriteFileAtomically(const std::string& folder, const std::string& target, const std::string& source,
                               uint64_t total, const Progress& progress);

    std::vector<Root> roots_;
};

}  // namespace zelmtp
