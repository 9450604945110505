// zelhost ls: the tree of the player's folders and files through the device's
// listing (FindFileFirst / FindFileNext), with sizes, times and database state.
#include <cstdio>

#include "commands.h"
#include "report.h"
#include "shortcut_paths.h"

namespace zelhost {

namespace {

void Walk(Session& session, int depth, bool flat, std::vector<TreeItem>& items) {
    for (PlayerEntry& entry : session.ListCurrent()) {
        const bool descend = entry.folder && !flat;
        std::u16string name = entry.name;
        items.push_back({std::move(entry), depth});
        if (!descend) continue;
        session.Device().MoveFolder(name.data());
        Walk(session, depth + 1, flat, items);
        std::u16string up = u"..";
        session.Device().MoveFolder(up.data());
    }
}

}  // namespace

bool CollectTree(Session& session, std::vector<std::u16string> folder, bool flat, std::vector<TreeItem>& items,
                 std::string& error) {
    if (!session.GoTo(folder, error)) {
        // A file names just itself.
        if (folder.empty()) return false;
        const std::u16string last = folder.back();
        folder.pop_back();
        std::string ignored;
        if (!session.GoTo(folder, ignored)) return false;
        const std::optional<PlayerEntry> file = session.FindInCurrent(last);
        if (!file || file->folder) return false;
        items.push_back({*file, 0});
        error.clear();
        return true;
    }
    Walk(session, 0, flat, items);
    return true;
}

void PrintTree(const Session& session, const std::vector<TreeItem>& items, bool details) {
    for (const TreeItem& item : items) {
        const std::string indent(static_cast<size_t>(item.depth) * 2, ' ');
        const std::string name = ZelToUtf8(item.entry.name) + (item.entry.folder ? "/" : "");
        if (!details) {
            std::printf("%s%s\n", indent.c_str(), name.c_str());
            continue;
        }
        const std::string size = item.entry.folder ? "-" : FormatSize(item.entry.size);
        const std::string type = item.entry.folder ? "" : MediaTypeName(item.entry.mediaType);
        std::printf("%10s  %-4s  %-19s  %-3s  %s%s\n", size.c_str(), type.c_str(),
                    FormatTimeStamp(item.entry.timeStamp).c_str(), DatabaseState(session, item.entry).c_str(),
                    indent.c_str(), name.c_str());
    }
}

int RunLs(Session& session, const Args& args) {
    bool details = false;
    bool flat = false;
    std::optional<std::string> path;
    for (const std::string& arg : args) {
        if (arg == "-l" || arg == "--long") {
            details = true;
        } else if (arg == "--flat") {
            flat = true;
        } else if (!arg.empty() && arg[0] == '-' && arg != "-") {
            Complain("ls: unknown option " + arg);
            return kExitUsage;
        } else if (path) {
            Complain("ls takes one path");
            return kExitUsage;
        } else {
            path = arg;
        }
    }
    std::vector<std::u16string> folder = Session::SplitPlayerPath(path.value_or("/"));
    std::vector<TreeItem> items;
    std::string error;
    size_t opened = 0;  // a special folder's name shows as its path
    if (!OpenSpecialFolder(session, folder, opened, error) || !CollectTree(session, folder, flat, items, error)) {
        Complain("ls: " + (error.empty() ? "no such path" : error));
        if (session.JsonOutput()) {
            Json json = Json::Object();
            json.Set("path", Session::ShownPath(folder));
            json.Set("error", error);
            std::fputs(json.Dump().c_str(), stdout);
        }
        return kExitFailed;
    }

    if (session.JsonOutput()) {
        Json json = Json::Object();
        json.Set("path", Session::ShownPath(folder));
        json.Set("devicePath", ZelToUtf8(session.DevicePath(folder)));
        json.Set("database", session.HasDatabase());
        Json& entries = json.Set("entries", Json::Array());
        for (const TreeItem& item : items) entries.Push(EntryJson(session, item.entry, item.depth, details));
        std::fputs(json.Dump().c_str(), stdout);
        return kExitOk;
    }
    std::printf("%s\n", ZelToUtf8(session.DevicePath(folder)).c_str());
    if (details) std::printf("%10s  %-4s  %-19s  %-3s  %s\n", "size", "type", "modified", "db", "name");
    std::vector<TreeItem> shifted = items;
    for (TreeItem& item : shifted) ++item.depth;
    PrintTree(session, shifted, details);
    return kExitOk;
}

}  // namespace zelhost
