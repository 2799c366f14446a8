// Mouse input. A press on an item runs the platform's drag-tracking loop: it takes the tree's
// mouse messages already queued; a move beyond the drag distance starts a drag (TVN_BEGINDRAG, no
// click, no selection), a button message or an empty queue makes it a click. The click is told
// (NM_CLICK) before the selection moves, and the selection moves on release.
#include "treeview/tree.h"

#include <cstdlib>

namespace plat::detail::tv {

namespace {

constexpr UINT kDragMask = TVIF_STATE | TVIF_PARAM | TVIF_HANDLE;

// True when the mouse left the drag rectangle around `pt` before a button message came.
bool TrackDrag(Tree& t, POINT pt) {
    int cx = GetSystemMetrics(SM_CXDRAG);
    int cy = GetSystemMetrics(SM_CYDRAG);
    SetCapture(t.hwnd);
    bool drag = false;
    MSG msg{};
    while (!t.destroyed && PeekMessageA(&msg, t.hwnd, WM_MOUSEFIRST, WM_MOUSELAST, PM_REMOVE)) {
        if (msg.message == WM_MOUSEMOVE) {
            POINT p{GET_X_LPARAM(msg.lParam), GET_Y_LPARAM(msg.lParam)};
            if (std::abs(p.x - pt.x) > cx || std::abs(p.y - pt.y) > cy) {
                drag = true;
                break;
            }
            continue;
        }
        if (msg.message >= WM_LBUTTONDOWN && msg.message <= WM_MBUTTONDBLCLK) break; // consumed
        DispatchMessageA(&msg);
        if (GetCapture() != t.hwnd) break;
    }
    if (!t.destroyed && GetCapture() == t.hwnd) ReleaseCapture();
    return drag;
}

struct Hit {
    Item* item = nullptr;
    UINT flags = 0;
};

Hit HitAt(Tree& t, POINT pt) {
    TVHITTESTINFO info{};
    info.pt = pt;
    HitTest(t, &info);
    Hit hit{Resolve(t, info.hItem), info.flags};
    // Full-row selection without lines makes the whole row count as the item.
    if (hit.item && (t.style & TVS_FULLROWSELECT) && !(t.style & TVS_HASLINES) &&
        (hit.flags & (TVHT_ONITEMINDENT | TVHT_ONITEMRIGHT)))
        hit.flags = TVHT_ONITEMICON;
    return hit;
}

void ArmEditTimer(Tree& t) {
    if (t.editTimerArmed) KillTimer(t.hwnd, kEditTimerId);
    SetTimer(t.hwnd, kEditTimerId, GetDoubleClickTime(), nullptr);
    t.editTimerArmed = true;
}

void DisarmEditTimer(Tree& t) {
    if (!t.editTimerArmed) return;
    KillTimer(t.hwnd, kEditTimerId);
    t.editTimerArmed = false;
}

} // namespace

void OnLButtonDown(Tree& t, POINT pt) {
    if (t.edit) { // the click only ends the edit (the edit loses the focus and saves)
        SetFocus(t.hwnd);
        return;
    }
    Hit hit = HitAt(t, pt);
    bool track = hit.item && (hit.flags & TVHT_ONITEM) && !(t.style & TVS_DISABLEDRAGDROP);

    if (!track) { // no drag possible: the click is told at once
        if (NotifySimple(t, NM_CLICK) || t.destroyed) goto focus;
    }
    if (hit.item && (hit.flags & TVHT_ONITEMBUTTON)) {
        Toggle(t, hit.item, true);
        goto focus;
    }
    if (track) {
        if (TrackDrag(t, pt)) {
            if (!t.destroyed && !hit.item->dead)
                NotifyTreeView(t, TVN_BEGINDRAGA, 0, 0, nullptr, kDragMask, hit.item, pt);
            return;
        }
        if (t.destroyed || NotifySimple(t, NM_CLICK) || t.destroyed) goto focus;
    }
    if (!hit.item || hit.item->dead) goto focus;
    if ((t.style & TVS_EDITLABELS) && (hit.flags & TVHT_ONITEMLABEL) && hit.item == t.caret)
        ArmEditTimer(t); // a click on the selected item's label starts editing after a pause
    else if (hit.flags & TVHT_ONITEM)
        SelectCaret(t, hit.item, TVC_BYMOUSE);

focus:
    if (!t.destroyed) SetFocus(t.hwnd);
}

void OnLButtonDblClk(Tree& t, POINT pt) {
    DisarmEditTimer(t);
    Hit hit = HitAt(t, pt);
    if (!hit.item) return;
    if (NotifySimple(t, NM_DBLCLK) || t.destroyed || hit.item->dead) return;
    Item* target = hit.item;
    switch (hit.flags) {
    case TVHT_ONITEMRIGHT:
        return;
    case TVHT_ONITEMINDENT: {
        if (!(t.style & TVS_HASLINES)) return;
        // The indent belongs to the ancestor whose column was hit.
        int level = t.indent > 0 ? pt.x / t.indent : 0;
        if (!LinesAtRoot(t)) ++level;
        while (target->level > level && target->parent && target->parent != &t.root)
            target = target->parent;
        break;
    }
    default:
        break;
    }
    Toggle(t, target, true);
}

void OnRButtonDown(Tree& t, POINT pt) {
    if (t.edit) {
        SetFocus(t.hwnd);
        return;
    }
    Hit hit = HitAt(t, pt);
    if (TrackDrag(t, pt)) {
        if (hit.item && !t.destroyed && !hit.item->dead)
            NotifyTreeView(t, TVN_BEGINRDRAGA, 0, 0, nullptr, kDragMask, hit.item, pt);
        return;
    }
    if (t.destroyed) return;
    SetFocus(t.hwnd);
    if (t.destroyed) return;
    // While the click is handled, a paint shows the clicked row highlighted instead of the selection;
    // the selection stays. Nothing is invalidated for it: only when a paint did run meanwhile (a menu
    // loop that paints) are the rows it drew that way painted again afterwards.
    t.rclickPainted = false;
    if (hit.item && !hit.item->dead && (hit.flags & TVHT_ONITEM)) t.rclickItem = hit.item;
    if (!NotifySimple(t, NM_RCLICK) && !t.destroyed && t.notify && IsWindow(t.notify))
        SendMessageA(t.notify, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(t.hwnd),
                     static_cast<LPARAM>(GetMessagePos()));
    if (t.destroyed) return;
    Item* held = t.rclickItem;
    t.rclickItem = nullptr;
    if (t.rclickPainted) {
        InvalidateItem(t, held);
        InvalidateItem(t, t.caret);
    }
    t.rclickPainted = false;
}

void OnEditTimer(Tree& t) {
    DisarmEditTimer(t);
    if (t.caret && !t.edit) EditLabel(t, t.caret);
}

} // namespace plat::detail::tv
