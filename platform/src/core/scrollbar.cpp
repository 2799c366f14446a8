// Scroll-bar state of a window (WS_VSCROLL / WS_HSCROLL). Bars are not drawn as separate windows;
// a shown bar takes its width from the client area, as on the platform.
#include "core/window_table.h"

#include <algorithm>

using namespace plat::detail;

namespace {

ScrollBar* Bar(HWND hwnd, int bar) {
    Window* w = Find(hwnd);
    if (!w) return nullptr;
    if (bar == SB_VERT) return &w->vscroll;
    if (bar == SB_HORZ) return &w->hscroll;
    return nullptr;
}

void ClampPosition(SCROLLINFO& si) {
    int maxPos = si.nMax - std::max(static_cast<int>(si.nPage) - 1, 0);
    si.nPos = std::clamp(si.nPos, si.nMin, std::max(si.nMin, maxPos));
}

void SetShown(HWND hwnd, int bar, bool show) {
    Window* w = Find(hwnd);
    ScrollBar* sb = Bar(hwnd, bar);
    if (!w || !sb || sb->shown == show) return;
    RECT before{};
    GetClientRect(hwnd, &before);
    sb->shown = show;
    DWORD flag = bar == SB_VERT ? WS_VSCROLL : WS_HSCROLL;
    if (show)
        w->style |= flag;
    else
        w->style &= ~flag;
    RECT after{};
    GetClientRect(hwnd, &after);
    if (!EqualRect(&before, &after)) {
        SendMessageA(hwnd, WM_SIZE, SIZE_RESTORED, MAKELPARAM(after.right, after.bottom));
        InvalidateRect(hwnd, nullptr, TRUE);
    }
}

} // namespace

extern "C" {

int SetScrollInfo(HWND hwnd, int bar, LPCSCROLLINFO in, BOOL) {
    ScrollBar* sb = Bar(hwnd, bar);
    if (!sb || !in) return 0;
    SCROLLINFO& si = sb->info;
    if (in->fMask & SIF_RANGE) {
        si.nMin = in->nMin;
        si.nMax = in->nMax;
    }
    if (in->fMask & SIF_PAGE) si.nPage = in->nPage;
    if (in->fMask & SIF_POS) si.nPos = in->nPos;
    ClampPosition(si);
    // A bar is shown while its range is larger than a page, or always with SIF_DISABLENOSCROLL.
    bool needed = si.nMax > si.nMin && (si.nPage == 0 || static_cast<int>(si.nPage) <= si.nMax - si.nMin);
    int pos = si.nPos;
    if ((in->fMask & (SIF_RANGE | SIF_PAGE)) || (in->fMask & SIF_DISABLENOSCROLL))
        SetShown(hwnd, bar, needed || (in->fMask & SIF_DISABLENOSCROLL));
    return pos;
}

BOOL GetScrollInfo(HWND hwnd, int bar, LPSCROLLINFO out) {
    ScrollBar* sb = Bar(hwnd, bar);
    if (!sb || !out) return FALSE;
    UINT mask = out->fMask;
    if (mask & SIF_RANGE) {
        out->nMin = sb->info.nMin;
        out->nMax = sb->info.nMax;
    }
    if (mask & SIF_PAGE) out->nPage = sb->info.nPage;
    if (mask & SIF_POS) out->nPos = sb->info.nPos;
    if (mask & SIF_TRACKPOS) out->nTrackPos = sb->info.nPos;
    return TRUE;
}

int SetScrollPos(HWND hwnd, int bar, int pos, BOOL redraw) {
    ScrollBar* sb = Bar(hwnd, bar);
    if (!sb) return 0;
    int old = sb->info.nPos;
    SCROLLINFO si{sizeof si, SIF_POS, 0, 0, 0, pos, 0};
    SetScrollInfo(hwnd, bar, &si, redraw);
    return old;
}

int GetScrollPos(HWND hwnd, int bar) {
    ScrollBar* sb = Bar(hwnd, bar);
    return sb ? sb->info.nPos : 0;
}

BOOL SetScrollRange(HWND hwnd, int bar, int minPos, int maxPos, BOOL redraw) {
    SCROLLINFO si{sizeof si, SIF_RANGE, minPos, maxPos, 0, 0, 0};
    return Bar(hwnd, bar) && (SetScrollInfo(hwnd, bar, &si, redraw), TRUE);
}

BOOL ShowScrollBar(HWND hwnd, int bar, BOOL show) {
    if (!Find(hwnd)) return FALSE;
    if (bar == SB_VERT || bar == SB_BOTH) SetShown(hwnd, SB_VERT, show != FALSE);
    if (bar == SB_HORZ || bar == SB_BOTH) SetShown(hwnd, SB_HORZ, show != FALSE);
    return TRUE;
}

BOOL EnableScrollBar(HWND hwnd, UINT bar, UINT arrows) {
    if (!Find(hwnd)) return FALSE;
    for (int b : {SB_VERT, SB_HORZ}) {
        if (static_cast<int>(bar) == b || bar == SB_BOTH)
            if (ScrollBar* sb = Bar(hwnd, b)) sb->enabled = arrows == ESB_ENABLE_BOTH;
    }
    return TRUE;
}

} // extern "C"
