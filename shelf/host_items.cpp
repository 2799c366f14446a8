// The shelf as a host reads it (tavrin/shelf_view.h): an item's kind, label, keys, book handle and page
// taken from its node and record, so that a host never needs the control's records.
#include "tavrin/tavrin_ctrl.h"

#include "shelf/cbi_table.h"
#include "shelf/driver_text.h"
#include "shelf/globals.h"
#include "shelf/records.h"

#include <cstring>
#include <string_view>

using namespace tavrin;

// The public values are the control's own: a host and the control agree on them by construction.
static_assert(SHELF_ITEM_ROOT == NODE_ROOT && SHELF_ITEM_DICTIONARY == NODE_DICT &&
              SHELF_ITEM_BOOK == NODE_BOOK && SHELF_ITEM_CHAPTER == NODE_CHAPTER &&
              SHELF_ITEM_PAGE == NODE_PAGE && SHELF_ITEM_CATALOG == NODE_CATALOG);
static_assert(SHELF_ITEM_NODELETE == NF_NODELETE && SHELF_ITEM_BUILTIN == NF_BUILTIN &&
              SHELF_ITEM_NORENAME == NF_NORENAME && SHELF_ITEM_NODROP == NF_NODROP &&
              SHELF_ITEM_CANADDBOOK == NF_CANADDBOOK && SHELF_ITEM_CANNEWCATA == NF_CANNEWCATA);
static_assert(SHELF_DEFAULT_COLOR == kDefaultItemColor && SHELF_NO_BOOK == kNoBookHandle);
static_assert(SHELF_NAME_SIZE >= kNameSize && SHELF_PATH_SIZE >= kPathSize);
static_assert(SHELF_IDS_BOOK_ALREADY_ADDED == IDS_BOOK_ALREADY_ADDED);

namespace {

template <size_t N> void CopyField(char* dst, size_t capacity, const char (&field)[N]) {
    (void)CopyFits(dst, capacity, std::string_view(field, FixedLength(field))); // every field fits
}

} // namespace

HWND CTavrinCtrl::GetTreeWindow() {
    HWND tree = g_shelfTree.GetSafeHwnd();
    return tree && ::IsWindow(tree) && ::GetParent(tree) == m_hWnd ? tree : nullptr;
}

HTREEITEM CTavrinCtrl::GetShelfRoot() {
    return GetTreeWindow() ? g_shelfTree.GetRootItem() : nullptr;
}

int CTavrinCtrl::GetItemInfo(HTREEITEM hItem, ShelfItemInfo* pInfo) {
    if (!pInfo) return 0;
    *pInfo = ShelfItemInfo{};
    HWND tree = GetTreeWindow();
    if (!tree || !hItem) return 0;
    char label[SHELF_NAME_SIZE] = "";
    TVITEMA tv{};
    tv.mask = TVIF_HANDLE | TVIF_PARAM | TVIF_TEXT | TVIF_IMAGE | TVIF_CHILDREN;
    tv.hItem = hItem;
    tv.pszText = label;
    tv.cchTextMax = sizeof label;
    if (!TreeView_GetItem(tree, &tv)) return 0;
    const TreeNode* node = reinterpret_cast<const TreeNode*>(tv.lParam);
    if (!node) return 0;

    pInfo->hItem = hItem;
    pInfo->pItemId = node; // a moved item keeps its node
    pInfo->hParent = TreeView_GetParent(tree, hItem);
    pInfo->hFirstChild = TreeView_GetChild(tree, hItem);
    pInfo->hNextSibling = TreeView_GetNextSibling(tree, hItem);
    pInfo->bHasChildren = pInfo->hFirstChild != nullptr || tv.cChildren != 0;
    pInfo->dwKind = node->nKind;
    pInfo->dwFlags = node->dwFlags;
    pInfo->dwBookHandle = kNoBookHandle;
    pInfo->nPage = SHELF_NO_PAGE;
    pInfo->crText = node->crText;
    pInfo->crBack = node->crBack;
    pInfo->iImage = tv.iImage;
    label[sizeof label - 1] = '\0';
    (void)CopyFits(pInfo->szName, label);
    CopyField(pInfo->szKey, sizeof pInfo->szKey, node->szKey);

    // A book's texts are in its code page, asked of its own driver (another driver's book may have the
    // same handle); the shelf's own texts are in the active code page.
    pInfo->uCodePage = ::GetACP();
    if (const BookRecord* book = BookOf(node)) {
        pInfo->dwBookHandle = book->dwBookHandle;
        CopyField(pInfo->szRegKey, sizeof pInfo->szRegKey, book->szRegKey);
        BindDriver(book->hDriver);
        pInfo->uCodePage = ReadCodePage(book->dwBookHandle);
    } else if (const ContentsRecord* entry = ContentsOf(node)) {
        pInfo->dwBookHandle = entry->dwBookHandle;
        BindDriver(entry->hDriver);
        if (g_cbi.CBIVPItemToPage) pInfo->nPage = g_cbi.CBIVPItemToPage(entry->dwBookHandle, entry->hVpItem);
        pInfo->uCodePage = ReadCodePage(entry->dwBookHandle);
    } else if (const CatalogRecord* catalog = CatalogOf(node)) {
        CopyField(pInfo->szCataKey, sizeof pInfo->szCataKey, catalog->szCataKey);
    }
    return 1;
}
