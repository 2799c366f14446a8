#include "ui/catalog_names.h"

#include "catalog/names.h"
#include "catalog/tree_walk.h"
#include "shelf/records.h"

#include <algorithm>

namespace tavrin {

CString TrimmedName(LPCSTR name) {
    CString trimmed(name);
    trimmed.Trim();
    return trimmed;
}

HTREEITEM FindSiblingCatalog(const CTreeCtrl& tree, HTREEITEM parent, std::string_view name,
                             HTREEITEM except) {
    HTREEITEM child = parent ? tree.GetChildItem(parent) : tree.GetRootItem();
    for (; child; child = tree.GetNextSiblingItem(child)) {
        if (child == except) continue;
        const TreeNode* node = NodeOfItem(tree, child);
        if (!node || node->nKind != NODE_CATALOG) continue;
        const std::string label = tree.GetItemText(child).str();
        if (EqualNoCase(label, name) ||
            EqualNoCase(std::string_view(node->szKey, FixedLength(node->szKey)), name))
            return child;
    }
    return nullptr;
}

DWORD LargestCatalogStamp(const CTreeCtrl& tree) {
    DWORD largest = 0;
    auto take = [&](const TreeNode* node) {
        if (const CatalogRecord* record = CatalogOf(node)) largest = std::max(largest, record->tStamp);
    };
    // Catalogs rebuilt from the user catalog stream may stand at the top level beside the root.
    for (HTREEITEM top = tree.GetRootItem(); top; top = tree.GetNextSiblingItem(top)) {
        take(NodeOfItem(tree, top));
        ForEachBelow(tree, top, [&](HTREEITEM, const TreeNode* node) { take(node); });
    }
    return largest;
}

DWORD NextCatalogStamp(DWORD now, DWORD largest) {
    // At the very end of the range there is nothing above the largest stamp; the clock has to do.
    if (largest >= now && largest != 0xFFFFFFFF) return largest + 1;
    return now;
}

} // namespace tavrin
