// Reading one page of a book as text, as the host shows it: through the book's driver, in the book's
// code page.
#pragma once

#include "tavrin/tavrin_ctrl.h"

#include <optional>
#include <string>

namespace tavrin::host {

struct PageText {
    std::string text;  // lines separated by "\n", in codePage
    UINT codePage = 0; // the book's code page
};

// Page `page` (counted from 0) of the book with handle `book`. Nothing, with the reason in *error,
// when the book is not on the shelf, its driver serves no pages, the page is beyond its last or the
// driver reports a size the host will not read.
std::optional<PageText> ReadPageText(CTavrinCtrl& shelf, DWORD book, long page, std::string* error);

} // namespace tavrin::host
