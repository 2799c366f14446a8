// Commands about a book's inside: go to a page (as a reader's "go to" does), print the contents tree
// as the shelf builds it, print a page as text.
#include "book_page.h"
#include "command_line.h"
#include "print.h"
#include "session.h"
#include "shelf_items.h"
#include "terminal_text.h"

#include "plat/core.h"
#include "plat/resources.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace tavrin::host {

namespace {

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

void PrintLevel(Session& session, HWND tree, HTREEITEM parent, int depth, int maxDepth) {
    if (maxDepth >= 0 && depth > maxDepth) return;
    TreeView_Expand(tree, parent, TVE_EXPAND);
    for (HTREEITEM item = TreeView_GetChild(tree, parent); item; item = TreeView_GetNextSibling(tree, item)) {
        const ShelfItemInfo info = InfoOf(session.shelf, item);
        const bool chapter = info.hItem && info.dwKind == SHELF_ITEM_CHAPTER;
        const bool entry = chapter || (info.hItem && info.dwKind == SHELF_ITEM_PAGE);
        const std::string page = entry ? std::to_string(info.nPage) : "-";
        std::printf("%*s%s  [%s, page %s]\n", 2 * depth, "", ShownItemText(session.shelf, tree, item).c_str(),
                    chapter ? "chapter" : "page", page.c_str());
        if (chapter) PrintLevel(session, tree, item, depth + 1, maxDepth);
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
    HTREEITEM book = number ? FindBookItem(session.shelf, *number) : nullptr;
    if (!book) {
        std::fprintf(stderr, "contents: no book numbered '%s' on the shelf\n", args[0].c_str());
        return 1;
    }
    std::printf("%s\n", ShownItemText(session.shelf, tree, book).c_str());
    PrintLevel(session, tree, book, 1, static_cast<int>(*maxDepth));
    if (!TreeView_GetChild(tree, book)) std::printf("  (no contents)\n");
    return 0;
}

int RunPage(Session& session, const std::vector<std::string>& words) {
    const std::vector<std::string> args = Operands(words);
    std::optional<long> page = args.size() == 2 ? ParseNumber(args[1], 0, INT32_MAX) : std::nullopt;
    if (!page) {
        std::fprintf(stderr, "page: give a book number and a page (counted from 0)\n");
        return 2;
    }
    auto number = Typed(args[0]);
    // The book by its item: books of two drivers may have the same handle.
    HTREEITEM book = number ? FindBookItem(session.shelf, *number) : nullptr;
    if (!book) {
        std::fprintf(stderr, "page: no book numbered '%s' on the shelf\n", args[0].c_str());
        return 1;
    }
    std::string error;
    auto text = ReadPageText(session.shelf, session.Tree(), book, *page, &error);
    if (!text) {
        std::fprintf(stderr, "page: %s\n", error.c_str());
        return 1;
    }
    std::printf("%s\n", Shown(text->text, text->codePage).c_str());
    return 0;
}

} // namespace

TAVRIN_HOST_COMMAND("open", "NUMBER PAGE", "go to a page of a book; print the messages and the selection",
                    RunOpen);
TAVRIN_HOST_COMMAND("contents", "NUMBER [DEPTH]", "print a book's contents tree as the shelf builds it",
                    RunContents);
TAVRIN_HOST_COMMAND("page", "NUMBER PAGE", "print a page of a book as plain text", RunPage);

} // namespace tavrin::host
