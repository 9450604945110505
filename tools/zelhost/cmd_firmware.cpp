// zelhost firmware: the firmware description the player keeps (SYSTEM.VER, or
// SYSTEM/SYSTEM.VER) as the device read it, and `firmware update FOLDER`, which
// copies a firmware package of this computer onto the player (an MTP player's
// description is read through its agent).
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <utility>

#include "commands.h"
#include "report.h"

namespace zelhost {

namespace {

namespace fs = std::filesystem;

constexpr size_t kDescriptionBytes = 100;  // what the device reads of the file

// The names of path (from its level first) found below folder without regard
// to case, as they are spelt there ("a/b"); empty when there is no such file.
std::string SpeltAsOnDisk(const fs::path& folder, const std::vector<std::string>& path, size_t first = 0) {
    std::error_code ignored;
    if (first == path.size()) return fs::is_regular_file(fs::symlink_status(folder, ignored)) ? "." : "";
    // Names that differ only in case may stand side by side: each is tried.
    for (const auto& entry : fs::directory_iterator(folder, ignored)) {
        const std::string name = entry.path().filename().string();
        if (lstrcmpiW(ZelFromUtf8(name).c_str(), ZelFromUtf8(path[first]).c_str()) != 0) continue;
        const std::string rest = SpeltAsOnDisk(entry.path(), path, first + 1);
        if (!rest.empty()) return rest == "." ? name : name + "/" + rest;
    }
    return {};
}

// The description file as the device looks for it ("SYSTEM.VER", then
// "SYSTEM\SYSTEM.VER", names matched without regard to case), as a path below
// the player's root with the names as they are spelt; empty when there is neither.
std::string DescriptionFile(Session& session) {
    if (session.IsMtp()) {
        // A real MTP player's description is read by the device alone; its answer tells it was there.
        if (session.PlayerFolder().empty()) return session.Device().GetFWInfo() ? "SYSTEM.VER" : std::string();
        // A simulated one keeps it in its folder (the device's listing shows no .VER files).
        for (const std::vector<std::string>& path : {std::vector<std::string>{"SYSTEM.VER"},
                                                     std::vector<std::string>{"SYSTEM", "SYSTEM.VER"}})
            if (const std::string found = SpeltAsOnDisk(session.PlayerFolder(), path); !found.empty()) return found;
        return {};
    }
    for (const char16_t* name : {u"SYSTEM.VER", u"SYSTEM\\SYSTEM.VER"}) {
        const std::u16string path = std::u16string{session.Drive(), u':', u'\\'} + name;
        const DWORD attributes = GetFileAttributesW(path.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY))
            return fs::path(ZelHostPath(path.c_str())).lexically_relative(session.PlayerFolder()).string();
    }
    return {};
}

// The lines of the part of the file the device reads.
std::vector<std::string> DescriptionLines(const Session& session, const std::string& file) {
    std::vector<std::string> lines;
    // A real MTP player's file is read by the device alone (its fields are shown).
    if (file.empty() || session.PlayerFolder().empty()) return lines;
    std::FILE* in = std::fopen((session.PlayerFolder() + "/" + file).c_str(), "rb");
    if (in == nullptr) return lines;
    char data[kDescriptionBytes];
    const size_t length = std::fread(data, 1, sizeof data, in);
    std::fclose(in);
    std::string line;
    for (size_t k = 0; k < length; ++k) {
        if (data[k] == '\n') {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            lines.push_back(line);
            line.clear();
        } else {
            line += data[k];
        }
    }
    if (!line.empty()) lines.push_back(line);
    return lines;
}

Json FirmwareJson(Session& session) {
    const tagDeviceSettings& settings = session.Device().m_Settings;
    const std::string file = DescriptionFile(session);
    Json json = Json::Object();
    json.Set("file", file.empty() ? Json() : Json(file));
    Json& lines = json.Set("lines", Json::Array());
    for (const std::string& line : DescriptionLines(session, file)) lines.Push(line);
    json.Set("major", settings.FWMajor);
    json.Set("minor", settings.FWMinor);
    json.Set("region", ZelToUtf8(FieldText(settings.FWRegion)));
    json.Set("update", ZelToUtf8(FieldText(settings.FWUpdateID)));
    return json;
}

void PrintFirmware(Session& session) {
    const tagDeviceSettings& settings = session.Device().m_Settings;
    const std::string file = DescriptionFile(session);
    if (file.empty()) {
        std::printf("Firmware      not described (no SYSTEM.VER on the player)\n");
        return;
    }
    const std::string region = ZelToUtf8(FieldText(settings.FWRegion));
    const std::string update = ZelToUtf8(FieldText(settings.FWUpdateID));
    std::printf("Firmware      %u.%02u, region %s, update %s\n", settings.FWMajor, settings.FWMinor,
                region.empty() ? "-" : region.c_str(), update.empty() ? "-" : update.c_str());
    std::printf("Described in  %s:\n", file.c_str());
    for (const std::string& line : DescriptionLines(session, file)) std::printf("  %s\n", line.c_str());
}

// Every file of the player with what changes when it is written anew (the
// copy writes a new file and renames it into place).
using Snapshot = std::map<std::string, std::pair<ino_t, long long>>;

Snapshot TakeSnapshot(const std::string& folder) {
    Snapshot files;
    std::error_code ignored;
    for (auto it = fs::recursive_directory_iterator(folder, fs::directory_options::skip_permission_denied, ignored);
         it != fs::recursive_directory_iterator(); it.increment(ignored)) {
        struct stat st;
        if (lstat(it->path().c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
        files[it->path().lexically_relative(folder).string()] = {st.st_ino, st.st_ctim.tv_sec * 1000000000LL + st.st_ctim.tv_nsec};
    }
    return files;
}

std::vector<std::string> Written(const Snapshot& before, const Snapshot& after) {
    std::vector<std::string> written;
    for (const auto& [path, identity] : after) {
        const auto old = before.find(path);
        if (old == before.end() || old->second != identity) written.push_back(path);
    }
    return written;
}

// The files of a package the device sends (empty ones are left out), below its folder.
std::vector<std::string> PackageFiles(const fs::path& source) {
    std::vector<std::string> files;
    std::error_code ignored;
    for (auto it = fs::recursive_directory_iterator(source, ignored); it != fs::recursive_directory_iterator();
         it.increment(ignored))
        if (it->is_regular_file(ignored) && it->file_size(ignored) > 0)
            files.push_back(it->path().lexically_relative(source).string());
    std::sort(files.begin(), files.end());
    return files;
}

// firmware update on a real MTP player: the device does not check what the
// player answers, so the files are reported as sent, not as seen on the player.
template <typename Finish>
int UpdateUnseen(Session& session, const fs::path& source, const std::u16string& windowsPath, Json& result,
                 Finish finish) {
    session.Display().SetLabel("firmware");
    const DWORD outcome = session.Device().FWUpdate(windowsPath.c_str(), nullptr);
    session.Display().Interrupt();
    session.Device().GetFWInfo();
    const std::vector<std::string> sent = PackageFiles(source);
    const int exitCode = ExitCodeOf(outcome);
    result.Set("status", StatusName(exitCode));
    result.Set("result", HexCode(outcome));
    Json& list = result.Set("sent", Json::Array());
    for (const std::string& path : sent) list.Push(path);
    result.Set("firmware", FirmwareJson(session));
    if (session.JsonOutput()) return finish(exitCode);
    if (sent.empty()) std::printf("Nothing sent from %s (empty files are skipped)\n", source.c_str());
    else std::printf("Sent %zu file%s from %s (the player's answers are not checked):\n", sent.size(),
                     sent.size() == 1 ? "" : "s", source.c_str());
    for (const std::string& path : sent) std::printf("  %s\n", path.c_str());
    PrintFirmware(session);
    return finish(exitCode);
}

int Update(Session& session, const std::string& folder) {
    std::error_code failed;
    const fs::path source = fs::absolute(folder, failed).lexically_normal();
    Json result = Json::Object();
    result.Set("source", source.string());
    auto finish = [&session, &result](int exitCode) {
        Json results = Json::Array();
        results.Push(std::move(result));
        return FinishResults(session, std::move(results), exitCode);
    };
    const std::u16string windowsPath = ZelWindowsPath(source.c_str());
    if (!fs::is_directory(source, failed) || windowsPath.empty()) {
        Complain("no folder " + folder);
        result.Set("status", "failed");
        return finish(kExitFailed);
    }

    // A real MTP player has no folder of this computer to compare: what was sent is the package's non-empty files.
    if (session.PlayerFolder().empty()) return UpdateUnseen(session, source, windowsPath, result, finish);
    const Snapshot before = TakeSnapshot(session.PlayerFolder());
    session.Display().SetLabel("firmware");
    const DWORD outcome = session.Device().FWUpdate(windowsPath.c_str(), nullptr);
    session.Display().Interrupt();
    // The package may bring a new description.
    session.Device().GetFWInfo();
    const std::vector<std::string> written = Written(before, TakeSnapshot(session.PlayerFolder()));

    const int exitCode = ExitCodeOf(outcome);
    result.Set("status", StatusName(exitCode));
    result.Set("result", HexCode(outcome));
    Json& copied = result.Set("copied", Json::Array());
    for (const std::string& path : written) copied.Push(path);
    result.Set("firmware", FirmwareJson(session));
    if (session.JsonOutput()) return finish(exitCode);

    if (ZelFailed(outcome)) Complain("the firmware copy failed: " + DescribeResult(outcome) + " (" + HexCode(outcome) + ")");
    if (written.empty())
        std::printf("Nothing copied from %s (empty files are skipped)\n", source.c_str());
    else
        std::printf("Copied %zu file%s from %s:\n", written.size(), written.size() == 1 ? "" : "s", source.c_str());
    for (const std::string& path : written) std::printf("  %s\n", path.c_str());
    PrintFirmware(session);
    return finish(exitCode);
}

}  // namespace

int RunFirmware(Session& session, const Args& args) {
    if (!args.empty() && args[0] == "update") {
        if (args.size() != 2) {
            Complain("firmware update takes one folder");
            return kExitUsage;
        }
        return Update(session, args[1]);
    }
    if (!args.empty()) {
        Complain("firmware takes no arguments, or: update FOLDER");
        return kExitUsage;
    }
    if (session.JsonOutput()) {
        std::fputs(FirmwareJson(session).Dump().c_str(), stdout);
        return kExitOk;
    }
    PrintFirmware(session);
    return kExitOk;
}

}  // namespace zelhost
