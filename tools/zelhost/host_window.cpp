// The host window's procedure and the progress bar.
#include "host_window.h"

#include <unistd.h>

#include "interrupt.h"

#include <algorithm>

namespace zelhost {

namespace {

constexpr char16_t kClassName[] = u"ZelHostWindow";
constexpr int kBarWidth = 30;
constexpr UINT_PTR kInterruptTimer = 1;
constexpr UINT kInterruptPeriodMs = 100;

}  // namespace

ProgressDisplay::Mode ChooseProgressMode(bool json) {
    if (json) return ProgressDisplay::Mode::Quiet;
    return isatty(fileno(stdout)) ? ProgressDisplay::Mode::Bar : ProgressDisplay::Mode::Lines;
}

void ProgressDisplay::OnBegin() {
    m_active = true;
    m_percent = 0;
    m_lastMilestone = -1;
    if (m_mode == Mode::Bar) DrawBar();
}

void ProgressDisplay::OnPercent(long percent) {
    if (!m_active) return;
    m_percent = std::clamp(percent, 0L, 100L);
    if (m_mode == Mode::Bar) {
        DrawBar();
    } else if (m_mode == Mode::Lines) {
        const long milestone = m_percent / 25 * 25;
        if (milestone > m_lastMilestone && milestone > 0) {
            std::fprintf(m_out, "  %s: %ld%%\n", m_label.c_str(), milestone);
            std::fflush(m_out);  // a line is shown when it is made, also through a pipe
            m_lastMilestone = milestone;
        }
    }
}

void ProgressDisplay::OnEnd() {
    if (!m_active) return;
    if (m_percent < 100) OnPercent(100);
    if (m_mode == Mode::Bar) {
        std::fputs("\r\033[K", m_out);  // the result line replaces the bar
        std::fflush(m_out);
    }
    m_active = false;
}

void ProgressDisplay::Interrupt() {
    if (!m_active) return;
    if (m_mode == Mode::Bar) {
        std::fputs("\r\033[K", m_out);
        std::fflush(m_out);
    }
    m_active = false;
}

void ProgressDisplay::DrawBar() {
    const int filled = static_cast<int>(m_percent * kBarWidth / 100);
    std::string bar(static_cast<size_t>(filled), '#');
    bar.append(static_cast<size_t>(kBarWidth - filled), '.');
    std::fprintf(m_out, "\r  %-28.28s [%s] %3ld%%", m_label.c_str(), bar.c_str(), m_percent);
    std::fflush(m_out);
}

HostWindow::HostWindow(ProgressDisplay& display) : m_display(display) {
    WNDCLASSW windowClass{};
    if (!GetClassInfoW(nullptr, kClassName, &windowClass)) {
        windowClass.lpfnWndProc = &HostWindow::Procedure;
        windowClass.lpszClassName = kClassName;
        RegisterClassW(&windowClass);
    }
    m_hwnd = CreateWindowExW(0, kClassName, u"zelhost", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    SetWindowLongPtrW(m_hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    // The library's message pump dispatches only while the application has a main window.
    ZelSetMainWindow(m_hwnd);
}

HostWindow::~HostWindow() {
    ZelSetMainWindow(nullptr);
    if (m_hwnd != nullptr) DestroyWindow(m_hwnd);
}

void HostWindow::WatchForInterrupt(bool on) {
    if (on)
        SetTimer(m_hwnd, kInterruptTimer, kInterruptPeriodMs, nullptr);
    else
        KillTimer(m_hwnd, kInterruptTimer);
}

LRESULT CALLBACK HostWindow::Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<HostWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (self != nullptr && message == WM_TIMER && wParam == kInterruptTimer) {
        if (self->m_cancelTarget != nullptr && Interrupted()) self->m_cancelTarget->CancelTransfer();
        return 0;
    }
    if (self == nullptr || message != ZEL_WM_PROGRESS) return DefWindowProcW(hwnd, message, wParam, lParam);
    ++self->m_messages;
    if (self->m_cancelTarget != nullptr && Interrupted()) self->m_cancelTarget->CancelTransfer();
    if (self->m_listener) self->m_listener(wParam, lParam);
    switch (wParam) {
    case ZEL_EVENT_BEGIN: self->m_display.OnBegin(); break;
    case ZEL_EVENT_PERCENT: self->m_display.OnPercent(static_cast<long>(lParam)); break;
    case ZEL_EVENT_END: self->m_display.OnEnd(); break;
    default: break;
    }
    return 1;
}

}  // namespace zelhost
