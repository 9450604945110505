// Threads, waits, the tick counter, and threads working with windows.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "zelcompat/debug.h"
#include "zelcompat/files.h"
#include "zelcompat/thread.h"
#include "zelcompat/window.h"

namespace {

// A gate a test opens to let its thread finish.
struct Gate {
    std::atomic<bool> open{false};
    std::atomic<DWORD> seenId{0};
};

DWORD WINAPI WaitAtGate(LPVOID parameter) {
    auto* gate = static_cast<Gate*>(parameter);
    gate->seenId = GetCurrentThreadId();
    while (!gate->open) Sleep(1);
    return 42;
}

// Returns the wParam of the first thread message in its queue, waiting up to a second.
DWORD WINAPI ReturnFirstThreadMessage(LPVOID) {
    MSG msg;
    for (int i = 0; i < 1000; ++i) {
        if (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) return static_cast<DWORD>(msg.wParam);
        Sleep(1);
    }
    return 0;
}

}  // namespace

TEST(ThreadLife, HandleIsSignalledWhenTheThreadEnds) {
    Gate gate;
    DWORD id = 0;
    HANDLE thread = CreateThread(nullptr, 0, WaitAtGate, &gate, 0, &id);
    ASSERT_NE(nullptr, thread);
    EXPECT_NE(0u, id);
    EXPECT_NE(GetCurrentThreadId(), id);
    EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), WaitForSingleObject(thread, 30));
    DWORD code = 0;
    ASSERT_TRUE(GetExitCodeThread(thread, &code));
    EXPECT_EQ(static_cast<DWORD>(STILL_ACTIVE), code);

    gate.open = true;
    EXPECT_EQ(static_cast<DWORD>(WAIT_OBJECT_0), WaitForSingleObject(thread, INFINITE));
    EXPECT_EQ(id, gate.seenId.load());
    ASSERT_TRUE(GetExitCodeThread(thread, &code));
    EXPECT_EQ(42u, code);
    EXPECT_EQ(static_cast<DWORD>(WAIT_OBJECT_0), WaitForSingleObject(thread, 0));
    EXPECT_TRUE(CloseHandle(thread));

    SetLastError(0);
    EXPECT_EQ(WAIT_FAILED, WaitForSingleObject(thread, 0));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_HANDLE), GetLastError());
    EXPECT_FALSE(GetExitCodeThread(thread, &code));
}

TEST(ThreadLife, SuspendedThreadWaitsForResumeAndHasItsQueueAtOnce) {
    DWORD id = 0;
    HANDLE thread = CreateThread(nullptr, 64 * 1024, ReturnFirstThreadMessage, nullptr, CREATE_SUSPENDED, &id);
    ASSERT_NE(nullptr, thread);
    // The queue exists before the start routine runs.
    EXPECT_TRUE(PostThreadMessageW(id, WM_APP, 77, 0));
    EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), WaitForSingleObject(thread, 50));
    EXPECT_EQ(1u, ResumeThread(thread));
    EXPECT_EQ(static_cast<DWORD>(WAIT_OBJECT_0), WaitForSingleObject(thread, 5000));
    DWORD code = 0;
    GetExitCodeThread(thread, &code);
    EXPECT_EQ(77u, code);
    EXPECT_EQ(0u, ResumeThread(thread));

    // The queue ended with the thread.
    SetLastError(0);
    EXPECT_FALSE(PostThreadMessageW(id, WM_APP, 1, 0));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_THREAD_ID), GetLastError());
    CloseHandle(thread);
}

TEST(ThreadTime, TickCountsFollowSleep) {
    ULONGLONG before = GetTickCount64();
    Sleep(30);
    ULONGLONG after = GetTickCount64();
    EXPECT_GE(after - before, 29u);
    EXPECT_LT(after - before, 5000u);
    // The 32-bit count is the low half of the 64-bit one.
    DWORD low = GetTickCount();
    ULONGLONG full = GetTickCount64();
    EXPECT_LE(static_cast<DWORD>(full) - low, 1u);
}

namespace {

struct HostState {
    std::vector<LPARAM> ticks;
    std::vector<DWORD> threads;
};

LRESULT CALLBACK HostProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_USER + 10 && wParam == 9) {
        auto* state = reinterpret_cast<HostState*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        state->ticks.push_back(lParam);
        state->threads.push_back(GetCurrentThreadId());
        return 1;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

struct BusyWork {
    HWND host;
    std::atomic<int> threadMessages{0};
};

// The pattern of a format: sleep 10 ms, pump the own queue, and every fifth round
// send a growing tick value to the host window.
DWORD WINAPI Busy(LPVOID parameter) {
    auto* work = static_cast<BusyWork*>(parameter);
    DWORD answered = 0;
    for (int round = 1; round <= 25; ++round) {
        Sleep(10);
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (!msg.hwnd) work->threadMessages++;
            DispatchMessageW(&msg);
        }
        if (round % 5 == 0) answered += static_cast<DWORD>(SendMessageW(work->host, WM_USER + 10, 9, round));
    }
    return answered;
}

}  // namespace

TEST(ThreadWindows, BusyThreadSendsToTheHostWhileTheMainThreadPumps) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = HostProc;
    wc.lpszClassName = u"ZelBusyHost";
    RegisterClassW(&wc);
    HWND host = CreateWindowExW(0, u"ZelBusyHost", u"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    ASSERT_NE(nullptr, host);
    HostState state;
    SetWindowLongPtrW(host, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&state));

    BusyWork work;
    work.host = host;
    DWORD id = 0;
    HANDLE thread = CreateThread(nullptr, 0, Busy, &work, 0, &id);
    ASSERT_NE(nullptr, thread);
    PostThreadMessageW(id, WM_APP, 0, 0);
    while (WaitForSingleObject(thread, 0) == WAIT_TIMEOUT) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
        Sleep(1);
    }
    DWORD answered = 0;
    GetExitCodeThread(thread, &answered);
    CloseHandle(thread);

    EXPECT_EQ(5u, answered);
    EXPECT_EQ((std::vector<LPARAM>{5, 10, 15, 20, 25}), state.ticks);
    for (DWORD thread : state.threads) EXPECT_EQ(GetCurrentThreadId(), thread);
    EXPECT_EQ(1, work.threadMessages.load());
    DestroyWindow(host);
}

TEST(ThreadWindows, EndingThreadReleasesSendersAndInvalidatesItsWindows) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.lpszClassName = u"ZelShortThreadWnd";
    RegisterClassW(&wc);
    std::atomic<HWND> window{nullptr};
    std::atomic<bool> finish{false};
    std::thread owner([&] {
        window = CreateWindowExW(0, u"ZelShortThreadWnd", u"", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
        while (!finish) std::this_thread::sleep_for(std::chrono::milliseconds(1));  // never pumps
    });
    while (!window) std::this_thread::yield();
    std::atomic<bool> answered{false};
    LRESULT answer = -5;
    std::thread sender([&] {
        answer = SendMessageW(window, WM_USER, 0, 0);
        answered = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(answered);
    finish = true;
    owner.join();
    sender.join();
    EXPECT_EQ(0, answer);
    EXPECT_FALSE(IsWindow(window));
}
