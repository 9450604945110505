// Window classes, windows, the per-thread message queues and timers.
//
// One lock guards the whole window system; it is never held while a window or
// timer procedure runs, so procedures may send, post, pump or destroy windows
// re-entrantly. Each thread's queue has its own condition variable: a thread that
// waits for a message or for the answer to a cross-thread send sleeps on it, and
// whoever gives it something to do wakes it.
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "errors.h"
#include "window_internal.h"
#include "zelcompat/textfn.h"

namespace zel {
namespace {

using Clock = std::chrono::steady_clock;

struct ThreadQueue;

// A message sent from another thread, waiting for the owning thread to run it.
struct SentMessage {
    HWND hwnd = nullptr;
    UINT message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    LRESULT result = 0;
    bool done = false;
    std::shared_ptr<ThreadQueue> sender;
};

struct Timer {
    HWND hwnd = nullptr;
    UINT_PTR id = 0;
    UINT period = 0;
    TIMERPROC procedure = nullptr;
    Clock::time_point due;
};

struct ThreadQueue {
    DWORD threadId = 0;
    std::condition_variable wake;
    std::deque<MSG> posted;
    std::deque<std::shared_ptr<SentMessage>> incoming;
    std::vector<Timer> timers;
    bool quitPending = false;
    int quitCode = 0;
    UINT_PTR nextTimerId = 1;  // for thread timers
};

struct WindowClass {
    std::u16string name;
    std::u16string key;  // upper case
    std::u16string menuName;
    ATOM atom = 0;
    WNDCLASSW info{};
    int windows = 0;
};

struct Window {
    HWND hwnd = nullptr;
    std::shared_ptr<WindowClass> windowClass;
    std::u16string name;
    std::u16string key;  // upper case name
    WNDPROC procedure = nullptr;
    std::shared_ptr<ThreadQueue> queue;
    HWND parent = nullptr;
    HMENU menu = nullptr;
    HINSTANCE instance = nullptr;
    DWORD style = 0;
    DWORD exStyle = 0;
    LONG_PTR userData = 0;
    std::vector<BYTE> extra;
    bool destroying = false;
};

struct WindowSystem {
    std::mutex lock;
    std::map<uintptr_t, std::shared_ptr<Window>> windows;  // handle order is creation order
    std::vector<std::shared_ptr<WindowClass>> classes;
    std::unordered_map<DWORD, std::shared_ptr<ThreadQueue>> queues;
    uintptr_t nextHandle = 0x10010;
    ATOM nextAtom = 0xC000;
};

WindowSystem& System() {
    static WindowSystem* system = new WindowSystem;  // outlives static destructors
    return *system;
}

// The calling thread's queue; ends the queue when the thread ends.
struct QueueHolder {
    std::shared_ptr<ThreadQueue> queue;
    ~QueueHolder() {
        if (queue) EndThreadQueue();
    }
};
thread_local QueueHolder t_queue;

const HWND kThreadMessagesOnly = reinterpret_cast<HWND>(static_cast<intptr_t>(-1));

std::u16string UpperKey(LPCWSTR text) {
    std::u16string key;
    for (; text && *text; ++text) key += ZelToUpper(*text);
    return key;
}

bool IsAtom(LPCWSTR name) { return reinterpret_cast<uintptr_t>(name) < 0x10000; }

// The functions below marked "Locked" expect the system lock to be held.

std::shared_ptr<ThreadQueue> CurrentQueueLocked(WindowSystem& system) {
    if (!t_queue.queue) {
        auto queue = std::make_shared<ThreadQueue>();
        queue->threadId = GetCurrentThreadId();
        system.queues[queue->threadId] = queue;
        t_queue.queue = queue;
    }
    return t_queue.queue;
}

std::shared_ptr<Window> FindWindowLocked(WindowSystem& system, HWND hwnd) {
    auto found = system.windows.find(reinterpret_cast<uintptr_t>(hwnd));
    return found == system.windows.end() ? nullptr : found->second;
}

std::shared_ptr<WindowClass> FindClassLocked(WindowSystem& system, LPCWSTR nameOrAtom) {
    if (!nameOrAtom) return nullptr;
    if (IsAtom(nameOrAtom)) {
        auto atom = static_cast<ATOM>(reinterpret_cast<uintptr_t>(nameOrAtom));
        for (auto& windowClass : system.classes) {
            if (windowClass->atom == atom) return windowClass;
        }
        return nullptr;
    }
    std::u16string key = UpperKey(nameOrAtom);
    for (auto& windowClass : system.classes) {
        if (windowClass->key == key) return windowClass;
    }
    return nullptr;
}

// A message passes a GetMessageW/PeekMessageW filter.
bool Matches(HWND hwnd, UINT message, HWND filter, UINT first, UINT last) {
    if (message == WM_QUIT) return true;
    if (filter == kThreadMessagesOnly) {
        if (hwnd) return false;
    } else if (filter && hwnd != filter) {
        return false;
    }
    if (first == 0 && last == 0) return true;
    return message >= first && message <= last;
}

MSG MakeMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    MSG msg{};
    msg.hwnd = hwnd;
    msg.message = message;
    msg.wParam = wParam;
    msg.lParam = lParam;
    msg.time = GetTickCount();
    return msg;
}

// Runs the messages other threads sent to this thread, each with the lock released,
// and hands every answer back to its sender. Returns with the lock held and the
// incoming list empty.
void RunIncomingLocked(std::unique_lock<std::mutex>& lock, WindowSystem& system, ThreadQueue& queue) {
    while (!queue.incoming.empty()) {
        std::shared_ptr<SentMessage> sent = queue.incoming.front();
        queue.incoming.pop_front();
        WNDPROC procedure = nullptr;
        if (auto window = FindWindowLocked(system, sent->hwnd); window && window->queue.get() == &queue) {
            procedure = window->procedure;
        }
        lock.unlock();
        LRESULT result = procedure ? procedure(sent->hwnd, sent->message, sent->wParam, sent->lParam) : 0;
        lock.lock();
        sent->result = result;
        sent->done = true;
        sent->sender->wake.notify_all();
    }
}

// Takes the next message that passes the filter: posted messages in order, then
// WM_QUIT, then WM_TIMER of the timer that has been due longest. When nothing is
// there, *nextDue (if given) is when the earliest timer passing the filter will be due.
bool TakeMessageLocked(ThreadQueue& queue, MSG* out, HWND filter, UINT first, UINT last, bool remove,
                       Clock::time_point* nextDue) {
    for (auto it = queue.posted.begin(); it != queue.posted.end(); ++it) {
        if (!Matches(it->hwnd, it->message, filter, first, last)) continue;
        *out = *it;
        if (remove) queue.posted.erase(it);
        return true;
    }
    if (queue.quitPending) {
        *out = MakeMessage(nullptr, WM_QUIT, static_cast<WPARAM>(queue.quitCode), 0);
        if (remove) queue.quitPending = false;
        return true;
    }
    Clock::time_point now = Clock::now();
    Timer* due = nullptr;
    for (auto& timer : queue.timers) {
        if (!Matches(timer.hwnd, WM_TIMER, filter, first, last)) continue;
        if (timer.due <= now) {
            if (!due || timer.due < due->due) due = &timer;
        } else if (nextDue && timer.due < *nextDue) {
            *nextDue = timer.due;
        }
    }
    if (!due) return false;
    *out = MakeMessage(due->hwnd, WM_TIMER, due->id, reinterpret_cast<LPARAM>(due->procedure));
    if (remove) due->due = now + std::chrono::milliseconds(due->period);
    return true;
}

// Drops the timers and posted messages of a window.
void ForgetWindowMessagesLocked(ThreadQueue& queue, HWND hwnd) {
    std::erase_if(queue.timers, [hwnd](const Timer& timer) { return timer.hwnd == hwnd; });
    std::erase_if(queue.posted, [hwnd](const MSG& msg) { return msg.hwnd == hwnd; });
}

// The timer list a window (or, for null, the calling thread) keeps its timers in.
std::shared_ptr<ThreadQueue> TimerQueueLocked(WindowSystem& system, HWND hwnd) {
    if (!hwnd) return CurrentQueueLocked(system);
    auto window = FindWindowLocked(system, hwnd);
    return window ? window->queue : nullptr;
}

Timer* FindTimerLocked(ThreadQueue& queue, HWND hwnd, UINT_PTR id) {
    for (auto& timer : queue.timers) {
        if (timer.hwnd == hwnd && timer.id == id) return &timer;
    }
    return nullptr;
}

}  // namespace

