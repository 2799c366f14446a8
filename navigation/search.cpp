// The host's full-text search: every page of one book, or of every book on the shelf, read through
// the book's driver and tested as SearchPageText does; every page that holds the text is reported to the
// host's callback with the book's name and number and the contents entry that holds the page.
//
// One search at a time: the scratch area and the stop flag are program-wide, so a search that the
// callback starts while another runs is refused and the running one goes on unharmed.
#include "tavrin/tavrin_ctrl.h"

#include "catalog/tree_walk.h"
#include "navigation/page_ahead.h"
#include "navigation/page_prefilter.h"
#include "navigation/search_bytes.h"
#include "navigation/search_text.h"
#include "registry/book_registry.h"
#include "shelf/cbi_table.h"
#include "shelf/driver_text.h"
#include "shelf/globals.h"
#include "shelf/records.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

using namespace tavrin;

namespace {

bool g_searchRunning = false;

constexpr DWORD kAllBooks = 0xFFFFFFFF;
constexpr const char* kOutOfMemory = "Out of memory";

void BindTo(HMODULE driver) {
    if (BoundDriver() != driver) BindDriver(driver);
}

CBICaps ReadCaps(DWORD book) {
    CBICaps caps{};
    if (g_cbi.CBIGetCaps) g_cbi.CBIGetCaps(book, &caps);
    return caps;
}

int32_t PageCount(DWORD book) {
    return g_cbi.CBIGetPageCount ? g_cbi.CBIGetPageCount(book) : 0;
}

// Replaces an HTML page in its block by the texts between its tags, joined; the new length, or n
// when the page has no such texts.
size_t JoinTagTexts(unsigned char* block, size_t n) {
    std::vector<std::string> texts;
    if (!ExtractTagText(reinterpret_cast<const char*>(block), n, texts)) return n;
    size_t length = 0;
    // The texts are bytes of the page, so together they never outgrow it.
    for (const std::string& t : texts) {
        std::memcpy(block + length, t.data(), t.size());
        length += t.size();
    }
    block[length] = 0;
    return length;
}

} // namespace

int CTavrinCtrl::Search(DWORD dwBookHandle, char* lpszText, int bMatchCase, void* pfnCallback) {
    if (g_searchRunning) return 0;
    if (!search::ReserveScratch(kSearchBufferSize)) {
        AfxMessageBox(kOutOfMemory, MB_OK);
        return 0;
    }
    g_searchRunning = true;
    g_bSearchStop = 0;
    int result = 1;
    if (dwBookHandle == kAllBooks) {
        SearchAllBooks(m_hRoot, lpszText, bMatchCase, pfnCallback);
    } else if (HTREEITEM item = FindBook(m_hRoot, dwBookHandle)) {
        SearchOnBook(NodeOfItem(g_shelfTree, item), lpszText, bMatchCase, pfnCallback);
    } else {
        result = 0;
    }
    search::ReleaseScratch();
    g_searchRunning = false;
    return g_bSearchStop ? 0 : result;
}

void CTavrinCtrl::SearchAllBooks(HTREEITEM hStart, char* lpszText, int bMatchCase, void* pfnCallback) {
    if (g_bSearchStop) return;
    HTREEITEM next = nullptr;
    for (HTREEITEM child = g_shelfTree.GetChildItem(hStart); child && !g_bSearchStop; child = next) {
        // Taken first: the host's callback may delete the child (and its subtree) while it is searched.
        next = g_shelfTree.GetNextSiblingItem(child);
        TreeNode* node = NodeOfItem(g_shelfTree, child);
        if (node && node->nKind == NODE_BOOK) SearchOnBook(node, lpszText, bMatchCase, pfnCallback);
        SearchAllBooks(child, lpszText, bMatchCase, pfnCallback);
        if (g_bSearchStop) return;
    }
}

