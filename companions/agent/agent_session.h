// The agent's view of the player it serves: the backend, the storages, the
// nodes it has handed out (the top of each storage and the objects it has
// seen, each with a number that the device keeps as FolderStorage and an
// IWMDMStorage object), and its current folder.
//
// Device paths use "\" and carry no drive: the first storage is the device
// root ("\Music\a.mp3"); each further storage (a memory card) appears as a
// folder of the root named after its description ("\Memory Card\Music").
// Names are compared without regard to case.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "ZELDevice/abi/ZELFile.h"
#include "agent_storage.h"
#include "mtp_backend.h"
#include "zelcompat/com.h"
#include "zelcompat/types.h"

namespace zelagent {

struct Node {
    DWORD id = 0;
    DWORD parent = 0;    // the node of the folder holding it; 0 for the top of a storage
    uint32_t storage = 0;
    uint32_t handle = zelmtp::kStorageRoot;  // kStorageRoot for the top of a storage
    std::u16string name;  // a storage's top is named after the storage
    std::u16string path;  // "" for the device root
    bool folder = true;
    uint64_t size = 0;
    int64_t modified = 0;  // 0: unknown
    uint16_t format = zelmtp::kFormatFolder;
};

class Session {
public:
    Session(std::unique_ptr<zelmtp::Backend> backend, HWND window);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // Reads the storages; false when the player answers nothing.
    bool Open();

    zelmtp::Backend& Player() { return *backend_; }
    HWND Window() const { return window_; }

    // ---- Nodes. ----
    const Node* Find(DWORD id) const;
    // The node behind a storage object of this session; null for anything else.
    const Node* NodeOf(IWMDMStorage* storage) const;
    DWORD DeviceRoot() const { return tops_.empty() ? 0 : tops_.front(); }
    // The tops of the storages after the first (memory cards).
    std::vector<DWORD> OtherTops() const;
    // The top of the storage a node lies in.
    DWORD TopOf(DWORD id) const;
    // The folder a path names, from base (0: the device root); a leading drive
    // is ignored, "." stays and ".." goes up. 0 when there is none.
    DWORD Resolve(const std::u16string& path, DWORD base = 0);
    // One step of a path from a folder: the child of that name, or at the
    // device root a further storage by its name, ".." the parent; 0: none.
    DWORD Step(DWORD folder, const std::u16string& part);
    // The child of a folder by name; 0 when there is none.
    DWORD Child(DWORD folder, const std::u16string& name);
    // The children of a folder in listing order (names without regard to case).
    bool Children(DWORD folder, std::vector<DWORD>& children, zelmtp::Status* status = nullptr);
    // The node of an object the backend reported inside folder.
    DWORD Adopt(const zelmtp::ObjectInfo& info, DWORD folder);
    // The node the session knows for an object (kStorageRoot: the top of the
    // storage); 0 when it has not seen it.
    DWORD Known(uint32_t storage, uint32_t handle) const;
    // Drops a node and every node below it.
    void Forget(DWORD id);
    // Drops every node of a storage but its top (after a format).
    void ForgetStorage(uint32_t storage);
    // Refreshes the storages' capacity.
    bool StorageSpace(uint32_t storage, uint64_t& capacity, uint64_t& freeSpace);

    // Fills a tree entry for a node (FolderStorage, StorageStream and the rest).
    void Fill(DWORD id, CZEL_File& entry);
    // The session's storage object of a node (the agent keeps the reference).
    IWMDMStorage* StorageObject(DWORD id);
    // The slot holding that object marshalled into a stream not yet read.
    IStream** Slot(DWORD id);
    // The path of a node as the agent reports it: "\" for the device root.
    std::u16string PathText(DWORD id) const;

    // ---- The agent's folders. ----
    DWORD Current() const { return current_; }
    // Moving forgets the playlist folder chosen before.
    void SetCurrent(DWORD id) {
        current_ = id;
        folderStorage_ = 0;
    }
    DWORD FoundObject() const { return found_; }
    void SetFound(DWORD id) { found_ = id; }
    // Where playlists are written (0: the current folder), chosen since the
    // current folder last changed.
    DWORD FolderStorage() const { return folderStorage_; }
    void SetFolderStorage(DWORD id) { folderStorage_ = id; }
    // Files sent during the session by name, for playlists that name them so.
    void RememberSent(DWORD id);
    DWORD SentByName(const std::u16string& name) const;

private:
    StorageCell& CellOf(DWORD id);

    std::unique_ptr<zelmtp::Backend> backend_;
    HWND window_;
    uint64_t number_;  // sessions are told apart by this
    std::vector<DWORD> tops_;
    std::unordered_map<DWORD, Node> nodes_;
    std::map<std::pair<uint32_t, uint32_t>, DWORD> byObject_;
    std::unordered_map<DWORD, std::unique_ptr<StorageCell>> cells_;
    std::map<std::u16string, DWORD> sent_;
    DWORD current_ = 0;
    DWORD found_ = 0;
    DWORD folderStorage_ = 0;
};

// Held by every call of the agent. Recursive: a window procedure that a
// progress report runs may call the agent again (to cancel, for instance).
std::recursive_mutex& AgentLock();
// The session of the player the agent serves; null when there is none.
Session* CurrentSession();
// Opens the player the environment names as the new session (window receives
// the progress reports); false when there is no player.
bool OpenSession(HWND window);
// Ends the session of the device whose window this is.
void CloseSession(HWND window);

// The components of a device path cut at "\" and "/", without empty ones and
// without a leading drive.
std::vector<std::u16string> SplitPath(std::u16string path);
// Names compared without regard to case.
bool SameName(const std::u16string& a, const std::u16string& b);

// "%d%02d%02d%02d%02d%02d" in local time of seconds since 1970.
CString LocalStamp(int64_t seconds);

}  // namespace zelagent
