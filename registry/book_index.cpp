// The index of book items by number: one walk of the tree, then look-ups in a hash table.
#include "registry/book_index.h"

#include "catalog/tree_walk.h"
#include "registry/book_registry.h"
#include "shelf/records.h"

namespace tavrin {

namespace {

std::string Folded(std::string_view text) {
    std::string folded(text);
    for (char& c : folded)
        c = FoldAscii(c);
    return folded;
}

// The number of a book or dictionary node; nothing for other kinds.
bool BookNumber(const TreeNode* node, std::string_view* number) {
    if (!node || (node->nKind != NODE_DICT && node->nKind != NODE_BOOK)) return false;
    *number = std::string_view(node->szKey, FixedLength(node->szKey));
    return true;
}

} // namespace

void BookNumberIndex::Build(const CTreeCtrl& tree, HTREEITEM root) {
    entries_.clear();
    ForEachBelow(tree, root, [&](HTREEITEM item, const TreeNode* node) {
        std::string_view number;
        if (BookNumber(node, &number)) Record(number, item);
    });
}

const BookNumberIndex::Entry* BookNumberIndex::Find(std::string_view number) const {
    auto it = entries_.find(Folded(number));
    return it == entries_.end() ? nullptr : &it->second;
}

void BookNumberIndex::Add(const CTreeCtrl& tree, HTREEITEM root, std::string_view number, HTREEITEM item) {
    if (!item || !root || item == root) return;
    // The walk from the root enters an item only when the tree reports children for it: every
    // ancestor up to the root must, or the walk never meets the new item.
    HTREEITEM parent = tree.GetParentItem(item);
    while (parent && parent != root) {
        if (!tree.ItemHasChildren(parent)) return;
        parent = tree.GetParentItem(parent);
    }
    if (parent != root || !tree.ItemHasChildren(root)) return;
    auto [it, inserted] = entries_.try_emplace(Folded(number));
    if (inserted) {
        it->second.first = item;
    } else {
        it->second.first = nullptr;
        it->second.shared = true;
    }
}

void BookNumberIndex::Record(std::string_view number, HTREEITEM item) {
    auto [it, inserted] = entries_.try_emplace(Folded(number));
    if (inserted)
        it->second.first = item;
    else
        it->second.shared = true;
}

} // namespace tavrin
