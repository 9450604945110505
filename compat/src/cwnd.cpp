// CWnd: an object that owns a window and routes its messages through message maps.
//
// CreateEx creates the window with a hook that attaches the object before WM_CREATE
// is sent: the handle goes into the map of owned windows, and the window's procedure
// is replaced by AfxWndProc, keeping the class's procedure for default handling.
#include <atomic>
#include <memory>
#include <mutex>
#include <unordered_map>

#include "window_internal.h"
#include "zelcompat/afxwin.h"

namespace {

constexpr const WCHAR* kDefaultClass = u"ZelCWnd";

struct WindowObjects {
    std::mutex lock;
    std::unordered_map<HWND, CWnd*> owners;
    // Wrappers handed out for windows no CWnd owns; they last as long as the process
    // because handles are never reused.
    std::unordered_map<HWND, std::unique_ptr<CWnd>> wrappers;
};

WindowObjects& Objects() {
    static WindowObjects* objects = new WindowObjects;  // outlives static destructors
    return *objects;
}

// The message being handled on this thread, for CWnd::Default.
struct CurrentMessage {
    UINT message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
};
thread_local CurrentMessage t_current;

std::atomic<HWND> g_mainWindow{nullptr};

void EnsureDefaultClass() {
    static const bool registered = [] {
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = DefWindowProcW;
        windowClass.lpszClassName = kDefaultClass;
        RegisterClassW(&windowClass);  // fails harmlessly when it exists
        return true;
    }();
    (void)registered;
}

}  // namespace

struct CWndAccess {
    // The creation hook: the object takes the window over before WM_CREATE.
    static void Attach(HWND hwnd, void* context) {
        CWnd* wnd = static_cast<CWnd*>(context);
        wnd->m_hWnd = hwnd;
        {
            WindowObjects& objects = Objects();
            std::lock_guard<std::mutex> guard(objects.lock);
            objects.owners[hwnd] = wnd;
        }
        auto previous = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&AfxWndProc)));
        wnd->m_pfnSuper = previous == &AfxWndProc ? nullptr : previous;
    }

    // The object lets the window go; with restore, the window keeps working on its
    // class's procedure.
    static void Detach(CWnd* wnd, bool restore) {
        HWND hwnd = wnd->m_hWnd;
        {
            WindowObjects& objects = Objects();
            std::lock_guard<std::mutex> guard(objects.lock);
            auto found = objects.owners.find(hwnd);
            if (found != objects.owners.end() && found->second == wnd) objects.owners.erase(found);
        }
        if (restore && GetWindowLongPtrW(hwnd, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(&AfxWndProc)) {
            WNDPROC original = wnd->m_pfnSuper ? wnd->m_pfnSuper : &DefWindowProcW;
            SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original));
        }
        wnd->m_hWnd = nullptr;
        wnd->m_pfnSuper = nullptr;
    }

    static LRESULT Dispatch(CWnd* wnd, UINT message, WPARAM wParam, LPARAM lParam) {
        return wnd->WindowProc(message, wParam, lParam);
    }

    static void AfterNcDestroy(CWnd* wnd) {
        Detach(wnd, false);
        wnd->PostNcDestroy();
    }

    static CWnd* MakeWrapper(HWND hwnd) {
        auto* wnd = new CWnd;
        wnd->m_hWnd = hwnd;
        wnd->m_wrapper = true;
        return wnd;
    }
};

LRESULT CALLBACK AfxWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    CWnd* wnd = CWnd::FromHandlePermanent(hwnd);
    if (!wnd) return DefWindowProcW(hwnd, message, wParam, lParam);
    CurrentMessage saved = t_current;  // handlers may pump, and so nest
    t_current = CurrentMessage{message, wParam, lParam};
    LRESULT result = CWndAccess::Dispatch(wnd, message, wParam, lParam);
    t_current = saved;
    if (message == WM_NCDESTROY) CWndAccess::AfterNcDestroy(wnd);
    return result;
}

CWnd::CWnd() = default;