void EnsureThreadQueue() {
    WindowSystem& system = System();
    std::lock_guard<std::mutex> guard(system.lock);
    CurrentQueueLocked(system);
}

void EndThreadQueue() {
    WindowSystem& system = System();
    std::vector<std::shared_ptr<Window>> gone;  // released after the lock
    std::lock_guard<std::mutex> guard(system.lock);
    std::shared_ptr<ThreadQueue> queue = std::move(t_queue.queue);
    t_queue.queue.reset();
    if (!queue) return;
    auto registered = system.queues.find(queue->threadId);
    if (registered != system.queues.end() && registered->second == queue) system.queues.erase(registered);
    for (auto& sent : queue->incoming) {
        sent->result = 0;
        sent->done = true;
        sent->sender->wake.notify_all();
    }
    queue->incoming.clear();
    queue->posted.clear();
    queue->timers.clear();
    for (auto it = system.windows.begin(); it != system.windows.end();) {
        if (it->second->queue == queue) {
            it->second->windowClass->windows--;
            gone.push_back(std::move(it->second));
            it = system.windows.erase(it);
        } else {
            ++it;
        }
    }
}

HWND CreateWindowWithHook(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style, int x, int y,
                          int width, int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param,
                          WindowCreateHook hook, void* context) {
    WindowSystem& system = System();
    HWND hwnd = nullptr;
    {
        std::lock_guard<std::mutex> guard(system.lock);
        auto windowClass = FindClassLocked(system, className);
        if (!windowClass) return Fail<HWND>(ERROR_CANNOT_FIND_WND_CLASS, nullptr);
        auto window = std::make_shared<Window>();
        hwnd = reinterpret_cast<HWND>(system.nextHandle);
        system.nextHandle += 4;
        window->hwnd = hwnd;
        window->windowClass = windowClass;
        window->name = windowName ? windowName : u"";
        window->key = UpperKey(window->name.c_str());
        window->procedure = windowClass->info.lpfnWndProc;
        window->queue = CurrentQueueLocked(system);
        window->parent = parent;
        window->menu = menu;
        window->instance = instance;
        window->style = style;
        window->exStyle = exStyle;
        window->extra.assign(static_cast<size_t>(std::max(0, windowClass->info.cbWndExtra)), 0);
        windowClass->windows++;
        system.windows.emplace(reinterpret_cast<uintptr_t>(hwnd), std::move(window));
    }
    if (hook) hook(hwnd, context);
    CREATESTRUCTW create{};
    create.lpCreateParams = param;
    create.hInstance = instance;
    create.hMenu = menu;
    create.hwndParent = parent;
    create.cy = height;
    create.cx = width;
    create.y = y;
    create.x = x;
    create.style = static_cast<LONG>(style);
    create.lpszName = windowName;
    create.lpszClass = className;
    create.dwExStyle = exStyle;
    if (SendMessageW(hwnd, WM_CREATE, 0, reinterpret_cast<LPARAM>(&create)) == -1) {
        DestroyWindow(hwnd);
        return nullptr;
    }
    return IsWindow(hwnd) ? hwnd : nullptr;
}

}  // namespace zel

