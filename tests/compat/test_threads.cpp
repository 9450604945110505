// Threads, waits, thread queues and the tick counter.
#include <gtest/gtest.h>

#include <atomic>

#include "lasterror.h"
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

DWORD ExitCode(HANDLE thread) {
    DWORD code = 0xDEAD;
    EXPECT_TRUE(GetExitCodeThread(thread, &code));
    return code;
}

}  // namespace

TEST(ThreadLife, HandleIsSignalledWhenTheThreadEnds) {
    Gate gate;
    DWORD id = 0;
    HANDLE thread = CreateThread(nullptr, 0, WaitAtGate, &gate, 0, &id);
    ASSERT_NE(nullptr, thread);
    EXPECT_NE(GetCurrentThreadId(), id);
    EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), WaitForSingleObject(thread, 30));
    EXPECT_EQ(static_cast<DWORD>(STILL_ACTIVE), ExitCode(thread));
    gate.open = true;
    EXPECT_EQ(static_cast<DWORD>(WAIT_OBJECT_0), WaitForSingleObject(thread, INFINITE));
    EXPECT_EQ(id, gate.seenId.load());
    EXPECT_EQ(42u, ExitCode(thread));
    EXPECT_EQ(static_cast<DWORD>(WAIT_OBJECT_0), WaitForSingleObject(thread, 0));
    EXPECT_TRUE(CloseHandle(thread));
    EXPECT_EQ(ERROR_INVALID_HANDLE, ErrorOf([&] { return WaitForSingleObject(thread, 0) != WAIT_FAILED; }));
}

TEST(ThreadLife, SuspendedThreadWaitsForResumeHasItsQueueAtOnceAndTicksFollowSleep) {
    DWORD id = 0;
    HANDLE thread = CreateThread(nullptr, 64 * 1024, ReturnFirstThreadMessage, nullptr, CREATE_SUSPENDED, &id);
    ASSERT_NE(nullptr, thread);
    EXPECT_TRUE(PostThreadMessageW(id, WM_APP, 77, 0));  // the queue exists before the start routine runs
    EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), WaitForSingleObject(thread, 50));
    EXPECT_EQ(1u, ResumeThread(thread));
    EXPECT_EQ(static_cast<DWORD>(WAIT_OBJECT_0), WaitForSingleObject(thread, 5000));
    EXPECT_EQ(77u, ExitCode(thread));
    EXPECT_EQ(0u, ResumeThread(thread));
    // The queue ended with the thread.
    EXPECT_EQ(ERROR_INVALID_THREAD_ID, ErrorOf([&] { return PostThreadMessageW(id, WM_APP, 1, 0); }));
    CloseHandle(thread);

    // Tick counts follow Sleep.
    ULONGLONG before = GetTickCount64();
    Sleep(30);
    ULONGLONG after = GetTickCount64();
    EXPECT_GE(after - before, 29u);
    EXPECT_LT(after - before, 5000u);
}
