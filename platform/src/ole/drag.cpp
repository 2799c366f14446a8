// The drag driver: moves a drag from "another program" over the layer's windows and drops it, calling
// the registered drop targets in the platform's order (enter, over..., then drop or leave).
#include "ole/drag_state.h"
#include "plat/drop.h"

#include <memory>

namespace {

struct Drag {
    bool active = false;
    IDataObject* data = nullptr;
    std::unique_ptr<plat::DataObject> owned; // the data object of a text drag
    DWORD allowed = DROPEFFECT_NONE;
    HWND entered = nullptr; // the registered window the drag is over
    IDropTarget* target = nullptr;
};

Drag& TheDrag() {
    static Drag drag;
    return drag;
}

DWORD Masked(DWORD effect) {
    return effect & (TheDrag().allowed | DROPEFFECT_SCROLL);
}
bool IsNone(DWORD effect) {
    return (effect & ~static_cast<DWORD>(DROPEFFECT_SCROLL)) == DROPEFFECT_NONE;
}

bool ContainsScreenPoint(HWND hwnd, POINT screen) {
    RECT rc{};
    return GetWindowRect(hwnd, &rc) && PtInRect(&rc, screen);
}

// The deepest visible descendant of `window` under the point (the window itself when none is).
HWND DeepestAt(HWND window, POINT screen) {
    HWND current = window;
    for (int depth = 0; depth < 64; ++depth) {
        HWND next = nullptr;
        for (HWND child = GetWindow(current, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
            if ((GetWindowLongA(child, GWL_STYLE) & WS_VISIBLE) && ContainsScreenPoint(child, screen)) {
                next = child;
                break;
            }
        }
        if (!next) break;
        current = next;
    }
    return current;
}

// The window at the point, or the nearest of its parents, that has a drop target.
HWND RegisteredWindowAt(HWND window, POINT screen) {
    HWND h = window && IsWindow(window) ? DeepestAt(window, screen) : WindowFromPoint(screen);
    while (h) {
        if (plat::DropTargetOf(h)) return h;
        if (!(GetWindowLongA(h, GWL_STYLE) & WS_CHILD)) break;
        h = GetParent(h);
    }
    return nullptr;
}

bool StillRegistered(HWND hwnd, IDropTarget* target) {
    return hwnd && IsWindow(hwnd) && plat::DropTargetOf(hwnd) == target;
}

void Start(IDataObject* data, std::unique_ptr<plat::DataObject> owned, DWORD allowed) {
    Drag& d = TheDrag();
    d = Drag{};
    d.active = true;
    d.owned = std::move(owned);
    d.data = d.owned ? d.owned.get() : data;
    d.allowed = allowed;
}

void LeaveCurrent() {
    Drag& d = TheDrag();
    if (d.entered && StillRegistered(d.entered, d.target)) d.target->DragLeave();
    d.entered = nullptr;
    d.target = nullptr;
}

// Moves the drag to the point: leaves the window it was over when that is no longer the one under
// the point, enters the new one, and (with `overIfSame`) tells a window it stays over with DragOver.
// Returns the registered window under the point (null when none).
HWND MoveTo(HWND window, POINT screen, DWORD keyState, bool overIfSame, DWORD* effect) {
    Drag& d = TheDrag();
    *effect = DROPEFFECT_NONE;
    HWND hwnd = RegisteredWindowAt(window, screen);
    IDropTarget* target = hwnd ? plat::DropTargetOf(hwnd) : nullptr;
    if (d.entered && (d.entered != hwnd || d.target != target || !StillRegistered(d.entered, d.target)))
        LeaveCurrent();
    if (!target) return nullptr;
    POINTL pt{screen.x, screen.y};
    DWORD answer = d.allowed;
    HRESULT hr;
    if (d.entered != hwnd) {
        d.entered = hwnd;
        d.target = target;
        hr = target->DragEnter(d.data, keyState, pt, &answer);
    } else if (overIfSame) {
        hr = target->DragOver(keyState, pt, &answer);
    } else {
        return hwnd;
    }
    *effect = FAILED(hr) ? DROPEFFECT_NONE : Masked(answer);
    return hwnd;
}

DWORD Over(HWND window, POINT screen, DWORD keyState) {
    DWORD effect;
    MoveTo(window, screen, keyState, true, &effect);
    return effect;
}

DWORD Release(HWND window, POINT screen, DWORD keyState) {
    Drag& d = TheDrag();
    DWORD effect;
    HWND hwnd = MoveTo(window, screen, keyState, false, &effect);
    DWORD result = DROPEFFECT_NONE;
    if (hwnd && StillRegistered(hwnd, d.target)) {
        // At the drop the target is asked once more at the drop point; NONE there means it is left
        // instead of dropped on.
        IDropTarget* target = d.target;
        POINTL pt{screen.x, screen.y};
        DWORD answer = d.allowed;
        HRESULT hr = target->DragOver(keyState, pt, &answer);
        effect = FAILED(hr) ? DROPEFFECT_NONE : Masked(answer);
        if (!StillRegistered(hwnd, target)) {
            // The target went away while it was asked.
        } else if (IsNone(effect)) {
            target->DragLeave();
        } else {
            DWORD dropEffect = d.allowed;
            hr = target->Drop(d.data, keyState, pt, &dropEffect);
            result = FAILED(hr) ? DROPEFFECT_NONE : Masked(dropEffect);
        }
    }
    TheDrag() = Drag{};
    return result;
}

} // namespace

namespace plat::detail {
void ForgetDrag() {
    TheDrag() = Drag{};
}
} // namespace plat::detail

namespace plat {

DWORD DragDataOver(HWND window, POINT screen, IDataObject* data, DWORD keyState, DWORD allowedEffects) {
    if (!TheDrag().active) {
        if (!data) return DROPEFFECT_NONE;
        Start(data, nullptr, allowedEffects);
    }
    return Over(window, screen, keyState);
}

DWORD DropData(HWND window, POINT screen, IDataObject* data, DWORD keyState, DWORD allowedEffects) {
    if (!TheDrag().active) {
        if (!data) return DROPEFFECT_NONE;
        Start(data, nullptr, allowedEffects);
    }
    return Release(window, screen, keyState);
}

DWORD DragTextOver(HWND window, POINT screen, const std::string& text, DWORD keyState, DWORD allowedEffects) {
    if (!TheDrag().active) Start(nullptr, std::make_unique<DataObject>(text), allowedEffects);
    return Over(window, screen, keyState);
}

DWORD DropText(HWND window, POINT screen, const std::string& text, DWORD keyState, DWORD allowedEffects) {
    if (!TheDrag().active) Start(nullptr, std::make_unique<DataObject>(text), allowedEffects);
    return Release(window, screen, keyState);
}

void CancelDrag() {
    if (TheDrag().active) LeaveCurrent();
    TheDrag() = Drag{};
}

void CancelTextDrag() {
    CancelDrag();
}

bool DragInProgress() {
    return TheDrag().active;
}

HWND DragTargetWindow() {
    return TheDrag().active ? TheDrag().entered : nullptr;
}

} // namespace plat
