// The host's window: a message-only window of the calling thread that receives
// the library's progress messages (0x40A) and shows them to a terminal user.
//
// A transfer is shown between event 2 (begin) and event 3 (end); event 4 carries
// the percentage. On a terminal that is a progress bar redrawn in place; when the
// output is not a terminal, plain lines at every quarter. Percentages outside a
// transfer (the database library reports its own writes through the device
// window) are not shown.
#pragma once

#include <cstdio>
#include <functional>
#include <string>

#include "ZELDevice/ZELDevice.h"

namespace zelhost {

class ProgressDisplay {
public:
    enum class Mode { Bar, Lines, Quiet };

    explicit ProgressDisplay(Mode mode, FILE* out = stdout) : m_mode(mode), m_out(out) {}

    // What the next transfer is called on screen.
    void SetLabel(const std::string& label) { m_label = label; }
    // Ends a line left open by a transfer that began but did not end.
    void Interrupt();

    void OnBegin();
    void OnPercent(long percent);
    void OnEnd();

    Mode GetMode() const { return m_mode; }
    bool Active() const { return m_active; }
    // The last percentage of the current or last transfer.
    long LastPercent() const { return m_percent; }

private:
    void DrawBar();

    Mode m_mode;
    FILE* m_out;
    std::string m_label;
    bool m_active = false;
    long m_percent = -1;
    long m_lastMilestone = -1;
};

// The bar or plain lines, by what standard output is; quiet for --json.
ProgressDisplay::Mode ChooseProgressMode(bool json);

class HostWindow {
public:
    explicit HostWindow(ProgressDisplay& display);
    ~HostWindow();
    HostWindow(const HostWindow&) = delete;
    HostWindow& operator=(const HostWindow&) = delete;

    HWND Handle() const { return m_hwnd; }
    // Progress messages received so far (all events).
    int MessageCount() const { return m_messages; }
    // Once zelhost is asked to stop (interrupt.h), every progress message of a
    // transfer cancels it through the device, as a host's Cancel button does.
    void CancelOnInterrupt(CZEL_Device* device) { m_cancelTarget = device; }
    // While on, a timer of the window does the same for an operation that sends
    // no progress for a while but lets messages run (the walk of a rebuild).
    void WatchForInterrupt(bool on);
    // Also hands every progress message (event, value) to listener, for the
    // events the display does not show; an empty listener stops that.
    void SetListener(std::function<void(WPARAM, LPARAM)> listener) { m_listener = std::move(listener); }

private:
    static LRESULT CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

    ProgressDisplay& m_display;
    CZEL_Device* m_cancelTarget = nullptr;
    HWND m_hwnd = nullptr;
    int m_messages = 0;
    std::function<void(WPARAM, LPARAM)> m_listener;
};

}  // namespace zelhost
