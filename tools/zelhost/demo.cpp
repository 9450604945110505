// The demonstration: every step a host takes, on generated media.
#include "demo.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "mediagen.h"
#include "report.h"

namespace zelhost {

namespace fs = std::filesystem;

namespace {

struct DemoFile {
    std::string name;
    std::optional<std::string> folder;  // on the player; none: the profile's folder for the kind of media
};

constexpr const char* kAlbum = "Sample Sessions";

// Writes the demo's media into folder; the files with where each goes.
std::vector<DemoFile> MakeMedia(const std::string& folder, std::string& error) {
    struct Song {
        const char* file;
        const char* title;
        int track;
        zelmediagen::ImageFormat cover;
    };
    const Song songs[] = {
        {"01 Morning Light.mp3", "Morning Light", 1, zelmediagen::ImageFormat::Jpeg},
        {"02 Harbour Walk.mp3", "Harbour Walk", 2, zelmediagen::ImageFormat::Jpeg},
        {"03 Night Train.mp3", "Night Train", 3, zelmediagen::ImageFormat::Png},
    };
    std::vector<DemoFile> files;
    const std::string albumFolder = std::string("Music/") + kAlbum;
    for (const Song& song : songs) {
        zelmediagen::Mp3Options options;
        options.frames = 120 + 40 * song.track;
        options.title = song.title;
        options.artist = "The Demo Ensemble";
        options.album = kAlbum;
        options.genre = "Ambient";
        options.year = 2024;
        options.track = song.track;
        options.cover = {song.cover, 300, 300, 3};
        if (!zelmediagen::WriteMp3(folder + "/" + song.file, options)) {
            error = std::string("cannot write ") + song.file;
            return {};
        }
        files.push_back({song.file, albumFolder});
    }
    if (!zelmediagen::WriteJpeg(folder + "/harbour.jpg", 640, 480)) {
        error = "cannot write harbour.jpg";
        return {};
    }
    files.push_back({"harbour.jpg", std::nullopt});
    if (!zelmediagen::WriteText(folder + "/liner notes.txt",
                                "Sample Sessions\n\nThree short silent pieces, made by zelhost demo.\n")) {
        error = "cannot write liner notes.txt";
        return {};
    }
    files.push_back({"liner notes.txt", std::nullopt});
    return files;
}

// The file of this computer that holds a file of the player: on its drive, or in
// the simulated MTP player's folder.
std::string HostPathOf(Session& session, const std::u16string& devicePath) {
    if (!session.IsMtp()) return ZelHostPath(devicePath.c_str());
    std::string relative = ZelToUtf8(devicePath);
    for (char& c : relative)
        if (c == '\\') c = '/';
    return session.PlayerFolder() + relative;
}

std::string MakeWorkFolder() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base != nullptr && base[0] == '/' ? base : "/tmp") + "/zelhost-demo-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) return {};
    return pattern;
}

}  // namespace

