// Commands about registered books: list the books and dictionaries with their handles, numbers and
// paths; add book files into a catalog (the register command with the file dialog answered from the
// command line); remove a book; refresh from the registry.
#include "print.h"
#include "session.h"
#include "shelf_items.h"

#include "commctrl.h"
#include "plat/interaction.h"
#include "plat/resources.h"
#include "shelf/records.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace tavrin::host {

namespace {

// The first catalog whose key is `name`, else the first whose label is `name`.
HTREEITEM FindCatalogItem(HWND tree, const std::string& name) {
    std::string wanted = plat::FromUtf8(name);
    HTREEITEM byKey = nullptr, byLabel = nullptr;
    ForEachItem(tree, TreeView_GetRoot(tree), [&](HTREEITEM item, int) {
        const TreeNode* node = NodeOf(tree, item);
        if (!node || node->nKind != NODE_CATALOG) return;
        const CatalogRecord* record = CatalogOf(node);
        if (!byKey && record && std::string(record->szCataKey, FixedLength(record->szCataKey)) == wanted)
            byKey = item;
        if (!byLabel && ItemText(tree, item) == wanted) byLabel = item;
    });
    return byKey ? byKey : byLabel;
}

// Answers the shelf's questions for one command: the file dialog with the files given on the command
// line, confirmations with Yes when asked to; everything else as the headless default does (message
// boxes printed to stderr, default button).
class CommandInteraction : public plat::HeadlessInteraction {
  public:
    std::string folder;
    std::vector<std::string> files; // one full path, or names in `folder`
    bool answerYes = false;

