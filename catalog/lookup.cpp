// Finding catalogs in the tree by what identifies them (stamp, key, a book file of their "BOOKS"
// section, the first level of their class id), and numbering the class id of a new catalog.
#include "tavrin/tavrin_ctrl.h"

#include "catalog/settings_page.h"
#include "catalog/tree_walk.h"
#include "shelf/cbi_table.h"
#include "shelf/globals.h"
#include "shelf/records.h"

#include <cstring>
#include <string_view>

using namespace tavrin;

namespace {

// Class ids: one byte per level, the first level on top.
constexpr DWORD Level1(DWORD id) {
    return (id >> 24) & 0xFF;
}
constexpr DWORD Level2(DWORD id) {
    return (id >> 16) & 0xFF;
}
constexpr DWORD Level3(DWORD id) {
    return (id >> 8) & 0xFF;
}

// A level holds at most this many classes.
constexpr DWORD kMaxClassesPerLevel = 240;
constexpr DWORD kNoClassId = 0xFFFFFFFF;

const CatalogRecord* CatalogItemRecord(const TreeNode* node) {
    return node && node->nKind == NODE_CATALOG ? CatalogOf(node) : nullptr;
}

} // namespace

HTREEITEM CTavrinCtrl::GetCatalogId(HTREEITEM hItem, DWORD tStamp) {
    return FindBelow(g_shelfTree, hItem, [&](HTREEITEM, const TreeNode* node) {
        const CatalogRecord* record = CatalogItemRecord(node);
        return record && record->tStamp == tStamp;
    });
}

HTREEITEM CTavrinCtrl::GetCatalogId(HTREEITEM hItem, LPCSTR lpszKey) {
    if (!lpszKey) return nullptr;
    return FindBelow(g_shelfTree, hItem, [&](HTREEITEM, const TreeNode* node) {
        const CatalogRecord* record = CatalogItemRecord(node);
        return record && std::string_view(record->szCataKey, FixedLength(record->szCataKey)) == lpszKey;
    });
}

HTREEITEM CTavrinCtrl::GetClassItem(HTREEITEM hItem, LPCSTR lpszBookFile, HTREEITEM* phInsertAfter) {
    // An empty name would match the first book line of any catalog.
    if (!lpszBookFile || !*lpszBookFile) return nullptr;
    BindDriver(m_hShelfDriver);
    char value[kNameSize];
    HTREEITEM found = FindBelow(g_shelfTree, hItem, [&](HTREEITEM, const TreeNode* node) {
        const CatalogRecord* record = CatalogItemRecord(node);
        if (!record || record->dwCataType != CATA_SYSTEM) return false;
        // The table stays bound to the shelf driver for the whole walk: one binding, not one per page.
        return ReadCatalogSetting(g_cbi, m_dwShelfHandle, record->hVpItem, "BOOKS", lpszBookFile, value,
                                  sizeof value);
    });
    if (found && phInsertAfter) *phInsertAfter = std::strcmp(value, "1") == 0 ? TVI_FIRST : TVI_LAST;
    return found;
}

HTREEITEM CTavrinCtrl::FindCatalog(HTREEITEM hItem, DWORD dwLevel) {
    return FindBelow(g_shelfTree, hItem, [&](HTREEITEM, const TreeNode* node) {
        return node && Level1(node->dwClassId) == dwLevel;
    });
}

DWORD CTavrinCtrl::GetClassID(HTREEITEM hItem) {
    const TreeNode* node = NodeOfItem(g_shelfTree, hItem);
    if (!node) return kNoClassId;
    // The count goes on past 255: a full level gives no id rather than one that wraps to an id in use.
    DWORD children = 0;
    for (HTREEITEM child = g_shelfTree.GetChildItem(hItem); child && children <= kMaxClassesPerLevel;
         child = g_shelfTree.GetNextSiblingItem(child))
        ++children;
    DWORD next = children + 1;
    if (next > kMaxClassesPerLevel) return kNoClassId;
    DWORD id = node->dwClassId;
    if (Level3(id) != 0) return (id & 0xFFFFFF00) | next;
    if (Level2(id) != 0) return (id & 0xFFFF0000) | (next << 8);
    if (Level1(id) != 0) return (id & 0xFF000000) | (next << 16);
    return next << 24;
}

int CTavrinCtrl::IsFstLevelClass(HTREEITEM hItem) {
    const TreeNode* node = NodeOfItem(g_shelfTree, hItem);
    return node && Level2(node->dwClassId) == 0 ? 1 : 0;
}
