// zelhost get: files of the player copied back to this computer the way a
// host uploads them (AutoUpload). A name that a different file has is
// numbered (talk~(1).mp3), a file that is there already (the same last-write
// time) is skipped, --move deletes the player's file once the copy is whole,
// and a movie in the player's own format (VMF) arrives as AVI.
#include <cstdio>
#include <filesystem>

#include "commands.h"
#include "interrupt.h"
#include "report.h"

namespace zelhost {

namespace fs = std::filesystem;

namespace {

struct GetOutcome {
    int exitCode = kExitOk;
    std::string status = "ok";  // ok, skipped, failed, database
    std::string source;         // on the player, "Record/talk.mp3"
    std::string destination;    // on this computer
    unsigned long long size = 0;
    bool moved = false;
    std::string message;

    Json ToJson() const {
        Json json = Json::Object();
        json.Set("source", source);
        json.Set("status", status);
        json.Set("exitCode", exitCode);
        json.Set("destination", destination.empty() ? Json() : Json(destination));
        json.Set("size", size);
        json.Set("moved", moved);
        if (!message.empty()) json.Set("message", message);
        return json;
    }
    void Print() const {
        const std::string name = fs::path(source).filename().string();
        if (status == "skipped") {
            std::printf("  %-30s    skipped: %s\n", name.c_str(), message.c_str());
        } else if (status == "failed") {
            Complain(source + ": " + status + ": " + message);
        } else {
            std::printf("  %-30s -> %s  (%s%s)\n", name.c_str(), destination.c_str(), FormatSize(size).c_str(),
                        moved ? ", moved" : "");
            if (status == "database") Complain(source + ": " + message);
        }
        std::fflush(stdout);
    }
};

GetOutcome Failed(GetOutcome outcome, const std::string& message) {
    outcome.exitCode = kExitFailed;
    outcome.status = "failed";
    outcome.message = message;
    return outcome;
}

// The file of the player that path names, or a message why there is none.
std::optional<PlayerEntry> FindPlayerFile(Session& session, const std::string& path, std::string& error) {
    std::vector<std::u16string> components = Session::SplitPlayerPath(path);
    if (components.empty()) {
        error = "the root is no file";
        return std::nullopt;
    }
    const std::u16string name = components.back();
    components.pop_back();
    if (!session.GoTo(components, error)) return std::nullopt;
    std::optional<PlayerEntry> entry = session.FindInCurrent(name);
    if (!entry || entry->folder) {
        error = entry ? "a folder (get takes files)" : "no such file on the player";
        return std::nullopt;
    }
    return entry;
}

// get on an MTP player: the device reads the file back through the agent into
// the folder (UploadFile); a name that a file has is numbered by the device.
GetOutcome GetFromMtp(Session& session, GetOutcome outcome, const PlayerEntry& entry, const std::u16string& folder,
                      bool move) {
    CZEL_DeviceForMTP& device = *session.MtpDevice();
    BOOL there = 0;
    const CString planned = device.UploadDestination(entry.devicePath.c_str(), folder.c_str(), &there);
    if (there) {
        outcome.status = "skipped";
        outcome.destination = ZelHostPath(planned);
        outcome.message = "already there as " + outcome.destination + (move ? "; left on the player" : "");
        return outcome;
    }
    std::u16string source = entry.devicePath, destination = folder;
    session.Display().SetLabel(ZelToUtf8(entry.name));
    session.Display().OnBegin();
    // The agent reads into a file of its own beside the destination and puts it in place
    // only when whole, never over a file: a failed copy leaves nothing.
    const bool copied = !planned.IsEmpty() && device.UploadFile(source.data(), destination.data(), 0, nullptr);
    if (!copied) {
        session.Display().Interrupt();
        return Failed(outcome, Interrupted() ? "interrupted; nothing changed on this computer and the file stays on "
                                               "the player"
                                             : "the copy failed; nothing changed on this computer and the file stays "
                                               "on the player");
    }
    session.Display().OnEnd();
    std::error_code failed;
    outcome.destination = ZelHostPath(planned);
    outcome.size = fs::file_size(outcome.destination, failed);
    // Whole: the copy holds as many bytes as the player listed for its file. Otherwise the copy
    // is kept (it is what the player gave) and the player's file stays.
    if (failed || outcome.size != entry.size)
        return Failed(outcome, "the copy " + outcome.destination + " does not hold the " + std::to_string(entry.size) +
                                   " bytes the player lists; the file stays on the player");
    if (move) {
        // The player's file goes only now that its copy is whole, from the folder that holds it.
        std::vector<std::u16string> components = Session::SplitPlayerPath(ZelToUtf8(entry.devicePath));
        components.pop_back();
        std::string error;
        std::u16string name = entry.name;
        if (session.GoTo(components, error)) session.Device().DeleteFileDev(name.data(), 0);
        outcome.moved = session.GoTo(components, error) && !session.FindInCurrent(entry.name);
        if (!outcome.moved) outcome.message = "copied, but the player's file could not be deleted";
    }
    return outcome;
}

GetOutcome GetFile(Session& session, const std::string& path, const std::u16string& folder, bool move) {
    GetOutcome outcome;
    outcome.source = path;
    std::string error;
    const std::optional<PlayerEntry> entry = FindPlayerFile(session, path, error);
    if (!entry) return Failed(outcome, error);
    outcome.source = ShownDevicePath(entry->devicePath);
    if (session.IsMtp()) return GetFromMtp(session, outcome, *entry, folder, move);
    CZEL_DeviceForUMS& device = *session.MassStorageDevice();

    BOOL there = 0;
    const CString planned = device.UploadDestination(entry->devicePath.c_str(), folder.c_str(), &there);
    if (there) {
        outcome.status = "skipped";
        outcome.destination = ZelHostPath(planned);
        outcome.message = "already there as " + outcome.destination + (move ? "; left on the player" : "");
        return outcome;
    }
    session.Display().SetLabel(ZelToUtf8(entry->name));
    session.Display().OnBegin();
    const CString landed = device.AutoUpload(entry->devicePath.c_str(), folder.c_str(), move ? 1 : 0);
    if (landed.IsEmpty()) {
        session.Display().Interrupt();
        return Failed(outcome, Interrupted() ? "interrupted; nothing changed on this computer and the file stays on "
                                               "the player"
                                             : "the copy failed; nothing changed on this computer and the file stays "
                                               "on the player");
    }
    session.Display().OnEnd();
    outcome.destination = ZelHostPath(landed);
    std::error_code ignored;
    outcome.size = fs::file_size(outcome.destination, ignored);
    if (move) {
        outcome.moved = !fs::exists(ZelHostPath(entry->devicePath.c_str()), ignored);
        // The player's database lost the file's record: it is written now.
        std::string unsynced;
        if (outcome.moved && !session.RecordRemoved(outcome.source, unsynced)) {
            outcome.exitCode = kExitDatabase;
            outcome.status = "database";
            outcome.message = unsynced;
        }
    }
    return outcome;
}

}  // namespace

int RunGet(Session& session, const Args& args) {
    std::optional<std::string> destination;
    bool move = false;
    std::vector<std::string> paths;
    for (size_t k = 0; k < args.size(); ++k) {
        if (args[k] == "--to" || args[k] == "-t") {
            if (k + 1 == args.size()) {
                Complain("get: --to needs a folder of this computer");
                return kExitUsage;
            }
            destination = args[++k];
        } else if (args[k] == "--move" || args[k] == "-m") {
            move = true;
        } else if (args[k].size() > 1 && args[k][0] == '-') {
            Complain("get: unknown option " + args[k]);
            return kExitUsage;
        } else {
            paths.push_back(args[k]);
        }
    }
    // As with cp: after two or more names, a last one that is no file of the player names the folder.
    if (!destination && paths.size() >= 2) {
        std::string ignored;
        if (!FindPlayerFile(session, paths.back(), ignored)) {
            destination = paths.back();
            paths.pop_back();
        }
    }
    if (paths.empty()) {
        Complain("get: no files of the player given");
        return kExitUsage;
    }
    std::error_code failed;
    const fs::path folder = fs::absolute(destination.value_or("."), failed).lexically_normal();
    if (!fs::is_directory(folder, failed)) {
        Complain("get: no folder " + destination.value_or(".") + " on this computer");
        return FinishResults(session, Json::Array(), kExitFailed);
    }
    if (folder.string().find('\\') != std::string::npos) {
        Complain("get: a folder name with a backslash has no Windows form");
        return FinishResults(session, Json::Array(), kExitFailed);
    }
    const std::u16string windowsFolder = ZelWindowsPath(folder.c_str());

    int exitCode = kExitOk;
    Json results = Json::Array();
    size_t fetched = 0;
    for (const std::string& path : paths) {
        if (Interrupted()) break;
        const GetOutcome outcome = GetFile(session, path, windowsFolder, move);
        if (outcome.status != "failed") ++fetched;
        exitCode = std::max(exitCode, outcome.exitCode);
        if (session.JsonOutput())
            results.Push(outcome.ToJson());
        else
            outcome.Print();
    }
    if (Interrupted()) {
        Complain("interrupted: " + std::to_string(fetched) + " of " + std::to_string(paths.size()) +
                 " files were fetched or already there; a file in flight was not kept");
        exitCode = InterruptExitCode();
    }
    return FinishResults(session, std::move(results), exitCode);
}

}  // namespace zelhost