int CTavrinCtrl::SearchOnBook(TreeNode* pNode, char* lpszText, int bMatchCase, void* pfnCallback) {
    const BookRecord* record = BookOf(pNode);
    if (!record) return 1;
    // The callback may change the shelf; the search keeps what it needs of the book.
    const DWORD book = record->dwBookHandle;
    const HMODULE driver = record->hDriver;
    auto callback = reinterpret_cast<SearchCallback>(pfnCallback);
    BindDriver(driver);
    const WORD caps = ReadCaps(book).wCaps;
    const bool html = (caps & CBI_CAP_SHARED_HTML) != 0;
    // Asked once, and again after each call of the host's callback, which may change the book.
    int32_t pages = PageCount(book);
    if (pages <= 0) return 1;

    const int matchCase = bMatchCase != 0;
    std::string needle = lpszText ? lpszText : "";
    if (!matchCase)
        for (char& c : needle)
            c = static_cast<char>(search::Fold(static_cast<unsigned char>(c)));
    const auto* pattern = reinterpret_cast<const unsigned char*>(needle.data());
    const size_t rare = search::RarestByte(pattern, needle.size());
    const search::PagePrefilter filter(pattern, needle.size(), !matchCase, rare);
    search::PageAhead ahead(filter, true);

    enum class Go { On, BookEnds, Stop };
    // The book's number (what GetBookNo does) and name, asked once: a common word hits tens of
    // thousands of pages of a dictionary.
    char number[kBookNoSize] = {};
    char name[CBI_NAME_CAPACITY];
    FormBookNo(book, number);
    ReadBookName(book, name, sizeof name, CBI_NAME_CAPACITY - 1);
    const bool contents = g_cbi.CBIVPGetItemText && g_cbi.CBIVPPageToItem && (caps & CBI_CAP_CONTENTS);

    // Reports one page that holds the text to the host.
    auto report = [&](int32_t page) {
        char entry[CBI_ITEM_TEXT_CAPACITY] = {};
        BindTo(driver);
        if (contents) ReadItemText(book, g_cbi.CBIVPPageToItem(book, page), entry, sizeof entry);
        SearchHit hit{name, number, page, entry};
        const unsigned freedBefore = g_nBooksFreed;
        if (callback && callback(book, &hit) == 0) {
            g_bSearchStop = 1;
            return Go::Stop;
        }
        // The host may have taken books off the shelf meanwhile. If this one went, its handle is
        // closed and its driver perhaps unloaded: its search ends here (the walk goes on with the
        // books still there).
        if (g_nBooksFreed != freedBefore) {
            HTREEITEM item = FindBook(m_hRoot, book);
            const BookRecord* still = item ? BookOf(NodeOfItem(g_shelfTree, item)) : nullptr;
            if (!still || still->hDriver != driver) return Go::BookEnds;
            BindDriver(driver); // the table may point into a library released since
        }
        // The callback may have called into other drivers, and changed the book.
        BindTo(driver);
        pages = PageCount(book);
        return Go::On;
    };
    // Takes the oldest batch back: its pages in order, each searched through when the quick look let
    // it pass.
    auto takeBack = [&] {
        const search::PageAhead::Batch& batch = ahead.Oldest();
        Go go = Go::On;
        for (const search::PageAhead::Page& page : batch.pages) {
            // Pages read ahead of a callback that shortened the book are past its end now.
            if (page.number >= pages) break;
            if (page.mayHold &&
                (page.checked || search::SearchPassedPage(pattern, needle.size(), !matchCase, rare,
                                                          batch.Bytes(page), page.length, page.stop))) {
                go = report(page.number);
                if (go != Go::On) break;
            }
        }
        ahead.Done();
        return go;
    };
    auto takeBackAll = [&] {
        while (!ahead.Empty())
            if (takeBack() != Go::On) return false;
        return true;
    };

    // Hands the batch being filled over to be looked at, and takes batches back until one is free.
    auto handOver = [&] {
        ahead.Hand(true);
        while (ahead.Full())
            if (takeBack() != Go::On) return false;
        // A message box shown meanwhile may have let the host call into other drivers.
        BindTo(driver);
        return true;
    };

    // A driver that reads a run of pages at once fills the batch with as many as fit, and a run
    // that does not fit what is left of it goes on in the next batch; a page longer than a batch
    // (and every page, from a driver without runs, or of an HTML book, whose pages shrink once read)
    // is read on its own.
    const bool runs = g_cbi.CBIGetPages && !html;
    std::vector<int32_t> lengths(search::PageAhead::kBatchPages);
    for (int32_t page = 0; page < pages;) {
        if (runs) {
            const search::PageAhead::Space space = ahead.Free();
            const auto wanted =
                static_cast<int32_t>(std::min<size_t>(space.pages, static_cast<size_t>(pages - page)));
            const auto bytes = static_cast<int32_t>(std::min<size_t>(space.bytes, INT32_MAX));
            const int32_t read =
                space.at ? g_cbi.CBIGetPages(book, page, space.at, bytes, lengths.data(), wanted) : 0;
            if (read > 0) {
                const size_t taken =
                    ahead.AddRun(page, lengths.data(), static_cast<size_t>(std::min(read, wanted)),
                                 static_cast<size_t>(bytes));
                if (taken > 0) {
                    page += static_cast<int32_t>(taken);
                    continue;
                }
            }
            if (ahead.Filled()) {
                if (!handOver()) return 1;
                continue;
            }
        }
        int32_t size = g_cbi.CBIGetPageSize ? g_cbi.CBIGetPageSize(book, page) : 0;
        if (size < 0) size = 0;
        const size_t room = static_cast<size_t>(size) + 1;
        const bool filled = ahead.Filled();
        unsigned char* block = ahead.Room(room);
        if (!block && filled) {
            // The batch is full: it goes to be looked at, and the pages looked at are reported, as
            // many batches as it takes to have one to fill again.
            if (!handOver()) return 1;
            if (page >= pages) break;
            block = ahead.Room(room);
        }
        if (!block) {
            // An empty batch without room: no block of that size was to be had. The pages read so
            // far are reported before this book's search ends.
            ahead.Hand();
            if (!takeBackAll()) return 1;
            AfxMessageBox(kOutOfMemory, MB_OK);
            return 0;
        }
        int32_t length = size > 0 && g_cbi.CBIGetPage ? g_cbi.CBIGetPage(book, page, block, size) : 0;
        // A driver that claims more than the block holds is taken at the block's size.
        size_t n = static_cast<size_t>(std::clamp(length, int32_t{0}, size));
        block[n] = 0;
        if (html) n = JoinTagTexts(block, n);
        ahead.Add(page, n);
        ++page;
    }
    ahead.Hand();
    takeBackAll();
    return 1;
}
