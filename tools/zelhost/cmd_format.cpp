// zelhost format: formats the player through the device library (the drive-
// format library empties the drive, the device sets it up again: folders,
// the model's template files, an empty database; an MTP player is formatted
// by its agent and gets its standard folders again), once the user confirmed it.
// Whatever a failed format could not remove is listed.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>

#include "commands.h"
#include "interrupt.h"
#include "report.h"

namespace zelhost {

namespace {

namespace fs = std::filesystem;

// Entries below folder, links not followed.
size_t CountEntries(const std::string& folder) {
    size_t count = 0;
    std::error_code ignored;
    for (auto it = fs::recursive_directory_iterator(folder, fs::directory_options::skip_permission_denied, ignored);
         it != fs::recursive_directory_iterator(); it.increment(ignored))
        ++count;
    return count;
}

// The names in the folder, sorted, folders ending with "/".
std::vector<std::string> RootEntries(const std::string& folder) {
    std::vector<std::string> names;
    std::error_code ignored;
    for (const auto& entry : fs::directory_iterator(folder, ignored))
        names.push_back(entry.path().filename().string() + (entry.is_directory(ignored) && !entry.is_symlink(ignored) ? "/" : ""));
    std::sort(names.begin(), names.end());
    return names;
}

// What the player holds: the files of its folder, or for a real MTP player what
// the device lists (its memory card, which a format leaves alone, included).
std::vector<TreeItem> DeviceTree(Session& session) {
    std::vector<TreeItem> items;
    std::string ignored;
    CollectTree(session, {}, false, items, ignored);
    return items;
}

size_t CountEntries(Session& session) {
    if (!session.PlayerFolder().empty()) return CountEntries(session.PlayerFolder());
    return DeviceTree(session).size();
}

std::vector<std::string> RootEntries(Session& session) {
    if (!session.PlayerFolder().empty()) return RootEntries(session.PlayerFolder());
    std::vector<std::string> names;
    for (const TreeItem& item : DeviceTree(session))
        if (item.depth == 0) names.push_back(ZelToUtf8(item.entry.name) + (item.entry.folder ? "/" : ""));
    std::sort(names.begin(), names.end());
    return names;
}

// within lies in folder or is folder itself.
bool Inside(const fs::path& within, const fs::path& folder) {
    const std::string a = within.string(), b = folder.string();
    return a == b || (a.size() > b.size() && a.compare(0, b.size(), b) == 0 && a[b.size()] == '/');
}

// Folders a format must never empty however the player was given: the root,
// the user's home and what holds it, and the folder zelhost runs from.
bool ProtectedFolder(const std::string& folder, std::string& why) {
    std::error_code ignored;
    const fs::path real = fs::weakly_canonical(folder, ignored);
    if (real == "/") {
        why = "the computer's root folder";
        return true;
    }
    if (const char* home = std::getenv("HOME"); home != nullptr && *home != 0 &&
                                                Inside(fs::weakly_canonical(home, ignored), real)) {
        why = "the home folder or a folder that holds it";
        return true;
    }
    if (Inside(fs::weakly_canonical("/proc/self/exe", ignored).parent_path(), real)) {
        why = "the folder zelhost runs from";
        return true;
    }
    return false;
}

bool Confirmed(const std::string& question) {
    std::fprintf(stderr, "%s Type yes to go on: ", question.c_str());
    std::fflush(stderr);
    std::string answer;
    if (!std::getline(std::cin, answer)) return false;
    return answer == "yes" || answer == "y" || answer == "YES" || answer == "Yes";
}

// What the host window heard during the format.
struct FormatEvents {
    bool driveNotOpened = false;  // event 11
    bool formatFailed = false;    // event 21
    bool templatesFailed = false; // event 12
};

std::string VolumeLabel(char16_t drive) {
    const std::u16string root{drive, u':', u'\\'};
    WCHAR label[64] = {};
    if (!GetVolumeInformationW(root.c_str(), label, 64, nullptr, nullptr, nullptr, nullptr, 0)) return {};
    return ZelToUtf8(label);
}

std::string Joined(const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& name : names) text += (text.empty() ? "" : " ") + name;
    return text.empty() ? "nothing" : text;
}

}  // namespace

