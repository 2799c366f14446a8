// Moving items within the shelf: the drop rules of a drag, moving an item with its subtree, and the
// control's TransferItem. An item moves by being copied with the same node (so its book stays open
// and keeps its handle) and then deleted without freeing anything.
#include "ui/shelf_tree_ctrl.h"

#include "shelf/globals.h"
#include "shelf/records.h"
#include "tavrin/tavrin_ctrl.h"

#include <string>

namespace {

// The state bits a copy keeps. Selection and drop highlight belong to one item only; the expansion
// is made again on the copy (so that expanding tells the control and the images follow).
constexpr UINT kCopiedStates = TVIS_BOLD | TVIS_CUT | TVIS_OVERLAYMASK | TVIS_STATEIMAGEMASK;

struct ItemCopy {
    std::string text;
    int image = 0;
    int selectedImage = 0;
    UINT state = 0;
    int children = 0;
    LPARAM node = 0;
};

bool ReadItem(const CTreeCtrl& tree, HTREEITEM item, ItemCopy* out) {
    TVITEMA tv{};
    tv.mask = TVIF_HANDLE | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_STATE | TVIF_PARAM | TVIF_CHILDREN;
    tv.hItem = item;
    tv.stateMask = 0xFFFF;
    if (!tree.GetItem(&tv)) return false;
    out->text = tree.GetItemText(item).str();
    out->image = tv.iImage;
    out->selectedImage = tv.iSelectedImage;
    out->state = tv.state;
    out->children = tv.cChildren;
    out->node = tv.lParam;
    return true;
}

HTREEITEM InsertCopy(CTreeCtrl& tree, const ItemCopy& item, HTREEITEM parent, HTREEITEM after, UINT mask) {
    TVINSERTSTRUCTA insert{};
    insert.hParent = parent ? parent : TVI_ROOT;
    insert.hInsertAfter = after;
    insert.item.mask = mask;
    insert.item.pszText = const_cast<char*>(item.text.c_str());
    insert.item.iImage = item.image;
    insert.item.iSelectedImage = item.selectedImage;
    insert.item.state = item.state & kCopiedStates;
    insert.item.stateMask = kCopiedStates;
    insert.item.cChildren = item.children;
    insert.item.lParam = item.node;
    HTREEITEM copy = tree.InsertItem(&insert);
    // A contents entry knows its tree item.
    if (ContentsRecord* contents = ContentsOf(reinterpret_cast<TreeNode*>(item.node)); contents && copy)
        contents->hTreeItem = copy;
    return copy;
}

constexpr UINT kFullCopy =
    TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_STATE | TVIF_PARAM | TVIF_CHILDREN;

bool Alive(const CTreeCtrl& tree, HTREEITEM item) {
    TVITEMA tv{};
    tv.mask = TVIF_HANDLE | TVIF_PARAM;
    tv.hItem = item;
    return item && tree.GetItem(&tv) && tv.lParam;
}

const TreeNode* NodeOf(const CTreeCtrl& tree, HTREEITEM item) {
    return reinterpret_cast<const TreeNode*>(tree.GetItemData(item));
}

// The item at or below `from` whose node is `node`.
HTREEITEM FindByNode(const CTreeCtrl& tree, HTREEITEM from, DWORD_PTR node) {
    if (tree.GetItemData(from) == node) return from;
    for (HTREEITEM c = tree.GetChildItem(from); c; c = tree.GetNextSiblingItem(c))
        if (HTREEITEM found = FindByNode(tree, c, node)) return found;
    return nullptr;
}

// Counts the items of a subtree (the item itself included).
size_t CountItems(const CTreeCtrl& tree, HTREEITEM item) {
    size_t count = 1;
    for (HTREEITEM c = tree.GetChildItem(item); c; c = tree.GetNextSiblingItem(c))
        count += CountItems(tree, c);
    return count;
}

bool IsContents(const TreeNode* node) {
    return node && (node->nKind == NODE_CHAPTER || node->nKind == NODE_PAGE);
}

} // namespace

BOOL CShelfTreeCtrl::IsSameParent(HTREEITEM hItem1, HTREEITEM hItem2) const {
    return GetParentItem(hItem1) == GetParentItem(hItem2);
}

BOOL CShelfTreeCtrl::IsWithin(HTREEITEM hItem, HTREEITEM hAncestor) const {
    for (HTREEITEM item = hItem; item; item = GetParentItem(item))
        if (item == hAncestor) return TRUE;
    return FALSE;
}

void CShelfTreeCtrl::CopyChildren(HTREEITEM hNewParent, HTREEITEM hOldItem, HTREEITEM /*hInsertAfter*/) {
    CTavrinCtrl* shelf = Shelf();
    for (HTREEITEM child = GetChildItem(hOldItem); child; child = GetNextSiblingItem(child)) {
        ItemCopy item;
        if (!ReadItem(*this, child, &item)) continue;
        HTREEITEM copy = InsertCopy(*this, item, hNewParent, TVI_LAST, kFullCopy);
        if (copy) CopyChildren(copy, child, TVI_LAST);
    }
    // Expanded as the old item was, once its children are all there; the contents of a book copied
    // along are not built a second time.
    if (shelf && (GetItemState(hOldItem, TVIS_EXPANDED) & TVIS_EXPANDED) && GetChildItem(hNewParent)) {
        int suppressed = shelf->m_nSuppressExpand;
        shelf->m_nSuppressExpand = 1;
        Expand(hNewParent, TVE_EXPAND);
        shelf->m_nSuppressExpand = suppressed;
    }
}