using namespace zel;

ATOM RegisterClassW(const WNDCLASSW* windowClass) {
    if (!windowClass || !windowClass->lpszClassName || IsAtom(windowClass->lpszClassName) ||
        !windowClass->lpfnWndProc) {
        return Fail<ATOM>(ERROR_INVALID_PARAMETER, 0);
    }
    WindowSystem& system = System();
    std::lock_guard<std::mutex> guard(system.lock);
    if (FindClassLocked(system, windowClass->lpszClassName)) return Fail<ATOM>(ERROR_CLASS_ALREADY_EXISTS, 0);
    auto entry = std::make_shared<WindowClass>();
    entry->name = windowClass->lpszClassName;
    entry->key = UpperKey(windowClass->lpszClassName);
    entry->info = *windowClass;
    entry->info.lpszClassName = entry->name.c_str();
    if (windowClass->lpszMenuName && !IsAtom(windowClass->lpszMenuName)) {
        entry->menuName = windowClass->lpszMenuName;
        entry->info.lpszMenuName = entry->menuName.c_str();
    }
    // Atoms run from 0xC000 to 0xFFFF; skip those still in use after a wrap.
    for (;;) {
        ATOM atom = system.nextAtom;
        system.nextAtom = system.nextAtom == 0xFFFF ? 0xC000 : static_cast<ATOM>(system.nextAtom + 1);
        if (!FindClassLocked(system, MAKEINTATOM(atom))) {
            entry->atom = atom;
            break;
        }
    }
    system.classes.push_back(entry);
    return entry->atom;
}

