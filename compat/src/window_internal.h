// What the window layer offers the rest of compat: the life of a thread's message
// queue, and window creation with a hook for CWnd.
#pragma once

#include "zelcompat/window.h"

namespace zel {

// Makes the calling thread's queue now (it is otherwise made on first use).
void EnsureThreadQueue();
// Ends the calling thread's queue: messages sent to it from other threads are
// answered with 0, its timers stop and its windows become invalid (their
// procedures are not called). Runs by itself when a thread ends.
void EndThreadQueue();

// Called with the new window's handle before WM_CREATE is sent.
typedef void (*WindowCreateHook)(HWND window, void* context);

HWND CreateWindowWithHook(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style, int x, int y,
                          int width, int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param,
                          WindowCreateHook hook, void* context);

}  // namespace zel