    bool ChooseOpenFiles(const plat::OpenFileRequest& request, plat::OpenFileAnswer* answer) override {
        std::fprintf(stderr, "[file dialog] %s -> %zu file(s)\n", request.filter.c_str(), files.size());
        answer->folder = folder;
        answer->files = files;
        return true;
    }
    int MessageBox(const plat::MessageBoxRequest& request) override {
        if (answerYes && (request.type & MB_TYPEMASK) == MB_YESNO) {
            std::fprintf(stderr, "[message box] %s: %s -> Yes\n", plat::ToUtf8(request.caption).c_str(),
                         plat::ToUtf8(request.text).c_str());
            return IDYES;
        }
        return HeadlessInteraction::MessageBox(request);
    }
};

int RunBooks(Session& session, const std::vector<std::string>&) {
    HWND tree = session.Tree();
    CTavrinCtrl& shelf = session.shelf;
    std::printf("Books and dictionaries on the shelf:\n");
    int count = 0;
    ForEachItem(tree, TreeView_GetRoot(tree), [&](HTREEITEM item, int) {
        const TreeNode* node = NodeOf(tree, item);
        const BookRecord* book = BookOf(node);
        if (!book) return;
        ++count;
        DWORD handle = book->dwBookHandle;
        char file[kPathSize] = "";
        char driver[kPathSize] = "";
        shelf.GetBookPos(handle, file);
        shelf.GetBookDriverPos(handle, driver);
        std::printf("  %s  [%s]\n", plat::ToUtf8(ItemText(tree, item)).c_str(),
                    node->nKind == NODE_DICT ? "dictionary" : "book");
        std::printf("    number    %s\n", Shown(node->szKey).c_str());
        std::printf("    handle    %#lx (GetBookHandle: %#lx)\n", static_cast<unsigned long>(handle),
                    static_cast<unsigned long>(shelf.GetBookHandle(node->szKey)));
        std::printf("    driver    %#lx %s\n", static_cast<unsigned long>(shelf.GetBookDrvHandle(handle)),
                    Shown(driver).c_str());
        std::printf("    file      %s\n", Shown(file).c_str());
        std::printf("    registry  %s\n", book->szRegKey[0] ? Shown(book->szRegKey).c_str() : "(none)");
    });
    if (count == 0) std::printf("  (none)\n");

    DWORD dictionaries = shelf.GetDictCount();
    std::printf("Dictionaries collected at start-up: %lu\n", static_cast<unsigned long>(dictionaries));
    for (DWORD i = 0; i < dictionaries; ++i) {
        DWORD handle = shelf.GetDictBookHandle(i);
        WORD bookClass = shelf.GetDictClass(i);
        char file[kPathSize] = "";
        if (handle == 0xFFFFFFFF) {
            std::printf("  %lu  (deleted since)\n", static_cast<unsigned long>(i));
            continue;
        }
        shelf.GetBookPos(handle, file);
        std::printf("  %lu  class %#x  handle %#lx  %s\n", static_cast<unsigned long>(i),
                    static_cast<unsigned>(bookClass), static_cast<unsigned long>(handle),
                    Shown(file).c_str());
    }
    return 0;
}

int RunAdd(Session& session, const std::vector<std::string>& args) {
    if (args.size() < 2) {
        std::fprintf(stderr, "add: give a catalog (key or name) and one or more book files\n");
        return 2;
    }
    HWND tree = session.Tree();
    HTREEITEM catalog = FindCatalogItem(tree, args[0]);
    if (!catalog) {
        std::fprintf(stderr, "add: no catalog '%s' on the shelf\n", args[0].c_str());
        return 1;
    }
    // The dialog chooses files of one folder at a time.
    std::map<std::string, std::vector<std::string>> byFolder;
    std::vector<std::string> order;
    for (size_t i = 1; i < args.size(); ++i) {
        std::filesystem::path path = std::filesystem::absolute(args[i]).lexically_normal();
        std::string folder = path.parent_path().string();
        if (!byFolder.count(folder)) order.push_back(folder);
        byFolder[folder].push_back(path.filename().string());
    }
    for (const std::string& folder : order) {
        CommandInteraction answers;
        const std::vector<std::string>& names = byFolder[folder];
        if (names.size() == 1) {
            answers.files = {(std::filesystem::path(folder) / names[0]).string()};
        } else {
            answers.folder = folder;
            answers.files = names;
        }
        plat::ScopedInteraction scope(&answers);
        TreeView_SelectItem(tree, catalog);
        session.shelf.AddBook();
    }
    std::printf("Added into \"%s\":\n", plat::ToUtf8(ItemText(tree, catalog)).c_str());
    for (HTREEITEM item = TreeView_GetChild(tree, catalog); item; item = TreeView_GetNextSibling(tree, item))
        std::printf("  %s\n", plat::ToUtf8(ItemText(tree, item)).c_str());
    return 0;
}

int RunRemove(Session& session, const std::vector<std::string>& args) {
    if (args.size() != 1) {
        std::fprintf(stderr, "remove: give one book number\n");
        return 2;
    }
    HWND tree = session.Tree();
    std::string number = plat::FromUtf8(args[0]);
    HTREEITEM item = FindBookItem(tree, number);
    if (!item) {
        std::fprintf(stderr, "remove: no book numbered '%s' on the shelf\n", args[0].c_str());
        return 1;
    }
    std::string label = ItemText(tree, item);
    CommandInteraction answers;
    answers.answerYes = true;
    plat::ScopedInteraction scope(&answers);
    TreeView_SelectItem(tree, item);
    session.shelf.Delete();
    if (FindBookItem(tree, number) == item) {
        std::printf("\"%s\" stays: the delete command removes books, not dictionaries\n",
                    plat::ToUtf8(label).c_str());
        return 1;
    }
    std::printf("Removed \"%s\" (%s)\n", plat::ToUtf8(label).c_str(), args[0].c_str());
    return 0;
}

int RunRefresh(Session& session, const std::vector<std::string>&) {
    session.shelf.Refresh();
    std::printf("Refreshed from the registry\n");
    return 0;
}

} // namespace

TAVRIN_HOST_COMMAND("books", "", "list the books and dictionaries with handles, numbers and paths", RunBooks);
TAVRIN_HOST_COMMAND("add", "CATALOG FILE...", "register book files into a catalog (its key or name)", RunAdd);
TAVRIN_HOST_COMMAND("remove", "NUMBER", "remove the book with this book number from shelf and registry",
                    RunRemove);
TAVRIN_HOST_COMMAND("refresh", "", "walk the registry again for books registered since", RunRefresh);

} // namespace tavrin::host