BOOL UnregisterClassW(LPCWSTR className, HINSTANCE) {
    WindowSystem& system = System();
    std::lock_guard<std::mutex> guard(system.lock);
    auto windowClass = FindClassLocked(system, className);
    if (!windowClass) return Fail(ERROR_CLASS_DOES_NOT_EXIST, FALSE);
    if (windowClass->windows > 0) return Fail(ERROR_CLASS_HAS_WINDOWS, FALSE);
    std::erase(system.classes, windowClass);
    return TRUE;
}

BOOL GetClassInfoW(HINSTANCE, LPCWSTR className, LPWNDCLASSW windowClass) {
    if (!windowClass) return Fail(ERROR_INVALID_PARAMETER, FALSE);
    WindowSystem& system = System();
    std::lock_guard<std::mutex> guard(system.lock);
    auto found = FindClassLocked(system, className);
    if (!found) return Fail(ERROR_CLASS_DOES_NOT_EXIST, FALSE);
    *windowClass = found->info;
    return TRUE;
}

HWND CreateWindowExW(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style, int x, int y, int width,
                     int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param) {
    return CreateWindowWithHook(exStyle, className, windowName, style, x, y, width, height, parent, menu, instance,
                                param, nullptr, nullptr);
}

BOOL DestroyWindow(HWND hwnd) {
    WindowSystem& system = System();
    {
        std::lock_guard<std::mutex> guard(system.lock);
        auto window = FindWindowLocked(system, hwnd);
        if (!window) return Fail(ERROR_INVALID_WINDOW_HANDLE, FALSE);
        if (window->queue->threadId != GetCurrentThreadId()) return Fail(ERROR_ACCESS_DENIED, FALSE);
        if (window->destroying) return TRUE;  // already on its way out
        window->destroying = true;
        ForgetWindowMessagesLocked(*window->queue, hwnd);
    }
    SendMessageW(hwnd, WM_DESTROY, 0, 0);
    SendMessageW(hwnd, WM_NCDESTROY, 0, 0);
    std::shared_ptr<Window> gone;  // released after the lock
    std::lock_guard<std::mutex> guard(system.lock);
    auto found = system.windows.find(reinterpret_cast<uintptr_t>(hwnd));
    if (found != system.windows.end()) {
        gone = std::move(found->second);
        system.windows.erase(found);
        gone->windowClass->windows--;
        // What the procedure set up while it was being destroyed goes too.
        ForgetWindowMessagesLocked(*gone->queue, hwnd);
    }
    return TRUE;
}

BOOL IsWindow(HWND hwnd) {
    WindowSystem& system = System();
    std::lock_guard<std::mutex> guard(system.lock);
    return FindWindowLocked(system, hwnd) ? TRUE : FALSE;
}

