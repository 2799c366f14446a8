// Menus: creation and destruction, adding, changing and removing items, and reading them back, with
// the platform's answers for missing items (-1 states, 0 lengths) and its by-command search that
// looks into submenus.
#include "menu/menu_table.h"
#include "plat/interaction.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <unordered_map>

namespace {

struct MenuState {
    std::unordered_map<HMENU, std::unique_ptr<plat::detail::Menu>> menus;
    // Menu handles live in their own range so that a window handle is never taken for a menu.
    uintptr_t next = 0x00A00000;
};

MenuState& Menus() {
    static MenuState state;
    return state;
}

HMENU NewMenu(bool popup) {
    auto& st = Menus();
    HMENU h = reinterpret_cast<HMENU>(st.next);
    st.next += 4;
    auto m = std::make_unique<plat::detail::Menu>();
    m->popup = popup;
    st.menus.emplace(h, std::move(m));
    return h;
}

constexpr int kMaxDepth = 16; // submenu nesting searched by command (guards against cycles)

plat::detail::ItemRef FindByCommand(plat::detail::Menu* menu, UINT id, int depth) {
    if (!menu || depth > kMaxDepth) return {};
    for (size_t i = 0; i < menu->items.size(); ++i) {
        plat::detail::MenuItem& item = menu->items[i];
        if (item.flags & MF_POPUP) {
            auto it = Menus().menus.find(item.submenu);
            if (it != Menus().menus.end()) {
                plat::detail::ItemRef inner = FindByCommand(it->second.get(), id, depth + 1);
                if (inner.menu) return inner;
            }
            if (item.id == id) return {menu, i};
        } else if (!(item.flags & MF_SEPARATOR) && item.id == id) {
            return {menu, i};
        }
    }
    return {};
}

bool MakeItem(UINT flags, UINT_PTR idOrMenu, LPCSTR text, plat::detail::MenuItem* out) {
    plat::detail::MenuItem item;
    item.flags = flags & plat::detail::kKeptFlags;
    if (item.flags & MF_POPUP) {
        HMENU sub = reinterpret_cast<HMENU>(idOrMenu);
        if (!plat::detail::FindMenu(sub)) return false;
        item.submenu = sub;
        item.id = static_cast<UINT>(idOrMenu);
    } else if (!(item.flags & MF_SEPARATOR)) {
        item.id = static_cast<UINT>(idOrMenu);
    }
    // Separators, bitmaps and owner-drawn items carry no text; lpNewItem is not a string for them.
    bool hasText = !(item.flags & (MF_SEPARATOR | plat::detail::kMenuBitmap | plat::detail::kMenuOwnerDraw));
    if (hasText && text) item.text = text;
    *out = std::move(item);
    return true;
}

void DestroyTree(HMENU h, int depth) {
    auto& menus = Menus().menus;
    auto it = menus.find(h);
    if (it == menus.end()) return;
    std::unique_ptr<plat::detail::Menu> menu = std::move(it->second);
    menus.erase(it);
    if (depth > kMaxDepth) return;
    for (const auto& item : menu->items)
        if (item.flags & MF_POPUP) DestroyTree(item.submenu, depth + 1);
}

BOOL RemoveItem(HMENU hMenu, UINT position, UINT flags, bool destroySubmenu) {
    if (!plat::detail::FindMenu(hMenu)) return FALSE;
    plat::detail::ItemRef ref = plat::detail::FindItem(hMenu, position, flags);
    if (!ref.menu) {
        SetLastError(ERROR_MENU_ITEM_NOT_FOUND);
        return FALSE;
    }
    plat::detail::MenuItem item = ref.menu->items[ref.index];
    ref.menu->items.erase(ref.menu->items.begin() + static_cast<std::ptrdiff_t>(ref.index));
    if (destroySubmenu && (item.flags & MF_POPUP)) DestroyTree(item.submenu, 0);
    return TRUE;
}

} // namespace

namespace plat::detail {

Menu* FindMenu(HMENU handle) {
    auto& menus = Menus().menus;
    auto it = menus.find(handle);
    if (it == menus.end()) {
        SetLastError(ERROR_INVALID_MENU_HANDLE);
        return nullptr;
    }
    return it->second.get();
}

ItemRef FindItem(HMENU handle, UINT position, UINT flags) {
    Menu* menu = FindMenu(handle);
    if (!menu) return {};
    if (flags & MF_BYPOSITION) {
        if (position >= menu->items.size()) return {};
        return {menu, position};
    }
    return FindByCommand(menu, position, 0);
}

} // namespace plat::detail

namespace plat {
size_t MenuCount() {
    return Menus().menus.size();
}
} // namespace plat

using plat::detail::FindItem;
using plat::detail::FindMenu;

