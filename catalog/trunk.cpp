// Trunks: named branches of the shelf that the host asks for by name, and the trunk status that
// chooses the on-line or off-line image columns of every item.
#include "tavrin/tavrin_ctrl.h"

#include "catalog/catalog_link.h"
#include "catalog/names.h"
#include "catalog/tree_walk.h"
#include "shelf/cbi_table.h"
#include "shelf/globals.h"
#include "shelf/records.h"

#include <string_view>

using namespace tavrin;

namespace {

// Fills the record for a trunk found as `node`: what GetTrunkInfo hands the host.
void FillTrunkInfo(TrunkInfo& info, DWORD shelfHandle, const CatalogRecord& record, std::string_view name) {
    info.dwType = TRUNK_TYPE_TRUNK;
    info.dwShelfHandle = shelfHandle;
    // Both fit: a name that matched is a key or a "RID" value (at most 255 characters), and the catalog's
    // name buffer is smaller than the record's.
    (void)CopyFits(info.szTrunk, name);
    (void)CopyFits(info.szCataName, std::string_view(record.szCataName, FixedLength(record.szCataName)));
}

} // namespace

HTREEITEM CTavrinCtrl::GetTrunkClassID(HTREEITEM hItem, LPCSTR lpszTrunk, TrunkInfo* pInfo) {
    // An empty name is no trunk (user catalogs have empty keys and would all match it).
    if (!lpszTrunk || !*lpszTrunk) return nullptr;
    std::string_view name(lpszTrunk);
    if (name.size() >= TRUNK_TEXT_SIZE) return nullptr; // longer than any key or link can be
    // Links are read through the shelf driver; the table stays bound to it for the whole walk.
    BindDriver(m_hShelfDriver);
    char link[kNameSize];
    HTREEITEM found = FindBelow(g_shelfTree, hItem, [&](HTREEITEM, const TreeNode* node) {
        if (!node || node->nKind != NODE_CATALOG || !node->pRecord) return false;
        const CatalogRecord& record = *CatalogOf(node);
        if (record.dwCataType == CATA_USER || record.dwCataType == CATA_ONLINE)
            return EqualNoCase(std::string_view(record.szCataKey, FixedLength(record.szCataKey)), name);
        if (record.dwCataType != CATA_SYSTEM) return false;
        // A system catalog is a trunk by its link; "0" is no link.
        return ReadCatalogLink(g_cbi, m_dwShelfHandle, record.hVpItem, link, sizeof link) &&
               EqualNoCase(link, name);
    });
    if (found && pInfo)
        FillTrunkInfo(*pInfo, m_dwShelfHandle, *CatalogOf(NodeOfItem(g_shelfTree, found)), name);
    return found;
}

int CTavrinCtrl::GetTrunkInfo(LPCSTR lpszTrunk, TrunkInfo* pInfo) {
    if (!pInfo) return 0;
    return GetTrunkClassID(m_hRoot, lpszTrunk, pInfo) ? 1 : 0;
}

int CTavrinCtrl::SetTrunkStatus(TrunkInfo*, int nStatus) {
    if (m_nTrunkStatus == nStatus) return 0;
    m_nTrunkStatus = nStatus;
    SetTrunkImages(m_hRoot);
    return 1;
}

void CTavrinCtrl::SetTrunkImages(HTREEITEM hItem) {
    ForEachBelow(g_shelfTree, hItem, [&](HTREEITEM item, const TreeNode*) {
        SetItemImages(item, (g_shelfTree.GetItemState(item, TVIS_EXPANDED) & TVIS_EXPANDED) ? 1 : 0);
    });
}
