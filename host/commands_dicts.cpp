// The dicts command: the DICT dictionaries installed on the machine (NAME.index with NAME.dict.dz or
// NAME.dict in /usr/share/dictd, or the folder TAVRIN_DICTD_DIR or --dir names), which of them are on
// the shelf, and registering the chosen ones; and the contents of a dictionary on the shelf, a level
// at a time, as a reader browses them (the shelf shows no contents under a dictionary's item).
//
//     dicts [--dir DIR]                                      list them
//     dicts add [--dir DIR] [--catalog CATALOG] NAME...      register them (--all: every one)
//     dicts contents NUMBER [PATH]                           the entries below PATH ("A / Ab")
//
// A dictionary is read by the driver DictDrv.dll in the shelf's folder; registering goes through the
// add command, so the shelf finds the driver by the file's content as for any book.
#include "command_line.h"
#include "dict_books.h"
#include "session.h"
#include "shelf_items.h"
#include "terminal_text.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

namespace tavrin::host {

namespace {

namespace fs = std::filesystem;

constexpr const char* kDriverName = "DictDrv.dll";
constexpr const char* kDefaultCatalog = "Dictionaries";

fs::path DefaultFolder() {
    const char* dir = std::getenv("TAVRIN_DICTD_DIR");
    return dir && *dir ? fs::path(dir) : fs::path("/usr/share/dictd");
}

// The folder of the host program, where the shelf looks for drivers.
fs::path ProgramFolder() {
    char path[MAX_PATH + 1] = "";
    const DWORD length = GetModuleFileNameA(0, path, sizeof path);
    return length > 0 && length < sizeof path ? fs::path(std::string(path, length)).parent_path()
                                              : fs::path();
}

struct Installed {
    std::string name; // the file's stem: "gcide"
    fs::path index;
};

// The dictionaries of `folder`: each NAME.index with its definitions beside it, by name.
std::vector<Installed> InstalledIn(const fs::path& folder, std::string* error) {
    std::vector<Installed> found;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const fs::path& path = it->path();
        if (path.extension() != ".index") continue;
        const fs::path stem = path.parent_path() / path.stem();
        if (!fs::exists(stem.string() + ".dict.dz") && !fs::exists(stem.string() + ".dict")) continue;
        found.push_back({path.stem().string(), path});
    }
    if (ec) *error = folder.string() + ": " + ec.message();
    std::sort(found.begin(), found.end(),
              [](const Installed& a, const Installed& b) { return a.name < b.name; });
    return found;
}

struct Options {
    fs::path folder = DefaultFolder();
    std::string catalog = kDefaultCatalog;
    bool all = false;
    std::vector<std::string> operands;
};

std::optional<Options> ReadOptions(const std::vector<std::string>& words, bool forAdd) {
    Options options;
    bool ended = false;
    for (size_t i = 0; i < words.size(); ++i) {
        const std::string& w = words[i];
        if (!ended && w == kEndOfOptions) {
            ended = true;
        } else if (!ended && w == "--dir" && i + 1 < words.size()) {
            options.folder = words[++i];
        } else if (!ended && forAdd && w == "--catalog" && i + 1 < words.size()) {
            options.catalog = words[++i];
        } else if (!ended && forAdd && w == "--all") {
            options.all = true;
        } else if (!ended && w.size() > 1 && w[0] == '-') {
            std::fprintf(stderr, "dicts: unknown option %s\n", w.c_str());
            return std::nullopt;
        } else {
            options.operands.push_back(w);
        }
    }
    return options;
}

int List(Session& session, const Options& options) {
    std::string error;
    const std::vector<Installed> installed = InstalledIn(options.folder, &error);
    if (!error.empty()) {
        std::fprintf(stderr, "dicts: %s\n", error.c_str());
        return 1;
    }
    std::printf("DICT dictionaries in %s:\n", options.folder.string().c_str());
    if (installed.empty()) {
        std::printf("  (none)\n");
        return 0;
    }
    HMODULE driver = LoadLibraryA((ProgramFolder() / kDriverName).string().c_str());
    if (!driver) {
        std::fprintf(stderr, "dicts: the dictionary driver %s is not in %s\n", kDriverName,
                     ProgramFolder().string().c_str());
        return 1;
    }
    const DictCalls calls(driver);
    int unreadable = 0;
    for (const Installed& d : installed) {
        CBI_HBOOK handle = 0;
        if (!calls.open || calls.open(d.index.string().c_str(), 0, &handle) != 0) {
            char reason[CBI_ERROR_TEXT_CAPACITY] = "";
            if (calls.errorText) calls.errorText(reason, sizeof reason);
            std::printf("  %-12s (cannot be read: %s)\n", d.name.c_str(), Shown(reason).c_str());
            ++unreadable;
            continue;
        }
        const std::string number = BookNumber(calls, handle);
        const bool onShelf = session.shelf.GetBookHandle(number.c_str()) != 0xFFFFFFFF;
        const int32_t headwords = calls.pageCount ? calls.pageCount(handle) : 0;
        std::printf("  %-12s %-10s %7d headwords  %s\n", d.name.c_str(), onShelf ? "on shelf" : "-",
                    headwords, Shown(BookName(calls, handle)).c_str());
        if (calls.close) calls.close(handle);
    }
    FreeLibrary(driver);
    if (unreadable > 0) {
        std::fflush(stdout);
        std::fprintf(stderr, "dicts: %d dictionary(ies) cannot be read\n", unreadable);
    }
    return unreadable > 0 ? 1 : 0;
}

int Add(Session& session, const Options& options) {
    std::string error;
    const std::vector<Installed> installed = InstalledIn(options.folder, &error);
    if (!error.empty()) {
        std::fprintf(stderr, "dicts: %s\n", error.c_str());
        return 1;
    }
    if (options.all == !options.operands.empty()) {
        std::fprintf(stderr, "dicts add: give the names of dictionaries (as dicts lists them) or --all\n");
        return 2;
    }
    std::vector<std::string> addWords = {options.catalog};
    int unknown = 0;
    for (const Installed& d : installed)
        if (options.all) addWords.push_back(d.index.string());
    for (const std::string& name : options.operands) {
        auto it = std::find_if(installed.begin(), installed.end(),
                               [&](const Installed& d) { return d.name == name; });
        if (it == installed.end()) {
            std::fprintf(stderr, "dicts add: no dictionary %s in %s\n", name.c_str(),
                         options.folder.string().c_str());
            ++unknown;
            continue;
        }
        addWords.push_back(it->index.string());
    }
    if (addWords.size() == 1) {
        if (unknown == 0) std::printf("No dictionary in %s\n", options.folder.string().c_str());
        return unknown > 0 ? 1 : 0;
    }
    addWords.insert(addWords.begin(), kEndOfOptions); // names that begin with "-" are names
    const int status = FindCommand("add")->run(session, addWords);
    return unknown > 0 && status == 0 ? 1 : status;
}

// The item named `label` among the children of `parent` (as the terminal shows labels, case ignored).
CBI_HITEM ChildNamed(const DictCalls& calls, DWORD handle, UINT codePage, CBI_HITEM parent,
                     const std::string& label) {
    for (CBI_HITEM item = calls.child(handle, parent); item; item = calls.next(handle, item)) {
        char text[CBI_ITEM_TEXT_CAPACITY] = "";
        calls.itemText(handle, item, text, sizeof text);
        if (EqualNoCase(Shown(text, codePage), label)) return item;
    }
    return 0;
}

int Contents(Session& session, const Options& options) {
    if (options.operands.empty() || options.operands.size() > 2) {
        std::fprintf(stderr,
                     "dicts contents: give a dictionary's number and optionally a path (\"A / Ab\")\n");
        return 2;
    }
    const std::optional<std::string> number = Typed(options.operands[0]);
    const DWORD handle = number ? session.shelf.GetBookHandle(number->c_str()) : 0xFFFFFFFF;
    HMODULE driver = handle == 0xFFFFFFFF ? 0 : session.shelf.GetBookDrvHandle(handle);
    const DictCalls calls(driver);
    if (!driver) {
        std::fprintf(stderr, "dicts contents: no dictionary numbered '%s' on the shelf\n",
                     options.operands[0].c_str());
        return 1;
    }
    if (!calls.root || !calls.child || !calls.next || !calls.itemText || !calls.hasChildren ||
        !calls.itemPage) {
        std::fprintf(stderr, "dicts contents: the book's driver serves no contents\n");
        return 1;
    }
    const UINT codePage = session.shelf.GetBookCodePage(handle);
    CBI_HITEM item = calls.root(handle);
    std::string path = options.operands.size() == 2 ? options.operands[1] : std::string();
    std::string walked;
    while (item && !path.empty()) {
        const size_t cut = path.find(" / ");
        const std::string label = path.substr(0, cut);
        path = cut == std::string::npos ? std::string() : path.substr(cut + 3);
        item = ChildNamed(calls, handle, codePage, item, label);
        walked += (walked.empty() ? "" : " / ") + label;
        if (!item) {
            std::fprintf(stderr, "dicts contents: no entry \"%s\" in the contents\n", walked.c_str());
            return 1;
        }
    }
    if (!item || !calls.hasChildren(handle, item)) {
        std::fprintf(stderr, "dicts contents: \"%s\" holds no entries\n", walked.c_str());
        return 1;
    }
    for (CBI_HITEM child = calls.child(handle, item); child; child = calls.next(handle, child)) {
        char text[CBI_ITEM_TEXT_CAPACITY] = "";
        calls.itemText(handle, child, text, sizeof text);
        if (calls.hasChildren(handle, child))
            std::printf("  %s  [group]\n", Shown(text, codePage).c_str());
        else
            std::printf("  %s  [page %d]\n", Shown(text, codePage).c_str(), calls.itemPage(handle, child));
    }
    return 0;
}

int RunDicts(Session& session, const std::vector<std::string>& words) {
    std::vector<std::string> rest = words;
    std::string action;
    if (!rest.empty() && (rest[0] == "add" || rest[0] == "contents")) {
        action = rest[0];
        rest.erase(rest.begin());
    }
    const std::optional<Options> options = ReadOptions(rest, action == "add");
    if (!options) return 2;
    if (action == "add") return Add(session, *options);
    if (action == "contents") return Contents(session, *options);
    if (!options->operands.empty()) {
        std::fprintf(stderr, "dicts: unknown action '%s' (add or contents)\n", options->operands[0].c_str());
        return 2;
    }
    return List(session, *options);
}

} // namespace

TAVRIN_HOST_COMMAND("dicts", "[add [--catalog CATALOG] NAME...|--all] [--dir DIR] | contents NUMBER [PATH]",
                    "the DICT dictionaries installed (/usr/share/dictd, or --dir, or TAVRIN_DICTD_DIR):\n"
                    "list them, register the chosen ones into a catalog (default \"Dictionaries\"),\n"
                    "or print a level of a dictionary's contents (PATH: labels joined by \" / \")",
                    RunDicts);

} // namespace tavrin::host
