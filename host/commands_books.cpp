// Commands about registered books: list the books and dictionaries with their handles, numbers and
// paths; remove a book; refresh from the registry. (Adding books is commands_add.cpp.)
#include "command_line.h"
#include "host_interaction.h"
#include "session.h"
#include "shelf_items.h"
#include "terminal_text.h"

#include "commctrl.h"

#include <cstdio>
#include <string>
#include <vector>

namespace tavrin::host {

namespace {

// Confirmations answered with Yes.
class ConfirmingInteraction : public HostInteraction {
  public:
    int MessageBox(const plat::MessageBoxRequest& request) override {
        if ((request.type & MB_TYPEMASK) != MB_YESNO) return HostInteraction::MessageBox(request);
        Print(request, IDYES);
        return IDYES;
    }
};

int RunBooks(Session& session, const std::vector<std::string>&) {
    HWND tree = session.Tree();
    CTavrinCtrl& shelf = session.shelf;
    std::printf("Books and dictionaries on the shelf:\n");
    int count = 0;
    ForEachItem(tree, TreeView_GetRoot(tree), [&](HTREEITEM item, int) {
        const ShelfItemInfo info = InfoOf(shelf, item);
        if (!info.hItem || !IsBookKind(info.dwKind)) return;
        ++count;
        DWORD handle = info.dwBookHandle;
        const UINT codePage = shelf.GetBookCodePage(handle);
        char file[SHELF_PATH_SIZE] = "";
        char driver[SHELF_PATH_SIZE] = "";
        shelf.GetBookPos(handle, file);
        shelf.GetBookDriverPos(handle, driver);
        // Paths are the file system's bytes, printed as they are; the book's texts are in its code page.
        std::printf("  %s  [%s]\n", Shown(ItemText(tree, item), codePage).c_str(),
                    info.dwKind == SHELF_ITEM_DICTIONARY ? "dictionary" : "book");
        std::printf("    number    %s\n", Shown(FieldText(info.szKey), codePage).c_str());
        std::printf("    handle    %#lx (GetBookHandle: %#lx)\n", static_cast<unsigned long>(handle),
                    static_cast<unsigned long>(shelf.GetBookHandle(info.szKey)));
        std::printf("    code page %u\n", codePage);
        std::printf("    driver    %#lx %s\n", static_cast<unsigned long>(shelf.GetBookDrvHandle(handle)),
                    driver);
        std::printf("    file      %s\n", file);
        std::printf("    registry  %s\n",
                    info.szRegKey[0] ? Shown(FieldText(info.szRegKey), codePage).c_str() : "(none)");
    });
    if (count == 0) std::printf("  (none)\n");

    DWORD dictionaries = shelf.GetDictCount();
    std::printf("Dictionaries collected at start-up: %lu\n", static_cast<unsigned long>(dictionaries));
    for (DWORD i = 0; i < dictionaries; ++i) {
        DWORD handle = shelf.GetDictBookHandle(i);
        WORD bookClass = shelf.GetDictClass(i);
        char file[SHELF_PATH_SIZE] = "";
        if (handle == 0xFFFFFFFF) {
            std::printf("  %lu  (deleted since)\n", static_cast<unsigned long>(i));
            continue;
        }
        shelf.GetBookPos(handle, file);
        std::printf("  %lu  class %#x  handle %#lx  %s\n", static_cast<unsigned long>(i),
                    static_cast<unsigned>(bookClass), static_cast<unsigned long>(handle), file);
    }
    return 0;
}

int RunRemove(Session& session, const std::vector<std::string>& words) {
    const std::vector<std::string> args = Operands(words);
    if (args.size() != 1) {
        std::fprintf(stderr, "remove: give one book number\n");
        return 2;
    }
    HWND tree = session.Tree();
    auto number = Typed(args[0]);
    HTREEITEM item = number ? FindBookItem(session.shelf, *number) : nullptr;
    if (!item) {
        std::fprintf(stderr, "remove: no book numbered '%s' on the shelf\n", args[0].c_str());
        return 1;
    }
    std::string label = ShownItemText(session.shelf, tree, item);
    ConfirmingInteraction answers;
    plat::ScopedInteraction scope(&answers);
    TreeView_SelectItem(tree, item);
    session.shelf.Delete();
    if (FindBookItem(session.shelf, *number) == item) {
        std::printf("\"%s\" stays: the delete command removes books, not dictionaries\n", label.c_str());
        return 1;
    }
    std::printf("Removed \"%s\" (%s)\n", label.c_str(), args[0].c_str());
    return 0;
}

int RunRefresh(Session& session, const std::vector<std::string>&) {
    session.shelf.Refresh();
    std::printf("Refreshed from the registry\n");
    return 0;
}

} // namespace

TAVRIN_HOST_COMMAND("books", "", "list the books and dictionaries with handles, numbers and paths", RunBooks);
TAVRIN_HOST_COMMAND("remove", "NUMBER", "remove the book with this book number from shelf and registry",
                    RunRemove);
TAVRIN_HOST_COMMAND("refresh", "", "walk the registry again for books registered since", RunRefresh);

} // namespace tavrin::host
