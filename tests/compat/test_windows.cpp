// Windows, message queues, timers, windows across threads and CWnd message maps.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "lasterror.h"
#include "zelcompat/afxwin.h"
#include "zelcompat/window.h"

namespace {

constexpr const WCHAR* kClass = u"ZelTestWindow";
using Handler = std::function<LRESULT(HWND, UINT, WPARAM, LPARAM)>;
using Messages = std::vector<UINT>;

// What a test window saw; the handler (when set) answers the messages it wants.
struct Recorder {
    std::vector<std::pair<UINT, DWORD>> seen;  // message, thread
    Handler handler;

    Messages List() const {
        Messages list;
        for (const auto& s : seen) list.push_back(s.first);
        return list;
    }
    size_t Count(UINT message) const { return std::ranges::count(List(), message); }
    bool LastOnThisThread() const { return !seen.empty() && seen.back().second == GetCurrentThreadId(); }
};

// The recorder comes in WM_CREATE's create parameters and lives in GWLP_USERDATA.
LRESULT CALLBACK RecordingProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* recorder = reinterpret_cast<Recorder*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!recorder) return DefWindowProcW(hwnd, message, wParam, lParam);
    recorder->seen.emplace_back(message, GetCurrentThreadId());
    if (recorder->handler) return recorder->handler(hwnd, message, wParam, lParam);
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

ATOM Register(LPCWSTR name, WNDPROC procedure = RecordingProc) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = procedure;
    wc.lpszClassName = name;
    return RegisterClassW(&wc);
}

HWND MakeClassWindow(LPCWSTR className) {
    return CreateWindowExW(0, className, u"", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
}

HWND MakeWindow(Recorder& recorder, LPCWSTR name = u"") {
    Register(kClass);  // the first call registers it
    return CreateWindowExW(0, kClass, name, 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, &recorder);
}

// A handler that answers `message` with answer(wParam, lParam) and everything else with 0.
Handler Answer(UINT message, std::function<LRESULT(WPARAM, LPARAM)> answer) {
    return [=](HWND, UINT m, WPARAM w, LPARAM l) -> LRESULT { return m == message ? answer(w, l) : 0; };
}

// Dispatches everything queued for this thread.
int Drain() {
    int count = 0;
    MSG msg;
    for (; PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE); ++count) DispatchMessageW(&msg);
    return count;
}

template <class Pred>
bool PumpUntil(Pred done) {
    auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) return false;
        Drain();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

void SleepMs(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

}  // namespace

TEST(WindowBasics, SendCreateDestroyAndFindWindowsAndClasses) {
    Recorder recorder;
    recorder.handler = Answer(WM_USER + 1, [](WPARAM w, LPARAM l) { return static_cast<LRESULT>(w * 10 + l); });
    HWND hwnd = MakeWindow(recorder);
    ASSERT_NE(nullptr, hwnd);
    EXPECT_TRUE(IsWindow(hwnd));
    EXPECT_EQ(GetCurrentThreadId(), GetWindowThreadProcessId(hwnd, nullptr));
    EXPECT_EQ(73, SendMessageW(hwnd, WM_USER + 1, 7, 3));
    ASSERT_TRUE(DestroyWindow(hwnd));
    EXPECT_EQ((Messages{WM_CREATE, WM_USER + 1, WM_DESTROY, WM_NCDESTROY}), recorder.List());
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_EQ(ERROR_INVALID_WINDOW_HANDLE, ErrorOf([&] { return SendMessageW(hwnd, WM_USER + 1, 1, 1) != 0; }));
    EXPECT_FALSE(PostMessageW(hwnd, WM_USER, 0, 0) || DestroyWindow(hwnd));

    // WM_CREATE answering -1 cancels the window.
    Recorder refusing;
    refusing.handler = Answer(WM_CREATE, [](WPARAM, LPARAM) { return LRESULT{-1}; });
    EXPECT_EQ(nullptr, MakeWindow(refusing));
    EXPECT_EQ((Messages{WM_CREATE, WM_DESTROY, WM_NCDESTROY}), refusing.List());
    EXPECT_EQ(ERROR_CANNOT_FIND_WND_CLASS, ErrorOf([] { return MakeClassWindow(u"NoSuchClass"); }));

    // Classes and names are found without regard to case; a class with windows stays.
    Recorder one, two;
    HWND first = MakeWindow(one, u"First");
    HWND second = MakeWindow(two, u"Second");
    EXPECT_EQ(first, FindWindowW(u"zeltestWINDOW", nullptr));
    EXPECT_EQ(second, FindWindowW(kClass, u"SECOND"));
    EXPECT_EQ(nullptr, FindWindowW(kClass, u"Third"));
    DestroyWindow(first);
    EXPECT_EQ(second, FindWindowW(kClass, nullptr));
    DestroyWindow(second);
    EXPECT_EQ(nullptr, FindWindowW(kClass, nullptr));
    EXPECT_EQ(ERROR_CLASS_ALREADY_EXISTS, ErrorOf([] { return static_cast<BOOL>(Register(u"zeltestwindow")); }));
}

