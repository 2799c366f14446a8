// CWnd: binding objects to window handles, creation through the creation hook, subclassing and
// destruction.
#include "afx/wnd.h"
#include "afx/globals.h"
#include "afx/oledroptarget.h"
#include "afx/temp_map.h"
#include "afx/wnd_internal.h"
#include "plat/core.h"

#include <unordered_map>

namespace {

// Never destroyed: program-wide window objects are destroyed after function-local statics would be.
std::unordered_map<HWND, CWnd*>& PermanentMap() {
    static auto* map = new std::unordered_map<HWND, CWnd*>();
    return *map;
}

// The procedure each subclassed window had before the framework's, kept by handle so that a window
// whose object went away early still reaches it.
std::unordered_map<HWND, WNDPROC>& SuperProcs() {
    static auto* map = new std::unordered_map<HWND, WNDPROC>();
    return *map;
}

afx::detail::TempMap<HWND, CWnd>& TempWindows() {
    static auto* map = new afx::detail::TempMap<HWND, CWnd>([](HWND h) { return ::IsWindow(h) != FALSE; },
                                                            [](CWnd& w) { w.m_hWnd = nullptr; });
    return *map;
}

// The window is going: its drop target registration goes with it.
void RevokeDropTarget(CWnd& wnd) {
    if (COleDropTarget* target = wnd.m_pDropTarget) {
        wnd.m_pDropTarget = nullptr;
        target->Revoke();
    }
}

afx::detail::CreationHook* g_hook = nullptr; // innermost creation in progress
int g_spyId = 0;

} // namespace

namespace afx::detail {

void OnMessageDelivered(HWND hWnd, UINT message, WPARAM, LPARAM) {
    if (message != WM_NCCREATE || !g_hook || g_hook->m_consumed) return;
    g_hook->m_consumed = true;
    if (PermanentMap().count(hWnd)) return;
    AfxWndAccess::BindAndSubclass(*g_hook->m_wnd, hWnd);
}

CreationHook::CreationHook(CWnd* pWnd) : m_wnd(pWnd), m_outer(g_hook) {
    if (!g_hook) g_spyId = plat::AddMessageSpy(OnMessageDelivered);
    g_hook = this;
}

CreationHook::~CreationHook() {
    g_hook = m_outer;
    if (!g_hook) plat::RemoveMessageSpy(g_spyId);
}

} // namespace afx::detail

void AfxWndAccess::BindAndSubclass(CWnd& wnd, HWND hWnd) {
    if (!wnd.Attach(hWnd)) return;
    wnd.PreSubclassWindow();
    auto old = reinterpret_cast<WNDPROC>(::GetWindowLongPtrA(hWnd, GWLP_WNDPROC));
    if (old != &CWnd::AfxWndProc) {
        ::SetWindowLongPtrA(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CWnd::AfxWndProc));
        wnd.m_pfnSuper = old;
        SuperProcs()[hWnd] = old;
    } else {
        wnd.m_pfnSuper = nullptr;
    }
}

void AfxWndAccess::RestoreProc(HWND hWnd, WNDPROC super) {
    if (hWnd && reinterpret_cast<WNDPROC>(::GetWindowLongPtrA(hWnd, GWLP_WNDPROC)) == &CWnd::AfxWndProc &&
        super)
        ::SetWindowLongPtrA(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(super));
    SuperProcs().erase(hWnd);
}

// ---- handle maps ----

CWnd* CWnd::FromHandlePermanent(HWND hWnd) {
    if (!hWnd) return nullptr;
    auto& map = PermanentMap();
    auto it = map.find(hWnd);
    if (it == map.end()) return nullptr;
    if (!::IsWindow(hWnd)) {
        // The window went away without telling its object (bound with Attach only).
        map.erase(it);
        return nullptr;
    }
    return it->second;
}

CWnd* CWnd::FromHandle(HWND hWnd) {
    if (!hWnd) return nullptr;
    if (CWnd* permanent = FromHandlePermanent(hWnd)) return permanent;
    return TempWindows().Get(hWnd, [](HWND h) {
        auto wnd = std::make_unique<CWnd>();
        wnd->m_hWnd = h;
        return wnd;
    });
}

