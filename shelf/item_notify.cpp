// What the control tells its host about an item the user selected or clicked (WM_SHELF_NOTIFY, sent
// to the parent window): a book's handle, a contents entry's page, or a catalog's link or description.
// The records travel on this stack and are valid only while the message is sent.
#include "tavrin/tavrin_ctrl.h"

#include "catalog/catalog_link.h"
#include "shelf/cbi_table.h"
#include "shelf/globals.h"
#include "shelf/host_notify.h"
#include "shelf/records.h"

#include <string_view>

using namespace tavrin;

namespace {

// "No page" answers of CBIVPItemToPage: any negative page, and 65535.
bool IsPage(int32_t page) {
    return page >= 0 && page != CBI_NO_PAGE_16;
}

} // namespace

void CTavrinCtrl::NotifyHostOfItem(const TreeNode* node, BOOL bChapters) {
    if (!node || !node->pRecord) return;
    switch (node->nKind) {
    case NODE_CHAPTER:
        if (!bChapters) return;
        [[fallthrough]];
    case NODE_PAGE: {
        const ContentsRecord& contents = *ContentsOf(node);
        BindDriver(contents.hDriver);
        PageInfo info{};
        info.dwBookHandle = contents.dwBookHandle;
        info.hDriver = contents.hDriver;
        info.nPage = g_cbi.CBIVPItemToPage ? g_cbi.CBIVPItemToPage(contents.dwBookHandle, contents.hVpItem)
                                           : CBI_NO_PAGE;
        if (m_nSuppressNotify || !IsPage(info.nPage)) return;
        NotifyHost(m_hWnd, WM_SHELF_NOTIFY, SHELF_NOTIFY_PAGE, reinterpret_cast<LPARAM>(&info));
        return;
    }
    case NODE_CATALOG: {
        if (m_nSuppressNotify) return;
        const CatalogRecord& catalog = *CatalogOf(node);
        BindDriver(catalog.hDriver);
        std::string_view name(catalog.szCataName, FixedLength(catalog.szCataName));
        std::string_view key(catalog.szCataKey, FixedLength(catalog.szCataKey));
        if (catalog.dwCataType == CATA_SYSTEM) {
            char link[kNameSize] = {};
            BindDriver(m_hShelfDriver);
            if (!ReadCatalogLink(g_cbi, m_dwShelfHandle, catalog.hVpItem, link, sizeof link)) return;
            TrunkInfo info{};
            info.dwType = TRUNK_TYPE_RESOURCE_LINK;
            info.dwShelfHandle = m_dwShelfHandle;
            if (!CopyFits(info.szTrunk, link) || !CopyFits(info.szCataName, name)) return;
            NotifyHost(m_hWnd, WM_SHELF_NOTIFY, SHELF_NOTIFY_TRUNK, reinterpret_cast<LPARAM>(&info));
        } else if (catalog.dwCataType == CATA_USER) {
            TrunkInfo info{};
            info.dwType = TRUNK_TYPE_TRUNK;
            info.dwShelfHandle = m_dwShelfHandle;
            if (!CopyFits(info.szTrunk, key) || !CopyFits(info.szCataName, name)) return;
            NotifyHost(m_hWnd, WM_SHELF_NOTIFY, SHELF_NOTIFY_TRUNK, reinterpret_cast<LPARAM>(&info));
        } else if (catalog.dwCataType == CATA_ONLINE) {
            if (!g_cbi.GetDescFileURLbyClassID) return;
            // The key travels in a 33-byte field: a longer key is not this catalog's, so nothing is sent.
            CatalogDescInfo info{};
            if (!CopyFits(info.szCataKey, key)) return;
            char keyArg[kCataKeySize] = {};
            (void)CopyFits(keyArg, key); // the key came from a buffer of this size
            if (!g_cbi.GetDescFileURLbyClassID(keyArg, info.szDescURL)) return;
            info.szDescURL[sizeof info.szDescURL - 1] = '\0';
            NotifyHost(m_hWnd, WM_SHELF_NOTIFY, SHELF_NOTIFY_CATALOG_DESC, reinterpret_cast<LPARAM>(&info));
        }
        return;
    }
    case NODE_DICT:
    case NODE_BOOK:
        if (m_nSuppressNotify) return;
        NotifyHost(m_hWnd, WM_SHELF_NOTIFY, SHELF_NOTIFY_BOOK,
                   static_cast<LPARAM>(BookOf(node)->dwBookHandle));
        return;
    default:
        return; // the root tells nothing
    }
}
