// zelhost eject: gets the player ready to be unplugged. The database is written
// first, then the device's safe removal flushes the drive's file system
// through the safe-removal library, whose word decides what zelhost says.
#include <cstdio>

#include "commands.h"
#include "diagnostics.h"

namespace zelhost {

int RunEject(Session& session, const Args& args) {
    if (!args.empty()) {
        Complain("eject takes no arguments");
        return kExitUsage;
    }
    // An MTP player is no drive of this computer: its device has nothing to flush.
    if (session.IsMtp())
        return NotOffered(session, "eject", "an MTP player has no drive to flush; it may be unplugged once no zelhost runs");
    if (!session.SyncDatabase()) {
        Complain("the player's database could not be written; do not unplug the player yet");
        return kExitDatabase;
    }
    bool flushed = false;
    std::vector<std::string> said;
    {
        DiagnosticCapture capture(session.Verbose());
        session.Device().SafeRemoved();
        for (const std::string& line : capture.Lines())
            if (line.rfind("[SFRemove] ", 0) == 0) said.push_back(line.substr(11));
    }
    flushed = !said.empty() && said.back().find("may be unplugged") != std::string::npos;
    const int exitCode = flushed ? kExitOk : kExitFailed;
    const std::string message = flushed ? "the player may be unplugged"
                                : said.empty() ? "the safe-removal library is missing: nothing was flushed; do not unplug the player yet"
                                               : said.back();
    if (session.JsonOutput()) {
        Json result = Json::Object();
        result.Set("status", StatusName(exitCode));
        result.Set("flushed", flushed);
        result.Set("database", session.HasDatabase() ? "written" : "none");
        result.Set("message", message);
        Json results = Json::Array();
        results.Push(std::move(result));
        return FinishResults(session, std::move(results), exitCode);
    }
    if (!flushed) {
        Complain(message);
        return exitCode;
    }
    std::printf("Flushed the player in %s%s; it may be unplugged.\n", session.PlayerFolder().c_str(),
                session.HasDatabase() ? " (its database written first)" : "");
    return exitCode;
}

}  // namespace zelhost
