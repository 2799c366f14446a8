// The walk that every catalog search uses: the items below a start item in pre-order (the start's
// children in order, each child before its own subtree), the start item itself never visited. An
// item's children are walked only when the tree reports that it has children (its children mark),
// and a null start item has nothing below it.
//
// The walk keeps no list: it moves from item to item with the tree's own links, so it needs no memory
// and copes with any depth.
#pragma once

#include "afxcmn.h"
#include "shelf/records.h"

namespace tavrin {

// The first item below `start` in the walk, or null.
HTREEITEM FirstBelow(const CTreeCtrl& tree, HTREEITEM start);
// The item after `item` in the walk below `start`, or null when the walk is done.
HTREEITEM NextBelow(const CTreeCtrl& tree, HTREEITEM start, HTREEITEM item);

// The node an item carries (null for a null item or an item without one).
TreeNode* NodeOfItem(const CTreeCtrl& tree, HTREEITEM item);

// The first item below `start` for which test(item, node) is true; null when none is.
template <class Test> HTREEITEM FindBelow(const CTreeCtrl& tree, HTREEITEM start, Test test) {
    for (HTREEITEM item = FirstBelow(tree, start); item; item = NextBelow(tree, start, item))
        if (test(item, NodeOfItem(tree, item))) return item;
    return nullptr;
}

// Calls visit(item, node) for every item below `start`, in walk order.
template <class Visit> void ForEachBelow(const CTreeCtrl& tree, HTREEITEM start, Visit visit) {
    for (HTREEITEM item = FirstBelow(tree, start); item; item = NextBelow(tree, start, item))
        visit(item, NodeOfItem(tree, item));
}

} // namespace tavrin