extern "C" {

HMENU CreatePopupMenu(void) {
    return NewMenu(true);
}
HMENU CreateMenu(void) {
    return NewMenu(false);
}

BOOL DestroyMenu(HMENU hMenu) {
    if (!FindMenu(hMenu)) return FALSE;
    DestroyTree(hMenu, 0);
    return TRUE;
}

BOOL IsMenu(HMENU hMenu) {
    return Menus().menus.count(hMenu) ? TRUE : FALSE;
}

BOOL AppendMenuA(HMENU hMenu, UINT uFlags, UINT_PTR uIDNewItem, LPCSTR lpNewItem) {
    plat::detail::Menu* menu = FindMenu(hMenu);
    if (!menu) return FALSE;
    plat::detail::MenuItem item;
    if (!MakeItem(uFlags, uIDNewItem, lpNewItem, &item)) return FALSE;
    menu->items.push_back(std::move(item));
    return TRUE;
}

BOOL InsertMenuA(HMENU hMenu, UINT uPosition, UINT uFlags, UINT_PTR uIDNewItem, LPCSTR lpNewItem) {
    plat::detail::Menu* menu = FindMenu(hMenu);
    if (!menu) return FALSE;
    plat::detail::MenuItem item;
    if (!MakeItem(uFlags, uIDNewItem, lpNewItem, &item)) return FALSE;
    if (uFlags & MF_BYPOSITION) {
        // A position past the end (0xFFFFFFFF, say) appends.
        size_t at = std::min<size_t>(uPosition, menu->items.size());
        menu->items.insert(menu->items.begin() + static_cast<std::ptrdiff_t>(at), std::move(item));
        return TRUE;
    }
    plat::detail::ItemRef ref = FindItem(hMenu, uPosition, uFlags);
    if (!ref.menu) {
        SetLastError(ERROR_MENU_ITEM_NOT_FOUND);
        return FALSE;
    }
    ref.menu->items.insert(ref.menu->items.begin() + static_cast<std::ptrdiff_t>(ref.index), std::move(item));
    return TRUE;
}

BOOL DeleteMenu(HMENU hMenu, UINT uPosition, UINT uFlags) {
    return RemoveItem(hMenu, uPosition, uFlags, true);
}

BOOL RemoveMenu(HMENU hMenu, UINT uPosition, UINT uFlags) {
    return RemoveItem(hMenu, uPosition, uFlags, false);
}

BOOL EnableMenuItem(HMENU hMenu, UINT uIDEnableItem, UINT uEnable) {
    plat::detail::ItemRef ref = FindItem(hMenu, uIDEnableItem, uEnable);
    if (!ref.menu) return -1;
    plat::detail::MenuItem* item = ref.item();
    UINT previous = item->flags & (MF_GRAYED | MF_DISABLED);
    item->flags =
        (item->flags & ~static_cast<UINT>(MF_GRAYED | MF_DISABLED)) | (uEnable & (MF_GRAYED | MF_DISABLED));
    return static_cast<BOOL>(previous);
}

DWORD CheckMenuItem(HMENU hMenu, UINT uIDCheckItem, UINT uCheck) {
    plat::detail::ItemRef ref = FindItem(hMenu, uIDCheckItem, uCheck);
    if (!ref.menu) return static_cast<DWORD>(-1);
    plat::detail::MenuItem* item = ref.item();
    DWORD previous = item->flags & MF_CHECKED;
    if (uCheck & MF_CHECKED)
        item->flags |= MF_CHECKED;
    else
        item->flags &= ~static_cast<UINT>(MF_CHECKED);
    return previous;
}

int GetMenuItemCount(HMENU hMenu) {
    plat::detail::Menu* menu = FindMenu(hMenu);
    return menu ? static_cast<int>(menu->items.size()) : -1;
}

UINT GetMenuItemID(HMENU hMenu, int nPos) {
    if (nPos < 0) return static_cast<UINT>(-1);
    plat::detail::ItemRef ref = FindItem(hMenu, static_cast<UINT>(nPos), MF_BYPOSITION);
    if (!ref.menu || (ref.item()->flags & MF_POPUP)) return static_cast<UINT>(-1);
    return ref.item()->id;
}

UINT GetMenuState(HMENU hMenu, UINT uId, UINT uFlags) {
    plat::detail::ItemRef ref = FindItem(hMenu, uId, uFlags);
    if (!ref.menu) return static_cast<UINT>(-1);
    const plat::detail::MenuItem* item = ref.item();
    if (item->flags & MF_POPUP) {
        // Low byte: the item's flags; high byte: the number of items of the submenu.
        int count = GetMenuItemCount(item->submenu);
        return (item->flags & 0xFFu) | (static_cast<UINT>(std::max(0, count) & 0xFF) << 8);
    }
    return item->flags;
}

int GetMenuStringA(HMENU hMenu, UINT uIDItem, LPSTR lpString, int cchMax, UINT flags) {
    plat::detail::ItemRef ref = FindItem(hMenu, uIDItem, flags);
    if (!ref.menu) return 0;
    const std::string& text = ref.item()->text;
    if (!lpString || cchMax <= 0) return static_cast<int>(text.size());
    int n = std::min<int>(static_cast<int>(text.size()), cchMax - 1);
    std::memcpy(lpString, text.data(), static_cast<size_t>(n));
    lpString[n] = '\0';
    return n;
}

HMENU GetSubMenu(HMENU hMenu, int nPos) {
    if (nPos < 0) return nullptr;
    plat::detail::ItemRef ref = FindItem(hMenu, static_cast<UINT>(nPos), MF_BYPOSITION);
    if (!ref.menu || !(ref.item()->flags & MF_POPUP)) return nullptr;
    return ref.item()->submenu;
}

} // extern "C"
