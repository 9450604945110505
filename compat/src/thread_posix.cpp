// Threads over pthreads, the tick counter and Sleep.
//
// A thread started by CreateThread is a kernel object in the handle table. The new
// thread makes its message queue and reports its id before CreateThread returns;
// when the start routine returns, the queue ends first and then the object is
// signalled, so a waiter never sees a finished thread whose queue still takes
// messages.
#include <pthread.h>
#include <sched.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <condition_variable>
#include <memory>
#include <mutex>

#include "errors.h"
#include "handles.h"
#include "window_internal.h"
#include "zelcompat/thread.h"

namespace zel {
namespace {

class ThreadObject : public KernelObject {
public:
    DWORD Wait(DWORD milliseconds) override {
        std::unique_lock<std::mutex> lock(mutex);
        auto isFinished = [this] { return finished; };
        if (milliseconds == INFINITE) {
            changed.wait(lock, isFinished);
            return WAIT_OBJECT_0;
        }
        return changed.wait_for(lock, std::chrono::milliseconds(milliseconds), isFinished) ? WAIT_OBJECT_0
                                                                                          : WAIT_TIMEOUT;
    }

    std::mutex mutex;
    std::condition_variable changed;
    bool started = false;  // the thread has its id and its queue
    bool finished = false;
    DWORD suspendCount = 0;
    DWORD threadId = 0;
    DWORD exitCode = STILL_ACTIVE;
};

struct StartBlock {
    std::shared_ptr<ThreadObject> object;
    LPTHREAD_START_ROUTINE routine = nullptr;
    LPVOID parameter = nullptr;
};

void* ThreadMain(void* raw) {
    std::unique_ptr<StartBlock> start(static_cast<StartBlock*>(raw));
    std::shared_ptr<ThreadObject> object = start->object;
    EnsureThreadQueue();
    {
        std::unique_lock<std::mutex> lock(object->mutex);
        object->threadId = GetCurrentThreadId();
        object->started = true;
        object->changed.notify_all();
        object->changed.wait(lock, [&] { return object->suspendCount == 0; });
    }
    DWORD code = start->routine(start->parameter);
    EndThreadQueue();
    std::lock_guard<std::mutex> guard(object->mutex);
    object->exitCode = code;
    object->finished = true;
    object->changed.notify_all();
    return nullptr;
}

}  // namespace
}  // namespace zel

using namespace zel;

HANDLE CreateThread(LPSECURITY_ATTRIBUTES, SIZE_T stackSize, LPTHREAD_START_ROUTINE start, LPVOID parameter,
                    DWORD flags, LPDWORD threadId) {
    if (!start) return Fail<HANDLE>(ERROR_INVALID_PARAMETER, nullptr);
    auto object = std::make_shared<ThreadObject>();
    object->suspendCount = (flags & CREATE_SUSPENDED) ? 1 : 0;

    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    pthread_attr_setdetachstate(&attributes, PTHREAD_CREATE_DETACHED);
    if (stackSize) {
        size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
        size_t size = std::max<size_t>(stackSize, PTHREAD_STACK_MIN);
        size = (size + page - 1) / page * page;
        pthread_attr_setstacksize(&attributes, size);
    }
    auto* block = new StartBlock{object, start, parameter};
    pthread_t thread;
    int error = pthread_create(&thread, &attributes, &ThreadMain, block);
    pthread_attr_destroy(&attributes);
    if (error != 0) {
        delete block;
        return Fail<HANDLE>(error == EAGAIN ? ERROR_NOT_ENOUGH_MEMORY : Win32ErrorFromErrno(error), nullptr);
    }
    {
        std::unique_lock<std::mutex> lock(object->mutex);
        object->changed.wait(lock, [&] { return object->started; });
        if (threadId) *threadId = object->threadId;
    }
    return NewHandle(object);
}

DWORD ResumeThread(HANDLE thread) {
    auto object = LookupHandleAs<ThreadObject>(thread);
    if (!object) return Fail<DWORD>(ERROR_INVALID_HANDLE, 0xFFFFFFFFu);
    std::lock_guard<std::mutex> guard(object->mutex);
    DWORD previous = object->suspendCount;
    if (object->suspendCount > 0 && --object->suspendCount == 0) object->changed.notify_all();
    return previous;
}

DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds) {
    std::shared_ptr<KernelObject> object = LookupHandle(handle);
    if (!object) return Fail<DWORD>(ERROR_INVALID_HANDLE, WAIT_FAILED);
    DWORD result = object->Wait(milliseconds);
    if (result == WAIT_FAILED) SetLastError(ERROR_INVALID_HANDLE);
    return result;
}

BOOL GetExitCodeThread(HANDLE thread, LPDWORD exitCode) {
    auto object = LookupHandleAs<ThreadObject>(thread);
    if (!object) return Fail(ERROR_INVALID_HANDLE, FALSE);
    if (!exitCode) return Fail(ERROR_INVALID_PARAMETER, FALSE);
    std::lock_guard<std::mutex> guard(object->mutex);
    *exitCode = object->exitCode;
    return TRUE;
}

DWORD GetCurrentThreadId() {
    thread_local DWORD id = static_cast<DWORD>(gettid());
    return id;
}

DWORD GetCurrentProcessId() { return static_cast<DWORD>(getpid()); }

void Sleep(DWORD milliseconds) {
    if (milliseconds == 0) {
        sched_yield();
        return;
    }
    if (milliseconds == INFINITE) {
        for (;;) pause();
    }
    timespec wanted{static_cast<time_t>(milliseconds / 1000), static_cast<long>(milliseconds % 1000) * 1000000L};
    timespec left{};
    while (nanosleep(&wanted, &left) != 0 && errno == EINTR) wanted = left;
}

ULONGLONG GetTickCount64() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<ULONGLONG>(now.tv_sec) * 1000u + static_cast<ULONGLONG>(now.tv_nsec) / 1000000u;
}

DWORD GetTickCount() { return static_cast<DWORD>(GetTickCount64()); }