void CWnd::DeleteTempMap() {
    TempWindows().Clear();
}

BOOL CWnd::Attach(HWND hWndNew) {
    if (!hWndNew || m_hWnd || !::IsWindow(hWndNew) || FromHandlePermanent(hWndNew)) return FALSE;
    PermanentMap()[hWndNew] = this;
    m_hWnd = hWndNew;
    return TRUE;
}

HWND CWnd::Detach() {
    HWND h = m_hWnd;
    if (h) {
        auto& map = PermanentMap();
        auto it = map.find(h);
        if (it != map.end() && it->second == this) map.erase(it);
    }
    m_hWnd = nullptr;
    return h;
}

BOOL CWnd::SubclassWindow(HWND hWnd) {
    if (!hWnd || m_hWnd || !::IsWindow(hWnd) || FromHandlePermanent(hWnd)) return FALSE;
    AfxWndAccess::BindAndSubclass(*this, hWnd);
    return m_hWnd == hWnd ? TRUE : FALSE;
}

BOOL CWnd::SubclassDlgItem(UINT nID, CWnd* pParent) {
    if (!pParent) return FALSE;
    return SubclassWindow(::GetDlgItem(pParent->m_hWnd, static_cast<int>(nID)));
}

HWND CWnd::UnsubclassWindow() {
    if (!m_hWnd) return nullptr;
    AfxWndAccess::RestoreProc(m_hWnd, m_pfnSuper ? m_pfnSuper : &::DefWindowProcA);
    m_pfnSuper = nullptr;
    return Detach();
}

// ---- creation and destruction ----

BOOL CWnd::PreCreateWindow(CREATESTRUCT& cs) {
    if (!cs.lpszClass) cs.lpszClass = AfxRegisterWndClass(CS_DBLCLKS, ::LoadCursorA(0, IDC_ARROW));
    return TRUE;
}

BOOL CWnd::Create(LPCSTR lpszClassName, LPCSTR lpszWindowName, DWORD dwStyle, const RECT& rect,
                  CWnd* pParentWnd, UINT nID, void* pContext) {
    return CreateEx(0, lpszClassName, lpszWindowName, dwStyle | WS_CHILD, rect, pParentWnd, nID, pContext);
}

BOOL CWnd::CreateEx(DWORD dwExStyle, LPCSTR lpszClassName, LPCSTR lpszWindowName, DWORD dwStyle,
                    const RECT& rect, CWnd* pParentWnd, UINT nID, LPVOID lpParam) {
    return CreateEx(dwExStyle, lpszClassName, lpszWindowName, dwStyle, rect.left, rect.top,
                    rect.right - rect.left, rect.bottom - rect.top, pParentWnd ? pParentWnd->m_hWnd : nullptr,
                    reinterpret_cast<HMENU>(static_cast<UINT_PTR>(nID)), lpParam);
}

BOOL CWnd::CreateEx(DWORD dwExStyle, LPCSTR lpszClassName, LPCSTR lpszWindowName, DWORD dwStyle, int x, int y,
                    int nWidth, int nHeight, HWND hWndParent, HMENU nIDorHMenu, LPVOID lpParam) {
    if (m_hWnd) return FALSE; // one window per object
    CREATESTRUCTA cs{};
    cs.dwExStyle = dwExStyle;
    cs.lpszClass = lpszClassName;
    cs.lpszName = lpszWindowName;
    cs.style = static_cast<LONG>(dwStyle);
    cs.x = x;
    cs.y = y;
    cs.cx = nWidth;
    cs.cy = nHeight;
    cs.hwndParent = hWndParent;
    cs.hMenu = nIDorHMenu;
    cs.hInstance = AfxGetInstanceHandle();
    cs.lpCreateParams = lpParam;
    if (!PreCreateWindow(cs)) {
        PostNcDestroy();
        return FALSE;
    }

    HWND hWnd;
    bool consumed;
    {
        afx::detail::CreationHook hook(this);
        hWnd =
            ::CreateWindowExA(cs.dwExStyle, cs.lpszClass, cs.lpszName, static_cast<DWORD>(cs.style), cs.x,
                              cs.y, cs.cx, cs.cy, cs.hwndParent, cs.hMenu, cs.hInstance, cs.lpCreateParams);
        consumed = hook.Consumed();
    }
    if (!consumed) {
        // The platform refused before the window existed (unknown class, bad parent): the object
        // never had a window, so it gets its clean-up call here.
        if (hWnd && SubclassWindow(hWnd)) return TRUE;
        PostNcDestroy();
        return FALSE;
    }
    // A window that failed later (WM_NCCREATE or WM_CREATE said no) was destroyed and unbound on
    // the way, and its object may be gone: do not touch it.
    return hWnd ? TRUE : FALSE;
}