int RunDemo(const SessionOptions& options, const Args& args) {
    const bool mtp = args.size() == 1 && args[0] == "--mtp";
    if (!args.empty() && !mtp) {
        Complain("demo takes no arguments besides --mtp, --player, --profile and --json");
        return kExitUsage;
    }
    const std::string work = MakeWorkFolder();
    if (work.empty()) {
        Complain("demo: cannot make a temporary folder");
        return kExitError;
    }
    SessionOptions demoOptions = options;
    if (demoOptions.playerFolder.empty()) demoOptions.playerFolder = work + "/player";
    if (demoOptions.profile.empty()) demoOptions.profile = mtp ? kDefaultMtpProfile : kDefaultProfile;
    // A simulated MTP player comes with a memory card, which shows in its tree.
    if (mtp && demoOptions.cardFolder.empty() && options.playerFolder.empty()) demoOptions.cardFolder = work + "/card";
    const std::string sources = work + "/sources";
    std::error_code ignored;
    fs::create_directories(sources, ignored);
    const bool json = options.json;

    int exitCode = kExitOk;
    std::string error;
    std::unique_ptr<Session> session = Session::Open(demoOptions, exitCode, error);
    if (!session) {
        Complain("demo: " + error);
        return exitCode;
    }
    const Profile& profile = session->GetProfile();
    if (mtp && !profile.IsMtp()) {
        Complain("demo --mtp: the profile " + profile.name + " is not an MTP player's");
        return kExitUsage;
    }
    const tagDeviceSettings& settings = session->Device().m_Settings;
    if (!json) {
        std::printf("zelhost demo\n\n");
        if (session->IsMtp())
            std::printf("Player folder  %s  (simulated MTP player; memory card %s)\n", session->PlayerFolder().c_str(),
                        session->CardFolder().empty() ? "none" : session->CardFolder().c_str());
        else
            std::printf("Player folder  %s  (drive %c:)\n", session->PlayerFolder().c_str(),
                        static_cast<char>(session->Drive()));
        std::printf("Profile        %s - %s\n", profile.name.c_str(), profile.description.c_str());
        std::printf("Model          %s, %u MB free\n", ZelToUtf8(FieldText(settings.ModelName)).c_str(), settings.FreeMB);
    }

    const std::vector<DemoFile> files = MakeMedia(sources, error);
    if (files.empty()) {
        Complain("demo: " + error);
        return kExitError;
    }
    if (!json) std::printf("Generated      %zu files in %s\n\n", files.size(), sources.c_str());

    // The album gets a folder of its own below the music folder.
    const std::vector<std::u16string> music = Session::SplitPlayerPath(ZelToUtf8(FieldText(settings.Folders[0])));
    std::vector<std::u16string> album = music;
    album.push_back(ZelFromUtf8(kAlbum));
    std::vector<std::u16string> probe = album;
    if (!session->GoTo(probe, error)) {
        std::vector<std::u16string> parent = music;
        std::u16string name = album.back();
        if (!session->GoTo(parent, error) || !session->Device().MakeFolder(name.data())) {
            Complain("demo: cannot make the album folder: " + error);
            return kExitFailed;
        }
        session->Changed();
        if (!json) std::printf("Made folder    %s\n\n", Session::ShownPath(album).c_str());
    }

    if (!json) std::printf("Sending files:\n");
    Json transfers = Json::Array();
    std::vector<PutOutcome> outcomes;
    for (const DemoFile& file : files) {
        const std::optional<std::string> folder =
            file.folder ? std::optional<std::string>(Session::ShownPath(album)) : std::nullopt;
        PutOutcome outcome = PutFile(*session, sources + "/" + file.name, folder);
        // A player may not take every kind of file; that is its choice, not a failure of the demo.
        if (outcome.exitCode != kExitRefused) exitCode = std::max(exitCode, outcome.exitCode);
        if (json)
            transfers.Push(outcome.ToJson());
        else
            PrintPutOutcome(outcome);
        outcomes.push_back(std::move(outcome));
    }
    session->SyncDatabase();

    std::vector<TreeItem> tree;
    CollectTree(*session, {}, false, tree, error);

    if (json) {
        Json out = Json::Object();
        out.Set("player", session->PlayerFolder());
        out.Set("profile", profile.name);
        out.Set("sources", sources);
        out.Set("transfers", std::move(transfers));
        Json& entries = out.Set("entries", Json::Array());
        for (const TreeItem& item : tree) entries.Push(EntryJson(*session, item.entry, item.depth, true));
        Json& records = out.Set("records", Json::Array());
        for (const tagDB_File& record : session->Records()) records.Push(RecordJson(record));
        out.Set("exitCode", exitCode);
        std::fputs(out.Dump().c_str(), stdout);
        return exitCode;
    }

    std::printf("\nThe player's tree (zelhost ls -l):\n");
    std::printf("%10s  %-4s  %-19s  %-3s  %s\n", "size", "type", "modified", "db", "name");
    PrintTree(*session, tree, true);

    std::printf("\nFiles on the %s:\n", session->IsMtp() ? "player's storage" : "drive");
    for (const PutOutcome& outcome : outcomes) {
        if (outcome.exitCode != kExitOk) continue;
        const std::string host = HostPathOf(*session, outcome.devicePath);
        const auto size = fs::file_size(host, ignored);
        std::printf("  %s  (%s)\n", host.c_str(), FormatSize(ignored ? 0 : size).c_str());
    }
    const std::string database = ZelHostPath((std::u16string{session->Drive(), u':', u'\\'} + u"System\\PlayerDB.zdb").c_str());
    if (session->HasDatabase() && fs::exists(database, ignored))
        std::printf("  %s  (%s, the database file)\n", database.c_str(), FormatSize(fs::file_size(database, ignored)).c_str());

    std::printf("\n");
    PrintRecords(*session);
    if (session->IsMtp() && !session->CardFolder().empty())
        std::printf("\nTry: zelhost --player %s --card %s ls -l\n", session->PlayerFolder().c_str(),
                    session->CardFolder().c_str());
    else
        std::printf("\nTry: zelhost --player %s ls -l\n", session->PlayerFolder().c_str());
    return exitCode;
}

}  // namespace zelhost
