// The commands of zelhost. Each takes the open session and its own arguments
// (global options already taken out), prints text or JSON, and answers an exit
// code (results.h).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "json.h"
#include "session.h"

namespace zelhost {

using Args = std::vector<std::string>;

int RunInfo(Session& session, const Args& args);
int RunLs(Session& session, const Args& args);
int RunPut(Session& session, const Args& args);
int RunMkdir(Session& session, const Args& args);
int RunRm(Session& session, const Args& args);
int RunDb(Session& session, const Args& args);
// `zelhost devices`: the MTP players libmtp finds; needs no player.
int RunDevices(const SessionOptions& options, const Args& args);
int RunPlaylist(Session& session, const Args& args);
int RunUploads(Session& session, const Args& args);
int RunGet(Session& session, const Args& args);
int RunGame(Session& session, const Args& args);
int RunFormat(Session& session, const Args& args);
int RunFirmware(Session& session, const Args& args);
int RunEject(Session& session, const Args& args);
int RunRebuild(Session& session, const Args& args);

// ---- Pieces the commands share. ----

// Prints {"results": [...], "exitCode": n} when the session gives JSON; answers exitCode.
int FinishResults(const Session& session, Json results, int exitCode);
// A command whose operation the device does nothing for on this player: says
// that the player does not offer it, and why; answers kExitRefused.
int NotOffered(const Session& session, const std::string& command, const std::string& why);
// Splits a command's arguments into its switches and the rest. A switch is any
// of the spellings given; another argument that begins with "-" is reported
// as unknown (false). switched tells which spelling group was given.
bool ParseSwitches(const char* command, const Args& args, const std::vector<std::vector<std::string>>& spellings,
                   std::vector<bool>& switched, std::vector<std::string>& rest);

// ---- Pieces the demo shares with the commands. ----

// What became of one file given to put.
struct PutOutcome {
    int exitCode = kExitOk;
    DWORD result = 0;        // the library's result, 0 when it was not called
    std::string source;      // host path as given
    std::string path;        // where it landed, "Music/a.mp3"
    std::u16string devicePath;
    DWORD mediaType = 0;
    DWORD size = 0;
    std::string message;     // why it was refused or failed

    Json ToJson() const;
};

// Puts one host file on the player. destination is a folder of the player; when
// there is none the file goes to the profile's folder for its kind of media.
PutOutcome PutFile(Session& session, const std::string& source, const std::optional<std::string>& destination);
// Prints one outcome as a text line (results on standard output, refusals and
// failures on standard error).
void PrintPutOutcome(const PutOutcome& outcome);

// The tree below a folder of the player, in listing order: one entry and its depth.
struct TreeItem {
    PlayerEntry entry;
    int depth = 0;
};
// Lists a folder (and, unless flat, every folder below it). False with error filled
// when the folder does not exist.
bool CollectTree(Session& session, std::vector<std::u16string> folder, bool flat, std::vector<TreeItem>& items,
                 std::string& error);
void PrintTree(const Session& session, const std::vector<TreeItem>& items, bool details);

// The database records as text lines under a heading.
void PrintRecords(const Session& session);

// Reports an error on standard error as "zelhost: ...".
void Complain(const std::string& message);

}  // namespace zelhost
