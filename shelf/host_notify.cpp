// Messages to the host window, one helper for all of them.
#include "shelf/host_notify.h"

#include "tavrin/host_messages.h"

namespace tavrin {

int NotifyHost(HWND hCtrl, UINT uMessage, WPARAM wParam, LPARAM lParam) {
    HWND host = hCtrl && ::IsWindow(hCtrl) ? ::GetParent(hCtrl) : nullptr;
    if (!host || !::IsWindow(host)) return 0;
    switch (uMessage) {
    case WM_SHELF_NOTIFY:
    case WM_SHELF_DROPTEXT:
        ::SendMessageA(host, uMessage, wParam, lParam); // the host's answer means nothing to the shelf
        return 1;
    case WM_SHELF_BOOKCLOSED:
        return ::PostMessageA(host, uMessage, wParam, lParam) ? 1 : 0;
    default:
        return 0;
    }
}

} // namespace tavrin
