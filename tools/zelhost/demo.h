// zelhost demo: a whole round of the library on a fresh player, without
// arguments and without a network.
#pragma once

#include "commands.h"

namespace zelhost {

// Makes a player folder (below a new temporary folder unless --player names
// one), sets the device up for a built-in profile, generates a few small real
// media files, sends them with progress bars, and shows the tree, the files on
// the drive and the database records. With --mtp the player is a simulated MTP
// player with a memory card.
int RunDemo(const SessionOptions& options, const Args& args);

}  // namespace zelhost
