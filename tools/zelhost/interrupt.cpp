// The signal handlers only note the signal; everything else happens on the
// main thread where the library runs.
#include "interrupt.h"

#include <csignal>

namespace zelhost {

namespace {

volatile std::sig_atomic_t g_signal = 0;

void OnSignal(int signal) {
    if (g_signal != 0) {
        // Asked twice: the default action, now.
        std::signal(signal, SIG_DFL);
        std::raise(signal);
        return;
    }
    g_signal = signal;
}

}  // namespace

void InstallInterruptHandlers() {
    struct sigaction action {};
    action.sa_handler = &OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;  // a write or read under way goes on; the flag is seen after it
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

int InterruptSignal() { return g_signal; }

int InterruptExitCode() { return g_signal != 0 ? 128 + g_signal : 0; }

}  // namespace zelhost
