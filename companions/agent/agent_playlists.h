// Playlist objects written by the agent: a playlist named by the device is
// created in the agent's playlist folder, or, when it is there already, gets
// the new items appended after the ones it holds (an item it holds already
// keeps its place); and the items of a playlist read back as nodes.
#pragma once

#include <string>
#include <vector>

#include "agent_session.h"

namespace zelagent {

// The node an item of the device's lists names: a device path, or a file
// name, looked up among the files sent during the session and then in the
// current folder. 0 when there is none.
DWORD PlaylistItem(Session& session, const std::u16string& item);

// The playlist object of a name in folder: the object of that name, with or
// without ".pla". 0 when there is none (status, when given, says why).
DWORD FindPlaylist(Session& session, DWORD folder, const std::u16string& name, zelmtp::Status* status = nullptr);

// The items of a playlist object as nodes, in its order; an item the player
// no longer has is left out. False when the player cannot say.
bool PlaylistNodes(Session& session, DWORD playlist, std::vector<DWORD>& items);

// Writes the playlist name with items into folder; made receives its node.
DWORD WritePlaylist(Session& session, DWORD folder, const std::u16string& name, const std::vector<DWORD>& items,
                    DWORD& made);

}  // namespace zelagent
