// zelhost put: copies computer files onto the player the way a host does it:
// GetMediaType fills the record, the host adds the tags, puts the file's full
// path in the record's Folder and its name on the player in FileName, and calls
// TransferFile2 with the destination folder; progress arrives as 0x40A messages.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "commands.h"
#include "fat_names.h"
#include "interrupt.h"
#include "playlists.h"
#include "report.h"
#include "scratch.h"

namespace zelhost {

namespace fs = std::filesystem;

namespace {

// The library deletes a picture after sending it when its path has "temp" in it
// (pictures a host prepared in its temporary folder). A user's own picture in
// such a folder is sent from a private copy in zelhost's scratch folder; when
// no copy can be made the picture is not sent, never the original in its place.
bool NeedsPrivateCopy(DWORD mediaType, const std::u16string& windowsPath) {
    return (mediaType & ZEL_MEDIA_IMAGE) && windowsPath.find(u"temp") != std::u16string::npos &&
           windowsPath.find(u"temp") > 0;
}

// Music the library edits on its way (album art resized, lyrics merged) passes
// through the library's temporary folder, which lives in the scratch folder.
bool PassesThroughLibraryScratch(const tagDeviceSettings& settings, DWORD mediaType) {
    return (mediaType & ZEL_MEDIA_AUDIO) && (settings.AlbumArtWidth != 0 || (settings.Capabilities & ZEL_CAP_LYRICS));
}

// The library's tag reader fills what a host's own media library would know
// about a song; the player's database keeps it with the record. The genre field
// doubles as the category of broadcast files, so those names are not kept as genres.
void AddTags(CZEL_Device& device, const std::u16string& path, tagDB_File& record) {
    if (!device.ReadTagsIntoRecord(path.c_str(), &record)) return;
    const std::u16string genre = FieldText(record.ShortText2);
    if (genre == u"Datacasts" || genre == u"TTS")
        std::fill(std::begin(record.ShortText2), std::end(record.ShortText2), u'\0');
}

// The profile's folder for a kind of media; the root for kinds without one.
std::u16string FolderForMedia(const tagDeviceSettings& settings, DWORD mediaType) {
    int entry = -1;
    if (mediaType & ZEL_MEDIA_AUDIO)
        entry = 0;
    else if (mediaType & ZEL_MEDIA_VIDEO)
        entry = 1;
    else if (mediaType & ZEL_MEDIA_IMAGE)
        entry = 2;
    else if (mediaType == ZEL_MEDIA_TXT)
        entry = 3;
    return entry < 0 ? std::u16string() : FieldText(settings.Folders[entry]);
}

std::string ExtensionOf(const std::string& path) {
    const std::string name = fs::path(path).filename().string();
    const size_t dot = name.rfind('.');
    std::string extension = dot == std::string::npos ? name : name.substr(dot + 1);
    for (char& c : extension) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return extension;
}

}  // namespace

Json PutOutcome::ToJson() const {
    Json json = Json::Object();
    json.Set("source", source);
    json.Set("status", StatusName(exitCode));
    json.Set("exitCode", exitCode);
    json.Set("result", result == 0 ? Json() : Json(HexCode(result)));
    json.Set("path", path.empty() ? Json() : Json(path));
    json.Set("devicePath", devicePath.empty() ? Json() : Json(ZelToUtf8(devicePath)));
    json.Set("mediaType", HexCode(mediaType));
    json.Set("size", size);
    if (!message.empty()) json.Set("message", message);
    return json;
}

void PrintPutOutcome(const PutOutcome& outcome) {
    if (outcome.exitCode == kExitOk) {
        std::printf("  %-30s -> %s  (%s, %s)\n", fs::path(outcome.source).filename().string().c_str(),
                    outcome.path.c_str(), MediaTypeName(outcome.mediaType).c_str(), FormatSize(outcome.size).c_str());
        std::fflush(stdout);
    } else {
        Complain(outcome.source + ": " + StatusName(outcome.exitCode) + ": " + outcome.message);
    }
}

PutOutcome PutFile(Session& session, const std::string& source, const std::optional<std::string>& destination) {
    PutOutcome outcome;
    outcome.source = source;
    CZEL_Device& device = session.Device();

    std::error_code failed;
    const fs::path hostPath = fs::absolute(source, failed).lexically_normal();
    if (!fs::is_regular_file(hostPath, failed)) {
        outcome.exitCode = kExitFailed;
        outcome.message = fs::exists(hostPath, failed) ? "not a file" : "no such file";
        return outcome;
    }
    if (!std::ifstream(hostPath, std::ios::binary)) {
        outcome.exitCode = kExitFailed;
        outcome.message = "cannot be read";
        return outcome;
    }
    // "\" separates names in the library's paths; a host name holding one cannot be reached.
    if (hostPath.string().find('\\') != std::string::npos) {
        outcome.exitCode = kExitFailed;
        outcome.message = "a name with a backslash has no Windows form";
        return outcome;
    }
    std::u16string windowsPath = ZelWindowsPath(hostPath.c_str());
    // The record carries the source's path; one cut to fit would name another file.
    if (windowsPath.size() >= ZEL_DBFOLDER) {
        outcome.exitCode = kExitFailed;
        outcome.message = "its path is " + std::to_string(windowsPath.size()) + " characters long; a player record holds " +
                          std::to_string(ZEL_DBFOLDER - 1) + ", so it is not sent";
        return outcome;
    }

    tagDB_File record{};
    const DWORD mediaType = device.GetMediaType(windowsPath.data(), &record);
    outcome.mediaType = mediaType;
    outcome.size = record.FileSize;
    if (mediaType == ZEL_MEDIA_NONE) {
        outcome.exitCode = kExitRefused;
        outcome.result = ZEL_ERR_MEDIA_TYPE;
        outcome.message = "the player does not take " + ExtensionOf(source) + " files (" + HexCode(ZEL_ERR_MEDIA_TYPE) + ")";
        return outcome;
    }

    // The destination folder becomes the device's current folder: a player that
    // checks folders compares it with the file's kind, and the new entry joins the tree there.
    std::vector<std::u16string> folder =
        destination ? Session::SplitPlayerPath(*destination) : Session::SplitPlayerPath(ZelToUtf8(FolderForMedia(device.m_Settings, mediaType)));
    std::string error;
    if (!session.GoTo(folder, error)) {
        outcome.exitCode = kExitFailed;
        outcome.message = error;
        return outcome;
    }

    // On a FAT player a name FAT refuses is refused (or changed) before anything is sent.
    std::u16string nameOnPlayer = FieldText(record.FileName);
    if (!FitFatName(session, nameOnPlayer, error)) {
        outcome.exitCode = kExitRefused;
        outcome.message = error;
        return outcome;
    }
    lstrcpynW(record.FileName, nameOnPlayer.c_str(), ZEL_DBFILENAME);

    // A mass-storage player takes its current path (it ends with "\"); an MTP player the folder's device path.
    std::u16string destinationFolder = session.IsMtp() ? session.DevicePath(folder) : device.GetCurrentPath().Str();
    if (destinationFolder.size() + nameOnPlayer.size() >= ZEL_DBFOLDER) {
        outcome.exitCode = kExitFailed;
        outcome.message = "its path on the player would not fit the player's database record, so it is not sent";
        return outcome;
    }
    if (mediaType & ZEL_MEDIA_AUDIO) AddTags(device, windowsPath, record);
    if (PassesThroughLibraryScratch(device.m_Settings, mediaType) && !Scratch::OfProcess().Ready(error)) {
        outcome.exitCode = kExitFailed;
        outcome.message = "not sent: " + error;
        return outcome;
    }
    if (NeedsPrivateCopy(mediaType, windowsPath)) {
        const std::string copy = Scratch::OfProcess().CopyIn(hostPath.string(), error);
        if (copy.empty()) {
            outcome.exitCode = kExitFailed;
            outcome.message = "not sent: the library deletes a picture whose path holds \"temp\" after sending it, "
                              "and no private copy could be made (" + error + ")";
            return outcome;
        }
        windowsPath = ZelWindowsPath(copy.c_str());
        if (windowsPath.empty() || windowsPath.size() >= ZEL_DBFOLDER) {
            outcome.exitCode = kExitFailed;
            outcome.message = "not sent: the private copy's path " + copy + " does not fit a player record";
            return outcome;
        }
    }
    // The record carries the source's full path in Folder and the name on the player in FileName.
    lstrcpynW(record.Folder, windowsPath.c_str(), ZEL_DBFOLDER);

    session.Display().SetLabel(hostPath.filename().string());
    const DWORD result = device.TransferFile2(destinationFolder.data(), &record, 0, nullptr, 0, nullptr);
    const DWORD why = GetLastError();
    session.Display().Interrupt();
    outcome.result = result;
    outcome.exitCode = ExitCodeOf(result);
    if (outcome.exitCode != kExitOk) {
        // The last error tells a full player and a name the drive refused from other failures.
        const std::string detail = ZelFailed(result) && result != ZEL_ERR_CANCELLED ? LastErrorDetail(why) : std::string();
        if (ZelNameRuleOfError(why) != ZEL_NAME_ALLOWED && !detail.empty()) outcome.exitCode = kExitRefused;
        outcome.message = (detail.empty() ? DescribeResult(result) : detail) + " (" + HexCode(result) + ")";
        return outcome;
    }
    session.Changed();
    outcome.size = record.FileSize;  // as it landed (album art resized, lyrics merged)
    // The file as it stands on the drive: on a mass-storage player one that
    // replaced a file whose name differs only in case keeps that file's spelling.
    const CZEL_File* landed = session.IsMtp() ? nullptr : device.GetCurrentTransZELFile();
    outcome.devicePath = landed != nullptr && !landed->Path.IsEmpty()
                             ? landed->Path.Str()
                             : Session::JoinDevicePath(destinationFolder, FieldText(record.FileName));
    outcome.path = ShownDevicePath(outcome.devicePath);
    // The database is written after each file: a run that is killed later
    // loses at most the record of the file then in flight.
    if (!session.RecordLanded(outcome.devicePath, mediaType, outcome.message)) outcome.exitCode = kExitDatabase;
    return outcome;
}

int RunPut(Session& session, const Args& args) {
    std::vector<std::string> sources;
    std::optional<std::string> destination;
    PlaylistJoin join;
    for (size_t k = 0; k < args.size(); ++k) {
        std::string optionError;
        if (TakePlaylistOption(args, k, join, optionError)) {
            if (optionError.empty()) continue;
            Complain("put: " + optionError);
            return kExitUsage;
        }
        if (args[k] == "--to" || args[k] == "-t") {
            if (k + 1 == args.size()) {
                Complain("put: --to needs a folder of the player");
                return kExitUsage;
            }
            destination = args[++k];
        } else if (args[k].size() > 1 && args[k][0] == '-') {
            Complain("put: unknown option " + args[k]);
            return kExitUsage;
        } else {
            sources.push_back(args[k]);
        }
    }
    // As with cp: after two or more names, a last one that is no file of the computer names the folder.
    std::error_code ignored;
    if (!destination && sources.size() >= 2 && !fs::is_regular_file(sources.back(), ignored)) {
        destination = sources.back();
        sources.pop_back();
    }
    if (sources.empty()) {
        Complain("put: no files given");
        return kExitUsage;
    }
    if (join.Any() && !KeepsPlaylists(session)) {
        Complain("put: " + NoPlaylistsReason(session));
        return kExitRefused;
    }
    std::string joinError;
    if (!ResolvePlaylistJoin(session, join, joinError)) {
        Complain("put: " + joinError);
        return kExitUsage;
    }

    int exitCode = kExitOk;
    Json results = Json::Array();
    bool landed = false;
    size_t sent = 0;
    for (const std::string& source : sources) {
        if (Interrupted()) break;
        const PutOutcome outcome = PutFile(session, source, destination);
        exitCode = std::max(exitCode, outcome.exitCode);
        if (outcome.exitCode == kExitOk || outcome.exitCode == kExitDatabase) {
            // The file joins its playlists from the folder it landed in.
            JoinPlaylist(session, outcome.devicePath, join);
            landed = true;
            ++sent;
        }
        if (session.JsonOutput())
            results.Push(outcome.ToJson());
        else
            PrintPutOutcome(outcome);
    }
    // As a host does after a batch: the device brings its playlists in line.
    // Also after an interruption: what landed is brought in line.
    if (landed) UpdatePlaylistsAfterTransfer(session);
    if (Interrupted()) {
        Complain("interrupted: " + std::to_string(sent) + " of " + std::to_string(sources.size()) +
                 " files were sent; a file in flight was not kept");
        exitCode = InterruptExitCode();
    }
    return FinishResults(session, std::move(results), exitCode);
}

}  // namespace zelhost
