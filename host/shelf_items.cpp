// Reading the shelf's tree from the host.
#include "shelf_items.h"

#include <cctype>
#include <vector>

namespace tavrin::host {

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

const TreeNode* NodeOf(HWND tree, HTREEITEM item) {
    TVITEMA tv{};
    tv.mask = TVIF_PARAM;
    tv.hItem = item;
    if (!TreeView_GetItem(tree, &tv)) return nullptr;
    return reinterpret_cast<const TreeNode*>(tv.lParam);
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

HTREEITEM FindBookItem(HWND tree, const std::string& number) {
    HTREEITEM found = nullptr;
    ForEachItem(tree, TreeView_GetRoot(tree), [&](HTREEITEM item, int) {
        const TreeNode* node = NodeOf(tree, item);
        if (!found && node && (node->nKind == NODE_BOOK || node->nKind == NODE_DICT) &&
            EqualNoCase(std::string(node->szKey, FixedLength(node->szKey)), number))
            found = item;
    });
    return found;
}

std::string ItemPath(HWND tree, HTREEITEM item) {
    std::vector<std::string> labels;
    for (HTREEITEM at = item; at; at = TreeView_GetParent(tree, at)) labels.push_back(ItemText(tree, at));
    std::string path;
    for (auto it = labels.rbegin(); it != labels.rend(); ++it) {
        if (!path.empty()) path += " / ";
        path += plat::ToUtf8(*it);
    }
    return path;
}

} // namespace tavrin::host
