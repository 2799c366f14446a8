// Renaming catalogs: the label editor opened on the drop-highlighted item, and the rules of label
// editing, which hold for the editor however it was opened (the Rename command, or the tree's own
// gesture on a selected item).
//
// Only catalogs that allow it (kind NODE_CATALOG without NF_NORENAME: the user's own catalogs) take a
// new label. The new name is trimmed; a blank one, or the name of a sibling catalog, is refused and the
// old name stays (a taken name is reported). An accepted name becomes the catalog's name everywhere:
// its label, its szCataName and, for a user catalog, its szKey, which is the name the user catalog
// stream stores for every catalog that is not the first of its block; the stream thus brings a
// renamed catalog back with its new name at any depth.
#include "tavrin/tavrin_ctrl.h"

#include "catalog/tree_walk.h"
#include "shelf/globals.h"
#include "shelf/records.h"
#include "ui/catalog_names.h"

#include <cstring>
#include <string>

using namespace tavrin;

namespace {

bool MayRename(const TreeNode* node) {
    return node && node->nKind == NODE_CATALOG && !(node->dwFlags & NF_NORENAME);
}

void LimitEdit(HWND edit) {
    if (edit) ::SendMessageA(edit, EM_LIMITTEXT, static_cast<WPARAM>(kCatalogNameLimit), 0);
}

} // namespace

void CTavrinCtrl::Rename() {
    HTREEITEM hItem = g_shelfTree.GetDropHilightItem();
    if (!hItem) return;
    // The editor takes the focus from the tree, which should have it first.
    g_shelfTree.SetFocus();
    LimitEdit(
        reinterpret_cast<HWND>(g_shelfTree.SendMessage(TVM_EDITLABEL, 0, reinterpret_cast<LPARAM>(hItem))));
}

void CTavrinCtrl::OnBeginLabelEdit(NMHDR* pNMHDR, LRESULT* pResult) {
    const auto* info = reinterpret_cast<const NMTVDISPINFOA*>(pNMHDR);
    if (!MayRename(NodeOfItem(g_shelfTree, info->item.hItem))) {
        *pResult = 1;
        return;
    }
    // The same limit whichever way the editor was opened.
    LimitEdit(reinterpret_cast<HWND>(g_shelfTree.SendMessage(TVM_GETEDITCONTROL, 0, 0)));
    *pResult = 0;
}

void CTavrinCtrl::OnEndlabeledit(NMHDR* pNMHDR, LRESULT* pResult) {
    auto* info = reinterpret_cast<NMTVDISPINFOA*>(pNMHDR);
    *pResult = 0;
    LPSTR text = info->item.pszText;
    if (!text) return; // cancelled
    HTREEITEM hItem = info->item.hItem;
    TreeNode* node = NodeOfItem(g_shelfTree, hItem);
    if (!MayRename(node)) return;
    CatalogRecord* record = CatalogOf(node);
    if (!record) return;

    const std::string name = TrimmedName(text).str();
    if (name.empty()) return;
    if (FindSiblingCatalog(g_shelfTree, g_shelfTree.GetParentItem(hItem), name, hItem)) {
        ShowMessage(IDS_CATALOG_EXISTS);
        return;
    }
    const bool userCatalog = record->dwCataType == CATA_USER || record->dwCataType == CATA_ONLINE;
    char key[kNameSize];
    if (!CopyFits(key, name) || !CopyFits(record->szCataName, name)) return;
    if (userCatalog) std::memcpy(node->szKey, key, sizeof key);
    // The tree takes the label from the text buffer it passed: the trimmed name is never longer.
    std::memmove(text, name.c_str(), name.size() + 1);
    *pResult = 1;
}
