// Playlist objects: finding the items, merging them into a playlist, and
// reading a playlist's items back.
#include "agent_playlists.h"

#include <algorithm>

#include "ZELDevice/abi/Codes.h"
#include "agent_objects.h"

namespace zelagent {
namespace {

// How far up the folders of a storage the agent follows an item it has not seen.
constexpr int kMostLevels = 64;

bool IsPlaylistNamed(const Node& node, const std::u16string& name) {
    return node.format == zelmtp::kFormatPlaylist && (SameName(node.name, name) || SameName(node.name, name + u".pla"));
}

// The node of an object of a storage, adopted (with the folders above it) when
// the session has not seen it yet; 0 when the player does not know it.
DWORD NodeOfObject(Session& session, uint32_t storage, uint32_t handle, int level) {
    if (const DWORD known = session.Known(storage, handle)) return known;
    zelmtp::ObjectInfo info;
    if (level > kMostLevels || session.Player().Object(handle, info) != zelmtp::Status::Ok || info.storage != storage)
        return 0;
    const DWORD folder = info.parent == zelmtp::kStorageRoot ? session.Known(storage, zelmtp::kStorageRoot)
                                                              : NodeOfObject(session, storage, info.parent, level + 1);
    return folder != 0 ? session.Adopt(info, folder) : 0;
}

}  // namespace

DWORD PlaylistItem(Session& session, const std::u16string& item) {
    if (item.find_first_of(u"\\/") != std::u16string::npos) {
        const DWORD node = session.Resolve(item);
        return node != 0 && !session.Find(node)->folder ? node : 0;
    }
    if (const DWORD sent = session.SentByName(item)) return sent;
    const DWORD here = session.Child(session.Current(), item);
    return here != 0 && !session.Find(here)->folder ? here : 0;
}

DWORD FindPlaylist(Session& session, DWORD folder, const std::u16string& name, zelmtp::Status* status) {
    std::vector<DWORD> children;
    if (name.empty() || !session.Children(folder, children, status)) return 0;
    DWORD found = 0;
    for (DWORD child : children) {
        const Node* node = session.Find(child);
        if (!IsPlaylistNamed(*node, name)) continue;
        if (node->name == name) return child;  // the exact name wins over "<name>.pla"
        if (found == 0) found = child;
    }
    return found;
}

bool PlaylistNodes(Session& session, DWORD playlist, std::vector<DWORD>& items) {
    items.clear();
    const Node* node = session.Find(playlist);
    if (node == nullptr || node->format != zelmtp::kFormatPlaylist) return false;
    const uint32_t storage = node->storage;
    std::vector<uint32_t> handles;
    if (session.Player().PlaylistItems(node->handle, handles) != zelmtp::Status::Ok) return false;
    for (uint32_t handle : handles)
        if (const DWORD item = NodeOfObject(session, storage, handle, 0)) items.push_back(item);
    return true;
}

DWORD WritePlaylist(Session& session, DWORD folder, const std::u16string& name, const std::vector<DWORD>& items,
                    DWORD& made) {
    const Node* target = session.Find(folder);
    if (target == nullptr || !target->folder || name.empty()) return ZEL_FAILURE;
    const uint32_t storage = target->storage, parent = target->handle;

    // The playlist there already keeps what it holds; the new items follow.
    zelmtp::Status status = zelmtp::Status::Ok;
    const DWORD existing = FindPlaylist(session, folder, name, &status);
    if (status != zelmtp::Status::Ok) return ResultOf(status);
    std::vector<uint32_t> handles;
    if (existing != 0) {
        status = session.Player().PlaylistItems(session.Find(existing)->handle, handles);
        if (status != zelmtp::Status::Ok) return ResultOf(status);
    }
    for (DWORD item : items) {
        const Node* node = session.Find(item);
        if (node == nullptr || node->storage != storage) continue;  // a playlist holds objects of its own storage
        if (std::find(handles.begin(), handles.end(), node->handle) == handles.end()) handles.push_back(node->handle);
    }
    zelmtp::ObjectInfo object;
    status = session.Player().WritePlaylist(storage, parent, name, handles,
                                            existing != 0 ? session.Find(existing)->handle : 0, object);
    if (status != zelmtp::Status::Ok) return ResultOf(status);
    made = session.Adopt(object, folder);
    return ZEL_SUCCESS;
}

}  // namespace zelagent
