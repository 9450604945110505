// What the device asked of the agent's playlist calls: this test program
// defines those calls itself, records each one and hands it on to the agent.
#pragma once

#include <string>
#include <vector>

struct PlaylistCall {
    std::string call;                 // "update" (Agent_MTPUpdatePlaylist) or "mood" (Agent_MTPUpdateMoodPlaylist)
    std::vector<std::u16string> names;  // the playlist names (one for "mood")
    std::vector<std::u16string> paths;
};

// The calls since the last ClearPlaylistCalls, in order.
const std::vector<PlaylistCall>& PlaylistCalls();
void ClearPlaylistCalls();
