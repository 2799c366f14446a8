// The shelf's book items by number and handle: one walk of the tree, then look-ups in hash tables for
// as long as the tree's change stamp stays the same.
#include "registry/shelf_books.h"

#include "catalog/tree_walk.h"
#include "plat/treeview.h"
#include "registry/book_registry.h"
#include "shelf/records.h"

namespace tavrin {

namespace {

std::string FoldedNumber(std::string_view number) {
    std::string folded(number);
    for (char& c : folded)
        c = FoldAscii(c);
    return folded;
}

// Whether the walk from `root` meets `item`: every ancestor up to the root reports children.
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

ShelfBookIndex::Insertion ShelfBookIndex::BeforeInsert(const CTreeCtrl& tree, HTREEITEM parent) {
    return {plat::TreeChangeStamp(tree.GetSafeHwnd()), parent && tree.ItemHasChildren(parent) != FALSE};
}

void ShelfBookIndex::Inserted(const CTreeCtrl& tree, HTREEITEM root, const Insertion& insertion,
                              HTREEITEM item) {
    if (stamp_ == 0 || insertion.stamp != stamp_ || tree.GetSafeHwnd() != tree_ || root != root_) {
        stamp_ = 0;
        return;
    }
    // A parent that said it had no children reports them once it has the new one: the walk now enters
    // it, and meets the children it held already too.
    if (item && !insertion.parentShowedChildren &&
        (tree.GetPrevSiblingItem(item) || tree.GetNextSiblingItem(item))) {
        stamp_ = 0;
        return;
    }
    stamp_ = plat::TreeChangeStamp(tree.GetSafeHwnd());
    if (WalkReaches(tree, root, item)) Record(tree, item);
}

void ShelfBookIndex::HandleChanged(HTREEITEM item, std::string_view number, DWORD oldHandle,
                                   DWORD newHandle) {
    if (stamp_ == 0 || oldHandle == newHandle) return;
    // The item is in the index when it is the one item of its number; when the number is shared the
    // index cannot tell, and is rebuilt when next asked.
    auto byNumber = numbers_.find(FoldedNumber(number));
    if (byNumber == numbers_.end()) return; // the walk from the root does not reach the item
    if (byNumber->second.first != item) {
        Forget();
        return;
    }
    if (auto old = handles_.find(oldHandle); old != handles_.end() && old->second.first == item)
        handles_.erase(old);
    // A shared old handle stays shared: its searches walk the tree, which answers rightly.
    if (newHandle != kNoBookHandle) Note(handles_, newHandle, item);
}

void ShelfBookIndex::Record(const CTreeCtrl& tree, HTREEITEM item) {
    const TreeNode* node = NodeOfItem(tree, item);
    if (!node || (node->nKind != NODE_DICT && node->nKind != NODE_BOOK)) return;
    Note(numbers_, FoldedNumber(std::string_view(node->szKey, FixedLength(node->szKey))), item);
    const BookRecord* book = BookOf(node);
    if (book && book->dwBookHandle != kNoBookHandle) Note(handles_, book->dwBookHandle, item);
}

ShelfBookIndex& ShelfBooks() {
    static ShelfBookIndex index;
    return index;
}

} // namespace tavrin
