// CMenu: binding menu objects to handles.
#include "afx/menu.h"
#include "afx/temp_map.h"
#include "afx/wnd.h"

#include <unordered_map>

namespace {

std::unordered_map<HMENU, CMenu*>& PermanentMenus() {
    static auto* map = new std::unordered_map<HMENU, CMenu*>();
    return *map;
}

afx::detail::TempMap<HMENU, CMenu>& TempMenus() {
    static auto* map = new afx::detail::TempMap<HMENU, CMenu>([](HMENU h) { return ::IsMenu(h) != FALSE; },
                                                              [](CMenu& m) { m.m_hMenu = nullptr; });
    return *map;
}

} // namespace

BOOL CMenu::Attach(HMENU hMenu) {
    if (!hMenu || m_hMenu) return FALSE;
    auto& map = PermanentMenus();
    auto it = map.find(hMenu);
    if (it != map.end()) {
        if (::IsMenu(hMenu)) return FALSE;
        map.erase(it); // a destroyed menu's handle came back for a new menu
    }
    map[hMenu] = this;
    m_hMenu = hMenu;
    return TRUE;
}

HMENU CMenu::Detach() {
    HMENU h = m_hMenu;
    if (h) {
        auto& map = PermanentMenus();
        auto it = map.find(h);
        if (it != map.end() && it->second == this) map.erase(it);
    }
    m_hMenu = nullptr;
    return h;
}

CMenu* CMenu::FromHandle(HMENU hMenu) {
    if (!hMenu) return nullptr;
    auto& map = PermanentMenus();
    auto it = map.find(hMenu);
    if (it != map.end()) return it->second;
    return TempMenus().Get(hMenu, [](HMENU h) {
        auto menu = std::make_unique<CMenu>();
        menu->m_hMenu = h;
        return menu;
    });
}

void CMenu::DeleteTempMap() {
    TempMenus().Clear();
}

BOOL CMenu::DestroyMenu() {
    if (!m_hMenu) return FALSE;
    return ::DestroyMenu(Detach());
}

BOOL CMenu::TrackPopupMenu(UINT nFlags, int x, int y, CWnd* pWnd, LPCRECT lpRect) {
    return ::TrackPopupMenu(m_hMenu, nFlags, x, y, 0, pWnd ? pWnd->m_hWnd : nullptr, lpRect);
}
