#include "catalog/catalog_link.h"

#include "catalog/settings_page.h"

#include <cstring>

namespace tavrin {

bool ReadCatalogLink(const CbiTable& cbi, DWORD shelfHandle, DWORD hVpItem, char* link, size_t capacity) {
    if (!link || capacity == 0) return false;
    if (!ReadCatalogSetting(cbi, shelfHandle, hVpItem, "CONFIG", "RID", link, capacity)) return false;
    link[capacity - 1] = '\0';
    return std::strcmp(link, "0") != 0; // "0" links nowhere
}

CatalogLink LinkOfCatalog(const CbiTable& cbi, DWORD shelfHandle, const TreeNode* node, char* link) {
    if (!node || node->nKind != NODE_CATALOG) return CatalogLink::None;
    const CatalogRecord* record = CatalogOf(node);
    if (!record) return CatalogLink::None;
    if (record->dwCataType == CATA_USER) return CatalogLink::User;
    if (record->dwCataType != CATA_SYSTEM) return CatalogLink::None;
    char own[kNameSize] = {};
    char* into = link ? link : own;
    return ReadCatalogLink(cbi, shelfHandle, record->hVpItem, into, kNameSize) ? CatalogLink::Resource
                                                                               : CatalogLink::None;
}

} // namespace tavrin
