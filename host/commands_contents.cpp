// Commands about a book's inside: go to a page (as a reader's "go to" does), print the contents tree
// as the shelf builds it, print a page as text.
#include "book_page.h"
#include "command_line.h"
#include "page_text.h"
#include "print.h"
#include "session.h"
#include "shelf_items.h"
#include "terminal_text.h"

#include "plat/core.h"
#include "plat/resources.h"
#include "tavrin/cbi.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace tavrin::host {

namespace {

// The driver entry points the host reads pages and entries with.
struct BookCalls {
    PFN_CBIGetCaps getCaps = nullptr;
    PFN_CBIGetPageCount pageCount = nullptr;
    PFN_CBIGetPageSize pageSize = nullptr;
    PFN_CBIGetPage getPage = nullptr;
    PFN_CBIVPItemToPage itemToPage = nullptr;

    explicit BookCalls(HMODULE driver) {
        getCaps = reinterpret_cast<PFN_CBIGetCaps>(GetProcAddress(driver, "CBIGetCaps"));
        pageCount = reinterpret_cast<PFN_CBIGetPageCount>(GetProcAddress(driver, "CBIGetPageCount"));
        pageSize = reinterpret_cast<PFN_CBIGetPageSize>(GetProcAddress(driver, "CBIGetPageSize"));
        getPage = reinterpret_cast<PFN_CBIGetPage>(GetProcAddress(driver, "CBIGetPage"));
        itemToPage = reinterpret_cast<PFN_CBIVPItemToPage>(GetProcAddress(driver, "CBIVPItemToPage"));
    }
};

int RunOpen(Session& session, const std::vector<std::string>& words) {
    const std::vector<std::string> args = Operands(words);
    std::optional<long> page = args.size() == 2 ? ParseNumber(args[1], 0, INT32_MAX) : std::nullopt;
    if (!page) {
        std::fprintf(stderr, "open: give a book number and a page (counted from 0)\n");
        return 2;
    }
    session.host.ClearReceived();
    // Book numbers are in the active code page; one it cannot hold numbers no book.
    std::string number = Typed(args[0]).value_or(std::string());
    int result = number.empty() ? 0
                                : session.shelf.SetLocation(number.data(), static_cast<int>(number.size()),
                                                            static_cast<LONG>(*page));
    std::printf("SetLocation(%s, page %ld) = %d\n", args[0].c_str(), *page, result);
    PrintReceived(session);
    PrintSelection(session);
    DWORD handle = session.shelf.GetSeleBookHandle();
    if (handle == 0xFFFFFFFF)
        std::printf("Selected book: none\n");
    else
        std::printf("Selected book: handle %#x\n", static_cast<unsigned>(handle));
    return result ? 0 : 1;
}

void PrintLevel(Session& session, HWND tree, HTREEITEM parent, const BookCalls& calls, int depth,
                int maxDepth) {
    if (maxDepth >= 0 && depth > maxDepth) return;
    TreeView_Expand(tree, parent, TVE_EXPAND);
    for (HTREEITEM item = TreeView_GetChild(tree, parent); item; item = TreeView_GetNextSibling(tree, item)) {
        const TreeNode* node = NodeOf(tree, item);
        const ContentsRecord* entry = ContentsOf(node);
        std::string page = "-";
        if (entry && calls.itemToPage)
            page = std::to_string(calls.itemToPage(entry->dwBookHandle, entry->hVpItem));
        std::printf("%*s%s  [%s, page %s]\n", 2 * depth, "", ShownItemText(session.shelf, tree, item).c_str(),
                    node && node->nKind == NODE_CHAPTER ? "chapter" : "page", page.c_str());
        if (node && node->nKind == NODE_CHAPTER) PrintLevel(session, tree, item, calls, depth + 1, maxDepth);
    }
}

int RunContents(Session& session, const std::vector<std::string>& words) {
    const std::vector<std::string> args = Operands(words);
    std::optional<long> maxDepth = -1;
    if (args.size() == 2) maxDepth = ParseNumber(args[1], 0, INT32_MAX);
    if (args.empty() || args.size() > 2 || !maxDepth) {
        std::fprintf(stderr, "contents: give a book number and optionally the deepest level to show\n");
        return 2;
    }
    HWND tree = session.Tree();
    auto number = Typed(args[0]);
    HTREEITEM book = number ? FindBookItem(tree, *number) : nullptr;
    const BookRecord* record = book ? BookOf(NodeOf(tree, book)) : nullptr;
    if (!record) {
        std::fprintf(stderr, "contents: no book numbered '%s' on the shelf\n", args[0].c_str());
        return 1;
    }
    std::printf("%s\n", ShownItemText(session.shelf, tree, book).c_str());
    BookCalls calls(record->hDriver);
    PrintLevel(session, tree, book, calls, 1, static_cast<int>(*maxDepth));
    if (!TreeView_GetChild(tree, book)) std::printf("  (no contents)\n");
    return 0;
}

int RunPage(Session& session, const std::vector<std::string>& words) {
    const std::vector<std::string> args = Operands(words);
    std::optional<long> pageNumber = args.size() == 2 ? ParseNumber(args[1], 0, INT32_MAX) : std::nullopt;
    if (!pageNumber) {
        std::fprintf(stderr, "page: give a book number and a page (counted from 0)\n");
        return 2;
    }
    auto number = Typed(args[0]);
    DWORD handle = number ? session.shelf.GetBookHandle(number->c_str()) : 0xFFFFFFFF;
    if (handle == 0xFFFFFFFF || !session.shelf.GetBookDrvHandle(handle)) {
        std::fprintf(stderr, "page: no book numbered '%s' on the shelf\n", args[0].c_str());
        return 1;
    }
    std::string error;
    auto page = ReadPageText(session.shelf, handle, *pageNumber, &error);
    if (!page) {
        std::fprintf(stderr, "page: %s\n", error.c_str());
        return 1;
    }
    std::printf("%s\n", Shown(page->text, page->codePage).c_str());
    return 0;
}

} // namespace

TAVRIN_HOST_COMMAND("open", "NUMBER PAGE", "go to a page of a book; print the messages and the selection",
                    RunOpen);
TAVRIN_HOST_COMMAND("contents", "NUMBER [DEPTH]", "print a book's contents tree as the shelf builds it",
                    RunContents);
TAVRIN_HOST_COMMAND("page", "NUMBER PAGE", "print a page of a book as plain text", RunPage);

} // namespace tavrin::host