HWND FindWindowW(LPCWSTR className, LPCWSTR windowName) {
    WindowSystem& system = System();
    std::lock_guard<std::mutex> guard(system.lock);
    std::shared_ptr<WindowClass> windowClass;
    if (className) {
        windowClass = FindClassLocked(system, className);
        if (!windowClass) return Fail<HWND>(ERROR_CLASS_DOES_NOT_EXIST, nullptr);
    }
    std::u16string nameKey = windowName ? UpperKey(windowName) : std::u16string();
    for (auto& [handle, window] : system.windows) {
        if (window->destroying) continue;
        if (windowClass && window->windowClass != windowClass) continue;
        if (windowName && window->key != nameKey) continue;
        return window->hwnd;
    }
    return nullptr;
}

DWORD GetWindowThreadProcessId(HWND hwnd, LPDWORD processId) {
    WindowSystem& system = System();
    std::lock_guard<std::mutex> guard(system.lock);
    auto window = FindWindowLocked(system, hwnd);
    if (!window) return Fail<DWORD>(ERROR_INVALID_WINDOW_HANDLE, 0);
    if (processId) *processId = GetCurrentProcessId();
    return window->queue->threadId;
}

LONG_PTR GetWindowLongPtrW(HWND hwnd, int index) {
    WindowSystem& system = System();
    std::lock_guard<std::mutex> guard(system.lock);
    auto window = FindWindowLocked(system, hwnd);
    if (!window) return Fail<LONG_PTR>(ERROR_INVALID_WINDOW_HANDLE, 0);
    switch (index) {
        case GWLP_WNDPROC: return reinterpret_cast<LONG_PTR>(window->procedure);
        case GWLP_HINSTANCE: return reinterpret_cast<LONG_PTR>(window->instance);
        case GWLP_ID: return reinterpret_cast<LONG_PTR>(window->menu);
        case GWL_STYLE: return static_cast<LONG_PTR>(window->style);
        case GWL_EXSTYLE: return static_cast<LONG_PTR>(window->exStyle);
        case GWLP_USERDATA: return window->userData;
        default: break;
    }
    if (index < 0 || static_cast<size_t>(index) + sizeof(LONG_PTR) > window->extra.size()) {
        return Fail<LONG_PTR>(ERROR_INVALID_INDEX, 0);
    }
    LONG_PTR value;
    std::memcpy(&value, window->extra.data() + index, sizeof value);
    return value;
}

LONG_PTR SetWindowLongPtrW(HWND hwnd, int index, LONG_PTR value) {
    WindowSystem& system = System();
    std::lock_guard<std::mutex> guard(system.lock);
    auto window = FindWindowLocked(system, hwnd);
    if (!window) return Fail<LONG_PTR>(ERROR_INVALID_WINDOW_HANDLE, 0);
    LONG_PTR previous = 0;
    switch (index) {
        case GWLP_WNDPROC:
            if (!value) return Fail<LONG_PTR>(ERROR_INVALID_PARAMETER, 0);
            previous = reinterpret_cast<LONG_PTR>(window->procedure);
            window->procedure = reinterpret_cast<WNDPROC>(value);
            return previous;
        case GWLP_HINSTANCE:
            previous = reinterpret_cast<LONG_PTR>(window->instance);
            window->instance = reinterpret_cast<HINSTANCE>(value);
            return previous;
        case GWLP_ID:
            previous = reinterpret_cast<LONG_PTR>(window->menu);
            window->menu = reinterpret_cast<HMENU>(value);
            return previous;
        case GWL_STYLE:
            previous = static_cast<LONG_PTR>(window->style);
            window->style = static_cast<DWORD>(value);
            return previous;
        case GWL_EXSTYLE:
            previous = static_cast<LONG_PTR>(window->exStyle);
            window->exStyle = static_cast<DWORD>(value);
            return previous;
        case GWLP_USERDATA:
            previous = window->userData;
            window->userData = value;
            return previous;
        default: break;
    }
    if (index < 0 || static_cast<size_t>(index) + sizeof(LONG_PTR) > window->extra.size()) {
        return Fail<LONG_PTR>(ERROR_INVALID_INDEX, 0);
    }
    std::memcpy(&previous, window->extra.data() + index, sizeof previous);
    std::memcpy(window->extra.data() + index, &value, sizeof value);
    return previous;
}

