// The special folder names of zelhost's player paths and `zelhost help paths`.
#include "shortcut_paths.h"

#include <cstdio>
#include <filesystem>
#include <optional>

#include "commands.h"

namespace zelhost {

namespace fs = std::filesystem;

namespace {

constexpr int kNoEntry = -1;
constexpr int kLastMtpKind = 7;  // the special folders an MTP player opens itself
const char16_t kPack[] = u"My Pack";

// The folder below the root that a Folders entry, the playlist folder or the
// pack folders name; the drive of a full path is dropped.
std::u16string BelowRoot(const std::u16string& path) {
    if (path.size() >= 3 && path[1] == u':' && path[2] == u'\\') return path.substr(3);
    return path;
}

std::string Needs(const SpecialPath& special) {
    std::string needs;
    if (special.capability != 0) needs = "capability " + CapabilityName(special.capability);
    if (special.id == 11) needs = "capability myauro or uci";
    if (special.folderEntry != kNoEntry)
        needs += (needs.empty() ? "" : " and ") + std::string("folder.") + FolderKeyName(special.folderEntry);
    if (special.id == 8) needs += " and playlist-folder";
    return needs;
}

// The folder below the root a special name opens on a player with these
// settings ("" for the root); none when the player has no such folder.
std::optional<std::u16string> SpecialFolderIn(const SpecialPath& special, const tagDeviceSettings& settings) {
    const DWORD caps = settings.Capabilities;
    if (special.capability != 0 && !(caps & special.capability)) return std::nullopt;
    switch (special.id) {
    case 6: return std::u16string();
    case 8: {
        const std::u16string folder = BelowRoot(FieldText(settings.PlaylistFile));
        return folder.empty() ? std::nullopt : std::optional(folder);
    }
    case 11:
        // Only a player that keeps packs gets a "My Pack" folder made.
        if (!(caps & (ZEL_CAP_MYAURO | ZEL_CAP_UCI))) return std::nullopt;
        return std::u16string(kPack);
    default: break;
    }
    const std::u16string folder = FieldText(settings.Folders[special.folderEntry]);
    if (folder.empty()) return std::nullopt;
    if (special.id == 9 || special.id == 10) return std::u16string(kPack) + u"\\" + folder;
    return folder;
}

}  // namespace

const std::vector<SpecialPath>& SpecialPaths() {
    static const std::vector<SpecialPath> paths = {
        {"music", 1, ZEL_CAP_MUSIC_SPECIAL, 0, "the music folder, made level by level when missing"},
        {"photo", 2, ZEL_CAP_IMAGE, 2, "the photo folder"},
        {"video", 3, ZEL_CAP_VIDEO, 1, "the video folder"},
        {"text", 4, ZEL_CAP_TEXT, 3, "the text folder"},
        {"ts3", 5, ZEL_CAP_TS3, 4, "the TS3 folder"},
        {"root", 6, 0, kNoEntry, "the root of the player"},
        {"broadcast", 7, ZEL_CAP_BROADCAST, 6, "the broadcast folder"},
        {"playlists", 8, ZEL_CAP_PLAYLISTS, kNoEntry, "the playlist folder"},
        {"pack", 9, ZEL_CAP_MYAURO, 7, "the pack folder inside \"My Pack\", entered but never made"},
        {"pack2", 10, ZEL_CAP_MYAURO, 8, "the second pack folder inside \"My Pack\""},
        {"mypack", 11, 0, kNoEntry, "the folder \"My Pack\""},
    };
    return paths;
}

const SpecialPath* FindSpecialPath(const std::u16string& component) {
    if (component.size() < 2 || component[0] != u'@') return nullptr;
    const std::u16string name = component.substr(1);
    for (const SpecialPath& special : SpecialPaths())
        if (lstrcmpiW(name.c_str(), ZelFromUtf8(special.name).c_str()) == 0) return &special;
    return nullptr;
}

std::u16string SpecialFolderOf(const SpecialPath& special, const Profile& profile) {
    tagDeviceSettings settings{};
    profile.FillSettings(settings);
    return SpecialFolderIn(special, settings).value_or(std::u16string());
}

namespace {

// The special folder a path begins with, checked against the player: null for
// an ordinary path, and also (with error filled) for one the player lacks.
const SpecialPath* SpecialPathOf(Session& session, const std::vector<std::u16string>& components,
                                 std::string& error) {
    const SpecialPath* special = components.empty() ? nullptr : FindSpecialPath(components[0]);
    if (special == nullptr || SpecialFolderIn(*special, session.Device().m_Settings)) return special;
    error = "the player has no @" + std::string(special->name) + " folder (its profile lacks " + Needs(*special) +
            "; zelhost help paths)";
    return nullptr;
}

// The path's first component gives way to the folder's own path (a full device path).
void ReplaceName(std::vector<std::u16string>& components, const std::u16string& folder, size_t& opened) {
    const std::vector<std::u16string> path = Session::SplitPlayerPath(ZelToUtf8(folder));
    components.erase(components.begin());
    components.insert(components.begin(), path.begin(), path.end());
    opened = path.size();
}

}  // namespace

bool OpenSpecialFolder(Session& session, std::vector<std::u16string>& components, size_t& opened, std::string& error) {
    opened = 0;
    error.clear();
    const SpecialPath* special = SpecialPathOf(session, components, error);
    if (special == nullptr) return error.empty();
    // An MTP player opens its kinds 1 to 7 itself; the others are folders reached by name.
    if (session.IsMtp() && special->id > kLastMtpKind) {
        if (!ExpandSpecialPath(session, components, opened, error)) return false;
        opened = 0;  // entered by name like any folder, never made
        return true;
    }
    CZEL_Device& device = session.Device();
    // The device opens (and makes) the folder; it answers 0 only when the folder is open already.
    device.MoveSpecialFolder(special->id);
    ReplaceName(components, device.GetCurrentPath().Str(), opened);
    return true;
}

bool ExpandSpecialPath(Session& session, std::vector<std::u16string>& components, size_t& opened, std::string& error) {
    opened = 0;
    error.clear();
    const SpecialPath* special = SpecialPathOf(session, components, error);
    if (special == nullptr) return error.empty();
    ReplaceName(components, *SpecialFolderIn(*special, session.Device().m_Settings), opened);
    return true;
}

bool PrintPathsHelp(const SessionOptions& options) {
    // The profile in effect: the one asked for, else the player's own, else the default.
    std::string error;
    std::optional<Profile> profile;
    std::string savedPath = options.playerFolder + "/" + ZelToUtf8(kSavedProfile);
    for (char& c : savedPath)
        if (c == '\\') c = '/';
    std::error_code missing;
    if (!options.profile.empty())
        profile = LoadProfile(options.profile, error);
    else if (!options.playerFolder.empty() && fs::is_regular_file(savedPath, missing))
        profile = LoadProfile(savedPath, error);
    else
        profile = LoadProfile(kDefaultProfile, error);
    if (!profile) {
        Complain(error);
        return false;
    }

    if (options.json) {
        Json json = Json::Object();
        json.Set("profile", profile->name);
        Json& list = json.Set("paths", Json::Array());
        for (const SpecialPath& special : SpecialPaths()) {
            const std::u16string folder = SpecialFolderOf(special, *profile);
            const bool present = special.id == 6 || !folder.empty();
            Json& item = list.Push(Json::Object());
            item.Set("name", "@" + std::string(special.name));
            item.Set("id", special.id);
            item.Set("folder", present ? Json(Session::ShownPath(Session::SplitPlayerPath(ZelToUtf8(folder)))) : Json());
            item.Set("needs", Needs(special));
            item.Set("meaning", special.meaning);
        }
        std::fputs(json.Dump().c_str(), stdout);
        return true;
    }

    std::printf(R"(Special folders

A path of the player may begin with the name of one of its special folders:
@music/Rock/a.mp3 is a.mp3 in the folder Rock of the player's music folder. zelhost
asks the device to open the folder itself (MoveSpecialFolder), which makes it on the
player when it is missing, so `zelhost put song.mp3 @music` works on a fresh player.
Which names a player has follows from its profile: the capability and the folder
each needs. Names are matched without regard to case.

Profile %s:

  name         folder on the player   what it is (needs)
)",
                profile->name.c_str());
    for (const SpecialPath& special : SpecialPaths()) {
        const std::u16string folder = SpecialFolderOf(special, *profile);
        const bool present = special.id == 6 || !folder.empty();
        const std::string shown =
            present ? Session::ShownPath(Session::SplitPlayerPath(ZelToUtf8(folder))) : std::string("(none)");
        const std::string needs = Needs(special);
        std::printf("  @%-10s  %-20s   %s%s%s%s\n", special.name, shown.c_str(), special.meaning,
                    needs.empty() ? "" : " (", needs.c_str(), needs.empty() ? "" : ")");
    }
    std::printf(R"(
A name the player does not have fails like a missing folder (exit code 4). Examples:
  zelhost put --playlist "Road Trip" a.mp3 b.mp3 @music
  zelhost ls @playlists
  zelhost mkdir @photo/Holidays
)");
    return true;
}

}  // namespace zelhost
