// New catalogs made by the user: the name asked for in the new-catalog dialog, the catalog made under
// the drop-highlighted item (the item the command was given for).
#include "tavrin/tavrin_ctrl.h"

#include "catalog/names.h"
#include "catalog/tree_walk.h"
#include "shelf/globals.h"
#include "shelf/records.h"
#include "ui/catalog_names.h"
#include "ui/new_catalog_dlg.h"

#include <ctime>
#include <memory>
#include <string>

using namespace tavrin;

namespace {

// Images the new item is inserted with, before SetItemImages gives it those of its kind.
constexpr int kNewCatalogImageEntry = 28;
constexpr DWORD kNoClassId = 0xFFFFFFFF;
// A parent stamped so holds on-line catalogs: catalogs made in it are on-line too.
constexpr DWORD kOnlineParentStamp = 65535;

// Only the root and catalogs hold catalogs; a book or a contents entry does not.
const CatalogRecord* CatalogHolding(const TreeNode* node) {
    if (!node || (node->nKind != NODE_ROOT && node->nKind != NODE_CATALOG)) return nullptr;
    return CatalogOf(node);
}

bool ItemExists(HTREEITEM item) {
    TVITEM tv{};
    tv.mask = TVIF_HANDLE;
    tv.hItem = item;
    return item && g_shelfTree.GetItem(&tv);
}

} // namespace

void CTavrinCtrl::NewCatalogs() {
    // The command acts on the drop-highlighted item; without one (or on an item that cannot hold a
    // catalog) there is nothing to ask the user.
    HTREEITEM hParent = g_shelfTree.GetDropHilightItem();
    if (!hParent || !CatalogHolding(NodeOfItem(g_shelfTree, hParent))) return;

    CNewCatalogDlg dlg(this);
    HINSTANCE previous = AfxGetResourceHandle();
    AfxSetResourceHandle(ShelfModule());
    INT_PTR answer = dlg.DoModal();
    AfxSetResourceHandle(previous);
    if (answer != IDOK) return;

    const std::string name = dlg.m_strName.str();
    if (name.empty()) return;
    // The parent may have gone while the dialog was up.
    const TreeNode* parentNode = ItemExists(hParent) ? NodeOfItem(g_shelfTree, hParent) : nullptr;
    const CatalogRecord* parentRecord = CatalogHolding(parentNode);
    if (!parentRecord) return;
    if (FindSiblingCatalog(g_shelfTree, hParent, name)) {
        ShowMessage(IDS_CATALOG_EXISTS);
        return;
    }

    auto node = std::make_unique<TreeNode>();
    auto record = std::make_unique<CatalogRecord>();
    if (!CopyFits(node->szKey, name) || !CopyFits(record->szCataName, name)) {
        ShowErrorText("A catalog name holds at most 255 characters.");
        return;
    }
    const bool online = parentRecord->tStamp == kOnlineParentStamp || parentRecord->dwCataType == CATA_ONLINE;
    node->nKind = NODE_CATALOG;
    node->dwFlags = online ? (NF_CANADDBOOK | NF_CANNEWCATA) : NF_CANNEWCATA;
    // A full level has no class id left to give: the catalog is made without one (0), as a catalog of
    // the system catalog is; the class id only orders first-level catalogs.
    const DWORD classId = GetClassID(hParent);
    node->dwClassId = classId == kNoClassId ? 0 : classId;
    record->dwCataType = online ? CATA_ONLINE : CATA_USER;
    record->tStamp =
        NextCatalogStamp(static_cast<DWORD>(std::time(nullptr)), LargestCatalogStamp(g_shelfTree));
    node->pRecord = record.get();

    // A first-level parent takes its new catalog after its first catalog of the first class, when it
    // has one among its children; else the catalog goes last.
    HTREEITEM hAfter = TVI_LAST;
    if (IsFstLevelClass(hParent)) {
        HTREEITEM first = FindCatalog(m_hRoot, 1);
        if (first && g_shelfTree.GetParentItem(first) == hParent) hAfter = first;
    }
    HTREEITEM hItem =
        AddOneItem(hParent, name.c_str(), hAfter, &g_imageIndex[kNewCatalogImageEntry], node.get(), 0);
    if (!hItem) return; // the node and record are freed here: no item owns them
    node.release();
    record.release();
    SetItemImages(hItem, 0);
    g_shelfTree.Expand(hParent, TVE_EXPAND);
}

int CTavrinCtrl::IsCataExist(LPCSTR lpszName) {
    if (!lpszName) return 0;
    HTREEITEM caret = g_shelfTree.GetSelectedItem();
    if (!caret) return 0;
    for (HTREEITEM child = g_shelfTree.GetChildItem(caret); child;
         child = g_shelfTree.GetNextSiblingItem(child)) {
        const TreeNode* node = NodeOfItem(g_shelfTree, child);
        if (node && EqualNoCase(std::string_view(node->szKey, FixedLength(node->szKey)), lpszName)) return 1;
    }
    return 0;
}
