// Reading the shelf's tree from the host: item labels, their nodes, pre-order walks, books by number.
#pragma once

#include "windows.h"

#include "commctrl.h"
#include "plat/resources.h"
#include "shelf/records.h"

#include <functional>
#include <string>

namespace tavrin::host {

// An item's label (in the shelf's code page).
std::string ItemText(HWND tree, HTREEITEM item);
// The node the shelf keeps with an item; null for none.
const TreeNode* NodeOf(HWND tree, HTREEITEM item);
// Visits `first`, its following siblings and all their descendants in pre-order, with their depth.
void ForEachItem(HWND tree, HTREEITEM first, const std::function<void(HTREEITEM, int)>& visit, int depth = 0);
bool EqualNoCase(const std::string& a, const std::string& b);
// The first book or dictionary numbered `number` (letter case ignored); null when none.
HTREEITEM FindBookItem(HWND tree, const std::string& number);
// The labels from the top of the tree down to `item`, joined with " / ", as UTF-8.
std::string ItemPath(HWND tree, HTREEITEM item);

// A fixed text field of a record as UTF-8.
template <size_t N> std::string Shown(const char (&text)[N]) {
    return plat::ToUtf8(std::string(text, FixedLength(text)));
}

} // namespace tavrin::host
