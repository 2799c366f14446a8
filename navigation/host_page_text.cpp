// A page's text for the host (CTavrinCtrl::GetPageText): the page read whole from the book's driver and
// read as the markup or, for an HTML e-book, as HTML (navigation/page_text.h), in the book's code page.
#include "tavrin/tavrin_ctrl.h"

#include "navigation/page_text.h"
#include "shelf/cbi_table.h"
#include "shelf/records.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <string>
#include <vector>

using namespace tavrin;

LONG CTavrinCtrl::GetBookPageCount(DWORD dwBookHandle) {
    HINSTANCE driver = GetBookDrvHandle(dwBookHandle);
    if (!driver) return -1;
    BindDriver(driver);
    if (!g_cbi.CBIGetPageCount || !g_cbi.CBIGetPageSize || !g_cbi.CBIGetPage) return -1;
    const int32_t count = g_cbi.CBIGetPageCount(dwBookHandle);
    return count < 0 ? 0 : count;
}

int CTavrinCtrl::GetPageText(DWORD dwBookHandle, LONG nPage, LPSTR pszText, DWORD* pdwLength) {
    if (!pdwLength) return SHELF_PAGE_NO_BOOK;
    HINSTANCE driver = GetBookDrvHandle(dwBookHandle);
    if (!driver) return SHELF_PAGE_NO_BOOK;
    const LONG count = GetBookPageCount(dwBookHandle);
    if (count < 0) return SHELF_PAGE_NO_PAGES;
    if (nPage < 0 || nPage >= count) return SHELF_PAGE_NO_SUCH;
    // The code page is asked first: asking binds the table, which the page calls below rely on.
    UINT codePage = GetBookCodePage(dwBookHandle);
    BindDriver(driver);
    const int32_t size = g_cbi.CBIGetPageSize(dwBookHandle, nPage);
    if (size <= 0 || size > SHELF_PAGE_LARGEST) return SHELF_PAGE_BAD_SIZE;
    std::string text;
    try {
        std::vector<unsigned char> block(static_cast<size_t>(size) + 1, 0);
        int32_t length = g_cbi.CBIGetPage(dwBookHandle, nPage, block.data(), size);
        if (length < 0) length = 0;
        if (length > size) length = size; // never more than the block holds
        CBICaps caps{};
        const bool html =
            g_cbi.CBIGetCaps && g_cbi.CBIGetCaps(dwBookHandle, &caps) && (caps.wCaps & CBI_CAP_SHARED_HTML);
        text = html ? HtmlPageText(block.data(), static_cast<size_t>(length), codePage)
                    : MarkupPageText(block.data(), static_cast<size_t>(length));
    } catch (const std::bad_alloc&) {
        return SHELF_PAGE_NO_MEMORY;
    }
    const DWORD needed = static_cast<DWORD>(text.size() + 1);
    if (pszText && *pdwLength > 0) {
        const size_t copied = std::min<size_t>(text.size(), *pdwLength - 1);
        std::memcpy(pszText, text.data(), copied);
        pszText[copied] = '\0';
    }
    *pdwLength = needed;
    return SHELF_PAGE_OK;
}