CWnd::~CWnd() {
    if (m_wrapper || !m_hWnd) return;
    if (::IsWindow(m_hWnd)) ::DestroyWindow(m_hWnd);
    // Still attached: the window belongs to another thread or is already being
    // destroyed further up the stack. It goes on without the object.
    if (m_hWnd) CWndAccess::Detach(this, true);
}

BOOL CWnd::CreateEx(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style, int x, int y, int width,
                    int height, HWND parent, HMENU idOrMenu, LPVOID param) {
    if (m_hWnd) return FALSE;
    WNDCLASSW info;
    if (!className || !GetClassInfoW(nullptr, className, &info)) {
        EnsureDefaultClass();
        className = kDefaultClass;
    }
    HWND hwnd = zel::CreateWindowWithHook(exStyle, className, windowName, style, x, y, width, height, parent,
                                          idOrMenu, nullptr, param, &CWndAccess::Attach, this);
    return hwnd ? TRUE : FALSE;
}

BOOL CWnd::DestroyWindow() { return m_hWnd ? ::DestroyWindow(m_hWnd) : FALSE; }

UINT_PTR CWnd::SetTimer(UINT_PTR idEvent, UINT elapse, TIMERPROC procedure) {
    return ::SetTimer(m_hWnd, idEvent, elapse, procedure);
}

BOOL CWnd::KillTimer(UINT_PTR idEvent) { return ::KillTimer(m_hWnd, idEvent); }

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    return ::SendMessageW(m_hWnd, message, wParam, lParam);
}

BOOL CWnd::PostMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    return ::PostMessageW(m_hWnd, message, wParam, lParam);
}

CWnd* CWnd::FromHandlePermanent(HWND hwnd) {
    if (!hwnd) return nullptr;
    WindowObjects& objects = Objects();
    std::lock_guard<std::mutex> guard(objects.lock);
    auto found = objects.owners.find(hwnd);
    return found == objects.owners.end() ? nullptr : found->second;
}

CWnd* CWnd::FromHandle(HWND hwnd) {
    if (!hwnd) return nullptr;
    WindowObjects& objects = Objects();
    std::lock_guard<std::mutex> guard(objects.lock);
    auto owner = objects.owners.find(hwnd);
    if (owner != objects.owners.end()) return owner->second;
    auto& wrapper = objects.wrappers[hwnd];
    if (!wrapper) wrapper.reset(CWndAccess::MakeWrapper(hwnd));
    return wrapper.get();
}

LRESULT CWnd::Default() { return DefWindowProc(t_current.message, t_current.wParam, t_current.lParam); }

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if (!OnWndMsg(message, wParam, lParam, &result)) result = DefWindowProc(message, wParam, lParam);
    return result;
}

BOOL CWnd::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    for (const AFX_MSGMAP* map = GetMessageMap(); map; map = map->pfnGetBaseMap ? map->pfnGetBaseMap() : nullptr) {
        for (const AFX_MSGMAP_ENTRY* entry = map->lpEntries; entry && entry->pfnThunk; ++entry) {
            if (entry->nMessage != message) continue;
            LRESULT answer = entry->pfnThunk(this, wParam, lParam);
            if (result) *result = answer;
            return TRUE;
        }
    }
    return FALSE;
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (m_pfnSuper) return ::CallWindowProcW(m_pfnSuper, m_hWnd, message, wParam, lParam);
    return ::DefWindowProcW(m_hWnd, message, wParam, lParam);
}

void CWnd::PostNcDestroy() {}

void CWnd::OnTimer(UINT_PTR) { Default(); }

const AFX_MSGMAP* CWnd::GetThisMessageMap() {
    static const AFX_MSGMAP_ENTRY entries[] = {{0, nullptr}};
    static const AFX_MSGMAP map = {nullptr, &entries[0]};
    return &map;
}

const AFX_MSGMAP* CWnd::GetMessageMap() const { return GetThisMessageMap(); }

void ZelSetMainWindow(HWND hwnd) { g_mainWindow.store(hwnd); }

CWnd* AfxGetMainWnd() { return CWnd::FromHandle(g_mainWindow.load()); }
