// zelhost game install FOLDER: a downloaded game package (a folder of this
// computer) installed into the player's game folder with GameUpload, with a
// progress bar for the whole package.
//
// The library deletes the download once it is on the player; zelhost hands it
// a private copy, so the folder the user gave stays where it is.
#include <cstdio>
#include <filesystem>

#include "commands.h"
#include "interrupt.h"
#include "report.h"
#include "scratch.h"

namespace zelhost {

namespace fs = std::filesystem;

namespace {

constexpr WORD kFirstPackProduct = 0x5119;  // players from here on keep games below My Pack

struct PackageFile {
    fs::path relative;
    uintmax_t size;
};

std::vector<PackageFile> FilesBelow(const fs::path& folder) {
    std::vector<PackageFile> files;
    std::error_code ignored;
    for (const auto& entry : fs::recursive_directory_iterator(folder, ignored))
        if (entry.is_regular_file(ignored)) files.push_back({fs::relative(entry.path(), folder), entry.file_size(ignored)});
    return files;
}

Json OutcomeJson(const std::string& package, const std::string& path, int exitCode, size_t files,
                 unsigned long long size, const std::string& message) {
    Json json = Json::Object();
    json.Set("package", package);
    json.Set("path", path.empty() ? Json() : Json(path));
    json.Set("status", StatusName(exitCode));
    json.Set("exitCode", exitCode);
    json.Set("files", static_cast<unsigned long long>(files));
    json.Set("size", size);
    if (!message.empty()) json.Set("message", message);
    return json;
}

int Finish(Session& session, const std::string& package, const std::string& path, int exitCode, size_t files,
           unsigned long long size, const std::string& message) {
    Json results = Json::Array();
    if (session.JsonOutput())
        results.Push(OutcomeJson(package, path, exitCode, files, size, message));
    else if (exitCode == kExitOk)
        std::printf("Installed %s -> %s  (%zu files, %s)\n", package.c_str(), path.c_str(), files,
                    FormatSize(size).c_str());
    else
        Complain("game install " + package + ": " + StatusName(exitCode) + ": " + message);
    return FinishResults(session, std::move(results), exitCode);
}

}  // namespace

int RunGame(Session& session, const Args& args) {
    if (args.size() != 2 || args[0] != "install") {
        Complain("game: usage: zelhost game install FOLDER");
        return kExitUsage;
    }
    // An MTP device installs no games: the package would not reach the player.
    if (session.IsMtp()) return NotOffered(session, "game install", "an MTP player takes no game packages");
    const std::string& given = args[1];
    std::error_code failed;
    const fs::path package = fs::absolute(given, failed).lexically_normal();
    const std::string name = (package.has_filename() ? package : package.parent_path()).filename().string();
    if (!fs::is_directory(package, failed) || name.empty())
        return Finish(session, given, "", kExitFailed, 0, 0, "no such folder on this computer");
    if (name.find('\\') != std::string::npos)
        return Finish(session, given, "", kExitFailed, 0, 0, "a name with a backslash has no Windows form");

    std::string copyError;
    const fs::path copy = Scratch::OfProcess().CopyIn(package.has_filename() ? package : package.parent_path(), copyError);
    if (copy.empty()) return Finish(session, given, "", kExitError, 0, 0, "no private copy of the package: " + copyError);
    const std::vector<PackageFile> files = FilesBelow(copy);
    unsigned long long total = 0;
    for (const PackageFile& file : files) total += file.size;

    const bool pack = session.GetProfile().productId >= kFirstPackProduct;
    const std::string target = std::string(pack ? "My Pack/Games/prg/" : "Games/prg/") + name;
    session.Display().SetLabel(name);
    session.Device().GameUpload(CString(ZelWindowsPath(copy.c_str()).c_str()));
    session.Display().Interrupt();

    if (Interrupted()) {
        Complain("interrupted: the package was not installed whole; " + given + " is unchanged");
        return FinishResults(session, Json::Array(), InterruptExitCode());
    }
    // The library removes the copy only when the whole package reached the player.
    bool installed = !fs::exists(copy, failed);
    for (const PackageFile& file : files) {
        const std::string landed =
            ZelHostPath(session.DevicePath(Session::SplitPlayerPath(target + "/" + file.relative.string())).c_str());
        installed = installed && fs::is_regular_file(landed, failed) && fs::file_size(landed, failed) == file.size;
    }
    if (!installed)
        return Finish(session, given, target, kExitFailed, files.size(), total,
                      "the package did not reach the player whole; " + given + " is unchanged");
    return Finish(session, given, target, kExitOk, files.size(), total, "");
}

}  // namespace zelhost
