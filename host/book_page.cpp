// A page of a book as text.
#include "book_page.h"

#include "page_text.h"

#include "plat/resources.h"
#include "tavrin/cbi.h"

#include <cstdint>
#include <vector>

namespace tavrin::host {

namespace {

constexpr int32_t kLargestPage = 64 * 1024 * 1024; // what the host is willing to read of one page

} // namespace

std::optional<PageText> ReadPageText(CTavrinCtrl& shelf, DWORD book, long page, std::string* error) {
    HMODULE driver = book == 0xFFFFFFFF ? 0 : shelf.GetBookDrvHandle(book);
    if (!driver) {
        *error = "the book is not on the shelf";
        return std::nullopt;
    }
    auto getCaps = reinterpret_cast<PFN_CBIGetCaps>(GetProcAddress(driver, "CBIGetCaps"));
    auto pageCount = reinterpret_cast<PFN_CBIGetPageCount>(GetProcAddress(driver, "CBIGetPageCount"));
    auto pageSize = reinterpret_cast<PFN_CBIGetPageSize>(GetProcAddress(driver, "CBIGetPageSize"));
    auto getPage = reinterpret_cast<PFN_CBIGetPage>(GetProcAddress(driver, "CBIGetPage"));
    if (!pageCount || !pageSize || !getPage) {
        *error = "the book's driver serves no pages";
        return std::nullopt;
    }
    const int32_t count = pageCount(book);
    if (page < 0 || page >= count) {
        *error = "the book has " + std::to_string(count < 0 ? 0 : count) + " page(s)";
        return std::nullopt;
    }
    const int32_t size = pageSize(book, static_cast<int32_t>(page));
    if (size <= 0 || size > kLargestPage) {
        *error = "the driver reports a page size of " + std::to_string(size);
        return std::nullopt;
    }
    std::vector<unsigned char> block(static_cast<size_t>(size) + 1, 0);
    int32_t length = getPage(book, static_cast<int32_t>(page), block.data(), size);
    if (length < 0) length = 0;
    if (length > size) length = size; // never more than the block holds
    CBICaps caps{};
    const bool html = getCaps && getCaps(book, &caps) && (caps.wCaps & CBI_CAP_SHARED_HTML);
    // The page's texts are in the book's code page (GetBookCodePage answers the active one when the
    // driver does not say).
    PageText out;
    out.codePage = shelf.GetBookCodePage(book);
    out.text = html ? HtmlPageText(block.data(), static_cast<size_t>(length),
                                   out.codePage ? out.codePage : plat::CodePage())
                    : MarkupPageText(block.data(), static_cast<size_t>(length));
    return out;
}

} // namespace tavrin::host
