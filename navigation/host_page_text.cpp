// A page's text for the host (CTavrinCtrl::GetPageText): the page read whole from the book's driver and
// read as the markup or, for an HTML e-book, as HTML (navigation/page_text.h), in the book's code page.
// The book is named by its item, not its handle: each driver numbers its books itself, so two books of
// two drivers may have the same handle.
#include "tavrin/tavrin_ctrl.h"

#include "catalog/tree_walk.h"
#include "navigation/page_text.h"
#include "shelf/cbi_table.h"
#include "shelf/driver_text.h"
#include "shelf/globals.h"
#include "shelf/records.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <string>
#include <vector>

using namespace tavrin;

namespace {

struct BookAt {
    DWORD handle = kNoBookHandle;
    HMODULE driver = 0;
};

// The book of a book, dictionary or contents-entry item of the shelf's tree; no driver for any other.
BookAt BookOfItem(HWND tree, HTREEITEM item) {
    if (!tree || !item) return {};
    TVITEMA tv{};
    tv.mask = TVIF_HANDLE | TVIF_PARAM;
    tv.hItem = item;
    if (!TreeView_GetItem(tree, &tv)) return {};
    const TreeNode* node = reinterpret_cast<const TreeNode*>(tv.lParam);
    if (const BookRecord* book = BookOf(node)) return {book->dwBookHandle, book->hDriver};
    if (const ContentsRecord* entry = ContentsOf(node)) return {entry->dwBookHandle, entry->hDriver};
    return {};
}

// The page count of a book whose driver is bound; -1 when the driver serves no pages.
LONG PageCount(DWORD handle) {
    if (!g_cbi.CBIGetPageCount || !g_cbi.CBIGetPageSize || !g_cbi.CBIGetPage) return -1;
    const int32_t count = g_cbi.CBIGetPageCount(handle);
    return count < 0 ? 0 : count;
}

} // namespace

LONG CTavrinCtrl::GetBookPageCount(HTREEITEM hBook) {
    const BookAt book = BookOfItem(GetTreeWindow(), hBook);
    if (!book.driver) return -1;
    BindDriver(book.driver);
    return PageCount(book.handle);
}

int CTavrinCtrl::GetPageText(HTREEITEM hBook, LONG nPage, LPSTR pszText, DWORD* pdwLength) {
    if (!pdwLength) return SHELF_PAGE_NO_BOOK;
    const BookAt book = BookOfItem(GetTreeWindow(), hBook);
    if (!book.driver) return SHELF_PAGE_NO_BOOK;
    BindDriver(book.driver);
    const LONG count = PageCount(book.handle);
    if (count < 0) return SHELF_PAGE_NO_PAGES;
    if (nPage < 0 || nPage >= count) return SHELF_PAGE_NO_SUCH;
    const int32_t size = g_cbi.CBIGetPageSize(book.handle, nPage);
    if (size <= 0 || size > SHELF_PAGE_LARGEST) return SHELF_PAGE_BAD_SIZE;
    std::string text;
    try {
        std::vector<unsigned char> block(static_cast<size_t>(size) + 1, 0);
        int32_t length = g_cbi.CBIGetPage(book.handle, nPage, block.data(), size);
        if (length < 0) length = 0;
        if (length > size) length = size; // never more than the block holds
        CBICaps caps{};
        const bool html =
            g_cbi.CBIGetCaps && g_cbi.CBIGetCaps(book.handle, &caps) && (caps.wCaps & CBI_CAP_SHARED_HTML);
        text = html ? HtmlPageText(block.data(), static_cast<size_t>(length), ReadCodePage(book.handle))
                    : MarkupPageText(block.data(), static_cast<size_t>(length));
    } catch (const std::bad_alloc&) {
        return SHELF_PAGE_NO_MEMORY;
    }
    if (pszText && *pdwLength > 0) {
        const size_t copied = std::min<size_t>(text.size(), *pdwLength - 1);
        std::memcpy(pszText, text.data(), copied);
        pszText[copied] = '\0';
    }
    *pdwLength = static_cast<DWORD>(text.size() + 1);
    return SHELF_PAGE_OK;
}