TEST(WindowQueue, PostedMessagesKeepTheirOrderFiltersSelectAndQuitEndsThePump) {
    Recorder recorder;
    recorder.handler = Answer(WM_USER + 2, [](WPARAM w, LPARAM) { return static_cast<LRESULT>(w + 100); });
    HWND hwnd = MakeWindow(recorder);
    ASSERT_TRUE(PostMessageW(hwnd, WM_USER + 1, 1, 0) && PostMessageW(hwnd, WM_USER + 2, 2, 0) &&
                PostMessageW(nullptr, WM_APP, 3, 0) && PostMessageW(hwnd, WM_USER + 3, 4, 0));  // WM_APP: to the thread
    EXPECT_EQ(1u, recorder.seen.size());  // posting calls nothing

    MSG msg{};
    ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(static_cast<UINT>(WM_USER + 1), msg.message);
    ASSERT_TRUE(PeekMessageW(&msg, nullptr, WM_USER + 3, WM_USER + 3, PM_REMOVE));
    EXPECT_EQ(4u, msg.wParam);
    ASSERT_TRUE(PeekMessageW(&msg, reinterpret_cast<HWND>(static_cast<intptr_t>(-1)), 0, 0, PM_REMOVE));
    EXPECT_TRUE(msg.hwnd == nullptr && msg.message == WM_APP);
    EXPECT_EQ(0, DispatchMessageW(&msg));  // thread messages are not dispatched

    ASSERT_TRUE(GetMessageW(&msg, hwnd, 0, 0));
    EXPECT_TRUE(msg.hwnd == hwnd && msg.message == WM_USER + 1);
    EXPECT_EQ(0, DispatchMessageW(&msg));
    ASSERT_TRUE(GetMessageW(&msg, nullptr, 0, 0));
    EXPECT_EQ(102, DispatchMessageW(&msg));
    EXPECT_FALSE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ((Messages{WM_CREATE, WM_USER + 1, WM_USER + 2}), recorder.List());

    // WM_QUIT comes after what was posted before it and ends the pump.
    PostMessageW(hwnd, WM_USER + 5, 0, 0);
    PostQuitMessage(5);
    PostMessageW(hwnd, WM_USER + 6, 0, 0);
    BOOL result;
    while ((result = GetMessageW(&msg, nullptr, 0, 0)) > 0) DispatchMessageW(&msg);
    EXPECT_TRUE(result == 0 && msg.message == WM_QUIT && msg.wParam == 5u);
    EXPECT_EQ((Messages{WM_CREATE, WM_USER + 1, WM_USER + 2, WM_USER + 5, WM_USER + 6}), recorder.List());

    // Destroying a window drops what was posted to it.
    PostMessageW(hwnd, WM_USER + 4, 0, 0);
    DestroyWindow(hwnd);
    EXPECT_FALSE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));  // nor is the quit left
    EXPECT_EQ(-1, GetMessageW(&msg, hwnd, 0, 0));
}

