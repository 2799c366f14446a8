// TrackPopupMenu: the owner is told that the menu opens (and gets the chance to rebuild it in
// WM_INITMENUPOPUP), the interaction in force picks an item from the menu as it stands then, and the
// command is posted to the owner — it arrives after TrackPopupMenu has returned — unless the caller
// asked for it as the result (TPM_RETURNCMD).
#include "menu/menu_table.h"
#include "plat/interaction.h"

namespace {

bool g_tracking = false;

struct TrackingScope {
    TrackingScope() { g_tracking = true; }
    ~TrackingScope() { g_tracking = false; }
    TrackingScope(const TrackingScope&) = delete;
    TrackingScope& operator=(const TrackingScope&) = delete;
};

std::vector<plat::MenuItemView> ViewOf(const plat::detail::Menu& menu) {
    std::vector<plat::MenuItemView> items;
    items.reserve(menu.items.size());
    for (const auto& item : menu.items) {
        plat::MenuItemView view{};
        view.id = (item.flags & MF_POPUP) ? 0 : item.id;
        view.text = item.text;
        view.separator = (item.flags & MF_SEPARATOR) != 0;
        view.grayed = (item.flags & (MF_GRAYED | MF_DISABLED)) != 0;
        view.checked = (item.flags & MF_CHECKED) != 0;
        view.submenu = (item.flags & MF_POPUP) ? item.submenu : nullptr;
        items.push_back(std::move(view));
    }
    return items;
}

constexpr int kMaxDepth = 16;

// True when `id` is a command the user can pick in `menu`: an enabled, non-separator item, directly
// or inside enabled submenus.
bool IsChoosable(HMENU handle, UINT id, int depth) {
    plat::detail::Menu* menu = plat::detail::FindMenu(handle);
    if (!menu || depth > kMaxDepth) return false;
    for (const auto& item : menu->items) {
        if (item.flags & (MF_GRAYED | MF_DISABLED | MF_SEPARATOR)) continue;
        if (item.flags & MF_POPUP) {
            if (IsChoosable(item.submenu, id, depth + 1)) return true;
        } else if (item.id == id) {
            return true;
        }
    }
    return false;
}

} // namespace

extern "C" BOOL TrackPopupMenu(HMENU hMenu, UINT uFlags, int x, int y, int, HWND hWnd, const RECT*) {
    if (!plat::detail::FindMenu(hMenu)) return FALSE;
    if (!IsWindow(hWnd)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    if (g_tracking) {
        SetLastError(ERROR_POPUP_ALREADY_ACTIVE);
        return FALSE;
    }
    TrackingScope scope;
    const bool notify = !(uFlags & TPM_NONOTIFY);
    if (notify) {
        SendMessageA(hWnd, WM_ENTERMENULOOP, TRUE, 0);
        if (IsMenu(hMenu) && IsWindow(hWnd))
            SendMessageA(hWnd, WM_INITMENU, reinterpret_cast<WPARAM>(hMenu), 0);
        if (IsMenu(hMenu) && IsWindow(hWnd))
            SendMessageA(hWnd, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(hMenu), MAKELPARAM(0, FALSE));
    }

    UINT chosen = 0;
    // The owner may have destroyed the menu or itself while it was told; then nothing is shown.
    if (plat::detail::Menu* menu =
            IsMenu(hMenu) && IsWindow(hWnd) ? plat::detail::FindMenu(hMenu) : nullptr) {
        plat::PopupMenuRequest request{};
        request.owner = hWnd;
        request.menu = hMenu;
        request.screen = POINT{x, y};
        request.flags = uFlags;
        request.items = ViewOf(*menu);
        UINT answer = plat::CurrentInteraction().ChoosePopupMenuItem(request);
        // A grayed, disabled or separator item (or an id the menu does not hold) cannot be picked: the
        // menu counts as dismissed.
        if (answer != 0 && IsMenu(hMenu) && IsChoosable(hMenu, answer, 0)) chosen = answer;
    }

    if (notify && IsWindow(hWnd)) SendMessageA(hWnd, WM_EXITMENULOOP, TRUE, 0);
    if (uFlags & TPM_RETURNCMD) return static_cast<BOOL>(chosen);
    if (chosen != 0 && IsWindow(hWnd)) PostMessageA(hWnd, WM_COMMAND, MAKEWPARAM(chosen, 0), 0);
    return TRUE;
}
