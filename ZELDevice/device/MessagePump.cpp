#include "internal/MessagePump.h"

#include "zelcompat/afxwin.h"
#include "zelcompat/window.h"

namespace zelcore {

void PumpWaitingMessages() {
    MSG message{};
    while (PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE)) {
        if (GetMessageW(&message, nullptr, 0, 0) <= 0) {
            // The quit request belongs to the host's own message loop.
            if (message.message == WM_QUIT) PostQuitMessage(static_cast<int>(message.wParam));
            return;
        }
        CWnd* main = AfxGetMainWnd();
        if (main == nullptr) return;
        HWND mainWindow = main->GetSafeHwnd();
        if ((message.message == WM_KEYDOWN || message.message == WM_CHAR) && message.hwnd != mainWindow)
            PostMessageW(mainWindow, message.message, message.wParam, message.lParam);
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

}  // namespace zelcore
