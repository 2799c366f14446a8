// The delete command (Delete): a book leaves the shelf and the registry, or the HTML e-book store; an
// empty catalog leaves the shelf. Dictionaries, contents entries and the root are never deleted here.
#include "tavrin/tavrin_ctrl.h"

#include "catalog/tree_walk.h"
#include "registry/book_registry.h"
#include "resources/resource_ids.h"
#include "shelf/cbi_table.h"
#include "shelf/globals.h"
#include "shelf/host_notify.h"
#include "shelf/records.h"

#include <string>

using namespace tavrin;

namespace {

// The confirmation for removing a catalog: fixed Traditional Chinese texts (Big5), the same in every
// language. "Remove this catalog?" and "Confirm removing the catalog".
constexpr const char* kRemoveCatalogText =
    "\xAD\x6E\xB2\xBE\xB0\xA3\xB3\x6F\xAD\xD3\xA4\xC0\xC3\xFE\xB6\xDC\xA1\x48";
constexpr const char* kRemoveCatalogCaption = "\xBD\x54\xBB\x7B\xB2\xBE\xB0\xA3\xA4\xC0\xC3\xFE";

HTREEITEM CommandTarget() {
    HTREEITEM target = g_shelfTree.GetDropHilightItem();
    return target ? target : g_shelfTree.GetSelectedItem();
}

} // namespace

void CTavrinCtrl::Delete() {
    HTREEITEM target = CommandTarget();
    TreeNode* node = NodeOfItem(g_shelfTree, target);
    if (!node) return;

    if (node->nKind == NODE_BOOK) {
        BookRecord* book = BookOf(node);
        if (!book) return;
        HMODULE own = ::GetModuleHandleA("Tavrin.dll");
        char text[kPathSize] = "";
        char caption[kPathSize] = "";
        ::LoadStringA(own, IDS_CONFIRM_REMOVE_BOOK, text, sizeof text);
        ::LoadStringA(own, IDS_REMOVE_BOOK_CAPTION, caption, sizeof caption);
        if (::MessageBoxA(m_hWnd, text, caption, MB_YESNO | MB_ICONINFORMATION) != IDYES) return;

        BindDriver(book->hDriver);
        CBICaps caps{};
        if (g_cbi.CBIGetCaps) g_cbi.CBIGetCaps(book->dwBookHandle, &caps);
        // Posted: the host hears of it after the item and its records are gone.
        NotifyHost(m_hWnd, WM_SHELF_BOOKCLOSED, 0, static_cast<LPARAM>(book->dwBookHandle));

        if (caps.wCaps & CBI_CAP_SHARED_HTML) {
            // A book of the HTML e-book store: the item goes first, then the store forgets the book.
            HTREEITEM parent = g_shelfTree.GetParentItem(target);
            BookRecord copy = *book;
            copy.pHostData = nullptr; // the copy owns nothing
            g_shelfTree.DeleteItem(target);
            BindDriver(copy.hDriver);
            if (g_cbi.CBIShelfDelBook) g_cbi.CBIShelfDelBook(copy.szFilePath);
            // The catalog it emptied goes too; the root never does (the shelf hangs everything on it).
            if (parent && parent != m_hRoot && !g_shelfTree.GetChildItem(parent))
                g_shelfTree.DeleteItem(parent);
            return;
        }

        // A registered book: the registration goes first, then the item (whatever became of the
        // registration); its catalog stays, even when empty now.
        std::string regKey(book->szRegKey, FixedLength(book->szRegKey));
        if (!UnRegister(regKey.c_str(), "", "")) {
            char failed[kPathSize] = "";
            char errorCaption[kPathSize] = "";
            ::LoadStringA(own, IDS_UNREGISTER_FAILED, failed, sizeof failed);
            ::LoadStringA(own, IDS_ERROR, errorCaption, sizeof errorCaption);
            ::MessageBoxA(m_hWnd, failed, errorCaption, MB_OK);
        }
        g_shelfTree.DeleteItem(target);
        return;
    }

    if (node->nKind == NODE_CATALOG) {
        if (g_shelfTree.GetChildItem(target)) return; // only empty catalogs are removed
        if (::MessageBoxA(m_hWnd, kRemoveCatalogText, kRemoveCatalogCaption, MB_YESNO | MB_ICONINFORMATION) ==
            IDYES)
            g_shelfTree.DeleteItem(target);
    }
}
