// The search command: searches one book or every book for a text and prints each page that holds it
// as the shelf reports it. On a terminal a progress line shows the hits so far; the search stops after
// --max hits, or at the next hit after Ctrl-C (a second Ctrl-C ends the program).
#include "session.h"
#include "shelf_items.h"

#include <csignal>
#include <cstdio>
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
    static const char kNote[] = "\n[stopping at the next hit; Ctrl-C again to quit]\n";
    ssize_t written = write(STDERR_FILENO, kNote, sizeof kNote - 1);
    (void)written;
}

struct SearchState {
    long hits = 0;
    long maxHits = -1; // no limit
    bool progress = false;
};
SearchState* g_search = nullptr; // the running search's state, for the callback

int OnHit(DWORD book, const SearchHit* hit) {
    SearchState& state = *g_search;
    ++state.hits;
    if (state.progress) std::fputs("\r\033[K", stderr); // clear the progress line before the hit
    std::printf("%s  %s  page %d  %s\n", plat::ToUtf8(hit->pszBookNumber).c_str(),
                plat::ToUtf8(hit->pszBookName).c_str(), static_cast<int>(hit->nPage),
                hit->pszEntryText && *hit->pszEntryText ? plat::ToUtf8(hit->pszEntryText).c_str() : "-");
    std::fflush(stdout);
    if (state.progress) {
        std::fprintf(stderr, "[%ld hit(s); book %#x page %d]", state.hits, static_cast<unsigned>(book),
                     static_cast<int>(hit->nPage));
        std::fflush(stderr);
    }
    if (g_interrupted) return 0;
    return state.maxHits < 0 || state.hits < state.maxHits;
}

int RunSearch(Session& session, const std::vector<std::string>& args) {
    SearchState state;
    state.progress = isatty(STDERR_FILENO);
    bool matchCase = false;
    std::string number;
    std::string text;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--case") {
            matchCase = true;
        } else if (args[i] == "--book" && i + 1 < args.size()) {
            number = args[++i];
        } else if (args[i] == "--max" && i + 1 < args.size()) {
            state.maxHits = std::strtol(args[++i].c_str(), nullptr, 10);
        } else if (text.empty()) {
            text = args[i];
        } else {
            text.clear();
            break;
        }
    }
    if (text.empty()) {
        std::fprintf(stderr, "search: give one text (and --book NUMBER, --case, --max N as wanted)\n");
        return 2;
    }
    DWORD book = 0xFFFFFFFF;
    if (!number.empty()) {
        book = session.shelf.GetBookHandle(plat::FromUtf8(number).c_str());
        if (book == 0xFFFFFFFF) {
            std::fprintf(stderr, "search: no book numbered '%s' on the shelf\n", number.c_str());
            return 1;
        }
    }
    std::string wanted = plat::FromUtf8(text);
    g_search = &state;
    g_interrupted = 0;
    auto previous = std::signal(SIGINT, OnInterrupt);
    if (state.progress) std::fputs("[searching...]", stderr);
    int result = session.shelf.Search(book, wanted.data(), matchCase ? 1 : 0,
                                      reinterpret_cast<void*>(&OnHit));
    std::signal(SIGINT, previous);
    g_search = nullptr;
    if (state.progress) std::fputs("\r\033[K", stderr);
    std::printf("%ld hit(s); %s\n", state.hits, result ? "searched to the end" : "stopped");
    return 0;
}

} // namespace

TAVRIN_HOST_COMMAND("search", "[--book N] [--case] [--max N] TEXT",
                    "search the text of one book or of every book; prints each page that holds it", RunSearch);

} // namespace tavrin::host
