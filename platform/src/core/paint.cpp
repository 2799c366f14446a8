// Update regions and painting. Each window keeps one update rectangle (the union of what was
// invalidated); WM_PAINT is generated for a shown window with a pending update when no posted
// message waits, and BeginPaint erases (WM_ERASEBKGND) and validates.
#include "core/window_table.h"
#include "plat/core.h"

#include "win/wingdi.h"

using namespace plat::detail;

namespace plat::detail {

bool IsShownOnScreen(const Window& w) {
    const Window* p = &w;
    while (p) {
        if (!(p->style & WS_VISIBLE) || p->destroying) return false;
        p = p->parent ? Find(p->parent) : nullptr;
    }
    return true;
}

HWND FindWindowToPaint(HWND filter) {
    // Parents paint before their children, top-level windows in z-order.
    std::vector<HWND> stack(State().topLevel.rbegin(), State().topLevel.rend());
    while (!stack.empty()) {
        HWND h = stack.back();
        stack.pop_back();
        Window* w = Find(h);
        if (!w || !(w->style & WS_VISIBLE)) continue;
        if (w->hasUpdate && (!filter || filter == h || IsChild(filter, h))) return h;
        stack.insert(stack.end(), w->children.rbegin(), w->children.rend());
    }
    return nullptr;
}

LRESULT DefaultPaint(HWND hwnd, UINT msg, WPARAM wParam) {
    if (msg == WM_PAINT) {
        PAINTSTRUCT ps{};
        BeginPaint(hwnd, &ps);
        EndPaint(hwnd, &ps);
        return 0;
    }
    // WM_ERASEBKGND: fill with the class background brush, if there is one.
    Window* w = Find(hwnd);
    if (!w || !w->background) return 0;
    RECT rc{};
    GetClientRect(hwnd, &rc);
    FillRect(reinterpret_cast<HDC>(wParam), &rc, w->background);
    return 1;
}

} // namespace plat::detail

extern "C" {

BOOL InvalidateRect(HWND hwnd, const RECT* rc, BOOL erase) {
    Window* w = Find(hwnd);
    if (!w) return FALSE;
    RECT client{};
    GetClientRect(hwnd, &client);
    RECT area = client;
    if (rc && !IntersectRect(&area, rc, &client)) return TRUE;
    if (IsRectEmpty(&area)) return TRUE;
    if (w->hasUpdate)
        UnionRect(&w->update, &w->update, &area);
    else
        w->update = area;
    w->hasUpdate = true;
    if (erase) w->eraseNeeded = true;
    return TRUE;
}

BOOL ValidateRect(HWND hwnd, const RECT* rc) {
    Window* w = Find(hwnd);
    if (!w) return FALSE;
    if (!rc) {
        w->hasUpdate = false;
        w->eraseNeeded = false;
        SetRectEmpty(&w->update);
        return TRUE;
    }
    // One rectangle per window: validating part of it keeps the whole rectangle pending unless the
    // validated part covers it.
    RECT inter{};
    if (IntersectRect(&inter, &w->update, rc) && EqualRect(&inter, &w->update)) {
        w->hasUpdate = false;
        w->eraseNeeded = false;
        SetRectEmpty(&w->update);
    }
    return TRUE;
}

BOOL GetUpdateRect(HWND hwnd, LPRECT rc, BOOL) {
    Window* w = Find(hwnd);
    if (!w) return FALSE;
    if (rc) *rc = w->hasUpdate ? w->update : RECT{0, 0, 0, 0};
    return w->hasUpdate ? TRUE : FALSE;
}

BOOL UpdateWindow(HWND hwnd) {
    Window* w = Find(hwnd);
    if (!w) return FALSE;
    if (w->hasUpdate && IsShownOnScreen(*w)) {
        SendMessageA(hwnd, WM_PAINT, 0, 0);
        if ((w = Find(hwnd))) ValidateRect(hwnd, nullptr);
    }
    if ((w = Find(hwnd))) {
        std::vector<HWND> children = w->children;
        for (HWND c : children)
            UpdateWindow(c);
    }
    return TRUE;
}

BOOL RedrawWindow(HWND hwnd, const RECT* rc, HRGN, UINT flags) {
    if (flags & RDW_INVALIDATE) InvalidateRect(hwnd, rc, (flags & RDW_ERASE) ? TRUE : FALSE);
    if (flags & RDW_UPDATENOW) UpdateWindow(hwnd);
    return IsWindow(hwnd);
}

HDC BeginPaint(HWND hwnd, LPPAINTSTRUCT ps) {
    Window* w = Find(hwnd);
    if (!w || !ps) return nullptr;
    *ps = PAINTSTRUCT{};
    GetClientRect(hwnd, &ps->rcPaint);
    if (w->hasUpdate) ps->rcPaint = w->update;
    bool erase = w->eraseNeeded;
    w->hasUpdate = false;
    w->eraseNeeded = false;
    SetRectEmpty(&w->update);
    ps->hdc = GetDC(hwnd);
    ps->fErase = TRUE;
    if (erase && ps->hdc)
        ps->fErase = SendMessageA(hwnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(ps->hdc), 0) ? FALSE : TRUE;
    return ps->hdc;
}

BOOL EndPaint(HWND hwnd, const PAINTSTRUCT* ps) {
    if (ps && ps->hdc) ReleaseDC(hwnd, ps->hdc);
    return TRUE;
}

BOOL LockWindowUpdate(HWND) {
    return TRUE;
}

} // extern "C"
