#include "internal/ProcessState.h"

#include <atomic>
#include <cstdint>

#include "ZELDevice/abi/Codes.h"
#include "internal/MessagePump.h"
#include "zelcompat/thread.h"
#include "zelcompat/window.h"

namespace zelcore {

namespace {

std::atomic<HWND> g_hostWindow{nullptr};
std::atomic<bool> g_stopBusy{false};
std::atomic<int> g_runningTickers{0};
std::atomic<unsigned> g_tickerGeneration{0};  // a ticker from an earlier format ends when it changes

constexpr DWORD kRoundMs = 10;
constexpr int kRoundsPerTick = 100;  // about one second
constexpr LPARAM kTickStep = 5;

// The ticker: sleeps and pumps in rounds of 10 ms, and every 100 rounds
// reports a growing value, held at 100 once it passes 100.
bool TickerStopped(unsigned generation) {
    return g_stopBusy.load() || g_tickerGeneration.load() != generation;
}

DWORD WINAPI BusyTicker(LPVOID parameter) {
    const auto generation = static_cast<unsigned>(reinterpret_cast<uintptr_t>(parameter));
    LPARAM value = 0;
    int rounds = 0;
    while (!TickerStopped(generation)) {
        Sleep(kRoundMs);
        PumpWaitingMessages();
        if (++rounds < kRoundsPerTick) continue;
        rounds = 0;
        if (TickerStopped(generation)) break;
        SendMessageW(g_hostWindow.load(), ZEL_WM_PROGRESS, ZEL_EVENT_FORMAT_BUSY, value > 100 ? 100 : value);
        value += kTickStep;
    }
    g_runningTickers.fetch_sub(1);
    return 0;
}

}  // namespace

HWND HostWindow() { return g_hostWindow.load(); }

void SetHostWindow(HWND window) { g_hostWindow.store(window); }

void StartBusyTicker() {
    unsigned generation = g_tickerGeneration.fetch_add(1) + 1;
    g_stopBusy.store(false);
    g_runningTickers.fetch_add(1);
    HANDLE thread = CreateThread(nullptr, 0, BusyTicker, reinterpret_cast<LPVOID>(static_cast<uintptr_t>(generation)),
                                 0, nullptr);
    if (thread == nullptr) {
        g_runningTickers.fetch_sub(1);
        return;
    }
    // Nobody waits for the ticker by handle; it ends on the stop flag.
    CloseHandle(thread);
}

void StopBusyTicker() { g_stopBusy.store(true); }

int RunningBusyTickers() { return g_runningTickers.load(); }

bool WaitForBusyTickers(DWORD timeoutMs) {
    StopBusyTicker();
    for (DWORD waited = 0; g_runningTickers.load() > 0; waited += kRoundMs) {
        if (waited >= timeoutMs) return false;
        Sleep(kRoundMs);
    }
    return true;
}

}  // namespace zelcore
