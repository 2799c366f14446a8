// The add command: the shelf's register command with the file dialog answered from the command line.
//
// The dialog hands the shelf the files of one folder at a time in a name buffer of fixed size, so the
// files are given to it in groups, in the order of the command line: each time the shelf asks, as
// many of the next files of one folder as the buffer it offers holds. Each message box the shelf
// shows meanwhile is printed whole; the one that says a book is on the shelf already (string 6 of the
// shelf's string table, in the user's language, as the first line) is no refusal, every other one
// is. Files that do not exist or cannot be examined are refused before the shelf sees them.
#include "command_line.h"
#include "host_interaction.h"
#include "session.h"
#include "shelf_items.h"
#include "terminal_text.h"
#include "user_paths.h"

#include "commctrl.h"

#include <cstdio>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

namespace tavrin::host {

namespace {

namespace fs = std::filesystem;

// The first catalog whose key is `name`, else the first whose label is `name` (both in the active
// code page).
HTREEITEM FindCatalogItem(CTavrinCtrl& shelf, HWND tree, const std::string& name) {
    HTREEITEM byKey = nullptr, byLabel = nullptr;
    ForEachItem(tree, TreeView_GetRoot(tree), [&](HTREEITEM item, int) {
        const ShelfItemInfo info = InfoOf(shelf, item);
        if (!info.hItem || info.dwKind != SHELF_ITEM_CATALOG) return;
        if (!byKey && FieldText(info.szCataKey) == name) byKey = item;
        if (!byLabel && ItemText(tree, item) == name) byLabel = item;
    });
    return byKey ? byKey : byLabel;
}

// The text the shelf shows for a book that is on the shelf already, in the language in use.
std::string AlreadyAddedText() {
    char text[SHELF_PATH_SIZE] = "";
    ::LoadStringA(::GetModuleHandleA(SHELF_MODULE_NAME), SHELF_IDS_BOOK_ALREADY_ADDED, text, sizeof text);
    return text;
}

std::string FirstLine(const std::string& text) {
    std::string line = text.substr(0, text.find('\n'));
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line;
}

class AddInteraction : public HostInteraction {
  public:
    explicit AddInteraction(const std::vector<fs::path>& files)
        : files_(files), alreadyText_(AlreadyAddedText()) {}

    size_t Given() const { return next_; } // files handed to the shelf so far
    int refused = 0;
    int already = 0;

    bool ChooseOpenFiles(const plat::OpenFileRequest& request, plat::OpenFileAnswer* answer) override {
        if (next_ >= files_.size()) return false;
        const fs::path folder = files_[next_].parent_path();
        // One file goes as its full path; several as the folder and their names, each with its zero,
        // and a last zero.
        size_t used = folder.string().size() + 1 + files_[next_].filename().string().size() + 1 + 1;
        size_t count = 1;
        while (next_ + count < files_.size() && files_[next_ + count].parent_path() == folder) {
            size_t more = used + files_[next_ + count].filename().string().size() + 1;
            if (more > request.bufferSize) break;
            used = more;
            ++count;
        }
        if (count == 1) {
            answer->files = {files_[next_].string()};
        } else {
            answer->folder = folder.string();
            for (size_t i = next_; i < next_ + count; ++i)
                answer->files.push_back(files_[i].filename().string());
        }
        std::printf("[file dialog] %s -> %zu file(s)\n", request.filter.c_str(), count);
        next_ += count;
        return true;
    }

    int MessageBox(const plat::MessageBoxRequest& request) override {
        const bool isAlready = !alreadyText_.empty() && FirstLine(request.text) == alreadyText_;
        const std::vector<std::string> lines = ShownLines(request.text);
        std::fflush(stdout);
        FILE* out = isAlready ? stdout : stderr;
        std::fprintf(out, "%s%s\n",
                     isAlready ? "Already on the shelf: " : "add: refused: ", lines[0].c_str());
        for (size_t i = 1; i < lines.size(); ++i)
            std::fprintf(out, "    %s\n", lines[i].c_str());
        std::fflush(out);
        ++(isAlready ? already : refused);
        return plat::MessageBoxDefaultAnswer(request.type);
    }

