// zelhost mkdir and rm: making folders and deleting files and folders of the
// player through MakeFolder and DeleteFileDev, in the folder that holds them.
#include <algorithm>
#include <cstdio>
#include <functional>

#include "commands.h"
#include "fat_names.h"
#include "interrupt.h"
#include "playlists.h"
#include "report.h"
#include "shortcut_paths.h"

namespace zelhost {

namespace {

// One item's outcome for the JSON form.
Json ItemJson(const std::string& path, int exitCode, const std::string& message) {
    Json json = Json::Object();
    json.Set("path", path);
    json.Set("status", StatusName(exitCode));
    json.Set("exitCode", exitCode);
    if (!message.empty()) json.Set("message", message);
    return json;
}

// Makes one folder below the current one; the exit code of the attempt. On a
// FAT player the name may change (--fat-names) or be refused.
int MakeOne(Session& session, std::u16string& name, std::string& message) {
    if (!FitFatName(session, name, message)) return kExitRefused;
    if (session.FindInCurrent(name)) {
        message = "already exists";
        return kExitRefused;
    }
    std::u16string text = name;
    if (!session.Device().MakeFolder(text.data())) {
        const std::string detail = LastErrorDetail(GetLastError());
        message = detail.empty() ? "the folder could not be made" : "the folder could not be made: " + detail;
        return kExitFailed;
    }
    session.Changed();
    return kExitOk;
}

using Components = std::vector<std::u16string>;

// Runs one folder command on every path given: act works on the path's components
// (and may rename the last one to the name on the player) and answers an exit code
// with a message; each result is printed as text or gathered as JSON.
int ForEachPath(Session& session, const char* command, const char* doneVerb, const std::vector<std::string>& paths,
                const std::function<int(Components&, std::string&)>& act) {
    int exitCode = kExitOk;
    Json results = Json::Array();
    for (const std::string& path : paths) {
        if (Interrupted()) break;
        std::vector<std::u16string> components = Session::SplitPlayerPath(path);
        std::string message;
        size_t opened = 0;  // a special folder's name gives way to its path
        const int code = OpenSpecialFolder(session, components, opened, message) ? act(components, message) : kExitFailed;
        exitCode = std::max(exitCode, code);
        const std::string shown = Session::ShownPath(components);
        if (session.JsonOutput())
            results.Push(ItemJson(shown, code, message));
        else if (code == kExitOk)
            std::printf("%s %s\n", doneVerb, shown.c_str());
        else
            Complain(std::string(command) + " " + shown + ": " + StatusName(code) + ": " + message);
    }
    if (Interrupted()) {
        Complain(std::string("interrupted: ") + command + " stopped before the next path");
        exitCode = InterruptExitCode();
    }
    return FinishResults(session, std::move(results), exitCode);
}

}  // namespace

int RunMkdir(Session& session, const Args& args) {
    std::vector<bool> switched;
    std::vector<std::string> paths;
    if (!ParseSwitches("mkdir", args, {{"-p", "--parents"}}, switched, paths)) return kExitUsage;
    const bool parents = switched[0];
    if (paths.empty()) {
        Complain("mkdir: no folder given");
        return kExitUsage;
    }
    return ForEachPath(session, "mkdir", "made", paths, [&](Components& components, std::string& message) {
        int code = kExitOk;
        if (components.empty()) {
            code = kExitRefused;
            message = "the root exists";
        } else if (parents) {
            // Each missing level is made in turn; existing ones are entered.
            std::vector<std::u16string> reached;
            for (std::u16string& component : components) {
                if (!session.GoTo(reached, message)) {
                    code = kExitFailed;
                    break;
                }
                // A missing level is named as FAT allows on a FAT player (or refused).
                if (!session.FindInCurrent(component) && !FitFatName(session, component, message)) {
                    code = kExitRefused;
                    break;
                }
                const std::optional<PlayerEntry> existing = session.FindInCurrent(component);
                if (existing && !existing->folder) {
                    code = kExitRefused;
                    message = "a file of that name exists";
                    break;
                }
                if (!existing && (code = MakeOne(session, component, message)) != kExitOk) break;
                reached.push_back(existing ? existing->name : component);
            }
        } else {
            std::u16string name = components.back();
            components.pop_back();
            code = session.GoTo(components, message) ? MakeOne(session, name, message) : kExitFailed;
            components.push_back(name);
        }
        return code;
    });
}

int RunRm(Session& session, const Args& args) {
    std::vector<bool> switched;
    std::vector<std::string> paths;
    if (!ParseSwitches("rm", args, {{"-r", "-R", "--recursive"}}, switched, paths)) return kExitUsage;
    const bool recursive = switched[0];
    if (paths.empty()) {
        Complain("rm: nothing to remove");
        return kExitUsage;
    }
    bool removed = false;
    const int exitCode = ForEachPath(session, "rm", "removed", paths, [&](Components& components, std::string& message) {
        int code = kExitOk;
        if (components.empty()) {
            code = kExitRefused;
            message = "the player's root cannot be removed";
        } else {
            const std::u16string name = components.back();
            components.pop_back();
            std::optional<PlayerEntry> entry;
            if (!session.GoTo(components, message)) {
                code = kExitFailed;
            } else if (!(entry = session.FindInCurrent(name))) {
                code = kExitFailed;
                message = "no such file or folder on the player";
            } else if (entry->folder && !recursive) {
                code = kExitRefused;
                message = "is a folder (rm -r removes it with everything in it)";
            } else {
                std::u16string real = entry->name;
                const DWORD result = session.Device().DeleteFileDev(real.data(), entry->folder ? 1 : 0);
                code = ExitCodeOf(result);
                if (code != kExitOk) message = entry->folder ? "the folder could not be removed completely"
                                                             : "the file could not be deleted";
                session.Changed();
                removed = true;  // a folder that stayed in part may have lost files too
                // The records of what went are forgotten in the file now, not at the end of the run.
                std::vector<std::u16string> gone = components;
                gone.push_back(entry->name);
                std::string unsynced;
                if (!session.RecordRemoved(Session::ShownPath(gone), unsynced)) {
                    code = std::max(code, static_cast<int>(kExitDatabase));
                    message = message.empty() ? unsynced : message + "; " + unsynced;
                }
            }
            components.push_back(entry ? entry->name : name);
        }
        return code;
    });
    // As a host does after deletions: no playlist keeps naming a file that is gone.
    if (removed) UpdatePlaylistsAfterDeletion(session);
    return exitCode;
}

}  // namespace zelhost
