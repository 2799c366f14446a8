// Freeing an item's node and record when the tree deletes the item: a book is taken off the shelf
// (closed, its library load given back, a running search told; shelf/book_close.h).
#include "tavrin/tavrin_ctrl.h"

#include "shelf/book_close.h"
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
        if (BookRecord* book = BookOf(pNode)) {
            tavrin::TakeBookOff(*book);
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
