// The search command: searches one book, every book, or every book and dictionary for a text and
// prints each page that holds it as the shelf reports it. The host searches book by book, in the
// tree's order (the order of the shelf's own all-books search), so that each book is searched for the
// text in its own code page; a book whose code page cannot hold the text is left out and named. On a
// terminal a progress line shows the hits so far; the search stops after --max hits, or at the next
// hit or the next book after Ctrl-C (a second Ctrl-C ends the program).
#include "command_line.h"
#include "output_pipe.h"
#include "session.h"
#include "shelf_items.h"
#include "terminal_text.h"

#include <climits>
#include <csignal>
#include <cstdio>
#include <map>
#include <string>
#include <unistd.h>
#include <vector>

namespace tavrin::host {

namespace {

volatile std::sig_atomic_t g_interrupted = 0;

void OnInterrupt(int) {
    if (g_interrupted) {
        std::signal(SIGINT, SIG_DFL);
        std::raise(SIGINT);
        return;
    }
    g_interrupted = 1;
    static const char kNote[] = "\n[stopping at the next hit or book; Ctrl-C again to quit]\n";
    ssize_t written = write(STDERR_FILENO, kNote, sizeof kNote - 1);
    (void)written;
}

struct SearchOptions {
    bool matchCase = false;
    bool all = false;   // dictionaries too
    std::string number; // --book: this book only
    long maxHits = -1;  // no limit
    std::string text;
};

// One book to search: its handle, its code page and the text in that code page.
struct Target {
    DWORD handle;
    UINT codePage;
    std::string label;  // as the terminal shows it
    std::string number; // as the terminal shows it
};

struct SearchState {
    long hits = 0;
    long maxHits = -1;
    bool progress = false;
    bool stopped = false; // the callback stopped the search
    UINT codePage = 0;    // of the book being searched
    // Hits printed to a pipe or a file are gathered and written some tens of kilobytes at a time:
    // a line and a write for each of a common word's hundred thousand pages cost more than the
    // search. A terminal gets every hit as it is found.
    bool gather = false;
    std::string gathered;
    // The book's number and name as the last hit gave them, and as they are shown: a common word
    // hits every page of a book, each hit with the same two.
    std::string number, name, shownBook;
    void Write() {
        std::fwrite(gathered.data(), 1, gathered.size(), stdout);
        std::fflush(stdout);
        gathered.clear();
    }
};
SearchState* g_search = nullptr; // the running search's state, for the callback

int OnHit(DWORD book, const SearchHit* hit) {
    SearchState& state = *g_search;
    ++state.hits;
    if (state.progress) std::fputs("\r\033[K", stderr); // clear the progress line before the hit
    const std::string entry = hit->pszEntryText ? hit->pszEntryText : "";
    const char* number = hit->pszBookNumber ? hit->pszBookNumber : "";
    const char* name = hit->pszBookName ? hit->pszBookName : "";
    if (state.shownBook.empty() || state.number != number || state.name != name) {
        state.number = number;
        state.name = name;
        state.shownBook = Shown(state.number, state.codePage) + "  " + Shown(state.name, state.codePage);
    }
    std::string& line = state.gathered;
    line += state.shownBook;
    line += "  page ";
    line += std::to_string(hit->nPage);
    line += "  ";
    line += entry.empty() ? "-" : Shown(entry, state.codePage);
    line += '\n';
    if (!state.gather || state.gathered.size() >= 64 * 1024) state.Write();
    if (state.progress) {
        std::fprintf(stderr, "[%ld hit(s); book %#x page %d]", state.hits, static_cast<unsigned>(book),
                     static_cast<int>(hit->nPage));
        std::fflush(stderr);
    }
    const bool goOn = !g_interrupted && (state.maxHits < 0 || state.hits < state.maxHits);
    if (!goOn) state.stopped = true;
    return goOn ? 1 : 0;
}

// The options and the text; nothing (with the message printed) for a mistake.
std::optional<SearchOptions> ParseOptions(const std::vector<std::string>& words) {
    SearchOptions options;
    std::vector<std::string> operands;
    bool ended = false;
    for (size_t i = 0; i < words.size(); ++i) {
        const std::string& word = words[i];
        if (ended || word.size() < 2 || word[0] != '-') {
            operands.push_back(word);
        } else if (word == kEndOfOptions) {
            ended = true;
        } else if (word == "--case") {
            options.matchCase = true;
        } else if (word == "--all") {
            options.all = true;
        } else if (word == "--book" || word == "--max") {
            if (i + 1 >= words.size()) {
                std::fprintf(stderr, "search: %s needs a value\n", word.c_str());
                return std::nullopt;
            }
            const std::string& value = words[++i];
            if (word == "--book") {
                options.number = value;
            } else if (auto max = ParseNumber(value, 1, LONG_MAX)) {
                options.maxHits = *max;
            } else {
                std::fprintf(stderr, "search: --max takes a whole number of hits from 1 up, not '%s'\n",
                             value.c_str());
                return std::nullopt;
            }
        } else {
            std::fprintf(stderr, "search: unknown option '%s' (to search for it: search -- %s)\n",
                         word.c_str(), word.c_str());
            return std::nullopt;
        }
    }
    if (operands.size() != 1 || operands[0].empty()) {
        std::fprintf(stderr,
                     "search: give one text (and --book NUMBER or --all, --case, --max N as wanted)\n");
        return std::nullopt;
    }
    if (options.all && !options.number.empty()) {
        std::fprintf(stderr, "search: --book searches one book, --all every book and dictionary: not both\n");
        return std::nullopt;
    }
    options.text = operands[0];
    return options;
}

Target TargetOf(Session& session, HTREEITEM item) {
    HWND tree = session.Tree();
    const ShelfItemInfo info = InfoOf(session.shelf, item);
    const DWORD handle = info.dwBookHandle;
    const UINT codePage = session.shelf.GetBookCodePage(handle);
    return Target{handle, codePage, Shown(ItemText(tree, item), codePage),
                  Shown(FieldText(info.szKey), codePage)};
}

// The books left out, by code page: how many, and the numbers of the first few.
void PrintLeftOut(const std::vector<const Target*>& leftOut) {
    constexpr size_t kNamed = 5;
    std::map<UINT, std::vector<const Target*>> byCodePage;
    for (const Target* target : leftOut)
        byCodePage[target->codePage].push_back(target);
    for (const auto& [codePage, targets] : byCodePage) {
        std::string numbers;
        for (size_t i = 0; i < targets.size() && i < kNamed; ++i)
            numbers += (i ? ", " : "") + targets[i]->number;
        if (targets.size() > kNamed) numbers += ", ...";
        std::printf("Not searched: %zu book(s) in code page %u, which cannot hold the text (%s)\n",
                    targets.size(), codePage, numbers.c_str());
    }
}

int RunSearch(Session& session, const std::vector<std::string>& words) {
    auto options = ParseOptions(words);
    if (!options) return 2;
    HWND tree = session.Tree();
    std::vector<Target> targets;
    if (!options->number.empty()) {
        auto number = Typed(options->number);
        HTREEITEM item = number ? FindBookItem(session.shelf, *number) : nullptr;
        if (!item) {
            std::fprintf(stderr, "search: no book numbered '%s' on the shelf\n", options->number.c_str());
            return 1;
        }
        targets.push_back(TargetOf(session, item));
    } else {
        ForEachItem(tree, TreeView_GetRoot(tree), [&](HTREEITEM item, int) {
            const ShelfItemInfo info = InfoOf(session.shelf, item);
            if (info.hItem &&
                (info.dwKind == SHELF_ITEM_BOOK || (options->all && info.dwKind == SHELF_ITEM_DICTIONARY)))
                targets.push_back(TargetOf(session, item));
        });
        if (targets.empty()) {
            std::fprintf(stderr, "search: no %s on the shelf\n",
                         options->all ? "book or dictionary" : "book");
            return 1;
        }
    }

    SearchState state;
    state.progress = isatty(STDERR_FILENO);
    state.gather = !state.progress && !isatty(STDOUT_FILENO);
    if (state.gather) WidenPipe(STDOUT_FILENO);
    state.maxHits = options->maxHits;
    g_search = &state;
    g_interrupted = 0;
    auto previous = std::signal(SIGINT, OnInterrupt);
    if (state.progress) std::fputs("[searching...]", stderr);
    std::vector<const Target*> leftOut, failed;
    for (const Target& target : targets) {
        if (g_interrupted) {
            state.stopped = true;
            break;
        }
        auto text = Typed(options->text, target.codePage);
        if (!text) {
            leftOut.push_back(&target);
            continue;
        }
        state.codePage = target.codePage;
        state.shownBook.clear();
        const int searched = session.shelf.Search(target.handle, text->data(), options->matchCase ? 1 : 0,
                                                  reinterpret_cast<void*>(&OnHit));
        state.Write();
        if (!searched) {
            if (state.stopped) break;
            failed.push_back(&target);
        }
    }
    std::signal(SIGINT, previous);
    g_search = nullptr;
    if (state.progress) std::fputs("\r\033[K", stderr);
    const bool nothingSearched = leftOut.size() == targets.size();
    std::printf("%ld hit(s); %s\n", state.hits,
                state.stopped     ? "stopped"
                : nothingSearched ? "nothing searched"
                                  : "searched to the end");
    PrintLeftOut(leftOut);
    for (const Target* target : failed)
        std::fprintf(stderr, "search: the shelf could not search %s  %s\n", target->number.c_str(),
                     target->label.c_str());
    if (nothingSearched)
        std::fprintf(stderr,
                     "search: nothing was searched: the text cannot be written in the code page of %s\n",
                     targets.size() == 1 ? "the book" : "any of the books");
    return failed.empty() && !nothingSearched ? 0 : 1;
}

} // namespace

TAVRIN_HOST_COMMAND(
    "search", "[--book N | --all] [--case] [--max N] TEXT",
    "search the text of one book (--book), of every book (dictionaries left out), or of every\n"
    "book and dictionary (--all) and print each page that holds it; --case: letters as given;\n"
    "--max: stop after N hits",
    RunSearch);

} // namespace tavrin::host
