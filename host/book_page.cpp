// A page of a book as text.
#include "book_page.h"

#include "shelf_items.h"

#include <algorithm>

namespace tavrin::host {

namespace {

// Why GetPageText read no page, as the user is told.
std::string PageRefusal(CTavrinCtrl& shelf, HTREEITEM book, int result) {
    switch (result) {
    case SHELF_PAGE_NO_PAGES:
        return "the book's driver serves no pages";
    case SHELF_PAGE_NO_SUCH:
        return "the book has " + std::to_string(std::max<LONG>(shelf.GetBookPageCount(book), 0)) + " page(s)";
    case SHELF_PAGE_BAD_SIZE:
        return "the driver reports a page size the shelf cannot read";
    case SHELF_PAGE_NO_MEMORY:
        return "no memory for the page";
    default:
        return "the book left the shelf";
    }
}

} // namespace

std::optional<PageText> ReadPageText(CTavrinCtrl& shelf, HWND tree, HTREEITEM book, long page,
                                     std::string* error) {
    DWORD length = 0;
    int result = shelf.GetPageText(book, static_cast<LONG>(page), nullptr, &length);
    PageText out;
    if (result == SHELF_PAGE_OK) {
        out.text.resize(length);
        result = shelf.GetPageText(book, static_cast<LONG>(page), out.text.data(), &length);
        out.text.resize(out.text.empty() ? 0 : out.text.size() - 1);
    }
    if (result != SHELF_PAGE_OK) {
        *error = PageRefusal(shelf, book, result);
        return std::nullopt;
    }
    // The page's texts are in the book's code page (the active one when the driver does not say).
    out.codePage = ItemCodePage(shelf, tree, book);
    return out;
}

} // namespace tavrin::host
