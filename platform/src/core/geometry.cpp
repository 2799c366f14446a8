// Window geometry: client and window rectangles, moving and sizing, coordinate conversion and
// finding the window under a point. The client area is the window rectangle less a one-pixel
// border (WS_BORDER), a two-pixel sunken edge (WS_EX_CLIENTEDGE) and any scroll bar shown.
#include "core/window_table.h"
#include "plat/core.h"

#include <algorithm>

namespace {
const HWND kDesktop = reinterpret_cast<HWND>(static_cast<uintptr_t>(0x10000));
int g_screenWidth = 1024;
int g_screenHeight = 768;
} // namespace

namespace plat::detail {

RECT ClientInset(const Window& w) {
    int edge = 0;
    if (w.style & WS_BORDER) edge += 1;
    if (w.exStyle & WS_EX_CLIENTEDGE) edge += 2;
    RECT inset{edge, edge, edge, edge};
    if (w.vscroll.shown) inset.right += GetSystemMetrics(SM_CXVSCROLL);
    if (w.hscroll.shown) inset.bottom += GetSystemMetrics(SM_CYHSCROLL);
    return inset;
}

POINT ClientOriginOnScreen(const Window& w) {
    RECT inset = ClientInset(w);
    POINT pt{w.rect.left + inset.left, w.rect.top + inset.top};
    if (w.parent) {
        if (const Window* p = Find(w.parent)) {
            POINT origin = ClientOriginOnScreen(*p);
            pt.x += origin.x;
            pt.y += origin.y;
        }
    }
    return pt;
}

} // namespace plat::detail

using namespace plat::detail;

namespace {

bool ApplyPosition(HWND hwnd, HWND after, int x, int y, int cx, int cy, UINT flags) {
    Window* w = Find(hwnd);
    if (!w) return false;
    WINDOWPOS pos{hwnd, after, x, y, cx, cy, flags};
    if (!(flags & SWP_NOMOVE) && x == w->rect.left && y == w->rect.top) pos.flags |= SWP_NOMOVE;
    if (!(flags & SWP_NOSIZE) && cx == w->rect.right - w->rect.left && cy == w->rect.bottom - w->rect.top)
        pos.flags |= SWP_NOSIZE;
    SendMessageA(hwnd, WM_WINDOWPOSCHANGING, 0, reinterpret_cast<LPARAM>(&pos));
    if (!(w = Find(hwnd))) return false;
    RECT old = w->rect;
    if (!(pos.flags & SWP_NOMOVE)) {
        w->rect.right = pos.x + (w->rect.right - w->rect.left);
        w->rect.bottom = pos.y + (w->rect.bottom - w->rect.top);
        w->rect.left = pos.x;
        w->rect.top = pos.y;
    }
    if (!(pos.flags & SWP_NOSIZE)) {
        w->rect.right = w->rect.left + std::max(0, pos.cx);
        w->rect.bottom = w->rect.top + std::max(0, pos.cy);
    }
    if (pos.flags & SWP_SHOWWINDOW) w->style |= WS_VISIBLE;
    if (pos.flags & SWP_HIDEWINDOW) w->style &= ~static_cast<DWORD>(WS_VISIBLE);
    bool changed = !EqualRect(&old, &w->rect);
    if (changed && !(pos.flags & SWP_NOREDRAW)) {
        InvalidateRect(hwnd, nullptr, TRUE);
        if (w->parent) InvalidateRect(w->parent, nullptr, TRUE);
    }
    pos.x = w->rect.left;
    pos.y = w->rect.top;
    pos.cx = w->rect.right - w->rect.left;
    pos.cy = w->rect.bottom - w->rect.top;
    SendMessageA(hwnd, WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&pos));
    return true;
}

HWND DeepestChildAt(HWND hwnd, POINT screen) {
    Window* w = Find(hwnd);
    if (!w) return nullptr;
    for (HWND child : w->children) {
        Window* c = Find(child);
        if (!c || !(c->style & WS_VISIBLE)) continue;
        RECT r{};
        GetWindowRect(child, &r);
        if (PtInRect(&r, screen)) return DeepestChildAt(child, screen);
    }
    return hwnd;
}

} // namespace