int RunFormat(Session& session, const Args& args) {
    std::vector<bool> switched;
    std::vector<std::string> rest;
    if (!ParseSwitches("format", args, {{"--yes", "-y"}}, switched, rest)) return kExitUsage;
    if (!rest.empty()) {
        Complain("format takes no arguments but --yes");
        return kExitUsage;
    }
    const std::string& folder = session.PlayerFolder();
    // A real MTP player has no folder of this computer: only the device shows what it holds.
    const std::string where = folder.empty() ? "the MTP player" : "the player in " + folder;
    std::string why;
    if (!folder.empty() && ProtectedFolder(folder, why)) {
        Complain("will not format " + folder + ": it is " + why);
        return kExitRefused;
    }
    const size_t before = CountEntries(session);
    const std::string model = ZelToUtf8(FieldText(session.Device().m_Settings.ModelName));
    Json result = Json::Object();

    if (!switched[0]) {
        if (!isatty(STDIN_FILENO)) {
            Complain("format removes everything on the player; give --yes to confirm it (there is no terminal to ask on)");
            return kExitUsage;
        }
        if (!Confirmed("Format " + where + " (" + model + ")? Everything on it is removed (" +
                       std::to_string(before) + " files and folders).")) {
            if (!session.JsonOutput()) std::printf("Not formatted; nothing was removed.\n");
            result.Set("status", "declined");
            Json results = Json::Array();
            results.Push(std::move(result));
            return FinishResults(session, std::move(results), kExitRefused);
        }
    }

    FormatEvents events;
    ProgressDisplay& display = session.Display();
    session.Window().SetListener([&events, &display](WPARAM event, LPARAM value) {
        if (event == ZEL_EVENT_FORMAT_BUSY) display.OnPercent(static_cast<long>(value));
        if (event == ZEL_EVENT_FORMAT_FAILED) events.driveNotOpened = true;
        if (event == ZEL_EVENT_FORMAT_FAILED2) events.formatFailed = true;
        if (event == ZEL_EVENT_FORMAT_TEMPLATES) events.templatesFailed = true;
    });
    display.SetLabel("formatting");
    display.OnBegin();
    const DWORD outcome = session.Device().FormatDevice();
    session.Window().SetListener({});
    if (ZelFailed(outcome))
        display.Interrupt();
    else
        display.OnEnd();
    // Nothing stops a format once it has begun (its callback always answers "go
    // on"): a Ctrl-C that came meanwhile is only reported, and zelhost exits 130.
    if (Interrupted()) Complain("interrupted: a format runs to its end once it has begun");
    // The format took the profile the player kept with everything else.
    std::string warning;
    if (!session.SaveProfile(warning)) Complain("the profile is not kept on the player: " + warning);

    const size_t left = CountEntries(session);
    const std::vector<std::string> root = RootEntries(session);
    int exitCode = kExitOk;
    result.Set("result", HexCode(outcome));
    if (ZelFailed(outcome)) {
        exitCode = kExitFailed;
        const std::string reason = session.IsMtp()          ? "the player refused the format"
                                   : events.driveNotOpened ? "the player's drive could not be opened"
                                                           : "the format library stopped before the end";
        result.Set("status", "failed");
        result.Set("reason", reason);
        result.Set("entriesLeft", static_cast<unsigned long>(left));
        Json& kept = result.Set("notRemoved", Json::Array());
        for (const std::string& name : root) kept.Push(name);
        if (!session.JsonOutput()) {
            Complain("the format failed: " + reason + " (" + HexCode(outcome) + "); zelhost -v shows the library's lines");
            std::fprintf(stderr, "Not removed (%zu files and folders remain): %s\n", left, Joined(root).c_str());
        }
        Json results = Json::Array();
        results.Push(std::move(result));
        return FinishResults(session, std::move(results), exitCode);
    }

    if (events.templatesFailed) exitCode = kExitFailed;
    // An MTP player has no volume of this computer, so no label to show.
    const std::string label = session.IsMtp() ? std::string() : VolumeLabel(session.Drive());
    const size_t records = session.Records().size();
    result.Set("status", events.templatesFailed ? "failed" : "ok");
    result.Set("removed", static_cast<unsigned long>(before));
    Json& holds = result.Set("holds", Json::Array());
    for (const std::string& name : root) holds.Push(name);
    result.Set("templatesCopied", !events.templatesFailed);
    result.Set("label", session.IsMtp() ? Json() : Json(label));
    result.Set("databaseRecords", session.HasDatabase() ? Json(static_cast<unsigned long>(records)) : Json());
    if (!session.JsonOutput()) {
        std::printf("Formatted %s (%s): %zu files and folders removed.\n", where.c_str(), model.c_str(), before);
        std::printf("It now holds: %s\n", Joined(root).c_str());
        if (!session.IsMtp()) std::printf("Volume label: %s\n", label.empty() ? "(none)" : label.c_str());
        if (session.HasDatabase()) std::printf("Database: %zu records\n", records);
        if (events.templatesFailed) Complain("the model's template files could not be copied onto the player");
    }
    Json results = Json::Array();
    results.Push(std::move(result));
    return FinishResults(session, std::move(results), exitCode);
}

}  // namespace zelhost
