// Ctrl-C and SIGTERM. The first one asks zelhost to stop: the transfer in
// flight is cancelled through the library (CancelTransfer, from the host
// window's procedure, which the library's message pump runs between blocks),
// the command stops before its next item, the player's database is written for
// what landed, and zelhost exits with 128 + the signal (130, 143). A second one
// ends the process at once.
#pragma once

namespace zelhost {

void InstallInterruptHandlers();
// The signal that asked zelhost to stop; 0 while none did.
int InterruptSignal();
inline bool Interrupted() { return InterruptSignal() != 0; }
// 128 + the signal: the exit code of an interrupted run.
int InterruptExitCode();

}  // namespace zelhost
