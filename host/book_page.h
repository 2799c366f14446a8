// Reading one page of a book as text, as the host shows it: through the shelf's public reading of a
// page, in the book's code page.
#pragma once

#include "windows.h"

#include "commctrl.h"
#include "tavrin/tavrin_ctrl.h"

#include <optional>
#include <string>

namespace tavrin::host {

struct PageText {
    std::string text;  // lines separated by "\n", in codePage
    UINT codePage = 0; // the book's code page
};

// Page `page` (counted from 0) of the book whose item is `book` (a book or dictionary item of the
// shelf's tree `tree`). Nothing, with the reason in *error, when the book has left the shelf, its
// driver serves no pages, the page is beyond its last or the driver reports a size the shelf will not
// read.
std::optional<PageText> ReadPageText(CTavrinCtrl& shelf, HWND tree, HTREEITEM book, long page,
                                     std::string* error);

} // namespace tavrin::host
