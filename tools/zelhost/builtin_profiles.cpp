// The profiles zelhost knows by name. Each describes a kind of player; they are
// written in the profile text format so that `zelhost profiles NAME` can hand
// one out as the start of a profile file of one's own.
#include <utility>

#include "profile.h"

namespace zelhost {

namespace {

const std::pair<const char*, const char*> kBuiltins[] = {
    {"xpl-db", R"(# A music and photo player with XPL playlists that carries its own media
# database (the reference database library, installed on the player by zelhost).
name = xpl-db
description = XPL player with a media database, album art 128x128
model = XPL Player DB
product-id = 0x6001
player-type = xpl
capabilities = playlists database video image text check-folder music-special
extensions = MP3.WMA.OGG.ASF.WMV.AVI.JPG.BMP.TXT
folder.music = Music
folder.video = Video
folder.photo = Photo
folder.text = Text
playlist-folder = Playlists
album-art = 128x128
database = System\ZELPlayerDB.dll
special = Playlists
)"},
    {"plp-plain", R"(# A small music player with PLP playlists and no database of its own; it
# shows photos but takes no video and no text.
name = plp-plain
description = PLP player without a database, music and photos
model = PLP Player
product-id = 0x6002
player-type = plp
capabilities = playlists image music-special
extensions = MP3.WMA.JPG
folder.music = Music
folder.photo = Pictures
playlist-folder = Playlists
)"},
    {"video-player", R"(# A video player without playlist files or database: every kind of media in
# any folder.
name = video-player
description = video player without playlists or database, any file anywhere
model = Video Player
product-id = 0x6003
player-type = none
capabilities = video image text
extensions = MP3.WMA.MPG.AVI.WMV.ASF.JPG.GIF.BMP.TXT
folder.music = Music
folder.video = Video
folder.photo = Photo
folder.text = Text
)"},
    {"recorder", R"(# A voice and video recorder: it offers what it records for upload from its
# Record and Radio\FM folders, keeps movies in its own format (VMF, uploaded as
# AVI) and takes game packages below My Pack.
name = recorder
description = recorder with upload folders Record and Radio/FM, VMF movies, games
model = Recorder
product-id = 0x5120
player-type = none
capabilities = video image text new-content
extensions = MP3.WMA.WAV.VMF.AVI.MPG.WMV.JPG.BMP.TXT
folder.music = Music
folder.video = Video
folder.photo = Photo
folder.text = Text
special = Record
special = Radio\FM
)"},
    {"mtp-player", R"(# An MTP player, reached through the device agent: a simulated one over a
# folder of this computer (--player DIR, and --card DIR for its memory card), or
# without --player the MTP player libmtp finds. It keeps its own database, and
# its playlists as playlist objects in its playlist folder.
name = mtp-player
description = MTP player (simulated with --player DIR, or a real one through libmtp)
kind = mtp
model = MTP Player
product-id = 0x6010
player-type = none
capabilities = playlists video image text music-special
extensions = MP3.WMA.OGG.WMV.ASF.AVI.JPG.BMP.TXT
folder.music = Music
folder.video = Video
folder.photo = Photo
folder.text = Text
playlist-folder = Playlists
album-art = 128x128
)"},
};

}  // namespace

const std::vector<std::string>& BuiltinProfileNames() {
    static const std::vector<std::string> names = [] {
        std::vector<std::string> list;
        for (const auto& builtin : kBuiltins) list.emplace_back(builtin.first);
        return list;
    }();
    return names;
}

std::string BuiltinProfileText(const std::string& name) {
    for (const auto& builtin : kBuiltins)
        if (name == builtin.first) return builtin.second;
    return {};
}

}  // namespace zelhost
