// What the device library keeps for the whole process rather than per device
// object: the host window that static callbacks and the busy ticker report to,
// and the busy ticker of a format with its stop flag.
#pragma once

#include "zelcompat/types.h"

namespace zelcore {

// The host window given to the last CreateDevice.
HWND HostWindow();
void SetHostWindow(HWND window);

// Starts the busy ticker with its stop flag cleared: a thread that sends
// (ZEL_EVENT_FORMAT_BUSY, value) to the host window about once a second.
void StartBusyTicker();
// Sets the stop flag; the ticker ends within its next round of 10 ms (or,
// when it is sending, as soon as the host window has answered).
void StopBusyTicker();
// Tickers still running.
int RunningBusyTickers();
// Sets the stop flag and waits up to timeoutMs for every ticker to end; true
// when none runs any more.
bool WaitForBusyTickers(DWORD timeoutMs);

}  // namespace zelcore
