// The shelf's book items by book number and by book handle, kept between calls. The host asks about
// books by handle (GetBookCodePage, GetBookPos ... each finds the book with FindBook from the root) and
// by number (GetBookHandle), and the register command asks for every file whether its number is on
// the shelf (IsBookExistOnTree): each a walk of the whole tree, so a host that lists its books, or
// registers many, takes time quadratic in the number of books.
//
// The index answers what those searches from the root answer: it is built with the same walk (each
// child, then its subtree, entering an item only when the tree reports children for it), and it is
// used only while the tree is as it was when the index was last in step with it: the tree's change
// stamp (plat::TreeChangeStamp) moves with every item inserted or deleted, every sort, and every
// change of an item's data or children flag, so anything that changed the tree, the control's own
// code, a host or a handler run from a message box, makes the next question rebuild the index. A
// caller that inserts a book item itself records it (Inserted) and keeps the index in step; the walk
// of the registry does so for every book it puts on the shelf. Nodes changed in place (a book
// re-pointed to another file) are not seen by the stamp: their changer says so (HandleChanged).
//
// A number or handle held by more than one item is marked shared, and callers search the tree for it:
// the index then does not know which item comes first.
#pragma once

#include "afxcmn.h"
#include "windows.h"

#include <string>
#include <string_view>
#include <unordered_map>

namespace tavrin {

class ShelfBookIndex {
  public:
    struct Entry {
        HTREEITEM first = nullptr; // the one item with the number or handle; null when shared
        bool shared = false;       // more than one item has it: ask the tree
    };

    // Brings the index in step with the items below `root` of `tree`, rebuilding it when the tree
    // changed since it was last in step (or another tree or root is asked about).
    ShelfBookIndex& InStep(const CTreeCtrl& tree, HTREEITEM root);

    // The entry of a book number (letter case ignored) or of a book handle; null when no book or
    // dictionary item below the root has it. Only right after InStep.
    const Entry* FindNumber(std::string_view number) const;
    const Entry* FindHandle(DWORD handle) const;

    // An item about to be inserted below `parent`: the tree's stamp and whether `parent` reports
    // children, taken just before the insert (BeforeInsert).
    struct Insertion {
        unsigned long long stamp = 0;
        bool parentShowedChildren = false;
    };
    static Insertion BeforeInsert(const CTreeCtrl& tree, HTREEITEM parent);
    // Records `item`, which the caller inserted (with its node) as `insertion` describes, with nothing
    // else changing the tree meanwhile. When the index was not in step before, or the insert let the
    // walk into items it did not enter before (a parent that reported no children but had some), it is
    // rebuilt when next asked.
    void Inserted(const CTreeCtrl& tree, HTREEITEM root, const Insertion& insertion, HTREEITEM item);

    // Follows a book item that a caller re-pointed in place to another book handle (its number and
    // the tree staying as they were).
    void HandleChanged(HTREEITEM item, std::string_view number, DWORD oldHandle, DWORD newHandle);

    // Leaves the index to be rebuilt: for a caller that changed a book node's number or kind in place.
    void Forget() { stamp_ = 0; }

    // How many times the index was built: a command that registers many books builds it once.
    size_t Builds() const { return builds_; }

  private:
    void Record(const CTreeCtrl& tree, HTREEITEM item);

    HWND tree_ = nullptr;
    HTREEITEM root_ = nullptr;
    unsigned long long stamp_ = 0; // the tree's stamp when the index was last in step; 0: never
    std::unordered_map<std::string, Entry> numbers_; // keyed by the number with letters folded
    std::unordered_map<DWORD, Entry> handles_;
    size_t builds_ = 0;
};

// The index of this process's shelf (one shelf per process, like the driver table).
ShelfBookIndex& ShelfBooks();

} // namespace tavrin
