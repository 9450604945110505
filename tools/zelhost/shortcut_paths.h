// The player's special folders on the command line: "@music", "@photo",
// "@playlists", ... stand for the folders the device opens directly
// (MoveSpecialFolder), and may begin any path of the player ("@music/Rock").
#pragma once

#include <string>
#include <vector>

#include "session.h"

namespace zelhost {

// One special folder name and what the device opens for it.
struct SpecialPath {
    const char* name;     // without "@"
    int id;               // MoveSpecialFolder id
    DWORD capability;     // what the player needs for it (0: every player)
    int folderEntry;      // Folders entry that names it; -1 for the others
    const char* meaning;  // for people
};

// Every special folder name, in the order `zelhost help paths` lists them.
const std::vector<SpecialPath>& SpecialPaths();
// The special folder a path component names ("@music"); null for an ordinary name.
const SpecialPath* FindSpecialPath(const std::u16string& component);
// The folder a special path stands for on a player of this profile, below the
// root ("Music", "My Pack\Songs"); empty when the player has no such folder.
std::u16string SpecialFolderOf(const SpecialPath& special, const Profile& profile);

// When the path begins with a special folder name, the device opens that
// folder (making it when missing) and the name gives way to the folder's own
// path; opened tells how many components that path has (0 for an ordinary
// path). False with error filled when the player has no such folder.
bool OpenSpecialFolder(Session& session, std::vector<std::u16string>& components, size_t& opened, std::string& error);

// The same without asking the device: the special folder's path as the
// player's settings name it stands for the name (nothing is opened or made).
bool ExpandSpecialPath(Session& session, std::vector<std::u16string>& components, size_t& opened, std::string& error);

// `zelhost help paths`: the special folder names, and which the player's
// profile (from the options, else the player's, else the default) has.
bool PrintPathsHelp(const SessionOptions& options);

}  // namespace zelhost
