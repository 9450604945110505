// Windows, window classes, message queues, timers and resource strings.
//
// Windows are message-only: a registered class, a window procedure and a name,
// owned by the thread that created them. Every thread has one message queue,
// made on its first use of these calls.
//
// - SendMessageW to a window of the calling thread calls its procedure directly.
//   Sent to a window of another thread, the message waits until that thread pumps
//   (GetMessageW, PeekMessageW) or itself waits in a SendMessageW, runs there, and
//   the sender blocks until the answer.
// - PostMessageW, PostThreadMessageW and PostQuitMessage go to the owning thread's
//   queue. GetMessageW and PeekMessageW first run the messages sent from other
//   threads, then hand out posted messages in order, then WM_QUIT, then WM_TIMER.
// - A timer never queues messages: when the queue is checked and the timer is due,
//   one WM_TIMER is made, so a timer never has more than one pending.
#pragma once

#include "thread.h"
#include "types.h"

typedef LRESULT(CALLBACK* WNDPROC)(HWND, UINT, WPARAM, LPARAM);
typedef void(CALLBACK* TIMERPROC)(HWND, UINT, UINT_PTR, DWORD);
typedef WORD ATOM;
typedef struct HMENU__* HMENU;
typedef struct HICON__* HICON;
typedef HICON HCURSOR;
typedef struct HBRUSH__* HBRUSH;

typedef struct tagPOINT {
    LONG x;
    LONG y;
} POINT, *PPOINT, *LPPOINT;

typedef struct tagWNDCLASSW {
    UINT style;
    WNDPROC lpfnWndProc;
    int cbClsExtra;
    int cbWndExtra;
    HINSTANCE hInstance;
    HICON hIcon;
    HCURSOR hCursor;
    HBRUSH hbrBackground;
    LPCWSTR lpszMenuName;
    LPCWSTR lpszClassName;
} WNDCLASSW, *PWNDCLASSW, *LPWNDCLASSW;

typedef struct tagMSG {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    DWORD time;
    POINT pt;
} MSG, *PMSG, *LPMSG;

// What WM_CREATE carries in its lParam.
typedef struct tagCREATESTRUCTW {
    LPVOID lpCreateParams;
    HINSTANCE hInstance;
    HMENU hMenu;
    HWND hwndParent;
    int cy;
    int cx;
    int y;
    int x;
    LONG style;
    LPCWSTR lpszName;
    LPCWSTR lpszClass;
    DWORD dwExStyle;
} CREATESTRUCTW, *LPCREATESTRUCTW;

// The parent that makes a message-only window.
#define HWND_MESSAGE (reinterpret_cast<HWND>(static_cast<intptr_t>(-3)))
// A class named by its atom instead of its name.
#define MAKEINTATOM(atom) (reinterpret_cast<LPCWSTR>(static_cast<ULONG_PTR>(static_cast<WORD>(atom))))

#define WM_NULL 0x0000
#define WM_CREATE 0x0001
#define WM_DESTROY 0x0002
#define WM_CLOSE 0x0010
#define WM_QUIT 0x0012
#define WM_NCCREATE 0x0081
#define WM_NCDESTROY 0x0082
#define WM_KEYDOWN 0x0100
#define WM_KEYUP 0x0101
#define WM_CHAR 0x0102
#define WM_TIMER 0x0113
#define WM_APP 0x8000

#define PM_NOREMOVE 0x0000
#define PM_REMOVE 0x0001
#define PM_NOYIELD 0x0002

// Timer periods are clamped into this range.
#define USER_TIMER_MINIMUM 0x0000000A
#define USER_TIMER_MAXIMUM 0x7FFFFFFF

// Get/SetWindowLongPtrW indexes; 0 and up address the class's cbWndExtra bytes.
#define GWLP_WNDPROC (-4)
#define GWLP_HINSTANCE (-6)
#define GWLP_ID (-12)
#define GWL_STYLE (-16)
#define GWL_EXSTYLE (-20)
#define GWLP_USERDATA (-21)

#ifndef ERROR_CANNOT_FIND_WND_CLASS
#define ERROR_CANNOT_FIND_WND_CLASS 1407
#endif
#ifndef ERROR_CLASS_HAS_WINDOWS
#define ERROR_CLASS_HAS_WINDOWS 1412
#endif
#ifndef ERROR_INVALID_INDEX
#define ERROR_INVALID_INDEX 1413
#endif
#ifndef ERROR_INVALID_THREAD_ID
#define ERROR_INVALID_THREAD_ID 1444
#endif
#ifndef ERROR_RESOURCE_TYPE_NOT_FOUND
#define ERROR_RESOURCE_TYPE_NOT_FOUND 1813
#endif

// Classes. Names compare without regard to case; a class cannot be registered twice.
ZELCOMPAT_API ATOM RegisterClassW(const WNDCLASSW* windowClass);
// Fails with ERROR_CLASS_HAS_WINDOWS while windows of the class exist.
ZELCOMPAT_API BOOL UnregisterClassW(LPCWSTR className, HINSTANCE instance);
ZELCOMPAT_API BOOL GetClassInfoW(HINSTANCE instance, LPCWSTR className, LPWNDCLASSW windowClass);

