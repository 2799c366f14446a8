// Book items by book number, as a search of the shelf from the root meets them. A walk of the
// registry asks for every registered book whether it is on the shelf already; walking the tree for
// each would make start-up quadratic in the number of books, so the walk builds this index once and
// keeps it up to date with the books it inserts.
//
// The index answers exactly what IsBookExist from the root answers: it is built with the same walk
// (each child, then its subtree, entering an item only when the tree reports that it has children),
// and a book the walk inserts is recorded only when that walk reaches it. Relative order of the items
// already on the shelf does not change while the registry is walked (it only inserts books, and only
// books whose number is new), so the first item recorded for a number stays the first match.
#pragma once

#include "afxcmn.h"

#include <string>
#include <string_view>
#include <unordered_map>

namespace tavrin {

class BookNumberIndex {
  public:
    // Walks the items below `root` once and records every book and dictionary by its number.
    void Build(const CTreeCtrl& tree, HTREEITEM root);

    struct Entry {
        HTREEITEM first = nullptr; // the first item with the number, in walk order; null: ask the tree
        bool shared = false;       // more than one item has the number
    };
    // The entry of `number` (letter case ignored); null when no item has it.
    const Entry* Find(std::string_view number) const;

    // Records `item`, just inserted with `number`, when the walk from `root` reaches it. For a number
    // already recorded the index no longer knows which item comes first: the entry is marked shared
    // and its first item forgotten, and callers search the tree for that number.
    void Add(const CTreeCtrl& tree, HTREEITEM root, std::string_view number, HTREEITEM item);

    size_t Size() const { return entries_.size(); }

  private:
    void Record(std::string_view number, HTREEITEM item);
    std::unordered_map<std::string, Entry> entries_; // keyed by the number with letters folded
};

} // namespace tavrin
