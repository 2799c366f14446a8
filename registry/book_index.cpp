// The index of book items by number: one walk of the tree, then look-ups in a hash table.
#include "registry/book_index.h"

#include "catalog/tree_walk.h"
#include "registry/book_registry.h"
#include "registry/shelf_books.h"
#include "shelf/records.h"

namespace tavrin {

namespace {

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
    auto it = entries_.find(FoldedNumber(number));
    return it == entries_.end() ? nullptr : &it->second;
}

void BookNumberIndex::Add(const CTreeCtrl& tree, HTREEITEM root, std::string_view number, HTREEITEM item) {
    if (!WalkReaches(tree, root, item)) return;
    auto [it, inserted] = entries_.try_emplace(FoldedNumber(number));
    if (inserted) {
        it->second.first = item;
    } else {
        it->second.first = nullptr;
        it->second.shared = true;
    }
}

void BookNumberIndex::Record(std::string_view number, HTREEITEM item) {
    auto [it, inserted] = entries_.try_emplace(FoldedNumber(number));
    if (inserted)
        it->second.first = item;
    else
        it->second.shared = true;
}

} // namespace tavrin
