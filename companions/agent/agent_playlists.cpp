// Playlist objects: finding the items and merging them into a playlist.
#include "agent_playlists.h"

#include <algorithm>

#include "ZELDevice/abi/Codes.h"
#include "agent_objects.h"

namespace zelagent {

DWORD PlaylistItem(Session& session, const std::u16string& item) {
    if (item.find_first_of(u"\\/") != std::u16string::npos) {
        const DWORD node = session.Resolve(item);
        return node != 0 && !session.Find(node)->folder ? node : 0;
    }
    if (const DWORD sent = session.SentByName(item)) return sent;
    const DWORD here = session.Child(session.Current(), item);
    return here != 0 && !session.Find(here)->folder ? here : 0;
}

DWORD WritePlaylist(Session& session, DWORD folder, const std::u16string& name, const std::vector<DWORD>& items,
                    DWORD& made) {
    const Node* target = session.Find(folder);
    if (target == nullptr || !target->folder || name.empty()) return ZEL_FAILURE;
    const uint32_t storage = target->storage, parent = target->handle;

    // The playlist there already: the object of that name, with or without ".pla".
    std::vector<DWORD> children;
    zelmtp::Status status = zelmtp::Status::Ok;
    if (!session.Children(folder, children, &status)) return ResultOf(status);
    DWORD existing = 0;
    for (DWORD child : children) {
        const Node* node = session.Find(child);
        if (node->format == zelmtp::kFormatPlaylist && (SameName(node->name, name) || SameName(node->name, name + u".pla")))
            existing = child;
    }

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
