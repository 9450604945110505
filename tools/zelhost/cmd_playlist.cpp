// zelhost playlist: the player's playlists through the device: list, show,
// create, rename, add files already on the player, store an edited list, and
// purge the entries whose files are gone.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <map>

#include "playlists.h"
#include "report.h"
#include "shortcut_paths.h"

namespace zelhost {

namespace fs = std::filesystem;

namespace {

// The longest entry a playlist line holds (its line buffers hold 259 units).
constexpr size_t kLongestEntry = 259;

bool OnPlayer(Session& session, const std::u16string& devicePath) {
    // An MTP player's playlist names only the objects it holds.
    if (session.IsMtp()) return true;
    std::error_code ignored;
    const std::string host = ZelHostPath(devicePath.c_str());
    return !host.empty() && fs::is_regular_file(host, ignored);
}

std::string FormatName(Session& session) {
    if (session.IsMtp()) return "mtp";
    return session.Device().m_Settings.PlayerType == 2 ? "plp" : "xpl";
}

std::string Utf8(const std::u16string& text) { return ZelToUtf8(text); }

Json PlaylistJson(const PlayerPlaylist& playlist, size_t entries) {
    Json json = Json::Object();
    json.Set("name", Utf8(playlist.name));
    json.Set("file", Utf8(playlist.file));
    json.Set("entries", static_cast<unsigned long>(entries));
    return json;
}

std::string Entries(size_t count) { return std::to_string(count) + (count == 1 ? " entry" : " entries"); }

// A playlist named on the command line that must exist; the exit code when it does not.
int Existing(Session& session, const std::string& given, PlayerPlaylist& playlist, std::string& message) {
    std::u16string name;
    if (!CheckPlaylistName(session, given, name, message)) return kExitUsage;
    const std::optional<PlayerPlaylist> found = FindPlaylist(session, name);
    if (!found) {
        message = "no playlist '" + given + "' on the player (zelhost playlist list)";
        return kExitFailed;
    }
    playlist = *found;
    return kExitOk;
}

int List(Session& session, const Args& args) {
    if (!args.empty()) {
        Complain("playlist list takes no arguments");
        return kExitUsage;
    }
    const std::vector<PlayerPlaylist> playlists = ListPlaylists(session);
    const std::string folder = ShownDevicePath(FieldText(session.Device().m_Settings.PlaylistFile));
    if (session.JsonOutput()) {
        Json json = Json::Object();
        json.Set("folder", folder);
        json.Set("format", FormatName(session));
        Json& list = json.Set("playlists", Json::Array());
        for (const PlayerPlaylist& playlist : playlists)
            list.Push(PlaylistJson(playlist, ReadPlaylistEntries(session, playlist).size()));
        std::fputs(json.Dump().c_str(), stdout);
        return kExitOk;
    }
    if (playlists.empty()) std::printf("No playlists in %s.\n", folder.c_str());
    for (const PlayerPlaylist& playlist : playlists)
        std::printf("%-30s %s\n", Utf8(playlist.name).c_str(), Entries(ReadPlaylistEntries(session, playlist).size()).c_str());
    return kExitOk;
}

int Show(Session& session, const Args& args) {
    if (args.size() != 1) {
        Complain("playlist show takes one playlist name");
        return kExitUsage;
    }
    PlayerPlaylist playlist;
    std::string message;
    const int found = Existing(session, args[0], playlist, message);
    if (found != kExitOk) {
        Complain("playlist show: " + message);
        return found;
    }
    std::u16string myAuro;
    const std::vector<std::u16string> entries = ReadPlaylistEntries(session, playlist, &myAuro);
    if (session.JsonOutput()) {
        Json json = PlaylistJson(playlist, entries.size());
        json.Set("myAuro", myAuro.empty() ? Json() : Json(Utf8(myAuro)));
        Json& list = json.Set("items", Json::Array());
        for (const std::u16string& entry : entries) {
            Json& item = list.Push(Json::Object());
            item.Set("path", ShownDevicePath(entry));
            item.Set("devicePath", Utf8(entry));
            item.Set("onPlayer", OnPlayer(session, entry));
        }
        std::fputs(json.Dump().c_str(), stdout);
        return kExitOk;
    }
    size_t missing = 0;
    for (const std::u16string& entry : entries) {
        std::printf("%s\n", ShownDevicePath(entry).c_str());
        if (!OnPlayer(session, entry)) ++missing;
    }
    if (missing > 0)
        Complain("playlist " + Utf8(playlist.name) + ": " + Entries(missing) +
                 " naming files that are not on the player (zelhost playlist purge drops them)");
    return kExitOk;
}

// One result line of the commands that handle several items.
Json ItemJson(const std::string& key, const std::string& value, int exitCode, const std::string& message) {
    Json json = Json::Object();
    json.Set(key, value);
    json.Set("status", StatusName(exitCode));
    json.Set("exitCode", exitCode);
    if (!message.empty()) json.Set("message", message);
    return json;
}

// Runs act for each item, prints "done ITEM" or the complaint, gathers JSON.
int ForEachItem(Session& session, const char* command, const char* key, const std::vector<std::string>& items,
                const std::function<int(const std::string&, std::string&, std::string&)>& act) {
    int exitCode = kExitOk;
    Json results = Json::Array();
    for (const std::string& item : items) {
        std::string done, message;
        const int code = act(item, done, message);
        exitCode = std::max(exitCode, code);
        if (session.JsonOutput())
            results.Push(ItemJson(key, item, code, message));
        else if (code == kExitOk)
            std::printf("%s\n", done.c_str());
        else
            Complain(std::string("playlist ") + command + " " + item + ": " + StatusName(code) + ": " + message);
    }
    return FinishResults(session, std::move(results), exitCode);
}

int Create(Session& session, const Args& args) {
    if (args.empty()) {
        Complain("playlist create: no playlist name given");
        return kExitUsage;
    }
    return ForEachItem(session, "create", "name", args, [&](const std::string& given, std::string& done, std::string& message) {
        std::u16string name;
        if (!CheckPlaylistName(session, given, name, message)) return static_cast<int>(kExitUsage);
        if (!session.Device().NewPlayList(CString(name.c_str()))) {
            message = "a playlist of that name exists";
            return static_cast<int>(kExitRefused);
        }
        if (!FindPlaylist(session, name)) {
            message = "the playlist file could not be written";
            return static_cast<int>(kExitFailed);
        }
        done = "made playlist " + Utf8(name);
        return static_cast<int>(kExitOk);
    });
}

int Rename(Session& session, const Args& args) {
    if (args.size() != 2) {
        Complain("playlist rename takes the old and the new name");
        return kExitUsage;
    }
    PlayerPlaylist playlist;
    std::u16string name;
    std::string message;
    int code = Existing(session, args[0], playlist, message);
    if (code == kExitOk && !CheckPlaylistName(session, args[1], name, message)) code = kExitUsage;
    if (code == kExitOk && session.Device().m_Settings.PlayerType == 2) {
        code = kExitRefused;
        message = "the playlists of a PLP player cannot be renamed";
    }
    if (code == kExitOk) {
        if (!session.Device().ChangePLName(CString(playlist.file.c_str()), CString(name.c_str()))) {
            code = kExitRefused;
            message = "a playlist '" + Utf8(name) + "' exists";
        } else if (!FindPlaylist(session, name) || FindPlaylist(session, playlist.name)) {
            code = kExitFailed;
            message = "the playlist could not be renamed";
        }
    }
    if (session.JsonOutput()) {
        Json json = Json::Object();
        json.Set("from", args[0]);
        json.Set("to", Utf8(name.empty() ? ZelFromUtf8(args[1]) : name));
        json.Set("status", StatusName(code));
        json.Set("exitCode", code);
        if (!message.empty()) json.Set("message", message);
        std::fputs(json.Dump().c_str(), stdout);
    } else if (code == kExitOk) {
        std::printf("renamed playlist %s to %s\n", Utf8(playlist.name).c_str(), Utf8(name).c_str());
    } else {
        Complain("playlist rename: " + message);
    }
    return code;
}

int Add(Session& session, const Args& args) {
    if (args.size() < 2) {
        Complain("playlist add takes a playlist name and the files of the player that join it");
        return kExitUsage;
    }
    PlaylistJoin join;
    join.playlist = ZelFromUtf8(args[0]);
    std::string error;
    if (!ResolvePlaylistJoin(session, join, error)) {
        Complain("playlist add: " + error);
        return kExitUsage;
    }
    bool joined = false;
    const std::vector<std::string> paths(args.begin() + 1, args.end());
    const int exitCode = ForEachItem(session, "add", "path", paths, [&](const std::string& path, std::string& done, std::string& message) {
        std::vector<std::u16string> components = Session::SplitPlayerPath(path);
        if (components.empty()) {
            message = "the root is no file";
            return static_cast<int>(kExitRefused);
        }
        const std::u16string name = components.back();
        components.pop_back();
        if (!session.GoTo(components, message)) return static_cast<int>(kExitFailed);
        const std::optional<PlayerEntry> entry = session.FindInCurrent(name);
        if (!entry || entry->folder) {
            message = entry ? "is a folder" : "no such file on the player";
            return static_cast<int>(entry ? kExitRefused : kExitFailed);
        }
        JoinPlaylist(session, entry->devicePath, join);
        joined = true;
        components.push_back(entry->name);
        done = "added " + Session::ShownPath(components) + " to " + Utf8(join.playlist);
        return static_cast<int>(kExitOk);
    });
    if (joined) UpdatePlaylistsAfterTransfer(session);
    return exitCode;
}

// The lines of an edited list: from a file, or standard input for "-" or none.
bool ReadListLines(const Args& args, std::vector<std::string>& lines, std::string& error) {
    std::ifstream file;
    const bool fromInput = args.size() < 2 || args[1] == "-";
    if (!fromInput) {
        file.open(args[1], std::ios::binary);
        if (!file) {
            error = "cannot read " + args[1];
            return false;
        }
    }
    std::istream& in = fromInput ? std::cin : file;
    std::string line;
    while (std::getline(in, line)) {
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t')) line.pop_back();
        lines.push_back(line);
    }
    if (in.bad()) {
        error = "cannot read the list";
        return false;
    }
    return true;
}

int Store(Session& session, const Args& args) {
    if (args.empty() || args.size() > 2) {
        Complain("playlist store takes a playlist name and a list file (or - for standard input)");
        return kExitUsage;
    }
    std::u16string name;
    std::string message;
    std::vector<std::string> lines;
    int code = CheckPlaylistName(session, args[0], name, message) ? kExitOk : kExitUsage;
    if (code == kExitOk && !ReadListLines(args, lines, message)) code = kExitFailed;

    // Every line must name a file on the player; a list that does not is not stored at all.
    const bool plp = session.Device().m_Settings.PlayerType == 2;
    const std::u16string plpFolder = std::u16string{session.Drive(), u':', u'\\'} + u"System\\Music\\";
    CStringArray items;
    for (size_t k = 0; k < lines.size() && code == kExitOk; ++k) {
        const std::string& line = lines[k];
        if (line.empty() || line[0] == '#') continue;
        std::vector<std::u16string> components = Session::SplitPlayerPath(line);
        size_t opened = 0;
        if (!ExpandSpecialPath(session, components, opened, message)) {
            code = kExitFailed;
        } else if (const std::u16string path = session.DevicePath(components); !OnPlayer(session, path)) {
            code = kExitFailed;
            message = "no file " + Session::ShownPath(components) + " on the player";
        } else if (path.size() > kLongestEntry) {
            code = kExitRefused;
            message = "the path is too long for a playlist entry";
        } else if (plp && lstrcmpiW(path.substr(0, plpFolder.size()).c_str(), plpFolder.c_str()) != 0) {
            code = kExitRefused;
            message = "a PLP playlist stores files below System/Music only";
        } else {
            // XPL: the full path, which the device stores without its drive; PLP:
            // the name below System\Music with its own line end.
            items.Add(CString(plp ? (path.substr(plpFolder.size()) + u"\r\n").c_str() : path.c_str()));
        }
        if (code != kExitOk) message = "line " + std::to_string(k + 1) + ": " + message;
    }

    std::optional<PlayerPlaylist> playlist;
    if (code == kExitOk) {
        playlist = FindPlaylist(session, name);
        if (!playlist && session.Device().NewPlayList(CString(name.c_str()))) playlist = FindPlaylist(session, name);
        if (!playlist) {
            code = kExitFailed;
            message = "the playlist could not be made";
        }
    }
    const INT_PTR count = items.GetSize();
    if (code == kExitOk) {
        // The device stores the playlist it read last, keeping its myAuro value.
        ReadPlaylistEntries(session, *playlist);
        session.Device().StorePlaylist(items);
        if (ReadPlaylistEntries(session, *playlist).size() != static_cast<size_t>(count)) {
            code = kExitFailed;
            message = "the playlist could not be written";
        }
    }
    if (session.JsonOutput()) {
        Json json = Json::Object();
        json.Set("name", Utf8(playlist ? playlist->name : name));
        json.Set("file", playlist ? Json(Utf8(playlist->file)) : Json());
        json.Set("entries", static_cast<long>(count));
        json.Set("status", StatusName(code));
        json.Set("exitCode", code);
        if (!message.empty()) json.Set("message", message);
        std::fputs(json.Dump().c_str(), stdout);
    } else if (code == kExitOk) {
        std::printf("stored playlist %s: %s\n", Utf8(playlist->name).c_str(), Entries(count).c_str());
    } else {
        Complain("playlist store " + args[0] + ": " + message);
    }
    return code;
}

int Purge(Session& session, const Args& args) {
    if (!args.empty()) {
        Complain("playlist purge takes no arguments");
        return kExitUsage;
    }
    std::map<std::u16string, size_t> before;
    for (const PlayerPlaylist& playlist : ListPlaylists(session)) before[playlist.file] = ReadPlaylistEntries(session, playlist).size();
    UpdatePlaylistsAfterDeletion(session);
    Json list = Json::Array();
    size_t changed = 0;
    for (const PlayerPlaylist& playlist : ListPlaylists(session)) {
        const size_t after = ReadPlaylistEntries(session, playlist).size();
        const size_t was = before.count(playlist.file) ? before[playlist.file] : after;
        if (session.JsonOutput()) {
            Json& item = list.Push(PlaylistJson(playlist, after));
            item.Set("dropped", static_cast<unsigned long>(was - std::min(was, after)));
        } else if (after != was) {
            std::printf("%s: %s dropped, %s left\n", Utf8(playlist.name).c_str(), Entries(was - after).c_str(),
                        Entries(after).c_str());
        }
        if (after != was) ++changed;
    }
    if (session.JsonOutput()) {
        Json json = Json::Object();
        json.Set("playlists", std::move(list));
        json.Set("exitCode", static_cast<int>(kExitOk));
        std::fputs(json.Dump().c_str(), stdout);
    } else if (changed == 0) {
        std::printf("Every playlist names only files that are on the player.\n");
    }
    return kExitOk;
}

}  // namespace

int RunPlaylist(Session& session, const Args& args) {
    static const std::map<std::string, int (*)(Session&, const Args&)> kActions = {
        {"list", &List}, {"show", &Show},   {"create", &Create}, {"rename", &Rename},
        {"add", &Add},   {"store", &Store}, {"purge", &Purge},
    };
    if (args.empty()) {
        Complain("playlist needs an action: list, show, create, rename, add, store or purge (zelhost help playlist)");
        return kExitUsage;
    }
    const auto action = kActions.find(args[0]);
    if (action == kActions.end()) {
        Complain("playlist: unknown action '" + args[0] + "' (zelhost help playlist)");
        return kExitUsage;
    }
    if (!KeepsPlaylists(session)) {
        Complain("playlist: " + NoPlaylistsReason(session));
        return kExitRefused;
    }
    // An MTP player's playlists are objects that grow as files join them; the
    // device offers no playlist files to make, rename, write anew or purge.
    static const std::map<std::string, const char*> kNotOnMtp = {
        {"create", "an MTP player's playlists are made when files join them (playlist add, put --playlist)"},
        {"rename", "the device does not rename an MTP player's playlists"},
        {"store", "the device does not write an MTP player's playlists anew (playlist add appends to one)"},
        {"purge", "an MTP player drops deleted files from its playlists itself"},
    };
    if (const auto refused = kNotOnMtp.find(args[0]); session.IsMtp() && refused != kNotOnMtp.end())
        return NotOffered(session, "playlist " + args[0], refused->second);
    return action->second(session, Args(args.begin() + 1, args.end()));
}

}  // namespace zelhost
