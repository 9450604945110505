// The player's playlists through the device, and the playlist updates that
// put and rm run after their batches.
#include "playlists.h"

#include "fat_names.h"

#include <cstdlib>
#include <string_view>

#include "report.h"

namespace zelhost {

namespace {

// The longest path the playlist files take (their line buffers hold 259 units).
constexpr size_t kLongestPlaylistPath = 259;

std::u16string Extension(Session& session) {
    if (session.IsMtp()) return u".pla";  // the name a playlist object usually carries
    return session.Device().m_Settings.PlayerType == 2 ? u".plp" : u".xpl";
}

bool EndsWithNoCase(const std::u16string& text, const std::u16string& tail) {
    return text.size() >= tail.size() && lstrcmpiW(text.substr(text.size() - tail.size()).c_str(), tail.c_str()) == 0;
}

std::u16string WithoutLineEnd(std::u16string line) {
    while (!line.empty() && (line.back() == u'\n' || line.back() == u'\r')) line.pop_back();
    return line;
}

// The playlist folder as a path of the player.
std::vector<std::u16string> PlaylistFolder(Session& session) {
    return Session::SplitPlayerPath(ZelToUtf8(FieldText(session.Device().m_Settings.PlaylistFile)));
}

// Makes the folder's missing levels and enters it. False with error filled.
bool EnterMaking(Session& session, const std::vector<std::u16string>& folder, std::string& error) {
    std::vector<std::u16string> reached;
    for (const std::u16string& level : folder) {
        if (!session.GoTo(reached, error)) return false;
        const std::optional<PlayerEntry> entry = session.FindInCurrent(level);
        std::u16string name = entry ? entry->name : level;
        if (!entry && !session.Device().MakeFolder(name.data())) {
            error = "the folder " + ZelToUtf8(name) + " could not be made";
            return false;
        }
        reached.push_back(name);
    }
    return session.GoTo(reached, error);
}

}  // namespace

bool KeepsPlaylists(Session& session) {
    const tagDeviceSettings& settings = session.Device().m_Settings;
    // An MTP player keeps playlist objects in its playlist folder, whatever its player type.
    if (session.IsMtp()) return settings.PlaylistFile[0] != 0;
    return (settings.Capabilities & ZEL_CAP_PLAYLISTS) && (settings.PlayerType == 1 || settings.PlayerType == 2) &&
           settings.PlaylistFile[0] != 0;
}

std::string NoPlaylistsReason(Session& session) {
    if (session.IsMtp())
        return "the player keeps no playlists (profile " + session.GetProfile().name + ": it needs a playlist-folder)";
    return "the player keeps no playlist files (profile " + session.GetProfile().name +
           ": it needs the capability playlists, player-type xpl or plp and a playlist-folder)";
}

std::vector<PlayerPlaylist> ListPlaylists(Session& session) {
    std::vector<PlayerPlaylist> playlists;
    CZEL_Device& device = session.Device();
    const std::u16string extension = Extension(session);
    auto add = [&](const std::u16string& file) {
        if (!EndsWithNoCase(file, extension)) return;
        playlists.push_back({file.substr(0, file.size() - extension.size()), file});
    };
    if (CZEL_DeviceForMTP* mtp = session.MtpDevice()) {
        // The playlist objects of the playlist folder, with or without their ".pla".
        std::string missing;
        std::vector<std::u16string> folder = PlaylistFolder(session);
        if (!session.GoTo(folder, missing)) return playlists;
        CStringArray items;
        for (const PlayerEntry& entry : session.ListCurrent()) {
            if (entry.folder || !mtp->ReadPlaylistItems(entry.name.c_str(), items)) continue;
            const bool named = EndsWithNoCase(entry.name, extension);
            playlists.push_back({named ? entry.name.substr(0, entry.name.size() - extension.size()) : entry.name, entry.name});
        }
        return playlists;
    }
    if (device.m_Settings.PlayerType == 1) {
        for (LPCWSTR path = device.GetFirstPlaylistName(); path != nullptr; path = device.GetNextPlaylistName()) {
            const std::u16string full(path);
            add(full.substr(full.rfind(u'\\') + 1));
        }
        return playlists;
    }
    // The device names XPL files only; a PLP player's folder is listed as the device lists it.
    device.MoveSpecialFolder(8);
    for (const PlayerEntry& entry : session.ListCurrent())
        if (!entry.folder) add(entry.name);
    return playlists;
}

std::optional<PlayerPlaylist> FindPlaylist(Session& session, const std::u16string& name) {
    std::u16string bare = name;
    const std::u16string extension = Extension(session);
    if (EndsWithNoCase(bare, extension)) bare.erase(bare.size() - extension.size());
    std::optional<PlayerPlaylist> found;
    for (PlayerPlaylist& playlist : ListPlaylists(session)) {
        if (playlist.name == bare) return playlist;  // an exact match wins over one that differs in case
        if (!found && lstrcmpiW(playlist.name.c_str(), bare.c_str()) == 0) found = playlist;
    }
    return found;
}

std::vector<std::u16string> ReadPlaylistEntries(Session& session, const PlayerPlaylist& playlist,
                                                 std::u16string* myAuro) {
    CZEL_Device& device = session.Device();
    std::vector<std::u16string> paths;
    if (CZEL_DeviceForMTP* mtp = session.MtpDevice()) {
        // A playlist object names the player's files by their device paths.
        CStringArray items;
        mtp->ReadPlaylistItems(playlist.file.c_str(), items);
        for (INT_PTR i = 0; i < items.GetSize(); ++i) paths.push_back(items[i].Str());
        if (myAuro != nullptr) myAuro->clear();
        return paths;
    }
    // ReadPlaylist appends; the host empties the lists first.
    device.GetPlaylistItemNames().RemoveAll();
    device.GetPlaylistItemEntries().RemoveAll();
    std::u16string file = playlist.file;
    device.ReadPlaylist(file.data());
    if (myAuro != nullptr) *myAuro = device.GetPlaylistMyAuroValue().Str();

    const std::u16string drive{session.Drive(), u':'};
    if (device.m_Settings.PlayerType == 2) {
        // A PLP player delivers whole entry lines, "HDD, " and the path below the root.
        const CStringArray& lines = device.GetPlaylistItemNames();
        for (INT_PTR i = 0; i < lines.GetSize(); ++i) {
            const std::u16string line = WithoutLineEnd(lines[i].Str());
            if (line.rfind(u"HDD, ", 0) == 0) paths.push_back(drive + u"\\" + line.substr(5));
        }
    } else {
        // An XPL player delivers the entry lines as stored: the path without its drive.
        const CStringArray& lines = device.GetPlaylistItemEntries();
        for (INT_PTR i = 0; i < lines.GetSize(); ++i) paths.push_back(drive + WithoutLineEnd(lines[i].Str()));
    }
    return paths;
}

bool CheckPlaylistName(Session& session, const std::string& given, std::u16string& name, std::string& error) {
    name = ZelFromUtf8(given);
    const std::u16string extension = Extension(session);
    if (EndsWithNoCase(name, extension)) name.erase(name.size() - extension.size());
    if (name.empty() || name == u"." || name == u"..") {
        error = "'" + given + "' is no playlist name";
        return false;
    }
    for (char16_t c : name) {
        if (c < 0x20 || std::u16string_view(u"\\/:*?\"<>|").find(c) != std::u16string_view::npos) {
            error = "a playlist name cannot hold \\ / : * ? \" < > | or control characters";
            return false;
        }
    }
    // On a FAT player the playlist's file name keeps FAT's rules too.
    const ZelNameRule rule =
        ZelDriveKeepsFatNames(session.Drive()) ? ZelFatNameRule((name + extension).c_str()) : ZEL_NAME_ALLOWED;
    if (rule != ZEL_NAME_ALLOWED) {
        error = FatRuleMessage(rule, name + extension, false);
        return false;
    }
    const size_t folder = FieldText(session.Device().m_Settings.PlaylistFile).size();
    if (folder + 1 + name.size() + extension.size() > kLongestPlaylistPath) {
        error = "the playlist name is too long for the playlist folder";
        return false;
    }
    return true;
}

bool TakePlaylistOption(const Args& args, size_t& k, PlaylistJoin& join, std::string& error) {
    const std::string& option = args[k];
    if (option != "--playlist" && option != "--mood" && option != "--myauro") return false;
    if (k + 1 == args.size()) {
        error = option + " needs a value";
        return true;
    }
    const std::string& value = args[++k];
    if (option == "--playlist")
        join.playlist = ZelFromUtf8(value);
    else if (option == "--mood")
        join.moodText = value;
    else
        join.myAuro = ZelFromUtf8(value);
    return true;
}

bool ResolvePlaylistJoin(Session& session, PlaylistJoin& join, std::string& error) {
    if (!join.Any()) return true;
    if (!join.playlist.empty()) {
        std::u16string name;
        if (!CheckPlaylistName(session, ZelToUtf8(join.playlist), name, error)) return false;
        join.playlist = name;
    }
    if (join.moodText.empty()) return true;
    // A mood by its class, or by the name the device gives its mood playlist.
    char* end = nullptr;
    const long number = std::strtol(join.moodText.c_str(), &end, 10);
    if (end != join.moodText.c_str() && *end == 0 && number >= 1 && number <= 4) {
        join.mood = static_cast<UINT>(number);
        return true;
    }
    std::string known;
    for (int mood = 1; mood <= 4; ++mood) {
        std::u16string name = session.Device().GetMoodPlaylistName(mood).Str();
        if (!name.empty() && name[0] == u'@') name.erase(0, 1);
        if (lstrcmpiW(name.c_str(), ZelFromUtf8(join.moodText).c_str()) == 0) {
            join.mood = static_cast<UINT>(mood);
            return true;
        }
        known += (mood == 1 ? "" : ", ") + std::to_string(mood) + " " + ZelToUtf8(name);
    }
    error = "--mood takes 1 to 4 or a mood's name (" + known + ")";
    return false;
}

void JoinPlaylist(Session& session, const std::u16string& devicePath, const PlaylistJoin& join) {
    if (!join.Any()) return;
    // A mass-storage device records a name of its current folder; an MTP device
    // the name as it is given, which its agent finds by the device path.
    std::u16string file = session.IsMtp() ? devicePath : devicePath.substr(devicePath.rfind(u'\\') + 1);
    std::u16string playlist = join.playlist;
    std::u16string myAuro = join.myAuro.value_or(std::u16string());
    // The device records the file of its current folder: where the file just landed.
    session.Device().IsExistFile(file.data(), playlist.empty() ? nullptr : playlist.data(),
                                 join.myAuro ? myAuro.data() : nullptr, join.mood);
}

void UpdatePlaylistsAfterTransfer(Session& session) {
    if (!KeepsPlaylists(session)) return;
    std::string error;
    // An MTP device writes the playlist objects into the folder the host shows:
    // the playlist folder, made when missing.
    if (session.IsMtp() && !EnterMaking(session, PlaylistFolder(session), error))
        Complain("the files joined no playlist: " + error);
    else
        session.Device().UpdatePlaylist(1, nullptr, nullptr, nullptr);
    session.Device().RefreshDeviceInfo(0);
}

void UpdatePlaylistsAfterDeletion(Session& session) {
    // An MTP player drops a deleted file from its playlists itself.
    if (KeepsPlaylists(session) && !session.IsMtp()) session.Device().UpdatePlaylist(0, nullptr, nullptr, nullptr);
}

}  // namespace zelhost
