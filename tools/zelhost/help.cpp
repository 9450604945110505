// The --help texts.
#include "help.h"

#include <cstdio>
#include <map>

namespace zelhost {

namespace {

constexpr const char* kOverview = R"(zelhost - a command-line host for mass-storage and MTP media players

Usage: zelhost [--player DIR] [--card DIR] [--profile NAME|FILE] [--json] [-v]
               [--use-player-library] [--fat-names] COMMAND [ARGS]

A mass-storage player is a folder of this computer (--player DIR, or $ZELHOST_PLAYER);
zelhost maps it as the profile's drive letter (E:), creates the device object for it and
works through the device library. An MTP player (a profile of kind mtp, such as the
built-in mtp-player) is reached through the device agent: with --player DIR it is a
simulated MTP player whose storage is that folder (--card DIR adds its memory card, which
shows as the folder "Memory Card" of its root); without --player it is the real player
libmtp finds (zelhost devices lists them). Paths on the player are relative to its root: Music/Rock/a.mp3
(also /Music\Rock\a.mp3 or E:\Music\Rock\a.mp3), or begin with a special folder the
device opens itself: @music/Rock, @photo, @playlists, ... (zelhost help paths). Files of
this computer are given as usual (/home/u/a.mp3, ../a.mp3).

Commands:
  demo [--mtp]         make a player, send generated media to it, show what landed
                       (--mtp: a simulated MTP player with a memory card)
  devices              the MTP players libmtp finds on this computer
  info                 model, capacity, firmware fields and settings of the player
  ls [-l] [--flat] [PATH]
                       the tree below PATH (default the root); -l: sizes, times, database
  put FILE... [DEST]   send files to the player (DEST: a folder of the player)
  mkdir [-p] PATH...   make folders
  rm [-r] PATH...      delete files (-r: folders with everything in them)
  db                   the records of the player's database
  playlist ACTION      the player's playlists: list, show, create, rename, add, store, purge
  uploads [KIND...]    new recordings in the player's upload folders (music, video, photo)
  get [--move] PLAYER-PATH... [DEST]
                       copy files of the player to this computer (DEST: a folder, default .)
  game install FOLDER  install a downloaded game package into the player's game folder
  format [--yes]       remove everything on the player and set it up again: its folders,
                       the model's template files, an empty database (asks first)
  firmware [update FOLDER]
                       the firmware description (SYSTEM.VER); update: copy a firmware package
  eject                write the database and flush the player so that it may be unplugged
                       (not on an MTP player)
  rebuild              rebuild the player's database from the files on it, by the rules of
                       its model; then the records by type
  profiles [NAME]      the built-in profiles, or one of them in the profile format
  help [COMMAND]       this text, or a command's; help paths: the special folders

Options:
  --player DIR         the player's folder (made when missing); for an MTP profile the
                       simulated player's storage
  --card DIR           the simulated MTP player's memory card (made when missing)
  --profile NAME|FILE  a built-in profile or a profile file; the player keeps the last one
                       used (System/zelhost.profile), so later commands need no --profile.
                       Without either: xpl-db
  --json               results as JSON on standard output, no progress display
  -v, --verbose        the library's diagnostic lines on standard error
  --use-player-library load the database library the player carries even when it is
                       not zelhost's own. RISK: that library's code runs inside zelhost
                       with your rights; use it only for a player you trust. Without it
                       such a library is replaced by zelhost's own before anything loads
  --fat-names          on a FAT player, change names FAT refuses instead of refusing them:
                       each of " * / : < > ? \ | and control characters, and a dot or
                       space at the end, becomes _; a device name gets _ after it
                       (CON.mp3 -> CON_.mp3). Names over 255 units are still refused
  -h, --help           help (zelhost COMMAND --help for a command)
  --version            zelhost's version

Exit codes:
  0  success            3  refused by the player (unsupported type, wrong folder, exists,
                           a name FAT refuses on a FAT player: the message names the rule)
  1  zelhost failed     4  failed (missing source, copy or deletion failed, no such path,
  2  bad usage/profile     a source path too long for a record, no private copy possible,
                           the player is full: said so, nothing of the file kept)
  5  the player could not be set up (also: its System folder is a link out of it)
  6  a file landed or went, but the player's database could not be written; the message
     names the file whose record is missing or left over
  130, 143  interrupted by Ctrl-C (SIGINT) or SIGTERM: the file in flight is cancelled
     (a file it was to replace stays as it was), the batch stops, the database holds
     every file that landed. A second Ctrl-C ends zelhost at once.

Profile files: lines of "key = value", "#" comments. Keys: name, description, kind
(mass-storage|mtp; an MTP player keeps its own database), drive,
model, product-id, second-id, player-type (xpl|plp|none|N), capabilities (names or
numbers: playlists database lyrics video image text swf check-folder card-slot ...),
extensions (MP3.WMA.JPG), folder.music|video|photo|text|ts3|extra|broadcast|pack|pack2|guide
(or folder.0 .. folder.9), playlist-folder, album-art (WxH or 0), database (the
database library on the player, System\ZELPlayerDB.dll), special (repeatable, up to 6),
use-player-library (yes|no; as the option, and only in a profile given with --profile).
`zelhost profiles xpl-db` prints a complete example; tools/zelhost/README.md has the rest.
)";

const std::map<std::string, const char*> kCommandHelp = {
    {"demo", R"(Usage: zelhost [--player DIR] [--profile NAME] [--json] demo [--mtp]

Makes a player folder (in a new temporary folder unless --player names one) for a built-in
profile (xpl-db unless --profile names another), sets up the device, generates small real
media files (three tagged MP3 files with cover pictures, a JPEG photo, a text file), sends
them with progress bars, lists the player's tree and prints the files on the drive and the
records of the player's database. Needs no network; a player that does not take a kind of
file refuses it, and that does not fail the demo.
  --mtp   the same on a simulated MTP player (profile mtp-player unless --profile names
          another MTP profile) with a memory card, through the device agent; the files
          shown are those of the player's storage folder
)"},
    {"devices", R"(Usage: zelhost [--json] devices

The MTP players libmtp finds on this computer's USB buses: bus and device number, USB
vendor and product ids and names. ZEL_MTP_DEVICE=BUS:DEV (or a serial number) picks one
when several are connected; without it the first one found is used:
  ZEL_MTP_DEVICE=1:5 zelhost --profile mtp-player info
Says so plainly when none is found (exit code 0). A zelhost built without libmtp reaches
no real player: it says so and exits with code 3. Needs no --player.
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
    {"put", R"(Usage: zelhost [--json] put [OPTIONS] FILE... [DEST]
       zelhost put --to DEST [OPTIONS] FILE...

Sends files of this computer to the player. Each file is classified (GetMediaType); a
player that does not take its type refuses it (exit code 3), a file that does not exist
fails (exit code 4). Without DEST a file goes to the profile's folder for its kind
(music, video, photo, text); DEST is a folder of the player that exists (see mkdir), or a
special folder the device opens and makes when missing (@music, @video, ...; zelhost help
paths). With two or more names the last one is DEST when it is no file of this computer,
as with cp. Progress is a bar on a terminal and plain lines otherwise. Music files carry
their tags into the player's database, which is written after each file (exit code 6 when
it cannot be). A file replaces one of its name only once it is whole: a failure or Ctrl-C
leaves the old file and its record. A source whose path is longer than a record holds
(383 characters) is not sent. A picture whose path holds "temp" is sent from a private
copy (the library deletes such pictures after sending them); when no copy can be made it
is not sent. Copies live in a scratch folder of this run below $TMPDIR (or /tmp), removed
when zelhost ends.

Options (players with playlists):
  -t, --to DEST      the folder of the player the files go to
  --playlist NAME    the files join the playlist NAME (made when missing), after the
                     entries it has, each file once
  --mood N|NAME      the files join the mood playlist of class N: 1 to 4, or the mood's name
                     as zelhost playlist list shows it without "@" (calm, upbeat, ...)
  --myauro TEXT      the playlist's myAuro value (players with the myauro capability)
After the batch zelhost runs the device's playlist update (UpdatePlaylist), as a host
does: the files that landed join their playlists. A player without playlists refuses
--playlist and --mood (exit code 3).
)"},
    {"mkdir", R"(Usage: zelhost [--json] mkdir [-p] PATH...

Makes folders on the player. A name that exists is refused (exit code 3); a missing
parent fails (exit code 4) unless -p makes every missing level.
)"},
    {"rm", R"(Usage: zelhost [--json] rm [-r] PATH...

Deletes files of the player and their database records. A folder needs -r and goes with
everything in it; a symbolic link in it is removed as a link, never what it leads to. A
missing path fails (exit code 4); a folder without -r and the root are refused (exit
code 3). Afterwards the device brings the playlists in line (UpdatePlaylist): no playlist
keeps naming a file that was deleted.
)"},
    {"db", R"(Usage: zelhost [--json] db

The records the player's database holds, in the order they were first recorded: path,
media type, size and, for music, title, artist, album, year, track and length.
)"},
    {"playlist", R"(Usage: zelhost [--json] playlist ACTION [ARGS]

The playlists of the player's playlist folder, read and written through the device
(ReadPlaylist, StorePlaylist, NewPlayList, ChangePLName, UpdatePlaylist). NAME is a
playlist's name with or without its extension (Mix or Mix.xpl), matched without regard to
case; a name cannot hold \ / : * ? " < > |. A player whose profile keeps no playlist files
(capability playlists, player-type xpl or plp, and a playlist-folder) refuses every action
(exit code 3).
An MTP player keeps playlist objects in its playlist-folder (NAME or NAME.pla), which
grow as files join them (add, put --playlist or --mood) and lose deleted files by
themselves: list, show and add work on one; create, rename, store and purge are not
offered (exit code 3).

Actions:
  list                 the playlists and how many entries each holds, the mood playlists
                       (@Upbeat, @Calm, ...) among them
  show NAME            the entries in order, one path of the player a line: the form store
                       reads back. Entries whose files are not on the player are counted on
                       standard error; with --json each entry says "onPlayer"
  create NAME...       empty playlists (version 2.00 on myauro players); a name that
                       exists is refused (exit code 3)
  rename OLD NEW       gives a playlist a new name; a NEW that exists is refused (exit code
                       3), and so is every rename on a PLP player
  add NAME PATH...     files already on the player join the playlist (made when missing),
                       after the entries it has, each file once; a PATH that is no file of
                       the player fails (exit code 4)
  store NAME [FILE|-]  writes the playlist anew from an edited list: one path of the player
                       a line, as show prints them (@music/... allowed); blank lines and lines
                       that begin with # are skipped; standard input without FILE or with -.
                       When a line names no file of the player nothing is written (exit code
                       4). The playlist is made when missing and keeps its myAuro value. A PLP
                       playlist can name files below System/Music only.
  purge                drops from every playlist the entries whose files are gone (rm does
                       this after each deletion) and tells what each lost

Examples:
  zelhost put --playlist "Road Trip" --mood calm a.mp3 b.mp3 @music
  zelhost playlist show "Road Trip" > trip.txt     (edit trip.txt, then)
  zelhost playlist store "Road Trip" trip.txt
  zelhost playlist rename "Road Trip" Holiday

Exit codes: 0 done, 2 bad usage or playlist name, 3 refused, 4 no such playlist or file,
or a playlist that could not be written.
)"},
    {"uploads", R"(Usage: zelhost [--json] uploads [KIND...]

Lists the new content the player offers in its upload folders (the profile's special
folders, searched with every folder below them) for each KIND: music (MP3), video (MPG,
AVI, WMV, KVI), photo (JPG, GIF, BMP); all three without a KIND. A player whose profile
lacks the new-content capability or a special folder offers nothing (exit code 3); the
built-in profile 'recorder' has both. Fetch what is listed with get. An MTP player offers
no new content (exit code 3); get copies its files.
)"},
    {"get", R"(Usage: zelhost [--json] get [--move] PLAYER-PATH... [DEST]
       zelhost get [--move] --to DEST PLAYER-PATH...

Copies files of the player to DEST, a folder of this computer that exists (default: the
current folder). With two or more names the last one is DEST when it is no file of the
player, as with cp.
  - A different file of the same name in DEST is kept: the copy gets a numbered name,
    talk.mp3 -> talk~(1).mp3, talk~(2).mp3, ...
  - A file that is there already (a file of that name, or of a numbered name, with the
    same last-write time) is skipped.
  - A movie in the player's own format (.vmf) arrives as an .avi file, converted by the
    movie converter; without the converter it is copied as it is.
  -m, --move   delete each file from the player (and its database record) once its copy
               on this computer is whole and holds the same bytes; skipped files stay
The copy is written under a hidden name in DEST and renamed when whole, so a failure or
cancel leaves nothing behind. A missing file fails (exit code 4). Progress is a bar on a
terminal and plain lines otherwise. From an MTP player the device's agent reads the file
back (it keeps the player's time); a .vmf movie arrives as it is.
)"},
    {"game", R"(Usage: zelhost [--json] game install FOLDER

Game packages for the player.

Actions:
  install FOLDER       installs a downloaded game package, a folder of this computer, into
                       the player's game folder: Games/prg/NAME, or My Pack/Games/prg/NAME on
                       players with product id 0x5119 or higher (NAME is the folder's own
                       name), sub-folders included, with one progress bar for the whole
                       package. zelhost installs from a private copy, so FOLDER stays as it
                       is. A package that does not reach the player whole fails (exit code 4).
An MTP player takes no game packages (exit code 3).
)"},
    {"format", R"(Usage: zelhost [--json] format [--yes]

Formats the player: the drive-format library removes everything on it (links are removed
as links; nothing they point to is touched, nor anything outside the player's folder),
then the device sets the player up again: the volume label, the standard folders, the
template files of the model (FMT/<model> beside zelhost) and an empty database. On a
terminal zelhost asks first; --yes (-y) confirms without asking and is needed when no
terminal is attached (exit code 2 otherwise). Declined: exit code 3, nothing removed. The
stages show as a progress bar. Once begun a format runs to its end (a first Ctrl-C is
reported after it; a second quits at once and leaves the player half formatted). When it fails (exit code 4) zelhost lists what
is still on the player; -v shows the format library's own lines, which name every entry
it could not remove. zelhost refuses to format "/", the home folder or a folder holding
it, and the folder it runs from.
An MTP player is formatted by its agent: its storage is emptied (its memory card is
left alone) and the device makes the standard folders again; there is no volume label
(null in JSON) and no database.
)"},
    {"firmware", R"(Usage: zelhost [--json] firmware
       zelhost [--json] firmware update FOLDER

Without arguments: the firmware description the player keeps in SYSTEM.VER (or
SYSTEM/SYSTEM.VER): version, region, update id and the lines the device reads.
update FOLDER copies a firmware package of this computer onto the player with a progress
bar: the files of FOLDER go to the player's root, its folders to folders of the same name;
a folder named "system" goes to the player's system folder and ends the walk of the
folder that holds it; empty files are skipped. zelhost lists the files that were written
and the description read afresh. A failed copy exits with 4.
On an MTP player the device reads SYSTEM.VER through its agent (only its first 19 bytes
of a line count). The package is sent through the agent, which does not report each
file: zelhost lists what landed in a simulated player's folder, or what it sent ("sent")
to a real one.
)"},
    {"eject", R"(Usage: zelhost [--json] eject

Gets the player ready to be unplugged: the database is written, then the safe-removal
library flushes the file system the player's folder lies on. Exit code 0 when the flush
succeeded; 4 when it failed or the library is missing, 6 when the database could not be
written (do not unplug then). It does not
unmount the player's file system. An MTP player is no drive of this computer: there is
nothing to flush (exit code 3); it may be unplugged once no zelhost runs.
)"},
    {"rebuild", R"(Usage: zelhost [--json] rebuild

Rebuilds the player's database from the files on the player, for a database file that was
lost or is out of step with the files. The device walks the drive by the rules of the
player's model: most models take every file whose type is in the profile's extensions,
anywhere but the System and RECORDED folders (hidden files included); RW-M41 and RW-M43
take MP3, WMA and OGG files only and skip hidden entries; PHW-B2200 takes below the root
only the folders Music, Photo, Video and Imported Files, each with its own types; RW-LC8
takes its Music, Photo, Video and Text folders and starts each folder's log file again
from the model's template (FMT/RW-LC8 in the data folder). Each file is recorded with its
type, and music with its tags; the database is written once, at the end. Progress is a
bar on a terminal and plain lines otherwise; afterwards zelhost counts the records by
type.

A player without a database, or with less than 10 MiB free, is refused (exit code 3) and
nothing changes. When the rebuilt database cannot be written: exit code 6, and the player
keeps the database it had. Ctrl-C stops the rebuild (exit code 130): the rebuilt database
is never written and the player keeps the database it had, whole, as it does after a
second Ctrl-C, which ends zelhost at once. An MTP player keeps its own database: the player
does not offer a rebuild (exit code 3).
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
