// The selection: the host is told about every newly selected item (shelf/item_notify.cpp), and may ask
// which book is selected.
#include "tavrin/tavrin_ctrl.h"

#include "shelf/globals.h"
#include "shelf/records.h"

using namespace tavrin;

void CTavrinCtrl::OnSeleChanged(NMHDR* pNMHDR, LRESULT* pResult) {
    *pResult = 0;
    auto* tv = reinterpret_cast<NMTREEVIEWA*>(pNMHDR);
    HTREEITEM item = tv->itemNew.hItem;
    if (!item) return;
    auto* node = reinterpret_cast<TreeNode*>(tv->itemNew.lParam);
    if (!node) node = reinterpret_cast<TreeNode*>(g_shelfTree.GetItemData(item));
    NotifyHostOfItem(node, TRUE);
}

DWORD CTavrinCtrl::GetSeleBookHandle() {
    HTREEITEM item = g_shelfTree.GetSelectedItem();
    if (!item) return kNoBookHandle;
    const auto* node = reinterpret_cast<const TreeNode*>(g_shelfTree.GetItemData(item));
    if (const ContentsRecord* contents = ContentsOf(node)) return contents->dwBookHandle;
    if (const BookRecord* book = BookOf(node)) return book->dwBookHandle;
    return kNoBookHandle;
}
