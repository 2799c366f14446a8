// The shelf's book items by number and handle: one walk of the tree, then look-ups in hash tables for
// as long as the tree's change stamp stays the same.
#include "registry/shelf_books.h"

#include "catalog/tree_walk.h"
#include "plat/treeview.h"
#include "registry/book_registry.h"
#include "shelf/records.h"

namespace tavrin {

namespace {

template <class Map, class Key> void Note(Map& map, const Key& key, HTREEITEM item) {
    auto [it, inserted] = map.try_emplace(key);
    if (inserted) {
        it->second.first = item;
    } else {
        it->second.first = nullptr;
        it->second.shared = true;
    }
}

} // namespace

ShelfBookIndex& ShelfBookIndex::InStep(const CTreeCtrl& tree, HTREEITEM root) {
    const unsigned long long stamp = plat::TreeChangeStamp(tree.GetSafeHwnd());
    if (stamp != 0 && stamp == stamp_ && tree.GetSafeHwnd() == tree_ && root == root_) return *this;
    numbers_.clear();
    handles_.clear();
    ForEachBelow(tree, root, [&](HTREEITEM item, const TreeNode*) { Record(tree, item); });
    tree_ = tree.GetSafeHwnd();
    root_ = root;
    stamp_ = stamp;
    ++builds_;
    return *this;
}

const ShelfBookIndex::Entry* ShelfBookIndex::FindNumber(std::string_view number) const {
    auto it = numbers_.find(FoldedNumber(number));
    return it == numbers_.end() ? nullptr : &it->second;
}

const ShelfBookIndex::Entry* ShelfBookIndex::FindHandle(DWORD handle) const {
    auto it = handles_.find(handle);
    return it == handles_.end() ? nullptr : &it->second;
}

void ShelfBookIndex::Inserted(const CTreeCtrl& tree, HTREEITEM root, unsigned long long before,
                              HTREEITEM item) {
    if (stamp_ == 0 || before != stamp_ || tree.GetSafeHwnd() != tree_ || root != root_) {
        stamp_ = 0;
        return;
    }
    stamp_ = plat::TreeChangeStamp(tree.GetSafeHwnd());
    if (WalkReaches(tree, root, item)) Record(tree, item);
}

void ShelfBookIndex::Record(const CTreeCtrl& tree, HTREEITEM item) {
    const TreeNode* node = NodeOfItem(tree, item);
    if (!node || (node->nKind != NODE_DICT && node->nKind != NODE_BOOK)) return;
    Note(numbers_, FoldedNumber(std::string_view(node->szKey, FixedLength(node->szKey))), item);
    const BookRecord* book = BookOf(node);
    if (book && book->dwBookHandle != kNoBookHandle) Note(handles_, book->dwBookHandle, item);
}

std::string FoldedNumber(std::string_view number) {
    std::string folded(number);
    for (char& c : folded)
        c = FoldAscii(c);
    return folded;
}

bool WalkReaches(const CTreeCtrl& tree, HTREEITEM root, HTREEITEM item) {
    if (!item || !root || item == root) return false;
    // The walk from the root enters an item only when the tree reports children for it.
    HTREEITEM parent = tree.GetParentItem(item);
    while (parent && parent != root) {
        if (!tree.ItemHasChildren(parent)) return false;
        parent = tree.GetParentItem(parent);
    }
    return parent == root && tree.ItemHasChildren(root);
}

ShelfBookIndex& ShelfBooks() {
    static ShelfBookIndex index;
    return index;
}

} // namespace tavrin
