// Inserting an item with its node, and choosing an item's images from its node.
#include "tavrin/tavrin_ctrl.h"

#include "shelf/globals.h"
#include "shelf/records.h"

#include <cstdlib>
#include <cstring>
#include <strings.h>

using namespace tavrin;

namespace {

// Image group of a system catalog whose key reads as the number n (0-19).
constexpr int kCatalogKeyGroups[20] = {0, 9, 10, 10, 11, 6, 7, 7, 7, 7, 7, 13, 14, 15, 8, 10, 10, 7, 6, 7};

int CatalogGroup(const CatalogRecord& record) {
    if (record.dwCataType == CATA_ONLINE) return 8;
    if (record.dwCataType == CATA_USER) return 16;
    if (strcasecmp(record.szCataKey, "65535") == 0) return 12;
    // The key read as a decimal number; a key that is not a number counts as 0.
    long n = std::strtol(record.szCataKey, nullptr, 10);
    if (n >= 0 && n < 20) return kCatalogKeyGroups[n];
    return 10;
}

bool ParentIsCatalog6(HTREEITEM item) {
    HTREEITEM parent = g_shelfTree.GetParentItem(item);
    if (!parent) return false;
    auto* node = reinterpret_cast<TreeNode*>(g_shelfTree.GetItemData(parent));
    if (!node || node->nKind != NODE_CATALOG || !node->pRecord) return false;
    return strcasecmp(CatalogOf(node)->szCataKey, "6") == 0;
}

} // namespace

HTREEITEM CTavrinCtrl::AddOneItem(HTREEITEM hParent, LPCSTR lpszText, HTREEITEM hInsertAfter,
                                  const int* pImages, TreeNode* pNode, int bHasChildren) {
    TVINSERTSTRUCTA ins{};
    ins.hParent = hParent;
    ins.hInsertAfter = hInsertAfter;
    ins.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_PARAM;
    ins.item.pszText = const_cast<LPSTR>(lpszText ? lpszText : "");
    ins.item.cchTextMax = static_cast<int>(std::strlen(ins.item.pszText));
    ins.item.iImage = pImages ? pImages[0] : 0;
    ins.item.iSelectedImage = ins.item.iImage;
    ins.item.lParam = reinterpret_cast<LPARAM>(pNode);
    if (bHasChildren) {
        ins.item.mask |= TVIF_CHILDREN;
        ins.item.cChildren = 1;
    }
    HTREEITEM item = g_shelfTree.InsertItem(&ins);
    if (item) g_shelfTree.SetItemData(item, reinterpret_cast<DWORD_PTR>(pNode));
    return item;
}

void CTavrinCtrl::SetItemImages(HTREEITEM hItem, int bOpen) {
    auto* node = reinterpret_cast<TreeNode*>(g_shelfTree.GetItemData(hItem));
    if (!node) return;
    int group = 0;
    switch (node->nKind) {
    case NODE_ROOT:
        group = 0;
        break;
    case NODE_DICT:
        group = 4;
        break;
    case NODE_BOOK:
        group = ParentIsCatalog6(hItem) ? 5 : 1;
        break;
    case NODE_CHAPTER:
        group = 2;
        break;
    case NODE_PAGE:
        group = 16;
        break;
    case NODE_CATALOG:
        group = node->pRecord ? CatalogGroup(*CatalogOf(node)) : 10;
        break;
    default:
        return; // kinds above 5 keep the images they were given
    }
    int column = (bOpen ? 1 : 0);
    if (group != 0 && group != 4 && !m_nTrunkStatus) column += 2;
    int image = g_imageIndex[group * kImageColumns + column];
    g_shelfTree.SetItemImage(hItem, image, image);
}
