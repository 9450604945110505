// The message pump that long operations run after every step, so that the
// host stays responsive and can cancel.
#pragma once

namespace zelcore {

// Dispatches the messages waiting in the calling thread's queue and returns
// when it is empty. Keyboard messages aimed at a window other than the
// application's main window are also posted to the main window. Stops at
// WM_QUIT (posted again for the host's own loop) and when the application has
// no main window.
void PumpWaitingMessages();

}  // namespace zelcore
