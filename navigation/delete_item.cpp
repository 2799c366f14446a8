// Freeing an item's node and record when the tree deletes the item: books are closed and their
// drivers released, except the shared HTML e-book driver (caps bit 0x200).
#include "tavrin/tavrin_ctrl.h"

#include "shelf/cbi_table.h"
#include "shelf/globals.h"
#include "shelf/records.h"

#include <cstdlib>

void CTavrinCtrl::OnDeleteitem(NMHDR* pNMHDR, LRESULT* pResult) {
    *pResult = 0;
    auto* tv = reinterpret_cast<NMTREEVIEWA*>(pNMHDR);
    if (m_nKeepNodes) return; // the node now belongs to a copy of the item
    FreeNode(reinterpret_cast<TreeNode*>(tv->itemOld.lParam));
}

void CTavrinCtrl::FreeNode(TreeNode* pNode) {
    if (!pNode) return;
    if (pNode->nKind == NODE_DICT || pNode->nKind == NODE_BOOK) {
        ForgetDictNode(pNode);
        ++g_nBooksFreed;
        if (BookRecord* book = BookOf(pNode)) {
            BindDriver(book->hDriver);
            if (g_cbi.CBICloseBook) {
                CBICaps caps{};
                int filled = g_cbi.CBIGetCaps ? g_cbi.CBIGetCaps(book->dwBookHandle, &caps) : 0;
                g_cbi.CBICloseBook(book->dwBookHandle);
                // Caps that could not be read say nothing about sharing: release then.
                if (!filled || !(caps.wCaps & CBI_CAP_SHARED_HTML)) FreeLibrary(book->hDriver);
            }
            std::free(book->pHostData);
            delete book;
        }
    } else if (pNode->nKind == NODE_CHAPTER || pNode->nKind == NODE_PAGE) {
        delete ContentsOf(pNode);
    } else if (pNode->nKind == NODE_ROOT || pNode->nKind == NODE_CATALOG) {
        delete CatalogOf(pNode);
    }
    delete pNode;
}

BOOL CTavrinCtrl::DeleteItemKeepNodes(HTREEITEM hItem) {
    ++m_nKeepNodes;
    BOOL deleted = g_shelfTree.DeleteItem(hItem);
    --m_nKeepNodes;
    return deleted;
}
