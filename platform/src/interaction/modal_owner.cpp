// The owner side of modal windows (see modal_owner.h).
#include "interaction/modal_owner.h"

namespace plat::detail {

HWND TopLevelOf(HWND hwnd) {
    if (!hwnd || !IsWindow(hwnd)) return nullptr;
    while ((GetWindowLongA(hwnd, GWL_STYLE) & WS_CHILD) && GetParent(hwnd))
        hwnd = GetParent(hwnd);
    return hwnd;
}

ModalOwnerScope::ModalOwnerScope(HWND owner) : owner_(TopLevelOf(owner)), focus_(GetFocus()) {
    if (owner_ && IsWindowEnabled(owner_)) {
        EnableWindow(owner_, FALSE);
        disabled_ = true;
    }
}

void ModalOwnerScope::Release() {
    if (released_) return;
    released_ = true;
    if (disabled_ && IsWindow(owner_)) EnableWindow(owner_, TRUE);
    if (focus_ && IsWindow(focus_) && GetFocus() != focus_) SetFocus(focus_);
}

} // namespace plat::detail