LRESULT DefWindowProcW(HWND hwnd, UINT message, WPARAM, LPARAM) {
    switch (message) {
        case WM_NCCREATE: return TRUE;
        case WM_CLOSE: DestroyWindow(hwnd); return 0;
        default: return 0;
    }
}

LRESULT CallWindowProcW(WNDPROC procedure, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    return procedure ? procedure(hwnd, message, wParam, lParam) : 0;
}

LRESULT SendMessageW(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    WindowSystem& system = System();
    std::unique_lock<std::mutex> lock(system.lock);
    auto window = FindWindowLocked(system, hwnd);
    if (!window) {
        lock.unlock();
        return Fail<LRESULT>(ERROR_INVALID_WINDOW_HANDLE, 0);
    }
    std::shared_ptr<ThreadQueue> mine = CurrentQueueLocked(system);
    if (window->queue == mine) {
        WNDPROC procedure = window->procedure;
        lock.unlock();
        return procedure(hwnd, message, wParam, lParam);
    }
    auto sent = std::make_shared<SentMessage>();
    sent->hwnd = hwnd;
    sent->message = message;
    sent->wParam = wParam;
    sent->lParam = lParam;
    sent->sender = mine;
    window->queue->incoming.push_back(sent);
    window->queue->wake.notify_all();
    window.reset();
    // While waiting, answer what other threads send here, so that two threads
    // sending to each other do not stall.
    while (!sent->done) {
        if (!mine->incoming.empty()) {
            RunIncomingLocked(lock, system, *mine);
            continue;
        }
        mine->wake.wait(lock);
    }
    return sent->result;
}

BOOL PostMessageW(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    WindowSystem& system = System();
    std::lock_guard<std::mutex> guard(system.lock);
    std::shared_ptr<ThreadQueue> queue;
    if (!hwnd) {
        queue = CurrentQueueLocked(system);
    } else {
        auto window = FindWindowLocked(system, hwnd);
        if (!window) return Fail(ERROR_INVALID_WINDOW_HANDLE, FALSE);
        queue = window->queue;
    }
    queue->posted.push_back(MakeMessage(hwnd, message, wParam, lParam));
    queue->wake.notify_all();
    return TRUE;
}

BOOL PostThreadMessageW(DWORD threadId, UINT message, WPARAM wParam, LPARAM lParam) {
    WindowSystem& system = System();
    std::lock_guard<std::mutex> guard(system.lock);
    auto found = system.queues.find(threadId);
    if (found == system.queues.end()) return Fail(ERROR_INVALID_THREAD_ID, FALSE);
    found->second->posted.push_back(MakeMessage(nullptr, message, wParam, lParam));
    found->second->wake.notify_all();
    return TRUE;
}

void PostQuitMessage(int exitCode) {
    WindowSystem& system = System();
    std::lock_guard<std::mutex> guard(system.lock);
    auto queue = CurrentQueueLocked(system);
    queue->quitPending = true;
    queue->quitCode = exitCode;
}

BOOL GetMessageW(LPMSG msg, HWND filter, UINT first, UINT last) {
    if (!msg) return Fail<BOOL>(ERROR_INVALID_PARAMETER, -1);
    WindowSystem& system = System();
    std::unique_lock<std::mutex> lock(system.lock);
    if (filter && filter != kThreadMessagesOnly && !FindWindowLocked(system, filter)) {
        lock.unlock();
        return Fail<BOOL>(ERROR_INVALID_WINDOW_HANDLE, -1);
    }
    std::shared_ptr<ThreadQueue> queue = CurrentQueueLocked(system);
    for (;;) {
        RunIncomingLocked(lock, system, *queue);
        Clock::time_point nextDue = Clock::time_point::max();
        if (TakeMessageLocked(*queue, msg, filter, first, last, true, &nextDue)) {
            return msg->message == WM_QUIT ? FALSE : TRUE;
        }
        if (nextDue == Clock::time_point::max()) {
            queue->wake.wait(lock);
        } else {
            queue->wake.wait_until(lock, nextDue);
        }
    }
}

