// The menus themselves: a table from HMENU to its items. Only platform/src/menu uses it.
#pragma once

#include "win/winuser.h"

#include <string>
#include <vector>

#ifndef ERROR_INVALID_MENU_HANDLE
#define ERROR_INVALID_MENU_HANDLE 1401L
#endif
#ifndef ERROR_POPUP_ALREADY_ACTIVE
#define ERROR_POPUP_ALREADY_ACTIVE 1446L
#endif
#ifndef ERROR_MENU_ITEM_NOT_FOUND
#define ERROR_MENU_ITEM_NOT_FOUND 1456L
#endif

namespace plat::detail {

// Item type and state bits the menus keep (the MF_* values of the platform).
inline constexpr UINT kMenuBitmap = 0x0004;    // MF_BITMAP: no text
inline constexpr UINT kMenuBarBreak = 0x0020;  // MF_MENUBARBREAK
inline constexpr UINT kMenuBreak = 0x0040;     // MF_MENUBREAK
inline constexpr UINT kMenuOwnerDraw = 0x0100; // MF_OWNERDRAW: no text
inline constexpr UINT kKeptFlags = MF_GRAYED | MF_DISABLED | MF_CHECKED | MF_POPUP | MF_SEPARATOR |
                                   kMenuBitmap | kMenuBarBreak | kMenuBreak | kMenuOwnerDraw;

struct MenuItem {
    UINT flags = 0; // kKeptFlags bits
    UINT id = 0;    // command id (0 for separators; for popups the low 32 bits of the submenu)
    std::string text;
    HMENU submenu = nullptr;
};

struct Menu {
    bool popup = false;
    std::vector<MenuItem> items;
};

// The menu of `handle`, or null (and ERROR_INVALID_MENU_HANDLE set) when there is none.
Menu* FindMenu(HMENU handle);

// Where an item lives: its menu and index.
struct ItemRef {
    Menu* menu = nullptr;
    size_t index = 0;
    MenuItem* item() const { return menu ? &menu->items[index] : nullptr; }
};
// Finds an item by position (MF_BYPOSITION in `flags`) or by command, searching submenus for a
// command as the platform does.
ItemRef FindItem(HMENU handle, UINT position, UINT flags);

} // namespace plat::detail
