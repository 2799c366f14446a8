// Clicks on the shelf, the control's own popup menu and the commands the menus (or the host) send.
//
// A click is told from the selected item. The tree reports the click (NM_CLICK) before it moves the
// selection on the button's release, so a click on another row finds the previous selection here:
// the test of the cursor's row against the selected item's row drops that click, and the selection
// change that follows tells the host about the newly selected item (OnSeleChanged). A click on the
// selected item's own row (its label, the space right of it, its button) tells the host again.
#include "tavrin/tavrin_ctrl.h"

#include "catalog/cata_rid.h"
#include "catalog/tree_walk.h"
#include "resources/resource_ids.h"
#include "shelf/cbi_table.h"
#include "shelf/globals.h"
#include "shelf/records.h"
#include "ui/shelf_menu.h"

#include <string_view>

using namespace tavrin;

namespace {

// A page the host can go to: the driver answers a negative number or 65535 for an entry without one.
bool IsDriverPage(int32_t page) {
    return page >= 0 && page != CBI_NO_PAGE_16;
}

} // namespace

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

    TreeNode* node = NodeOfItem(g_shelfTree, item);
    if (!node || !node->pRecord) return;
    HWND host = ::GetParent(m_hWnd);
    switch (node->nKind) {
    case NODE_DICT:
    case NODE_BOOK:
        if (m_nSuppressNotify) return;
        ::SendMessageA(host, WM_SHELF_NOTIFY, SHELF_NOTIFY_BOOK,
                       static_cast<LPARAM>(BookOf(node)->dwBookHandle));
        return;
    case NODE_PAGE: {
        const ContentsRecord& contents = *ContentsOf(node);
        BindDriver(contents.hDriver);
        PageInfo info{};
        info.dwBookHandle = contents.dwBookHandle;
        info.hDriver = contents.hDriver;
        info.nPage = g_cbi.CBIVPItemToPage ? g_cbi.CBIVPItemToPage(contents.dwBookHandle, contents.hVpItem)
                                           : CBI_NO_PAGE;
        // An entry the driver gives no page sends the host nowhere, as a selection of it does.
        if (m_nSuppressNotify || !IsDriverPage(info.nPage)) return;
        ::SendMessageA(host, WM_SHELF_NOTIFY, SHELF_NOTIFY_PAGE, reinterpret_cast<LPARAM>(&info));
        return;
    }
    case NODE_CATALOG: {
        if (m_nSuppressNotify) return;
        const CatalogRecord& catalog = *CatalogOf(node);
        BindDriver(catalog.hDriver);
        std::string_view name(catalog.szCataName, FixedLength(catalog.szCataName));
        std::string_view key(catalog.szCataKey, FixedLength(catalog.szCataKey));
        if (catalog.dwCataType == CATA_SYSTEM) {
            char link[kNameSize];
            if (!ReadCataRid(m_hShelfDriver, m_dwShelfHandle, catalog.hVpItem, link)) return;
            TrunkInfo info{};
            info.dwType = TRUNK_TYPE_RESOURCE_LINK;
            info.dwShelfHandle = m_dwShelfHandle;
            if (!CopyFits(info.szTrunk, link) || !CopyFits(info.szCataName, name)) return;
            ::SendMessageA(host, WM_SHELF_NOTIFY, SHELF_NOTIFY_TRUNK, reinterpret_cast<LPARAM>(&info));
        } else if (catalog.dwCataType == CATA_USER) {
            TrunkInfo info{};
            info.dwType = TRUNK_TYPE_TRUNK;
            info.dwShelfHandle = m_dwShelfHandle;
            if (!CopyFits(info.szTrunk, key) || !CopyFits(info.szCataName, name)) return;
            ::SendMessageA(host, WM_SHELF_NOTIFY, SHELF_NOTIFY_TRUNK, reinterpret_cast<LPARAM>(&info));
        } else if (catalog.dwCataType == CATA_ONLINE) {
            if (!g_cbi.GetDescFileURLbyClassID) return;
            // The key travels in a 33-byte field: a longer key would reach the host cut, naming another
            // catalog, so nothing is sent for it.
            CatalogDescInfo info{};
            if (!CopyFits(info.szCataKey, key)) return;
            char keyArg[kCataKeySize] = {};
            (void)CopyFits(keyArg, key); // the key came from a buffer of this size
            if (!g_cbi.GetDescFileURLbyClassID(keyArg, info.szDescURL)) return;
            info.szDescURL[sizeof info.szDescURL - 1] = '\0';
            ::SendMessageA(host, WM_SHELF_NOTIFY, SHELF_NOTIFY_CATALOG_DESC, reinterpret_cast<LPARAM>(&info));
        }
        return;
    }
    default:
        return; // the root and chapters tell nothing
    }
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