TEST(WindowQueue, ProceduresSendPostAndPumpReentrantly) {
    Recorder recorder;
    std::vector<std::string> trace;
    recorder.handler = [&](HWND hwnd, UINT message, WPARAM, LPARAM) -> LRESULT {
        switch (message) {
            case WM_USER + 1: {
                trace.push_back("outer begin");
                PostMessageW(hwnd, WM_USER + 4, 0, 0);
                trace.push_back("inner answered " + std::to_string(SendMessageW(hwnd, WM_USER + 2, 0, 0)));
                MSG msg;
                // Pumps the message posted before this one started, not the one posted here.
                if (PeekMessageW(&msg, nullptr, WM_USER + 3, WM_USER + 3, PM_REMOVE)) DispatchMessageW(&msg);
                trace.push_back("outer end");
                return 1;
            }
            case WM_USER + 2: trace.push_back("inner"); return 22;
            case WM_USER + 3: trace.push_back("pumped"); return 0;
            case WM_USER + 4: trace.push_back("posted inside"); return 0;
            default: return 0;
        }
    };
    HWND hwnd = MakeWindow(recorder);
    PostMessageW(hwnd, WM_USER + 3, 0, 0);
    EXPECT_EQ(1, SendMessageW(hwnd, WM_USER + 1, 0, 0));
    EXPECT_EQ(1, Drain());
    EXPECT_EQ((std::vector<std::string>{"outer begin", "inner", "inner answered 22", "pumped", "outer end",
                                        "posted inside"}),
              trace);
    DestroyWindow(hwnd);
}

TEST(WindowTimers, TimersFireThroughTheQueueWithOnePendingAtMost) {
    Recorder recorder;
    HWND hwnd = MakeWindow(recorder);
    auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(7u, SetTimer(hwnd, 7, 30, nullptr));
    MSG msg;
    ASSERT_TRUE(GetMessageW(&msg, nullptr, 0, 0));
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(25));
    EXPECT_TRUE(msg.message == WM_TIMER && msg.hwnd == hwnd && msg.wParam == 7u);
    DispatchMessageW(&msg);

    // Many periods without pumping still give a single WM_TIMER.
    SleepMs(150);
    EXPECT_EQ(1, Drain());
    EXPECT_EQ(2u, recorder.Count(WM_TIMER));
    EXPECT_TRUE(KillTimer(hwnd, 7));

    // Destroying the window stops its timers.
    SetTimer(hwnd, 8, 10, nullptr);
    DestroyWindow(hwnd);
    SleepMs(20);
    EXPECT_EQ(0, Drain());
    EXPECT_FALSE(KillTimer(hwnd, 8));

    // A thread timer calls its procedure when dispatched.
    static std::vector<UINT_PTR> fired;
    TIMERPROC procedure = [](HWND hwnd, UINT message, UINT_PTR id, DWORD) {
        if (!hwnd && message == WM_TIMER) fired.push_back(id);
    };
    UINT_PTR id = SetTimer(nullptr, 0, 10, procedure), other = SetTimer(nullptr, 0, 10, procedure);
    ASSERT_TRUE(id != 0 && other != id);
    KillTimer(nullptr, other);
    ASSERT_TRUE(GetMessageW(&msg, nullptr, 0, 0));
    DispatchMessageW(&msg);
    EXPECT_EQ((std::vector<UINT_PTR>{id}), fired);
    // A posted WM_TIMER with a made-up procedure is not called.
    msg.lParam = 0x1234;
    DispatchMessageW(&msg);
    EXPECT_EQ(1u, fired.size());
    EXPECT_TRUE(KillTimer(nullptr, id));
}

TEST(WindowThreads, SendFromAnotherThreadRunsOnlyWhenTheOwnerPumpsAndOnlyTheOwnerDestroys) {
    Recorder recorder;
    recorder.handler = Answer(WM_USER + 5, [](WPARAM w, LPARAM l) { return static_cast<LRESULT>(w + l); });
    HWND hwnd = MakeWindow(recorder);
    std::atomic<bool> sending{false}, answered{false};
    LRESULT answer = 0;
    BOOL destroyed = TRUE;
    DWORD error = 0;
    std::thread sender([&] {
        destroyed = DestroyWindow(hwnd);
        error = GetLastError();
        sending = true;
        answer = SendMessageW(hwnd, WM_USER + 5, 40, 2);
        answered = true;
    });
    while (!sending) std::this_thread::yield();
    SleepMs(100);
    EXPECT_FALSE(answered);  // the owner has not pumped yet
    EXPECT_EQ(0u, recorder.Count(WM_USER + 5));
    ASSERT_TRUE(PumpUntil([&] { return answered.load(); }));
    sender.join();
    EXPECT_TRUE(!destroyed && error == ERROR_ACCESS_DENIED);
    EXPECT_EQ(42, answer);
    EXPECT_EQ(1u, recorder.Count(WM_USER + 5));
    EXPECT_TRUE(recorder.LastOnThisThread());
    EXPECT_TRUE(DestroyWindow(hwnd));
}

