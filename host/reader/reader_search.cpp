// Searching from the reading pane: book by book, each for the text in its own code page, the hits
// streaming into the pane as the shelf reports them. Between hits the reader looks at the person's
// input without waiting: the Stop button, Esc and closing the window end the search.
#include "reader_app.h"

#include "shelf_items.h"

#include "terminal_text.h"
#include "plat/resources.h"

#include <cstdio>
#include <vector>

namespace tavrin::reader {

namespace {

using Kind = plat::UserInput::Kind;

ReaderApp* g_searching = nullptr; // the reader whose search is running, for the shelf's callback

constexpr auto kPaintInterval = std::chrono::milliseconds(50);

bool Inside(const RECT& r, POINT p) {
    return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom;
}

} // namespace

int ReaderApp::HitCallback(DWORD book, const SearchHit* hit) {
    return g_searching && hit ? g_searching->OnHit(book, hit) : 0;
}

int ReaderApp::OnHit(DWORD book, const SearchHit* hit) {
    const UINT cp = searchCodePage_;
    std::string label = plat::ToUtf8(hit->pszBookName ? hit->pszBookName : "", cp);
    label += "  page " + std::to_string(hit->nPage);
    if (hit->pszEntryText && *hit->pszEntryText) label += "  " + plat::ToUtf8(hit->pszEntryText, cp);
    pane_.AddHit(Hit{book, static_cast<long>(hit->nPage), label});
    pane_.SetProgress(std::to_string(pane_.Hits().size()) + " hit(s) so far...");
    PollDuringSearch();
    return stopSearch_ ? 0 : 1;
}

void ReaderApp::PollDuringSearch() {
    plat::UserInput input;
    while (screen_.WaitInput(&input, 0)) {
        if (input.kind == Kind::Quit) {
            quit_ = true;
            stopSearch_ = true;
        } else if (input.kind == Kind::ButtonDown && input.button == 1 &&
                   Inside(pane_.ButtonRect(), input.screen)) {
            stopSearch_ = true;
        } else if (input.kind == Kind::KeyDown && input.vk == VK_ESCAPE) {
            stopSearch_ = true;
        }
        // Anything else waits for the search to end (it is dropped: the pane shows it is searching).
    }
    if (std::chrono::steady_clock::now() - lastSearchPaint_ >= kPaintInterval) {
        lastSearchPaint_ = std::chrono::steady_clock::now();
        Paint();
    }
}

void ReaderApp::Search(const std::string& utf8, std::optional<DWORD> book) {
    if (utf8.empty()) {
        pane_.SetProgress("Type a word to search for");
        pane_.FocusField(true);
        dirty_ = true;
        return;
    }
    if (g_searching) return; // the shelf runs one search at a time
    struct Target {
        DWORD handle;
        UINT codePage;
    };
    std::vector<Target> targets;
    const HWND tree = Tree();
    if (book) {
        targets.push_back({*book, shelf_->GetBookCodePage(*book)});
    } else {
        host::ForEachItem(tree, TreeView_GetRoot(tree), [&](HTREEITEM item, int) {
            const ShelfItemInfo info = host::InfoOf(*shelf_, item);
            if (info.dwKind == SHELF_ITEM_BOOK) {
                const DWORD handle = info.dwBookHandle;
                targets.push_back({handle, shelf_->GetBookCodePage(handle)});
            }
        });
    }
    if (targets.empty()) {
        Note("There is no book on the shelf to search");
        return;
    }
    pane_.StartSearch();
    stopSearch_ = false;
    g_searching = this;
    lastSearchPaint_ = {};
    Paint();
    size_t leftOut = 0, failed = 0;
    for (const Target& target : targets) {
        if (stopSearch_) break;
        const UINT cp = target.codePage ? target.codePage : plat::CodePage();
        std::optional<std::string> held = host::FromUtf8Exactly(utf8, cp);
        if (!held) {
            ++leftOut; // the book's code page cannot hold the text
            continue;
        }
        std::string text = std::move(*held);
        searchCodePage_ = cp;
        if (!shelf_->Search(target.handle, text.data(), 0,
                            reinterpret_cast<void*>(&ReaderApp::HitCallback)) &&
            !stopSearch_)
            ++failed;
        PollDuringSearch();
    }
    g_searching = nullptr;
    std::string line =
        std::to_string(pane_.Hits().size()) + " hit(s); " + (stopSearch_ ? "stopped" : "searched to the end");
    if (leftOut) line += "; " + std::to_string(leftOut) + " book(s) cannot hold the text";
    if (failed) line += "; " + std::to_string(failed) + " book(s) could not be searched";
    pane_.EndSearch(line);
    if (failed) std::fprintf(stderr, "tavrin-reader: %s\n", line.c_str());
    dirty_ = true;
}

void ReaderApp::GoToHit(size_t index) {
    if (index >= pane_.Hits().size()) return;
    const Hit hit = pane_.Hits()[index];
    PageInfo info{hit.book, 0, static_cast<LONG>(hit.page)};
    shelf_->SetLocation(info);
    // The page is shown whether or not the shelf has an entry for it to select.
    pendingPage_ = PendingPage{hit.book, hit.page};
    dirty_ = true;
}

} // namespace tavrin::reader
