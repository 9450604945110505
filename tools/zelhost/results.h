// zelhost's exit codes and how the library's result codes map onto them.
#pragma once

#include <string>

#include "ZELDevice/ZELDevice.h"

namespace zelhost {

// Exit codes; a command that handles several items exits with the highest one it met.
enum ExitCode : int {
    kExitOk = 0,        // everything done
    kExitError = 1,     // zelhost itself failed (cannot write its output, ...)
    kExitUsage = 2,     // bad command line or profile
    kExitRefused = 3,   // the player refused: unsupported type, wrong folder, name exists, ...
    kExitFailed = 4,    // an operation failed: missing source, copy or deletion failed, no such path
    kExitNoDevice = 5,  // the player could not be set up (CreateDevice failed, database library missing)
    kExitDatabase = 6,  // a file landed or went, but the player's database could not be brought in line
};
// An interrupted run (SIGINT, SIGTERM) exits with 128 + the signal: 130, 143 (interrupt.h).

// The exit code of a library result: 0 without the failure bit, 3 for the
// refusals, 4 for every other failure.
int ExitCodeOf(DWORD result);
// "refused", "failed" or "ok" for an exit code.
const char* StatusName(int exitCode);
// What a result code means, for people ("media type not supported by the player").
std::string DescribeResult(DWORD result);
// "0x10007".
std::string HexCode(DWORD value);

}  // namespace zelhost
