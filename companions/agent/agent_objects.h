// What the agent does with the player's objects above the backend: sending a
// file with progress reports and cancel, making folders along a path, reading
// an object back to the computer, deleting, and the result codes of the
// device library for each outcome.
#pragma once

#include <string>

#include "agent_session.h"

namespace zelagent {

// Stops the copy that runs; cleared when the next copy starts.
void RequestCancel();

// The device library's code for a backend answer (ZEL_SUCCESS for Ok).
DWORD ResultOf(zelmtp::Status status);

// Sends the computer file at source (a Windows path) into folder under name.
// A file of that name there is replaced only once the new one is complete.
// During the copy the session's window gets progress reports. made receives
// the new node.
DWORD SendFile(Session& session, const std::u16string& source, DWORD folder, const std::u16string& name, DWORD& made);

// Makes the folders of a path: from base, or from the top of base's storage
// when the path begins with "\". last receives the node of the last folder
// and made whether that one is new. False when a step cannot be made or names
// a file.
bool MakeFolders(Session& session, const std::u16string& path, DWORD base, DWORD& last, bool& made);

// Copies a file object to the computer file target (a Windows path in an
// existing folder) through a temporary file beside it; with overwrite false
// an existing file is left alone and the answer is false.
bool ReadBack(Session& session, DWORD node, const std::u16string& target, bool overwrite);

// Deletes an object; a folder goes with everything below it.
DWORD DeleteObject(Session& session, DWORD node);

}  // namespace zelagent
