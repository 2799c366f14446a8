// The class catalogs of book files, as GetClassItem from the root finds them. GetClassItem walks the
// whole tree and reads a settings page through the shelf driver for every system catalog it passes;
// asked once per registered book, that makes start-up quadratic in the number of books (the walk
// passes every book already inserted) and costs a page read per catalog per book. A walk of the
// registry builds this index instead: one tree walk and one page read per system catalog.
//
// Its answers are GetClassItem's exactly. The index only proposes candidate catalogs: every line of
// every settings text that could begin a key line, folded to lower case and sorted, so the catalogs
// with a line beginning with the file name are found by a binary search. Each candidate, in tree
// order, is then asked with the same settings search GetClassItem uses, and the first that answers
// (with a value that fits GetClassItem's 256-byte buffer) is the result. Candidates are a superset
// of the real matches (the index takes a line at every place a line may start), so none is missed.
#pragma once

#include "afxcmn.h"
#include "windows.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tavrin {

class ClassCatalogIndex {
  public:
    // Walks the items below `root` once, in GetClassItem's order, and reads the settings text of
    // every system catalog through the shelf driver (the driver table is left bound to it).
    void Build(const CTreeCtrl& tree, HTREEITEM root, HMODULE shelfDriver, DWORD shelfHandle);

    // What GetClassItem(root, fileName, insertAfter) answers: the first system catalog whose "BOOKS"
    // section lists `fileName`; *insertAfter becomes TVI_FIRST when the value is "1", else TVI_LAST
    // (untouched when nothing is found). Null for an empty name.
    HTREEITEM Find(std::string_view fileName, HTREEITEM* insertAfter) const;

    size_t CatalogCount() const { return catalogs_.size(); }

  private:
    struct Catalog {
        HTREEITEM item = nullptr;
        std::string text;   // the settings text as the page holds it
        std::string folded; // the same with ASCII letters in lower case
    };
    struct Line {
        std::string_view folded; // a possible line of the folded text, up to its line end
        uint32_t catalog;        // index into catalogs_ (tree order)
    };
    void IndexLines(uint32_t catalog);

    std::vector<Catalog> catalogs_;
    std::vector<Line> lines_; // sorted by text, then catalog
};

} // namespace tavrin
