// Reading the shelf's tree from the host.
#include "shelf_items.h"

#include "terminal_text.h"

#include <cctype>
#include <vector>

namespace tavrin::host {

ShelfItemInfo InfoOf(CTavrinCtrl& shelf, HTREEITEM item) {
    ShelfItemInfo info{};
    shelf.GetItemInfo(item, &info);
    return info;
}

std::string ItemText(HWND tree, HTREEITEM item) {
    char text[300] = "";
    TVITEMA tv{};
    tv.mask = TVIF_TEXT;
    tv.hItem = item;
    tv.pszText = text;
    tv.cchTextMax = sizeof text;
    TreeView_GetItem(tree, &tv);
    return text;
}

UINT ItemCodePage(CTavrinCtrl& shelf, HWND, HTREEITEM item) {
    const ShelfItemInfo info = InfoOf(shelf, item);
    return info.hItem ? info.uCodePage : 0;
}

std::string ShownItemText(CTavrinCtrl& shelf, HWND tree, HTREEITEM item) {
    return Shown(ItemText(tree, item), ItemCodePage(shelf, tree, item));
}

void ForEachItem(HWND tree, HTREEITEM first, const std::function<void(HTREEITEM, int)>& visit, int depth) {
    for (HTREEITEM item = first; item; item = TreeView_GetNextSibling(tree, item)) {
        visit(item, depth);
        ForEachItem(tree, TreeView_GetChild(tree, item), visit, depth + 1);
    }
}

bool EqualNoCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

bool IsBookKind(DWORD kind) {
    return kind == SHELF_ITEM_BOOK || kind == SHELF_ITEM_DICTIONARY;
}

HTREEITEM FindBookItem(CTavrinCtrl& shelf, const std::string& number) {
    HTREEITEM found = nullptr;
    HWND tree = shelf.GetTreeWindow();
    ForEachItem(tree, TreeView_GetRoot(tree), [&](HTREEITEM item, int) {
        if (found) return;
        const ShelfItemInfo info = InfoOf(shelf, item);
        if (info.hItem && IsBookKind(info.dwKind) && EqualNoCase(FieldText(info.szKey), number)) found = item;
    });
    return found;
}

std::string ItemPath(CTavrinCtrl& shelf, HWND tree, HTREEITEM item) {
    std::vector<std::string> labels;
    for (HTREEITEM at = item; at; at = TreeView_GetParent(tree, at))
        labels.push_back(ShownItemText(shelf, tree, at));
    std::string path;
    for (auto it = labels.rbegin(); it != labels.rend(); ++it) {
        if (!path.empty()) path += " / ";
        path += *it;
    }
    return path;
}

} // namespace tavrin::host