// Creates a window owned by the calling thread. Any parent is accepted (the window
// is message-only whatever it is). WM_CREATE is sent before the call returns; a
// procedure answering -1 cancels the creation.
ZELCOMPAT_API HWND CreateWindowExW(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style, int x, int y,
                                   int width, int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param);
// Sends WM_DESTROY and WM_NCDESTROY, stops the window's timers and drops its posted
// messages; afterwards the handle is invalid. Only the owning thread may destroy a
// window (ERROR_ACCESS_DENIED otherwise).
ZELCOMPAT_API BOOL DestroyWindow(HWND window);
ZELCOMPAT_API BOOL IsWindow(HWND window);
// By class name and/or window name (null: any; both compare without regard to case)
// among this process's windows, oldest first.
ZELCOMPAT_API HWND FindWindowW(LPCWSTR className, LPCWSTR windowName);
// The thread that owns the window (0 for an invalid window) and the process.
ZELCOMPAT_API DWORD GetWindowThreadProcessId(HWND window, LPDWORD processId);
ZELCOMPAT_API LONG_PTR GetWindowLongPtrW(HWND window, int index);
// Returns the previous value.
ZELCOMPAT_API LONG_PTR SetWindowLongPtrW(HWND window, int index, LONG_PTR value);

// Default handling: WM_CLOSE destroys the window, WM_NCCREATE answers TRUE,
// everything else answers 0.
ZELCOMPAT_API LRESULT DefWindowProcW(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
ZELCOMPAT_API LRESULT CallWindowProcW(WNDPROC procedure, HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// 0 with ERROR_INVALID_WINDOW_HANDLE for an invalid window.
ZELCOMPAT_API LRESULT SendMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// A null window posts a thread message to the calling thread.
ZELCOMPAT_API BOOL PostMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// ERROR_INVALID_THREAD_ID when the thread has no queue.
ZELCOMPAT_API BOOL PostThreadMessageW(DWORD threadId, UINT message, WPARAM wParam, LPARAM lParam);
ZELCOMPAT_API void PostQuitMessage(int exitCode);

// Filters: window null takes every message of the thread, (HWND)-1 only thread
// messages, another window only its own; first and last both 0 take every message,
// otherwise the inclusive range. WM_QUIT passes every filter.
// GetMessageW blocks until a message comes; it answers 0 for WM_QUIT, -1 for an
// invalid window or message pointer, nonzero otherwise.
ZELCOMPAT_API BOOL GetMessageW(LPMSG message, HWND window, UINT first, UINT last);
// PM_REMOVE takes the message out of the queue, PM_NOREMOVE leaves it there.
ZELCOMPAT_API BOOL PeekMessageW(LPMSG message, HWND window, UINT first, UINT last, UINT removeFlags);
// Key messages are not translated into characters; answers FALSE.
ZELCOMPAT_API BOOL TranslateMessage(const MSG* message);
// Calls the procedure of message->hwnd (or the timer procedure of a WM_TIMER that
// carries one) and returns its answer; thread messages are not dispatched.
ZELCOMPAT_API LRESULT DispatchMessageW(const MSG* message);

// Starts or restarts the timer (window, id). WM_TIMER goes through the queue of the
// window's thread. With a null window a new id is chosen (unless id names a thread
// timer of the calling thread) and WM_TIMER goes to the calling thread. Returns the
// timer's id (1 for the id 0 on a window), 0 on failure.
ZELCOMPAT_API UINT_PTR SetTimer(HWND window, UINT_PTR id, UINT milliseconds, TIMERPROC procedure);
ZELCOMPAT_API BOOL KillTimer(HWND window, UINT_PTR id);

// Reads string id of a loaded module's string table (see compat/RESOURCES.md).
// Copies at most bufferMax-1 units, terminates, and returns the number copied;
// 0 (and an empty buffer) when the string does not exist. bufferMax 0 stores a
// read-only pointer to the whole string in *(LPCWSTR*)buffer and returns its length.
ZELCOMPAT_API int LoadStringW(HINSTANCE module, UINT id, LPWSTR buffer, int bufferMax);

// What a resource library exports: its string table, one call per string id,
// answering a zero-terminated text or null when the id has no string.
typedef const char16_t* (*ZELRESOURCESTRINGPROC)(unsigned id);
#define ZEL_RESOURCE_STRING_ENTRY "ZelResourceString"
#define ZEL_RESOURCE_EXPORT extern "C" __attribute__((visibility("default")))

#define CreateWindowW(className, windowName, style, x, y, width, height, parent, menu, instance, param) \
    CreateWindowExW(0, className, windowName, style, x, y, width, height, parent, menu, instance, param)

#define WNDCLASS WNDCLASSW
#define RegisterClass RegisterClassW
#define UnregisterClass UnregisterClassW
#define GetClassInfo GetClassInfoW
#define CreateWindowEx CreateWindowExW
#define CreateWindow CreateWindowW
#define FindWindow FindWindowW
#define GetWindowLongPtr GetWindowLongPtrW
#define SetWindowLongPtr SetWindowLongPtrW
#define DefWindowProc DefWindowProcW
#define CallWindowProc CallWindowProcW
#define SendMessage SendMessageW
#define PostMessage PostMessageW
#define PostThreadMessage PostThreadMessageW
#define GetMessage GetMessageW
#define PeekMessage PeekMessageW
#define DispatchMessage DispatchMessageW