TEST(WindowThreads, ThreadsSendingToEachOtherAnswerWhileTheyWait) {
    Recorder mainRecorder, workerRecorder;
    mainRecorder.handler = Answer(WM_USER + 7, [](WPARAM w, LPARAM) { return static_cast<LRESULT>(w * 2); });
    HWND mainWindow = MakeWindow(mainRecorder);
    // Sends back to the main thread, which is waiting in its own SendMessageW.
    workerRecorder.handler =
        Answer(WM_USER + 6, [&](WPARAM w, LPARAM) { return SendMessageW(mainWindow, WM_USER + 7, w + 1, 0); });
    std::atomic<HWND> workerWindow{nullptr};
    std::atomic<DWORD> workerThread{0};
    std::thread worker([&] {
        HWND own = MakeWindow(workerRecorder);
        workerThread = GetCurrentThreadId();
        workerWindow = own;
        MSG msg;
        while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
        DestroyWindow(own);
    });
    while (!workerWindow) std::this_thread::yield();
    EXPECT_EQ(workerThread.load(), GetWindowThreadProcessId(workerWindow, nullptr));
    EXPECT_EQ(12, SendMessageW(workerWindow, WM_USER + 6, 5, 0));
    EXPECT_TRUE(mainRecorder.LastOnThisThread());
    EXPECT_TRUE(PostThreadMessageW(workerThread, WM_QUIT, 0, 0));
    worker.join();
    EXPECT_FALSE(IsWindow(workerWindow));
    DestroyWindow(mainWindow);
}

TEST(WindowThreads, EndingThreadReleasesSendersAndInvalidatesItsWindows) {
    Recorder recorder;
    std::atomic<HWND> window{nullptr};
    std::atomic<bool> finish{false}, answered{false};
    std::thread owner([&] {
        window = MakeWindow(recorder);
        while (!finish) SleepMs(1);  // never pumps
    });
    while (!window) std::this_thread::yield();
    LRESULT answer = -5;
    std::thread sender([&] {
        answer = SendMessageW(window, WM_USER, 0, 0);
        answered = true;
    });
    SleepMs(50);
    EXPECT_FALSE(answered);
    finish = true;
    owner.join();
    sender.join();
    EXPECT_EQ(0, answer);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(0u, recorder.Count(WM_USER));
}

// ---- CWnd ----

