// Reading the shelf's tree from the host: item labels, their nodes and code pages, pre-order walks,
// books by number.
#pragma once

#include "windows.h"

#include "commctrl.h"
#include "shelf/records.h"
#include "tavrin/tavrin_ctrl.h"

#include <functional>
#include <string>

namespace tavrin::host {

// An item's label as the shelf keeps it (in the code page ItemCodePage names).
std::string ItemText(HWND tree, HTREEITEM item);
// The node the shelf keeps with an item; null for none.
const TreeNode* NodeOf(HWND tree, HTREEITEM item);
// The book handle of a book, dictionary or contents entry; 0xFFFFFFFF for any other item.
DWORD BookHandleOf(const TreeNode* node);
// The code page of an item's texts: its book's for books, dictionaries and contents entries, else 0
// (the active code page: catalogs and the root).
UINT ItemCodePage(CTavrinCtrl& shelf, HWND tree, HTREEITEM item);
// An item's label as the terminal shows it.
std::string ShownItemText(CTavrinCtrl& shelf, HWND tree, HTREEITEM item);
// The labels from the top of the tree down to `item`, joined with " / ", as the terminal shows them.
std::string ItemPath(CTavrinCtrl& shelf, HWND tree, HTREEITEM item);
// Visits `first`, its following siblings and all their descendants in pre-order, with their depth.
void ForEachItem(HWND tree, HTREEITEM first, const std::function<void(HTREEITEM, int)>& visit, int depth = 0);
bool EqualNoCase(const std::string& a, const std::string& b);
// The first book or dictionary numbered `number` (letter case ignored); null when none.
HTREEITEM FindBookItem(HWND tree, const std::string& number);

// A fixed text field of a record, up to its zero (or its whole size without one).
template <size_t N> std::string FieldText(const char (&text)[N]) {
    return std::string(text, FixedLength(text));
}

} // namespace tavrin::host
