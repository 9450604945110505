// zelhost firmware: the firmware description the player keeps (SYSTEM.VER, or
// SYSTEM/SYSTEM.VER) as the device read it, and `firmware update FOLDER`, which
// copies a firmware package of this computer onto the player.
#include <sys/stat.h>

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

// The description file as the device looks for it ("SYSTEM.VER", then
// "SYSTEM\SYSTEM.VER", names matched without regard to case), as a path below
// the player's root with the names as they are spelt; empty when there is neither.
std::string DescriptionFile(const Session& session) {
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
    if (file.empty()) return lines;
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
