// Threads, waits and the tick counter.
//
// A thread started by CreateThread is a kernel object: its handle is waitable
// (signalled when the thread has ended) and is released with CloseHandle. Every
// thread gets a message queue of its own (see window.h); a thread started here has
// it before its start routine runs, so PostThreadMessageW reaches it at once. The
// queue ends with the thread.
#pragma once

#include "types.h"

typedef size_t SIZE_T;
typedef DWORD(WINAPI* LPTHREAD_START_ROUTINE)(LPVOID parameter);
typedef LPTHREAD_START_ROUTINE PTHREAD_START_ROUTINE;

// What GetExitCodeThread answers while the thread runs.
#define STILL_ACTIVE 259
// CreateThread flags.
#define CREATE_SUSPENDED 0x00000004
#define STACK_SIZE_PARAM_IS_A_RESERVATION 0x00010000

// Starts a thread running start(parameter). The handle is waitable and must be
// closed with CloseHandle; closing it does not stop the thread. stackSize 0 takes
// the default. CREATE_SUSPENDED holds the start routine until ResumeThread.
ZELCOMPAT_API HANDLE CreateThread(LPSECURITY_ATTRIBUTES security, SIZE_T stackSize, LPTHREAD_START_ROUTINE start,
                                  LPVOID parameter, DWORD flags, LPDWORD threadId);
// Releases a handle of the kernel table (also declared with the file calls).
ZELCOMPAT_API BOOL CloseHandle(HANDLE handle);
// Lowers the suspend count of a suspended thread and lets it run when it reaches
// zero. Returns the previous count, or 0xFFFFFFFF for a handle that is no thread.
ZELCOMPAT_API DWORD ResumeThread(HANDLE thread);
// WAIT_OBJECT_0 once the object is signalled, WAIT_TIMEOUT after milliseconds
// (INFINITE: never), WAIT_FAILED (ERROR_INVALID_HANDLE) for a handle that cannot
// be waited on.
ZELCOMPAT_API DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds);
// The start routine's result, or STILL_ACTIVE while it runs.
ZELCOMPAT_API BOOL GetExitCodeThread(HANDLE thread, LPDWORD exitCode);

ZELCOMPAT_API DWORD GetCurrentThreadId();
ZELCOMPAT_API DWORD GetCurrentProcessId();

// Suspends the calling thread; Sleep(0) gives up the rest of its time slice.
// Sleeping does not answer messages sent from other threads.
ZELCOMPAT_API void Sleep(DWORD milliseconds);
// Milliseconds since an arbitrary start; GetTickCount wraps at 32 bits.
ZELCOMPAT_API DWORD GetTickCount();
ZELCOMPAT_API ULONGLONG GetTickCount64();