namespace {

class CProgressWnd : public CWnd {
public:
    std::vector<std::pair<WPARAM, LPARAM>> progress;
    std::vector<UINT_PTR> timers;
    bool created = false;

protected:
    afx_msg LRESULT OnCreateMessage(WPARAM, LPARAM) {
        created = m_hWnd != nullptr;
        return Default();
    }
    afx_msg LRESULT OnMsgProgress(WPARAM wParam, LPARAM lParam) {
        progress.emplace_back(wParam, lParam);
        return 40;
    }
    afx_msg void OnTimer(UINT_PTR nIDEvent) {
        timers.push_back(nIDEvent);
        CWnd::OnTimer(nIDEvent);
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CProgressWnd, CWnd)
    ON_WM_TIMER()
    ON_MESSAGE(WM_CREATE, &CProgressWnd::OnCreateMessage)
    ON_MESSAGE(WM_USER + 10, &CProgressWnd::OnMsgProgress)
END_MESSAGE_MAP()

class CFormatWnd : public CProgressWnd {
protected:
    afx_msg LRESULT OnMsgFormat(WPARAM, LPARAM) { return Default() + 1; }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CFormatWnd, CProgressWnd)
    ON_MESSAGE(WM_USER + 11, &CFormatWnd::OnMsgFormat)
END_MESSAGE_MAP()

bool CreateMessageOnly(CWnd& wnd, LPCWSTR className = nullptr, LPCWSTR name = u"", LPVOID param = nullptr) {
    return wnd.CreateEx(0, className, name, 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, param);
}

}  // namespace

TEST(CWndMessageMap, MapEntriesRunAndTheRestReachesTheClassProcedure) {
    Register(kClass);
    Recorder recorder;
    recorder.handler = [](HWND, UINT message, WPARAM w, LPARAM) -> LRESULT {
        return message == WM_USER + 11 || message == WM_USER + 99 ? static_cast<LRESULT>(w * 100) : 0;
    };
    HWND hwnd = nullptr;
    {
        CFormatWnd wnd;
        ASSERT_TRUE(CreateMessageOnly(wnd, kClass, u"Device", &recorder));
        hwnd = wnd.GetSafeHwnd();
        EXPECT_TRUE(wnd.created);                  // attached before WM_CREATE
        EXPECT_EQ(1u, recorder.Count(WM_CREATE));  // and Default() passed it on
        EXPECT_EQ(&wnd, CWnd::FromHandle(hwnd));

        // The base class's entry, through the derived object.
        EXPECT_EQ(40, wnd.SendMessage(WM_USER + 10, 1, 2));
        EXPECT_EQ((std::vector<std::pair<WPARAM, LPARAM>>{{1, 2}}), wnd.progress);
        EXPECT_EQ(0u, recorder.Count(WM_USER + 10));
        // The derived class's entry, whose Default() asks the class procedure.
        EXPECT_EQ(301, SendMessageW(hwnd, WM_USER + 11, 3, 0));
        EXPECT_EQ(1u, recorder.Count(WM_USER + 11));
        // No entry: the class procedure answers.
        EXPECT_EQ(500, SendMessageW(hwnd, WM_USER + 99, 5, 0));

        // ON_WM_TIMER through a real timer; OnTimer's Default() forwards WM_TIMER.
        ASSERT_EQ(5u, wnd.SetTimer(5, 10));
        ASSERT_TRUE(PumpUntil([&] { return !wnd.timers.empty(); }));
        EXPECT_EQ(5u, wnd.timers[0]);
        EXPECT_TRUE(wnd.KillTimer(5));
        EXPECT_GE(recorder.Count(WM_TIMER), 1u);

        EXPECT_TRUE(wnd.PostMessage(WM_USER + 10, 8, 9));
        Drain();
        EXPECT_EQ(2u, wnd.progress.size());
    }
    // The destructor destroyed the window.
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_EQ(1u, recorder.Count(WM_NCDESTROY));
    EXPECT_EQ(nullptr, CWnd::FromHandlePermanent(hwnd));
}

TEST(CWndMessageMap, DefaultClassDestroyCloseAndTheMainWindow) {
    CProgressWnd wnd;
    ASSERT_TRUE(CreateMessageOnly(wnd, u"NotRegisteredAnywhere", u"ZelDefaultClassWnd"));
    HWND hwnd = wnd.GetSafeHwnd();
    EXPECT_EQ(hwnd, FindWindowW(nullptr, u"ZelDefaultClassWnd"));
    EXPECT_FALSE(CreateMessageOnly(wnd));  // already has one
    EXPECT_EQ(40, wnd.SendMessage(WM_USER + 10));
    EXPECT_EQ(0, wnd.SendMessage(WM_USER + 12));  // DefWindowProcW
    EXPECT_TRUE(wnd.DestroyWindow());
    EXPECT_TRUE(wnd.GetSafeHwnd() == nullptr && !IsWindow(hwnd));

    // A window can be made again, and closing through the default procedure destroys it too.
    ASSERT_TRUE(CreateMessageOnly(wnd));
    HWND second = wnd.GetSafeHwnd();
    SendMessageW(second, WM_CLOSE, 0, 0);
    EXPECT_TRUE(wnd.GetSafeHwnd() == nullptr && !IsWindow(second));

    // AfxGetMainWnd answers the CWnd that owns the main window, or a lasting wrapper.
    ZelSetMainWindow(nullptr);
    EXPECT_EQ(nullptr, AfxGetMainWnd());
    ASSERT_TRUE(CreateMessageOnly(wnd));
    ZelSetMainWindow(wnd.GetSafeHwnd());
    EXPECT_EQ(&wnd, AfxGetMainWnd());
    Recorder recorder;
    recorder.handler = Answer(WM_USER + 3, [](WPARAM, LPARAM) { return LRESULT{9}; });
    HWND plain = MakeWindow(recorder);
    ZelSetMainWindow(plain);
    CWnd* wrapper = AfxGetMainWnd();
    ASSERT_NE(nullptr, wrapper);
    EXPECT_EQ(wrapper, AfxGetMainWnd());
    EXPECT_EQ(9, wrapper->SendMessage(WM_USER + 3));
    EXPECT_EQ(nullptr, CWnd::FromHandlePermanent(plain));
    ZelSetMainWindow(nullptr);
    DestroyWindow(plain);
}
