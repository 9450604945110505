// zelhost rebuild: the device rebuilds the player's database from the files on
// it, by the rules of the player's model, with a progress bar; afterwards the
// records the database holds, counted by type.
//
// The rebuilt database is written once, at the end. A Ctrl-C stops the rebuild
// through the device (as it stops a copy) and the player keeps the database it
// had; a second Ctrl-C ends zelhost at once, which leaves that database as well.
#include <cstdio>
#include <map>

#include "commands.h"
#include "diagnostics.h"
#include "interrupt.h"
#include "report.h"

namespace zelhost {

namespace {

// The records of the player's database counted by media type ("MP3" -> 3).
std::map<std::string, unsigned long> CountByType(const std::vector<tagDB_File>& records) {
    std::map<std::string, unsigned long> counts;
    for (const tagDB_File& record : records) ++counts[MediaTypeName(record.MediaType)];
    return counts;
}

std::string Summary(const std::map<std::string, unsigned long>& counts) {
    std::string text;
    for (const auto& [type, count] : counts) text += (text.empty() ? "" : ", ") + type + " " + std::to_string(count);
    return text.empty() ? "nothing" : text;
}

}  // namespace

int RunRebuild(Session& session, const Args& args) {
    if (!args.empty()) {
        Complain("rebuild takes no arguments");
        return kExitUsage;
    }
    // The device rebuilds nothing on an MTP player: it keeps its own database.
    if (session.IsMtp()) return NotOffered(session, "rebuild", "an MTP player keeps its own database");
    Json result = Json::Object();
    auto finish = [&session, &result](int exitCode) {
        Json results = Json::Array();
        results.Push(std::move(result));
        return FinishResults(session, std::move(results), exitCode);
    };
    const std::string model = ZelToUtf8(FieldText(session.Device().m_Settings.ModelName));
    if (!session.HasDatabase()) {
        const std::string why = "the player keeps no database (profile " + session.GetProfile().name + ")";
        if (!session.JsonOutput()) Complain(why + ": there is nothing to rebuild");
        result.Set("status", "refused");
        result.Set("reason", why);
        return finish(kExitRefused);
    }
    const size_t before = session.Records().size();

    // A display of its own: the percentages of the database's write (event 4,
    // through the device's window) are not the rebuild's.
    ProgressDisplay display(ChooseProgressMode(session.JsonOutput()));
    session.Window().SetListener([&display](WPARAM event, LPARAM value) {
        if (event == ZEL_EVENT_REBUILD_BEGIN) display.OnBegin();
        if (event == ZEL_EVENT_REBUILD_PROGRESS) display.OnPercent(static_cast<long>(value));
    });
    display.SetLabel("rebuilding the database");
    // Between progress messages a Ctrl-C reaches the rebuild on the window's timer.
    session.Window().WatchForInterrupt(true);
    DWORD outcome = 0;
    {
        DiagnosticCapture capture(session.Verbose());
        outcome = session.Device().RebuildDB();
    }
    session.Window().WatchForInterrupt(false);
    session.Window().SetListener({});
    if (outcome == ZEL_SUCCESS)
        display.OnEnd();
    else
        display.Interrupt();
    result.Set("result", HexCode(outcome));
    result.Set("recordsBefore", static_cast<unsigned long>(before));

    if (outcome == ZEL_ERR_CANCELLED) {
        Complain("interrupted: the rebuild stopped before its end; the player keeps the database it had (" +
                 std::to_string(before) + " records)");
        result.Set("status", "cancelled");
        return finish(Interrupted() ? InterruptExitCode() : kExitFailed);
    }
    if (ZelFailed(outcome)) {
        const int exitCode = ExitCodeOf(outcome);
        const std::string why = outcome == ZEL_FAILURE ? "the player has no database the device can rebuild"
                                                       : DescribeResult(outcome);
        if (!session.JsonOutput()) Complain("not rebuilt: " + why + " (" + HexCode(outcome) + "); nothing was changed");
        result.Set("status", StatusName(exitCode));
        result.Set("reason", why);
        return finish(exitCode);
    }
    // When the rebuild's own write failed its records are still pending: one
    // more try, which costs nothing after a write that succeeded.
    if (!session.SyncDatabase()) {
        const std::string why = "the rebuilt database could not be written; the player keeps the database it had";
        if (!session.JsonOutput()) Complain(why + " (zelhost -v shows the database library's lines)");
        result.Set("status", StatusName(kExitDatabase));
        result.Set("reason", why);
        return finish(kExitDatabase);
    }

    const std::vector<tagDB_File> records = session.Records();
    const std::map<std::string, unsigned long> counts = CountByType(records);
    result.Set("status", "ok");
    result.Set("records", static_cast<unsigned long>(records.size()));
    Json& byType = result.Set("byType", Json::Object());
    for (const auto& [type, count] : counts) byType.Set(type, count);
    if (!session.JsonOutput()) {
        std::printf("Rebuilt the database of the player in %s (%s).\n", session.PlayerFolder().c_str(), model.c_str());
        std::printf("It holds %zu record%s (%zu before): %s\n", records.size(), records.size() == 1 ? "" : "s", before,
                    Summary(counts).c_str());
    }
    // A Ctrl-C after the last record: the rebuild ran to its end.
    if (Interrupted()) Complain("interrupted after the rebuild's end: the rebuilt database was written");
    return finish(kExitOk);
}

}  // namespace zelhost
