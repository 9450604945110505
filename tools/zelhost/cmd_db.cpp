// zelhost db: the records the player's database holds, through the listing
// entry point of the reference database library.
#include <cstdio>

#include "commands.h"
#include "report.h"

namespace zelhost {

void PrintRecords(const Session& session) {
    if (session.IsMtp()) {
        std::printf("An MTP player keeps its own database; the library does not read it.\n");
        return;
    }
    if (!session.HasDatabase()) {
        std::printf("The player keeps no database (profile %s).\n", session.GetProfile().name.c_str());
        return;
    }
    const std::vector<tagDB_File> records = session.Records();
    std::printf("%zu record%s in the player's database:\n", records.size(), records.size() == 1 ? "" : "s");
    for (const tagDB_File& record : records) std::printf("  %s\n", RecordLine(record).c_str());
}

int RunDb(Session& session, const Args& args) {
    if (!args.empty()) {
        Complain("db takes no arguments");
        return kExitUsage;
    }
    if (session.JsonOutput()) {
        Json json = Json::Object();
        json.Set("database", session.HasDatabase());
        Json& records = json.Set("records", Json::Array());
        for (const tagDB_File& record : session.Records()) records.Push(RecordJson(record));
        std::fputs(json.Dump().c_str(), stdout);
        return kExitOk;
    }
    PrintRecords(session);
    return kExitOk;
}

}  // namespace zelhost
