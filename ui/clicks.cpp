// Clicks on the shelf, the control's own popup menu and the commands the menus (or the host) send.
//
// A click is told from the selected item. The tree reports the click (NM_CLICK) before it moves the
// selection on the button's release, so a click on another row finds the previous selection here:
// the test of the cursor's row against the selected item's row drops that click, and the selection
// change that follows tells the host about the newly selected item (OnSeleChanged). A click on the
// selected item's own row (its label, the space right of it, its button) tells the host again.
#include "tavrin/tavrin_ctrl.h"

#include "catalog/tree_walk.h"
#include "resources/resource_ids.h"
#include "shelf/cbi_table.h"
#include "shelf/globals.h"
#include "shelf/records.h"
#include "ui/shelf_menu.h"

using namespace tavrin;

void CTavrinCtrl::OnClick(NMHDR*, LRESULT* pResult) {
    *pResult = 0;
    HTREEITEM item = g_shelfTree.GetSelectedItem();
    if (!item) return;
    CRect label;
    if (!g_shelfTree.GetItemRect(item, &label, TRUE)) return;
    POINT cursor{};
    ::GetCursorPos(&cursor);
    g_shelfTree.ScreenToClient(&cursor);
    // Only the row counts: a click right of a short label is a click on the item.
    if (cursor.y < label.top || cursor.y > label.bottom) return;

    // Chapters tell nothing on a click; every other item as its selection does.
    NotifyHostOfItem(NodeOfItem(g_shelfTree, item), FALSE);
}

void CTavrinCtrl::OnInitMenuPopup(CMenu* pPopupMenu, UINT nIndex, BOOL bSysMenu) {
    CWnd::OnInitMenuPopup(pPopupMenu, nIndex, bSysMenu);
    // Only the control's own popup menu is rebuilt, for the selected item; any other is left alone.
    if (!pPopupMenu || !m_popupMenu.m_hMenu || pPopupMenu->m_hMenu != m_popupMenu.m_hMenu) return;
    BuildShelfMenu(m_popupMenu.m_hMenu, g_shelfTree.GetSelectedItem(), true);
}

BOOL CTavrinCtrl::OnCommand(WPARAM wParam, LPARAM lParam) {
    switch (wParam) {
    case ID_NEW_CATALOG:
        NewCatalogs();
        break;
    case ID_DELETE:
        Delete();
        break;
    case ID_RENAME:
        Rename();
        break;
    case ID_PROPERTY:
        Property();
        break;
    case ID_REGISTER_BOOK:
        AddBook();
        break;
    default: // ID_OPEN and ID_CLOSE too: reserved, nothing to do
        break;
    }
    return CWnd::OnCommand(wParam, lParam);
}

void CTavrinCtrl::Property() {}

int CTavrinCtrl::BookMngDlg() {
    return 0;
}
