// What the shelf tells the reader (WM_SHELF_*), and the page it reports shown in the pane: a book's
// first page when a book is chosen, an entry's page when a contents entry is, a catalog's name (and an
// online catalog's description) when a catalog is. Records the shelf sends live only during the send:
// what is kept is copied, and pages are read once the shelf is done.
#include "reader_app.h"

#include "book_page.h"
#include "shelf_items.h"

#include "commctrl.h"
#include "plat/resources.h"

namespace tavrin::reader {

void ReaderApp::OnShelfMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    dirty_ = true;
    if (msg == WM_SHELF_BOOKCLOSED) {
        if (static_cast<DWORD>(lParam) == shownBook_) {
            shownBook_ = 0xFFFFFFFF;
            pane_.ShowText("", "");
        }
        if (pendingPage_ && pendingPage_->book == static_cast<DWORD>(lParam)) pendingPage_.reset();
        return;
    }
    if (msg == WM_SHELF_DROPTEXT) {
        // The record lives only during the send: the text is kept and looked up when the drop is over.
        const auto* info = reinterpret_cast<const DropTextInfo*>(lParam);
        if (info && info->pszText) pendingDrop_ = PendingDrop{info->dwBookHandle, info->pszText};
        return;
    }
    switch (wParam) {
    case SHELF_NOTIFY_BOOK:
        pendingPage_ = PendingPage{static_cast<DWORD>(lParam), -1};
        break;
    case SHELF_NOTIFY_PAGE:
        if (lParam) {
            const auto* page = reinterpret_cast<const PageInfo*>(lParam);
            pendingPage_ = PendingPage{page->dwBookHandle, page->nPage};
        }
        break;
    case SHELF_NOTIFY_TRUNK:
        if (lParam) {
            const auto* trunk = reinterpret_cast<const TrunkInfo*>(lParam);
            pendingPage_.reset();
            shownBook_ = 0xFFFFFFFF;
            pane_.ShowText(plat::ToUtf8(host::FieldText(trunk->szCataName)), "");
        }
        break;
    case SHELF_NOTIFY_CATALOG_DESC:
        if (lParam) {
            const auto* desc = reinterpret_cast<const CatalogDescInfo*>(lParam);
            pendingPage_.reset();
            shownBook_ = 0xFFFFFFFF;
            pane_.ShowText(plat::ToUtf8(host::FieldText(desc->szCataKey)),
                           "Description: " + plat::ToUtf8(host::FieldText(desc->szDescURL)));
        }
        break;
    default:
        break;
    }
}

void ReaderApp::ShowPending() {
    if (!pendingPage_) return;
    const PendingPage pending = *pendingPage_;
    pendingPage_.reset();
    dirty_ = true;
    const HWND tree = Tree();
    // The book's item: the first book or dictionary with the reported handle.
    std::string title;
    HTREEITEM bookItem = nullptr;
    host::ForEachItem(tree, TreeView_GetRoot(tree), [&](HTREEITEM item, int) {
        if (bookItem) return;
        const ShelfItemInfo info = host::InfoOf(*shelf_, item);
        if (info.dwBookHandle == pending.book &&
            (info.dwKind == SHELF_ITEM_BOOK || info.dwKind == SHELF_ITEM_DICTIONARY)) {
            bookItem = item;
            title = LabelUtf8(*shelf_, tree, item);
        }
    });
    const long page = pending.page < 0 ? 0 : pending.page;
    title += (title.empty() ? "page " : "  \xE2\x80\x94  page ") + std::to_string(page);
    std::string error = "the book is not on the shelf";
    auto text = bookItem ? host::ReadPageText(*shelf_, tree, bookItem, page, &error) : std::nullopt;
    shownBook_ = pending.book;
    if (text)
        pane_.ShowText(title, plat::ToUtf8(text->text, text->codePage));
    else
        pane_.ShowText(title, "(this page cannot be shown: " + error + ")");
}

} // namespace tavrin::reader
