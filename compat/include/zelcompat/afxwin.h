// MFC's CWnd and message maps.
//
// A CWnd created with CreateEx owns its window: the window's procedure becomes
// AfxWndProc, which hands every message to the object's WindowProc; that walks the
// message map of the object's class and then those of its bases, and gives what no
// entry handles to the class's own procedure (DefWindowProcW for the default class).
//
//   class CMyWnd : public CWnd {
//       DECLARE_MESSAGE_MAP()
//   protected:
//       afx_msg void OnTimer(UINT_PTR id);
//       afx_msg LRESULT OnProgress(WPARAM, LPARAM);
//   };
//   BEGIN_MESSAGE_MAP(CMyWnd, CWnd)
//       ON_WM_TIMER()
//       ON_MESSAGE(WM_USER + 10, &CMyWnd::OnProgress)
//   END_MESSAGE_MAP()
//
// Each entry holds a small function made for it that calls the member through its
// own type, so a handler with the wrong signature does not compile.
#pragma once

#include "types.h"
#include "window.h"

#define afx_msg
#define PASCAL

class CWnd;

// The procedure of every window a CWnd owns.
ZELCOMPAT_API LRESULT CALLBACK AfxWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

struct AFX_MSGMAP_ENTRY {
    UINT nMessage;
    // Calls the handler on the object; null ends the table.
    LRESULT (*pfnThunk)(CWnd* wnd, WPARAM wParam, LPARAM lParam);
};

struct AFX_MSGMAP {
    const AFX_MSGMAP* (*pfnGetBaseMap)();
    const AFX_MSGMAP_ENTRY* lpEntries;
};

#define DECLARE_MESSAGE_MAP()                         \
protected:                                            \
    static const AFX_MSGMAP* GetThisMessageMap();     \
    const AFX_MSGMAP* GetMessageMap() const override;

#define BEGIN_MESSAGE_MAP(theClass, baseClass)                                        \
    const AFX_MSGMAP* theClass::GetMessageMap() const { return GetThisMessageMap(); } \
    const AFX_MSGMAP* theClass::GetThisMessageMap() {                                 \
        typedef theClass ThisClass;                                                   \
        typedef baseClass TheBaseClass;                                               \
        static const AFX_MSGMAP_ENTRY _messageEntries[] = {

#define END_MESSAGE_MAP()                                                                       \
    {0, nullptr}                                                                                \
    }                                                                                           \
    ;                                                                                           \
    static const AFX_MSGMAP messageMap = {&TheBaseClass::GetThisMessageMap, &_messageEntries[0]}; \
    return &messageMap;                                                                         \
    }

// LRESULT Handler(WPARAM, LPARAM) for one message number.
#define ON_MESSAGE(message, memberFxn)                                                          \
    {static_cast<UINT>(message), [](CWnd* wnd_, WPARAM wParam_, LPARAM lParam_) -> LRESULT {   \
         return (static_cast<ThisClass*>(wnd_)->*static_cast<LRESULT (ThisClass::*)(WPARAM, LPARAM)>( \
                                                      memberFxn))(wParam_, lParam_);            \
     }},

// void OnTimer(UINT_PTR nIDEvent) for WM_TIMER.
#define ON_WM_TIMER()                                                                   \
    {WM_TIMER, [](CWnd* wnd_, WPARAM wParam_, LPARAM) -> LRESULT {                      \
         (static_cast<ThisClass*>(wnd_)->*static_cast<void (ThisClass::*)(UINT_PTR)>(  \
                                              &ThisClass::OnTimer))(static_cast<UINT_PTR>(wParam_)); \
         return 0;                                                                      \
     }},

class ZELCOMPAT_API CWnd {
public:
    CWnd();
    // Destroys the window if it still exists.
    virtual ~CWnd();
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    HWND m_hWnd = nullptr;

    // Creates the object's window (message-only whatever the parent). A null or
    // unregistered class name takes the default class. The object receives every
    // message of the window from WM_CREATE to WM_NCDESTROY.
    virtual BOOL CreateEx(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style, int x, int y,
                          int width, int height, HWND parent, HMENU idOrMenu, LPVOID param = nullptr);
    virtual BOOL DestroyWindow();
    HWND GetSafeHwnd() const { return m_hWnd; }
    operator HWND() const { return m_hWnd; }

    UINT_PTR SetTimer(UINT_PTR idEvent, UINT elapse, TIMERPROC procedure = nullptr);
    BOOL KillTimer(UINT_PTR idEvent);
    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
    BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);

    // The object that owns the window, else a lasting wrapper for the handle;
    // null for a null handle.
    static CWnd* FromHandle(HWND window);
    // The object that owns the window, or null.
    static CWnd* FromHandlePermanent(HWND window);

protected:
    // Default handling of the message being handled.
    LRESULT Default();
    // Walks the message map; what no entry handles goes to DefWindowProc.
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // True when an entry of the maps handled the message; *result is its answer.
    virtual BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);
    // The window class's own procedure, or DefWindowProcW.
    virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // Called after WM_NCDESTROY, once the object no longer owns the window.
    virtual void PostNcDestroy();

    afx_msg void OnTimer(UINT_PTR nIDEvent);

    static const AFX_MSGMAP* GetThisMessageMap();
    virtual const AFX_MSGMAP* GetMessageMap() const;

    WNDPROC m_pfnSuper = nullptr;

private:
    friend LRESULT CALLBACK AfxWndProc(HWND, UINT, WPARAM, LPARAM);
    friend struct CWndAccess;
    bool m_wrapper = false;  // stands for a window it does not own
};

// The application's main window: what AfxGetMainWnd answers (null: none).
ZELCOMPAT_API void ZelSetMainWindow(HWND window);
// The CWnd that owns the main window, else a wrapper for its handle; null when none is set.
ZELCOMPAT_API CWnd* AfxGetMainWnd();
