// zelhost: the command-line host of the device library for mass-storage and
// MTP players. It takes the global options out of the command line, opens the
// player for the command and runs it.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>

#include "commands.h"
#include "demo.h"
#include "help.h"
#include "interrupt.h"
#include "shortcut_paths.h"

using namespace zelhost;

namespace {

struct Command {
    int (*run)(Session&, const Args&);
};

const std::map<std::string, Command> kCommands = {
    {"info", {&RunInfo}}, {"ls", {&RunLs}}, {"put", {&RunPut}},
    {"mkdir", {&RunMkdir}}, {"rm", {&RunRm}}, {"db", {&RunDb}}, {"playlist", {&RunPlaylist}},
    {"uploads", {&RunUploads}}, {"get", {&RunGet}}, {"game", {&RunGame}},
    {"format", {&RunFormat}}, {"firmware", {&RunFirmware}}, {"eject", {&RunEject}},
    {"rebuild", {&RunRebuild}},
};

// `zelhost profiles [NAME]`: the built-in profiles, or one of them as text.
int RunProfiles(const Args& args) {
    if (args.empty()) {
        for (const std::string& name : BuiltinProfileNames()) {
            std::string error;
            const std::optional<Profile> profile = ParseProfile(BuiltinProfileText(name), name, error);
            std::printf("%-14s %s%s\n", name.c_str(), profile ? profile->description.c_str() : error.c_str(),
                        name == kDefaultProfile ? " (default)" : "");
        }
        return kExitOk;
    }
    if (args.size() > 1) {
        Complain("profiles takes at most one name");
        return kExitUsage;
    }
    const std::string text = BuiltinProfileText(args[0]);
    if (text.empty()) {
        Complain("no built-in profile '" + args[0] + "'");
        return kExitUsage;
    }
    std::fputs(text.c_str(), stdout);
    return kExitOk;
}

}  // namespace

int main(int argc, char** argv) {
    InstallInterruptHandlers();
    // zelhost keeps nothing in the user's home: no folder behind drive C:.
    ZelUnmapDrive(u'C');
    SessionOptions options;
    if (const char* player = std::getenv("ZELHOST_PLAYER")) options.playerFolder = player;
    std::string command;
    Args args;
    bool help = false;

    for (int k = 1; k < argc; ++k) {
        const std::string arg = argv[k];
        auto value = [&](const char* option) -> const char* {
            if (k + 1 < argc) return argv[++k];
            Complain(std::string(option) + " needs a value");
            std::exit(kExitUsage);
        };
        if (arg == "--player") {
            options.playerFolder = value("--player");
        } else if (arg.rfind("--player=", 0) == 0) {
            options.playerFolder = arg.substr(9);
        } else if (arg == "--card") {
            options.cardFolder = value("--card");
        } else if (arg.rfind("--card=", 0) == 0) {
            options.cardFolder = arg.substr(7);
        } else if (arg == "--profile") {
            options.profile = value("--profile");
        } else if (arg.rfind("--profile=", 0) == 0) {
            options.profile = arg.substr(10);
        } else if (arg == "--use-player-library") {
            options.usePlayerLibrary = true;
        } else if (arg == "--fat-names") {
            options.fatNames = true;
        } else if (arg == "--json") {
            options.json = true;
        } else if (arg == "-v" || arg == "--verbose") {
            options.verbose = true;
        } else if (arg == "-h" || arg == "--help") {
            help = true;
        } else if (arg == "--version") {
            std::printf("zelhost %s\n", ZELHOST_VERSION);
            return std::fflush(stdout) != 0 ? kExitError : kExitOk;
        } else if (command.empty()) {
            command = arg;
        } else {
            args.push_back(arg);
        }
    }

    if (command == "help") {
        help = true;
        command = args.empty() ? std::string() : args[0];
        args.clear();
    }
    // Output that could not be written is an error whatever the command.
    auto flushed = [](int code) { return std::fflush(stdout) != 0 ? kExitError : code; };
    if (help && command == "paths") return flushed(PrintPathsHelp(options) ? kExitOk : kExitUsage);
    if (help) return flushed(PrintHelp(command) ? kExitOk : kExitUsage);
    if (command.empty()) {
        PrintHelp(std::string());
        return flushed(kExitUsage);
    }
    if (command == "profiles") return flushed(RunProfiles(args));
    if (command == "demo") return flushed(RunDemo(options, args));
    if (command == "devices") return flushed(RunDevices(options, args));

    const auto found = kCommands.find(command);
    if (found == kCommands.end()) {
        Complain("unknown command '" + command + "' (zelhost --help lists them)");
        return kExitUsage;
    }
    int exitCode = kExitOk;
    std::string error;
    std::unique_ptr<Session> session = Session::Open(options, exitCode, error);
    if (!session) {
        Complain(error);
        return exitCode;
    }
    exitCode = found->second.run(*session, args);
    // Ending the session writes what is still pending of the player's database.
    session.reset();
    if (Interrupted()) exitCode = InterruptExitCode();
    return flushed(exitCode);
}
