// Reading the shelf's tree from the host through the control's public view of it
// (tavrin/shelf_view.h): item labels, kinds and code pages, pre-order walks, books by number.
#pragma once

#include "windows.h"

#include "commctrl.h"
#include "tavrin/tavrin_ctrl.h"

#include <functional>
#include <string>

namespace tavrin::host {

// What the shelf tells of an item; a zeroed record (hItem null) when it is no item of the shelf.
ShelfItemInfo InfoOf(CTavrinCtrl& shelf, HTREEITEM item);
// An item's label as the shelf keeps it (in the code page ItemCodePage names).
std::string ItemText(HWND tree, HTREEITEM item);
// The code page of an item's texts: its book's for books, dictionaries and contents entries, else the
// active code page (catalogs and the root).
UINT ItemCodePage(CTavrinCtrl& shelf, HWND tree, HTREEITEM item);
// An item's label as the terminal shows it.
std::string ShownItemText(CTavrinCtrl& shelf, HWND tree, HTREEITEM item);
// The labels from the top of the tree down to `item`, joined with " / ", as the terminal shows them.
std::string ItemPath(CTavrinCtrl& shelf, HWND tree, HTREEITEM item);
// Visits `first`, its following siblings and all their descendants in pre-order, with their depth.
void ForEachItem(HWND tree, HTREEITEM first, const std::function<void(HTREEITEM, int)>& visit, int depth = 0);
bool EqualNoCase(const std::string& a, const std::string& b);
// True for books and dictionaries.
bool IsBookKind(DWORD kind);
// The first book or dictionary numbered `number` (letter case ignored); null when none.
HTREEITEM FindBookItem(CTavrinCtrl& shelf, const std::string& number);

// A fixed text field of a record, up to its zero (or its whole size without one).
template <size_t N> std::string FieldText(const char (&text)[N]) {
    size_t length = 0;
    while (length < N && text[length])
        ++length;
    return std::string(text, length);
}

} // namespace tavrin::host
