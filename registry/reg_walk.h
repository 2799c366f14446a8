// The state of one walk of the registry (EnumRegBooks from its outermost call to its end): the
// indexes that answer the walk's repeated look-ups, each built the first time it is needed. Nothing
// but books is inserted while the walk runs, so the catalogs the indexes know stay as they are.
#pragma once

#include "registry/class_index.h"
#include "tavrin/tavrin_ctrl.h"

class CTavrinCtrl::CRegWalk {
  public:
    // The class-catalog index, built on first use (binds the driver table to the shelf driver).
    const tavrin::ClassCatalogIndex& Classes(const CTreeCtrl& tree, HTREEITEM root, HMODULE shelfDriver,
                                             DWORD shelfHandle) {
        if (!classesBuilt_) {
            classes_.Build(tree, root, shelfDriver, shelfHandle);
            classesBuilt_ = true;
        }
        return classes_;
    }
    // The catalog of unclassified books, looked up once per walk.
    bool unclassifiedKnown = false;
    HTREEITEM unclassified = nullptr;
    // A reference on the dictionary library held while the walk runs, so that checking many
    // dictionaries does not map and unmap the library for each (0: none held).
    HMODULE dictionaryLibrary = 0;
    bool dictionaryTried = false;
    // A driver the table was bound to while a book item of this walk already held it, with no library
    // released by the walk since: the table still points into that very library, so opening the next
    // book of the same driver needs no new binding. Any release by the walk forgets it.
    HMODULE boundHeld = 0;

  private:
    tavrin::ClassCatalogIndex classes_;
    bool classesBuilt_ = false;
};
