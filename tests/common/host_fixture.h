// The host side that every device test plays: a message-only window that records
// each 0x40A message the library sends (with the time it came, and a copy of the
// report when the message points to one), the debugger lines the library writes,
// and the fixed UTF-16 fields of the records.
#pragma once

#include <algorithm>
#include <chrono>
#include <functional>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "ZELDevice/abi/Codes.h"
#include "zelcompat/zelcompat.h"

using Clock = std::chrono::steady_clock;
using Event = std::pair<WPARAM, LPARAM>;

// A window that records (wParam, lParam) of every 0x40A message. The optional
// hook runs inside the window procedure (a test cancels a copy from there). A
// window made with holdsReports copies the tagProgressReport that a database
// library points to.
class HostWindow {
public:
    explicit HostWindow(bool holdsReports = false) : m_holdsReports(holdsReports) {
        static const ATOM registered = [] {
            WNDCLASSW windowClass{};
            windowClass.lpfnWndProc = &HostWindow::Procedure;
            windowClass.lpszClassName = u"ZelTestHost";
            return RegisterClassW(&windowClass);
        }();
        m_hwnd = CreateWindowExW(0, MAKEINTATOM(registered), u"host", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr,
                                 nullptr);
        SetWindowLongPtrW(m_hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    ~HostWindow() { DestroyWindow(m_hwnd); }
    HostWindow(const HostWindow&) = delete;
    HostWindow& operator=(const HostWindow&) = delete;

    HWND Handle() const { return m_hwnd; }
    // The values of one event code, in order.
    std::vector<LPARAM> Values(WPARAM event) const {
        std::vector<LPARAM> values;
        for (const auto& [code, value] : messages)
            if (code == event) values.push_back(value);
        return values;
    }
    void Clear() {
        messages.clear();
        times.clear();
        reports.clear();
    }

    std::vector<Event> messages;
    std::vector<Clock::time_point> times;
    std::vector<tagProgressReport> reports;
    std::function<void(WPARAM, LPARAM)> onMessage;

private:
    static LRESULT CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* self = reinterpret_cast<HostWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        if (self == nullptr || message != ZEL_WM_PROGRESS) return DefWindowProcW(hwnd, message, wParam, lParam);
        self->messages.emplace_back(wParam, lParam);
        self->times.push_back(Clock::now());
        if (self->m_holdsReports) self->reports.push_back(*reinterpret_cast<const tagProgressReport*>(lParam));
        if (self->onMessage) self->onMessage(wParam, lParam);
        return 1;
    }
    HWND m_hwnd = nullptr;
    bool m_holdsReports;
};

// The debugger lines the library writes while the object lives.
struct DebugLines {
    std::vector<std::u16string> lines;
    DebugLines() {
        ZelSetDebugSink([](LPCWSTR line, void* ctx) { static_cast<DebugLines*>(ctx)->lines.emplace_back(line); },
                        this);
    }
    ~DebugLines() { ZelSetDebugSink(nullptr, nullptr); }
    DebugLines(const DebugLines&) = delete;
    DebugLines& operator=(const DebugLines&) = delete;
    bool Has(const std::u16string& line) const { return std::find(lines.begin(), lines.end(), line) != lines.end(); }
};

// Writes text into a fixed field, zero-filled and cut to fit.
template <size_t N>
void SetField(WCHAR (&field)[N], const std::u16string& text) {
    std::fill(std::begin(field), std::end(field), u'\0');
    std::copy(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(std::min(text.size(), N - 1)), field);
}
// The text of a fixed field, up to its first zero.
template <size_t N>
std::u16string Text(const WCHAR (&field)[N]) {
    size_t length = 0;
    while (length < N && field[length] != 0) ++length;
    return std::u16string(field, length);
}
