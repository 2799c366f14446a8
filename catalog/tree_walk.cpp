// The pre-order walk below a start item, with the tree's own links.
#include "catalog/tree_walk.h"

namespace tavrin {

namespace {

// The first child of `item` when the tree reports that it has children, else null.
HTREEITEM ChildOf(const CTreeCtrl& tree, HTREEITEM item) {
    if (!item || !tree.ItemHasChildren(item)) return nullptr;
    return tree.GetChildItem(item);
}

} // namespace

HTREEITEM FirstBelow(const CTreeCtrl& tree, HTREEITEM start) {
    return ChildOf(tree, start);
}

HTREEITEM NextBelow(const CTreeCtrl& tree, HTREEITEM start, HTREEITEM item) {
    if (!item) return nullptr;
    if (HTREEITEM child = ChildOf(tree, item)) return child;
    // No subtree to enter: the next sibling of the item or of the nearest ancestor below `start`.
    while (item && item != start) {
        if (HTREEITEM sibling = tree.GetNextSiblingItem(item)) return sibling;
        item = tree.GetParentItem(item);
    }
    return nullptr;
}

TreeNode* NodeOfItem(const CTreeCtrl& tree, HTREEITEM item) {
    return item ? reinterpret_cast<TreeNode*>(tree.GetItemData(item)) : nullptr;
}

} // namespace tavrin