BOOL CWnd::DestroyWindow() {
    HWND h = m_hWnd;
    if (!h) return FALSE;
    bool permanent = FromHandlePermanent(h) == this;
    BOOL ok = ::DestroyWindow(h);
    // A subclassed object was unbound by WM_NCDESTROY and may have deleted itself; one bound with
    // Attach alone never saw the message and is unbound here.
    auto& map = PermanentMap();
    auto it = map.find(h);
    if (it != map.end()) {
        CWnd* bound = it->second;
        map.erase(it);
        bound->m_hWnd = nullptr;
    } else if (!permanent) {
        m_hWnd = nullptr;
    }
    return ok;
}

CWnd::~CWnd() {
    if (m_hWnd && FromHandlePermanent(m_hWnd) == this) {
        HWND h = m_hWnd;
        TRACE("CWnd destroyed with its window %p still alive; destroying the window\n",
              static_cast<void*>(h));
        ::DestroyWindow(h);
        if (m_hWnd) Detach();
    }
}

// ---- the window procedure ----

namespace {

struct CurrentMessage {
    HWND hWnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};
CurrentMessage g_current{nullptr, 0, 0, 0};

} // namespace

LRESULT CALLBACK CWnd::AfxWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    CWnd* pWnd = FromHandlePermanent(hWnd);
    if (!pWnd) {
        auto it = SuperProcs().find(hWnd);
        WNDPROC super = it != SuperProcs().end() ? it->second : nullptr;
        if (message == WM_NCDESTROY) SuperProcs().erase(hWnd);
        if (super) return ::CallWindowProcA(super, hWnd, message, wParam, lParam);
        return ::DefWindowProcA(hWnd, message, wParam, lParam);
    }

    CurrentMessage saved = g_current;
    g_current = CurrentMessage{hWnd, message, wParam, lParam};
    LRESULT result = pWnd->WindowProc(message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        // A derived OnNcDestroy that did not call the base class leaves the object bound: unbind it
        // now, since the handle is about to die. (pWnd may be gone; look it up again.)
        if (CWnd* still = FromHandlePermanent(hWnd)) {
            RevokeDropTarget(*still);
            AfxWndAccess::RestoreProc(hWnd, AfxWndAccess::Super(*still));
            AfxWndAccess::Super(*still) = nullptr;
            still->Detach();
        }
        SuperProcs().erase(hWnd);
    }
    g_current = saved;
    return result;
}

LRESULT CWnd::Default() {
    if (g_current.hWnd != m_hWnd || !m_hWnd) return 0;
    return DefWindowProc(g_current.message, g_current.wParam, g_current.lParam);
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (m_pfnSuper) return ::CallWindowProcA(m_pfnSuper, m_hWnd, message, wParam, lParam);
    return ::DefWindowProcA(m_hWnd, message, wParam, lParam);
}

void CWnd::OnNcDestroy() {
    RevokeDropTarget(*this);
    Default();
    HWND h = m_hWnd;
    AfxWndAccess::RestoreProc(h, m_pfnSuper);
    m_pfnSuper = nullptr;
    Detach();
    PostNcDestroy();
}
