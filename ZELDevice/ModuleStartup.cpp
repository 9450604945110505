// The library's load and unload hooks. On Windows an MFC extension library
// registers itself in the host's chain of MFC modules when it is loaded; here
// the host reaches the library's classes and resources directly, so loading
// needs nothing. Unloading must not pull the code from under the only thread
// the library starts, so the busy ticker of a format is stopped and awaited.
#include "internal/ProcessState.h"

namespace {

// Long enough for a ticker between two rounds; a ticker blocked in sending to
// a host window that no longer pumps cannot be helped.
constexpr unsigned kTickerWaitMs = 500;

__attribute__((destructor)) void ZelDeviceUnload() { zelcore::WaitForBusyTickers(kTickerWaitMs); }

}  // namespace
