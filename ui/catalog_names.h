// What the making and the renaming of catalogs share: how a name is cleaned up, how long it may be,
// when a name is taken among siblings, and the stamp that identifies a new catalog.
#pragma once

#include "afxcmn.h"

#include <string_view>

namespace tavrin {

// At most this many characters can be typed as a catalog's name, in the new-catalog dialog and in the
// label editor.
inline constexpr int kCatalogNameLimit = 80;

// `name` with white space (blanks, tabs, line ends) taken off both ends.
CString TrimmedName(LPCSTR name);

// The child of `parent` (null: the top level of the tree) other than `except` that is a catalog named
// `name`: its label or its key equals the name, letter case ignored. Null when the name is free.
HTREEITEM FindSiblingCatalog(const CTreeCtrl& tree, HTREEITEM parent, std::string_view name,
                             HTREEITEM except = nullptr);

// The largest stamp of any catalog (or root) in the tree; 0 when there is none.
DWORD LargestCatalogStamp(const CTreeCtrl& tree);

// The stamp of a catalog made at `now` (seconds since 1970) on a shelf whose largest stamp is
// `largest`: `now`, or one more than `largest` when that is not smaller, so that two catalogs made
// within one second still get stamps of their own.
DWORD NextCatalogStamp(DWORD now, DWORD largest);

} // namespace tavrin