HTREEITEM CShelfTreeCtrl::MoveItem(HTREEITEM hNewParent, HTREEITEM hItem, HTREEITEM hInsertAfter) {
    CTavrinCtrl* shelf = Shelf();
    ItemCopy item;
    if (!shelf || !ReadItem(*this, hItem, &item)) return nullptr;
    HTREEITEM oldParent = GetParentItem(hItem);
    bool onlyChild = oldParent && !GetPrevSiblingItem(hItem) && !GetNextSiblingItem(hItem);

    HTREEITEM copy = InsertCopy(*this, item, hNewParent, hInsertAfter, kFullCopy);
    if (!copy) return nullptr;
    CopyChildren(copy, hItem, TVI_LAST);
    if (CountItems(*this, copy) != CountItems(*this, hItem)) {
        // A copy fell short: the item stays where it was, with every node.
        shelf->DeleteItemKeepNodes(copy);
        return nullptr;
    }

    // The selection moves with the item, and the host is not told: it is the same book or page.
    HTREEITEM caret = GetSelectedItem();
    if (caret && IsWithin(caret, hItem)) {
        if (HTREEITEM same = FindByNode(*this, copy, GetItemData(caret))) {
            ++shelf->m_nSuppressNotify;
            SelectItem(same);
            --shelf->m_nSuppressNotify;
        }
    }
    if (onlyChild && oldParent != hNewParent) {
        Expand(oldParent, TVE_COLLAPSE);
        shelf->SetItemImages(oldParent, 0);
    }
    shelf->DeleteItemKeepNodes(hItem);
    return copy;
}

CShelfTreeCtrl::DropResult CShelfTreeCtrl::Drop(HTREEITEM hDragged, HTREEITEM hTarget, CPoint point) {
    if (!hTarget) return DropResult::NoTarget;
    CTavrinCtrl* shelf = Shelf();
    if (!shelf || !Alive(*this, hDragged) || !Alive(*this, hTarget)) return DropResult::ItemGone;
    const TreeNode* dragged = NodeOf(*this, hDragged);
    const TreeNode* target = NodeOf(*this, hTarget);
    if (target->dwFlags & NF_NODROP) {
        ::MessageBeep(0);
        return DropResult::NoDrop;
    }
    if (IsWithin(hTarget, hDragged)) return DropResult::OntoItself;

    HTREEITEM parent = nullptr;
    HTREEITEM after = TVI_FIRST;
    if (dragged->nKind == target->nKind) {
        if (dragged->nKind == NODE_CATALOG && !IsSameParent(hDragged, hTarget))
            return DropResult::CatalogOfAnotherParent;
        parent = GetParentItem(hTarget);
        CRect row;
        GetItemRect(hTarget, &row, FALSE);
        if (point.y <= row.top + (row.bottom - row.top) / 2) { // the upper half: before the target
            HTREEITEM previous = GetPrevSiblingItem(hTarget);
            after = previous ? previous : TVI_FIRST;
        } else {
            after = hTarget;
        }
    } else {
        if (target->nKind == NODE_BOOK) return DropResult::OntoBook;
        parent = hTarget;
        after = TVI_FIRST;
    }

    if (!MoveItem(parent, hDragged, after)) return DropResult::ItemGone;
    shelf->m_nMoved = 1;
    if (parent && !(GetItemState(parent, TVIS_EXPANDED) & TVIS_EXPANDED)) {
        SetItemState(parent, 0, TVIS_EXPANDEDONCE);
        Expand(parent, TVE_EXPAND);
    }
    return DropResult::Moved;
}

int CTavrinCtrl::TransferItem(HTREEITEM hItem, HTREEITEM hNewParent, HTREEITEM hInsertAfter) {
    ItemCopy item;
    if (!ReadItem(g_shelfTree, hItem, &item)) return 1;
    // Into its own subtree it would copy itself without end.
    if (hNewParent && hNewParent != TVI_ROOT && g_shelfTree.IsWithin(hNewParent, hItem)) return 1;
    auto* node = reinterpret_cast<TreeNode*>(item.node);
    const TreeNode* parent = hNewParent && hNewParent != TVI_ROOT ? NodeOf(g_shelfTree, hNewParent) : nullptr;
    if (node && parent && (parent->dwClassId >> 24) == 1) node->dwFlags |= NF_NODELETE | NF_BUILTIN;

    // A book keeps its expand button, so that its contents can be opened again.
    bool book = node && (node->nKind == NODE_BOOK || node->nKind == NODE_DICT);
    UINT mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_PARAM | (book ? TVIF_CHILDREN : 0);
    HTREEITEM copy = InsertCopy(g_shelfTree, item, hNewParent, hInsertAfter, mask);
    if (!copy) return 1;
    SetItemImages(copy, 0);

    while (HTREEITEM child = g_shelfTree.GetChildItem(hItem)) {
        if (IsContents(NodeOf(g_shelfTree, child))) {
            // Built from the book's driver when the copy is opened; kept, they would show twice.
            g_shelfTree.DeleteItem(child);
            continue;
        }
        // Each child goes last, so the children keep their order.
        TransferItem(child, copy, TVI_LAST);
        DeleteItemKeepNodes(child);
    }
    return 1;
}
