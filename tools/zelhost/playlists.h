// Playlists of the player as zelhost works with them: the ones the device
// lists, their entries, and what put, rm and `zelhost playlist` ask of the
// device's playlist update.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "commands.h"

namespace zelhost {

// One playlist file of the player's playlist folder.
struct PlayerPlaylist {
    std::u16string name;  // "Road Trip"
    std::u16string file;  // "Road Trip.xpl"
};

// The player keeps playlist files (capability playlists, player type xpl or plp).
bool KeepsPlaylists(Session& session);
// Why a player keeps none, for people.
std::string NoPlaylistsReason(Session& session);

// The player's playlists in the order the device lists them: the XPL files
// the device names (GetFirstPlaylistName), or the PLP files of its playlist
// folder as the device lists it (the folder becomes the current one).
std::vector<PlayerPlaylist> ListPlaylists(Session& session);
// The playlist of a name (with or without its extension, any letter case).
std::optional<PlayerPlaylist> FindPlaylist(Session& session, const std::u16string& name);
// The entries of a playlist as full device paths (E:\Music\a.mp3), in order,
// read through the device (ReadPlaylist); myAuro receives its myAuro value.
std::vector<std::u16string> ReadPlaylistEntries(Session& session, const PlayerPlaylist& playlist,
                                                 std::u16string* myAuro = nullptr);
// A playlist name as given, without the player's playlist extension when it
// carries one. False with error filled for a name that cannot be a playlist
// file (empty, a folder separator or another character files cannot have,
// too long for the playlist folder).
bool CheckPlaylistName(Session& session, const std::string& given, std::u16string& name, std::string& error);

// What put --playlist, --mood and --myauro ask for the files they send.
struct PlaylistJoin {
    std::u16string playlist;  // empty: no named playlist
    std::string moodText;     // as given: 1 to 4, or a mood's name
    UINT mood = 0;            // resolved by ResolveMood
    std::optional<std::u16string> myAuro;

    bool Any() const { return !playlist.empty() || !moodText.empty(); }
};
// Takes the option at args[k] (and its value) when it is one of the three;
// false when it is none of them. error is filled for an option without its value.
bool TakePlaylistOption(const Args& args, size_t& k, PlaylistJoin& join, std::string& error);
// Checks the choice of a player that keeps playlists: a playlist name that can
// be a file name, a mood 1 to 4 or one of the device's mood names. False with
// error filled.
bool ResolvePlaylistJoin(Session& session, PlaylistJoin& join, std::string& error);
// Records a file that landed at devicePath, in the device's current folder, for the playlist update.
void JoinPlaylist(Session& session, const std::u16string& devicePath, const PlaylistJoin& join);
// After files were sent: the device merges them into their playlists (and
// empties its transfer lists), as a host does after a batch. An MTP device
// does it from the playlist folder, which then is the current folder.
void UpdatePlaylistsAfterTransfer(Session& session);
// After files were deleted: every playlist loses the entries whose files are gone.
void UpdatePlaylistsAfterDeletion(Session& session);

}  // namespace zelhost