  private:
    const std::vector<fs::path>& files_;
    size_t next_ = 0;
    std::string alreadyText_;
};

// The file `arg` names, absolute; nothing (with the reason printed) when there is none to add.
std::optional<fs::path> BookFile(const std::string& arg) {
    const ExaminedPath examined = Examine(arg);
    std::string problem = examined.problem;
    if (examined.type == fs::file_type::not_found)
        problem = "no such file";
    else if (problem.empty() && examined.type == fs::file_type::directory)
        problem = "a folder, not a book file";
    if (!problem.empty()) {
        std::fprintf(stderr, "add: refused: %s: %s\n", arg.c_str(), problem.c_str());
        return std::nullopt;
    }
    return examined.path;
}

std::set<DWORD> BookHandles(CTavrinCtrl& shelf, HWND tree) {
    std::set<DWORD> handles;
    ForEachItem(tree, TreeView_GetRoot(tree), [&](HTREEITEM item, int) {
        const ShelfItemInfo info = InfoOf(shelf, item);
        if (info.hItem && IsBookKind(info.dwKind)) handles.insert(info.dwBookHandle);
    });
    return handles;
}

int RunAdd(Session& session, const std::vector<std::string>& words) {
    const std::vector<std::string> args = Operands(words);
    if (args.size() < 2) {
        std::fprintf(stderr, "add: give a catalog (key or name) and one or more book files\n");
        return 2;
    }
    HWND tree = session.Tree();
    auto name = Typed(args[0]);
    HTREEITEM catalog = name ? FindCatalogItem(session.shelf, tree, *name) : nullptr;
    if (!catalog) {
        std::fprintf(stderr, "add: no catalog '%s' on the shelf\n", args[0].c_str());
        return 1;
    }
    int refused = 0;
    std::vector<fs::path> files;
    for (size_t i = 1; i < args.size(); ++i) {
        if (auto file = BookFile(args[i]))
            files.push_back(std::move(*file));
        else
            ++refused;
    }

    const std::set<DWORD> before = BookHandles(session.shelf, tree);
    AddInteraction answers(files);
    {
        plat::ScopedInteraction scope(&answers);
        while (answers.Given() < files.size()) {
            const size_t given = answers.Given();
            TreeView_SelectItem(tree, catalog);
            session.shelf.AddBook();
            if (answers.Given() == given) {
                std::fprintf(stderr, "add: the shelf did not ask for the files\n");
                return 1;
            }
        }
    }
    refused += answers.refused;

    std::vector<HTREEITEM> added;
    ForEachItem(tree, TreeView_GetRoot(tree), [&](HTREEITEM item, int) {
        const ShelfItemInfo info = InfoOf(session.shelf, item);
        if (info.hItem && IsBookKind(info.dwKind) && !before.count(info.dwBookHandle)) added.push_back(item);
    });
    std::printf("Added into \"%s\":\n", ShownItemText(session.shelf, tree, catalog).c_str());
    if (added.empty()) std::printf("  (none)\n");
    for (HTREEITEM item : added)
        std::printf("  %s\n", ItemPath(session.shelf, tree, item).c_str());
    // A file the shelf neither put on the shelf nor said anything about must not pass in silence.
    const long unaccounted =
        static_cast<long>(files.size()) - static_cast<long>(added.size()) - answers.already - answers.refused;
    if (unaccounted > 0)
        std::fprintf(stderr, "add: %ld file(s) did not come onto the shelf, and the shelf gave no reason\n",
                     unaccounted);
    std::printf("%zu file(s): %zu added, %d already on the shelf, %d refused\n", args.size() - 1,
                added.size(), answers.already, refused);
    return refused > 0 || unaccounted > 0 ? 1 : 0;
}

} // namespace

TAVRIN_HOST_COMMAND("add", "CATALOG FILE...",
                    "register book files into a catalog (its key or name); exits 1 when any is refused",
                    RunAdd);

} // namespace tavrin::host