namespace plat::detail {
// DefWindowProc's answer to WM_WINDOWPOSCHANGED: WM_SIZE and WM_MOVE as the position changed.
void DefaultPositionChanged(HWND hwnd, const WINDOWPOS* pos) {
    Window* w = Find(hwnd);
    if (!w || !pos) return;
    if (!(pos->flags & SWP_NOSIZE)) {
        RECT client{};
        GetClientRect(hwnd, &client);
        SendMessageA(hwnd, WM_SIZE, SIZE_RESTORED, MAKELPARAM(client.right, client.bottom));
    }
    if (!(pos->flags & SWP_NOMOVE) && (w = Find(hwnd))) {
        RECT inset = ClientInset(*w);
        SendMessageA(hwnd, WM_MOVE, 0, MAKELPARAM(w->rect.left + inset.left, w->rect.top + inset.top));
    }
}
} // namespace plat::detail

extern "C" {

HWND GetDesktopWindow(void) {
    return kDesktop;
}

BOOL GetClientRect(HWND hwnd, LPRECT rc) {
    if (!rc) return FALSE;
    if (hwnd == kDesktop) return SetRect(rc, 0, 0, g_screenWidth, g_screenHeight);
    Window* w = Find(hwnd);
    if (!w) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    RECT inset = ClientInset(*w);
    int width = (w->rect.right - w->rect.left) - inset.left - inset.right;
    int height = (w->rect.bottom - w->rect.top) - inset.top - inset.bottom;
    return SetRect(rc, 0, 0, std::max(0, width), std::max(0, height));
}

BOOL GetWindowRect(HWND hwnd, LPRECT rc) {
    if (!rc) return FALSE;
    if (hwnd == kDesktop) return SetRect(rc, 0, 0, g_screenWidth, g_screenHeight);
    Window* w = Find(hwnd);
    if (!w) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    *rc = w->rect;
    if (w->parent) {
        POINT origin = ClientOriginOnScreen(*Find(w->parent));
        OffsetRect(rc, origin.x, origin.y);
    }
    return TRUE;
}

BOOL MoveWindow(HWND hwnd, int x, int y, int width, int height, BOOL repaint) {
    return ApplyPosition(hwnd, nullptr, x, y, width, height, SWP_NOZORDER | (repaint ? 0 : SWP_NOREDRAW))
               ? TRUE
               : FALSE;
}

BOOL SetWindowPos(HWND hwnd, HWND after, int x, int y, int cx, int cy, UINT flags) {
    return ApplyPosition(hwnd, after, x, y, cx, cy, flags) ? TRUE : FALSE;
}

BOOL ClientToScreen(HWND hwnd, LPPOINT pt) {
    if (!pt) return FALSE;
    if (hwnd == kDesktop) return TRUE;
    Window* w = Find(hwnd);
    if (!w) return FALSE;
    POINT origin = ClientOriginOnScreen(*w);
    pt->x += origin.x;
    pt->y += origin.y;
    return TRUE;
}

BOOL ScreenToClient(HWND hwnd, LPPOINT pt) {
    if (!pt) return FALSE;
    if (hwnd == kDesktop) return TRUE;
    Window* w = Find(hwnd);
    if (!w) return FALSE;
    POINT origin = ClientOriginOnScreen(*w);
    pt->x -= origin.x;
    pt->y -= origin.y;
    return TRUE;
}

int MapWindowPoints(HWND from, HWND to, LPPOINT pts, UINT count) {
    POINT a{0, 0}, b{0, 0};
    if (from && from != kDesktop) {
        if (!Find(from)) return 0;
        a = ClientOriginOnScreen(*Find(from));
    }
    if (to && to != kDesktop) {
        if (!Find(to)) return 0;
        b = ClientOriginOnScreen(*Find(to));
    }
    int dx = a.x - b.x, dy = a.y - b.y;
    for (UINT i = 0; pts && i < count; ++i) {
        pts[i].x += dx;
        pts[i].y += dy;
    }
    return MAKELONG(static_cast<WORD>(static_cast<SHORT>(dx)), static_cast<WORD>(static_cast<SHORT>(dy)));
}

HWND WindowFromPoint(POINT screen) {
    for (HWND top : State().topLevel) {
        Window* w = Find(top);
        if (!w || !(w->style & WS_VISIBLE)) continue;
        if (PtInRect(&w->rect, screen)) return DeepestChildAt(top, screen);
    }
    return nullptr;
}

HWND ChildWindowFromPoint(HWND parent, POINT client) {
    Window* w = Find(parent);
    if (!w) return nullptr;
    RECT rc{};
    GetClientRect(parent, &rc);
    if (!PtInRect(&rc, client)) return nullptr;
    for (HWND child : w->children) {
        Window* c = Find(child);
        if (c && PtInRect(&c->rect, client)) return child;
    }
    return parent;
}

int GetSystemMetrics(int index) {
    switch (index) {
    case SM_CXSCREEN:
        return g_screenWidth;
    case SM_CYSCREEN:
        return g_screenHeight;
    case SM_CXVSCROLL:
    case SM_CYHSCROLL:
        return 17;
    case SM_CXBORDER:
    case SM_CYBORDER:
        return 1;
    case SM_CXEDGE:
    case SM_CYEDGE:
        return 2;
    case SM_CXDOUBLECLK:
    case SM_CYDOUBLECLK:
        return 4;
    case SM_CXDRAG:
    case SM_CYDRAG:
        return 4;
    case SM_CXSMICON:
    case SM_CYSMICON:
        return 16;
    default:
        return 0;
    }
}

// ---- rectangles ----

BOOL SetRect(LPRECT rc, int l, int t, int r, int b) {
    if (!rc) return FALSE;
    *rc = RECT{l, t, r, b};
    return TRUE;
}
BOOL SetRectEmpty(LPRECT rc) {
    return SetRect(rc, 0, 0, 0, 0);
}
BOOL CopyRect(LPRECT dst, const RECT* src) {
    if (!dst || !src) return FALSE;
    *dst = *src;
    return TRUE;
}
BOOL InflateRect(LPRECT rc, int dx, int dy) {
    if (!rc) return FALSE;
    rc->left -= dx;
    rc->right += dx;
    rc->top -= dy;
    rc->bottom += dy;
    return TRUE;
}
BOOL OffsetRect(LPRECT rc, int dx, int dy) {
    if (!rc) return FALSE;
    rc->left += dx;
    rc->right += dx;
    rc->top += dy;
    rc->bottom += dy;
    return TRUE;
}
BOOL IsRectEmpty(const RECT* rc) {
    return !rc || rc->left >= rc->right || rc->top >= rc->bottom;
}
BOOL PtInRect(const RECT* rc, POINT pt) {
    return rc && pt.x >= rc->left && pt.x < rc->right && pt.y >= rc->top && pt.y < rc->bottom;
}
BOOL IntersectRect(LPRECT dst, const RECT* a, const RECT* b) {
    if (!dst || !a || !b) return FALSE;
    RECT r{std::max(a->left, b->left), std::max(a->top, b->top), std::min(a->right, b->right),
           std::min(a->bottom, b->bottom)};
    if (IsRectEmpty(&r)) {
        SetRectEmpty(dst);
        return FALSE;
    }
    *dst = r;
    return TRUE;
}
BOOL UnionRect(LPRECT dst, const RECT* a, const RECT* b) {
    if (!dst || !a || !b) return FALSE;
    if (IsRectEmpty(a)) return IsRectEmpty(b) ? SetRectEmpty(dst), FALSE : CopyRect(dst, b);
    if (IsRectEmpty(b)) return CopyRect(dst, a);
    *dst = RECT{std::min(a->left, b->left), std::min(a->top, b->top), std::max(a->right, b->right),
                std::max(a->bottom, b->bottom)};
    return TRUE;
}
BOOL EqualRect(const RECT* a, const RECT* b) {
    return a && b && a->left == b->left && a->top == b->top && a->right == b->right && a->bottom == b->bottom;
}

} // extern "C"

namespace plat {
void SetScreenSize(int width, int height) {
    g_screenWidth = width;
    g_screenHeight = height;
}
} // namespace plat