BOOL PeekMessageW(LPMSG msg, HWND filter, UINT first, UINT last, UINT removeFlags) {
    if (!msg) return Fail(ERROR_INVALID_PARAMETER, FALSE);
    WindowSystem& system = System();
    std::unique_lock<std::mutex> lock(system.lock);
    if (filter && filter != kThreadMessagesOnly && !FindWindowLocked(system, filter)) {
        lock.unlock();
        return Fail(ERROR_INVALID_WINDOW_HANDLE, FALSE);
    }
    std::shared_ptr<ThreadQueue> queue = CurrentQueueLocked(system);
    RunIncomingLocked(lock, system, *queue);
    return TakeMessageLocked(*queue, msg, filter, first, last, (removeFlags & PM_REMOVE) != 0, nullptr) ? TRUE
                                                                                                       : FALSE;
}

BOOL TranslateMessage(const MSG*) { return FALSE; }

LRESULT DispatchMessageW(const MSG* msg) {
    if (!msg) return 0;
    WindowSystem& system = System();
    std::unique_lock<std::mutex> lock(system.lock);
    if (msg->message == WM_TIMER && msg->lParam) {
        // Only the procedure of a live timer of this thread is called.
        auto queue = CurrentQueueLocked(system);
        Timer* timer = FindTimerLocked(*queue, msg->hwnd, msg->wParam);
        if (timer && reinterpret_cast<LPARAM>(timer->procedure) == msg->lParam) {
            TIMERPROC procedure = timer->procedure;
            lock.unlock();
            procedure(msg->hwnd, WM_TIMER, msg->wParam, GetTickCount());
            return 0;
        }
    }
    if (!msg->hwnd) return 0;
    auto window = FindWindowLocked(system, msg->hwnd);
    if (!window) {
        lock.unlock();
        return Fail<LRESULT>(ERROR_INVALID_WINDOW_HANDLE, 0);
    }
    WNDPROC procedure = window->procedure;
    lock.unlock();
    return procedure(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT milliseconds, TIMERPROC procedure) {
    UINT period = std::clamp<UINT>(milliseconds, USER_TIMER_MINIMUM, USER_TIMER_MAXIMUM);
    WindowSystem& system = System();
    std::lock_guard<std::mutex> guard(system.lock);
    std::shared_ptr<ThreadQueue> queue = TimerQueueLocked(system, hwnd);
    if (!queue) return Fail<UINT_PTR>(ERROR_INVALID_WINDOW_HANDLE, 0);
    if (!hwnd && (id == 0 || !FindTimerLocked(*queue, nullptr, id))) {
        // A thread timer gets a fresh id unless it restarts one of its own.
        do {
            id = queue->nextTimerId++;
        } while (id == 0 || FindTimerLocked(*queue, nullptr, id));
    }
    Timer* timer = FindTimerLocked(*queue, hwnd, id);
    if (!timer) {
        queue->timers.push_back(Timer{});
        timer = &queue->timers.back();
        timer->hwnd = hwnd;
        timer->id = id;
    }
    timer->period = period;
    timer->procedure = procedure;
    timer->due = Clock::now() + std::chrono::milliseconds(period);
    queue->wake.notify_all();  // a waiting GetMessageW must learn the new due time
    return hwnd && id == 0 ? 1 : id;
}

BOOL KillTimer(HWND hwnd, UINT_PTR id) {
    WindowSystem& system = System();
    std::lock_guard<std::mutex> guard(system.lock);
    std::shared_ptr<ThreadQueue> queue = TimerQueueLocked(system, hwnd);
    if (!queue) return Fail(ERROR_INVALID_WINDOW_HANDLE, FALSE);
    size_t removed = std::erase_if(
        queue->timers, [hwnd, id](const Timer& timer) { return timer.hwnd == hwnd && timer.id == id; });
    return removed ? TRUE : Fail(ERROR_INVALID_PARAMETER, FALSE);
}
