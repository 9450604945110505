// The --help texts.
#include "help.h"

#include <cstdio>
#include <map>

namespace zelhost {

namespace {

constexpr const char* kOverview = R"(zelhost - a command-line host for mass-storage media players

Usage: zelhost [--player DIR] [--profile NAME|FILE] [--json] [-v] COMMAND [ARGS]

The player is a folder of this computer (--player DIR, or $ZELHOST_PLAYER); zelhost maps
it as the profile's drive letter (E:), creates the device object for it and works through
the device library. Paths on the player are relative to its root: Music/Rock/a.mp3
(also /Music\Rock\a.mp3 or E:\Music\Rock\a.mp3). Files of this computer are given as
usual (/home/u/a.mp3, ../a.mp3).

Commands:
  demo                 make a player, send generated media to it, show what landed
  info                 model, capacity, firmware fields and settings of the player
  ls [-l] [--flat] [PATH]
                       the tree below PATH (default the root); -l: sizes, times, database
  put FILE... [DEST]   send files to the player (DEST: a folder of the player)
  mkdir [-p] PATH...   make folders
  rm [-r] PATH...      delete files (-r: folders with everything in them)
  db                   the records of the player's database
  profiles [NAME]      the built-in profiles, or one of them in the profile format
  help [COMMAND]       this text, or a command's

Options:
  --player DIR         the player's folder (made when missing)
  --profile NAME|FILE  a built-in profile or a profile file; the player keeps the last one
                       used (System/zelhost.profile), so later commands need no --profile.
                       Without either: xpl-db
  --json               results as JSON on standard output, no progress display
  -v, --verbose        the library's diagnostic lines on standard error
  -h, --help           help (zelhost COMMAND --help for a command)

Exit codes:
  0  success            3  refused by the player (unsupported type, wrong folder, exists)
  1  zelhost failed     4  failed (missing source, copy or deletion failed, no such path)
  2  bad usage/profile  5  the player could not be set up

Profile files: lines of "key = value", "#" comments. Keys: name, description, drive,
model, product-id, second-id, player-type (xpl|plp|none|N), capabilities (names or
numbers: playlists database lyrics video image text swf check-folder card-slot ...),
extensions (MP3.WMA.JPG), folder.music|video|photo|text|ts3|extra|broadcast|pack|pack2|guide
(or folder.0 .. folder.9), playlist-folder, album-art (WxH or 0), database (the
database library on the player, System\ZELPlayerDB.dll), special (repeatable, up to 6).
`zelhost profiles xpl-db` prints a complete example; tools/zelhost/README.md has the rest.
)";

const std::map<std::string, const char*> kCommandHelp = {
    {"demo", R"(Usage: zelhost [--player DIR] [--profile NAME] [--json] demo

Makes a player folder (in a new temporary folder unless --player names one) for a built-in
profile (xpl-db unless --profile names another), sets up the device, generates small real
media files (three tagged MP3 files with cover pictures, a JPEG photo, a text file), sends
them with progress bars, lists the player's tree and prints the files on the drive and the
records of the player's database. Needs no network; a player that does not take a kind of
file refuses it, and that does not fail the demo.
)"},
    {"info", R"(Usage: zelhost [--json] info

Model name and product id, capacity and free space (MB), the firmware fields read from the
player's SYSTEM.VER, player type, capabilities, extensions, folders and the database.
)"},
    {"ls", R"(Usage: zelhost [--json] ls [-l] [--flat] [PATH]

Lists the tree below a folder of the player (the root by default) as the device lists it.
  -l, --long   size, media type, time of last change, and whether the player's database
               holds the file (yes / no; "-" for folders and players without a database);
               with --json each entry also carries its database record
  --flat       only the folder itself, not the folders below it
A PATH that names a file lists that file.
)"},
    {"put", R"(Usage: zelhost [--json] put FILE... [DEST]
       zelhost put --to DEST FILE...

Sends files of this computer to the player. Each file is classified (GetMediaType); a
player that does not take its type refuses it (exit code 3), a file that does not exist
fails (exit code 4). Without DEST a file goes to the profile's folder for its kind
(music, video, photo, text); DEST is a folder of the player that exists (see mkdir). With
two or more names the last one is DEST when it is no file of this computer, as with cp.
Progress is a bar on a terminal and plain lines otherwise. Music files carry their tags
into the player's database.
)"},
    {"mkdir", R"(Usage: zelhost [--json] mkdir [-p] PATH...

Makes folders on the player. A name that exists is refused (exit code 3); a missing
parent fails (exit code 4) unless -p makes every missing level.
)"},
    {"rm", R"(Usage: zelhost [--json] rm [-r] PATH...

Deletes files of the player and their database records. A folder needs -r and goes with
everything in it. A missing path fails (exit code 4); a folder without -r and the root are
refused (exit code 3).
)"},
    {"db", R"(Usage: zelhost [--json] db

The records the player's database holds, in the order they were first recorded: path,
media type, size and, for music, title, artist, album, year, track and length.
)"},
    {"profiles", R"(Usage: zelhost profiles [NAME]

Without a name: the built-in profiles. With one: that profile in the profile format,
a start for a profile file of one's own (zelhost --profile FILE ...).
)"},
};

}  // namespace

bool PrintHelp(const std::string& command) {
    if (command.empty()) {
        std::fputs(kOverview, stdout);
        return true;
    }
    const auto found = kCommandHelp.find(command);
    if (found == kCommandHelp.end()) {
        std::fprintf(stderr, "zelhost: no command '%s' (zelhost --help lists them)\n", command.c_str());
        return false;
    }
    std::fputs(found->second, stdout);
    return true;
}

}  // namespace zelhost
