// Book contents items follow their parent's expansion: expanding a book or a chapter builds its level
// from the driver, collapsing it deletes the level again (the tree's deletions free the nodes), so the
// tree always shows the driver's current contents. Both notifications also switch the item's images
// between the closed and the open ones.
#include "tavrin/tavrin_ctrl.h"

#include "shelf/cbi_table.h"
#include "shelf/globals.h"
#include "shelf/records.h"

namespace {

bool IsCollapse(UINT action) {
    return (action & TVE_TOGGLE) == TVE_COLLAPSE || (action & TVE_COLLAPSERESET) != 0;
}

bool IsExpand(UINT action) {
    return (action & TVE_TOGGLE) == TVE_EXPAND && !(action & TVE_COLLAPSERESET);
}

TreeNode* NodeOf(const NMTREEVIEWA* tv) {
    if (tv->itemNew.lParam) return reinterpret_cast<TreeNode*>(tv->itemNew.lParam);
    return reinterpret_cast<TreeNode*>(g_shelfTree.GetItemData(tv->itemNew.hItem));
}

} // namespace

void CTavrinCtrl::OnItemExpanding(NMHDR* pNMHDR, LRESULT* pResult) {
    *pResult = 0; // an expansion or collapse is never refused
    auto* tv = reinterpret_cast<NMTREEVIEWA*>(pNMHDR);
    HTREEITEM item = tv->itemNew.hItem;
    if (!item) return;
    if (IsCollapse(tv->action)) {
        SetItemImages(item, 0);
        return;
    }
    if (!IsExpand(tv->action)) return;
    SetItemImages(item, 1);

    const TreeNode* node = NodeOf(tv);
    DWORD book = kNoBookHandle;
    HMODULE driver = 0;
    DWORD entry = 0;
    if (const BookRecord* record = BookOf(node); record && node->nKind == NODE_BOOK) {
        // The book's own item stands for the driver's root entry.
        book = record->dwBookHandle;
        driver = record->hDriver;
        BindDriver(driver);
        if (!g_cbi.CBIVPGetRootItem) return;
        entry = g_cbi.CBIVPGetRootItem(book);
    } else if (const ContentsRecord* contents = ContentsOf(node); contents && node->nKind == NODE_CHAPTER) {
        book = contents->dwBookHandle;
        driver = contents->hDriver;
        entry = contents->hVpItem;
    } else {
        return; // dictionaries, catalogs and pages have no contents to build
    }
    if (entry == 0 || m_nSuppressExpand) return;
    // The platform also notifies when the user expands an item that is open already, and an item may
    // hold a level that was built without expanding it: a level is built only into an empty item, so
    // it never appears twice.
    if (g_shelfTree.GetChildItem(item)) return;
    ExpandItem(book, driver, entry, item);
}

void CTavrinCtrl::OnItemExpanded(NMHDR* pNMHDR, LRESULT* pResult) {
    *pResult = 0;
    auto* tv = reinterpret_cast<NMTREEVIEWA*>(pNMHDR);
    HTREEITEM item = tv->itemNew.hItem;
    if (!item || !IsCollapse(tv->action)) return;
    const TreeNode* node = NodeOf(tv);
    if (!node || (node->nKind != NODE_BOOK && node->nKind != NODE_CHAPTER && node->nKind != NODE_PAGE))
        return; // catalogs and dictionaries keep their children
    // The item keeps its expand button (it was inserted marked as having children), so expanding it
    // again builds the level anew.
    while (HTREEITEM child = g_shelfTree.GetChildItem(item))
        if (!g_shelfTree.DeleteItem(child)) break;
    // The tree notifies a programmatic expand only until the item has been expanded once; with its
    // level gone, the next expand of any kind must notify again to build it.
    g_shelfTree.SetItemState(item, 0, TVIS_EXPANDEDONCE);
}
