// The define command: a word looked up in every dictionary on the shelf that offers look-up, as a
// reader's look-up shows it: for each dictionary that has the word, its name, then the definitions of
// each matching headword (the exact headword first, then those that match it as the dictionary's index
// folds headwords), each as the page's text.
#include "command_line.h"
#include "dict_books.h"
#include "session.h"
#include "terminal_text.h"

#include <cstdio>
#include <string>
#include <vector>

namespace tavrin::host {

namespace {

constexpr int32_t kMostPages = 64; // matching headwords shown per dictionary

int RunDefine(Session& session, const std::vector<std::string>& words) {
    const std::vector<std::string> args = Operands(words);
    if (args.empty()) {
        std::fprintf(stderr, "define: give a word (several words are looked up as one: New York)\n");
        return 2;
    }
    std::string word;
    for (const std::string& part : args)
        word += (word.empty() ? "" : " ") + part;

    const std::vector<ShelfDictionary> dictionaries = LookupDictionaries(session.shelf, session.Tree());
    if (dictionaries.empty()) {
        std::fprintf(stderr, "define: no dictionary on the shelf offers look-up (add one: dicts add NAME)\n");
        return 1;
    }
    int found = 0, unreadable = 0;
    for (const ShelfDictionary& d : dictionaries) {
        const DictCalls calls(d.driver);
        const std::optional<std::string> typed = Typed(word, d.codePage);
        const std::string name = Shown(BookName(calls, d.handle), d.codePage);
        if (!typed) {
            std::fprintf(stderr, "define: %s: its code page cannot hold the word\n", name.c_str());
            continue;
        }
        std::vector<int32_t> pages(kMostPages);
        const int32_t count = calls.lookup(d.handle, typed->c_str(), pages.data(), kMostPages);
        if (count <= 0) continue;
        ++found;
        std::printf("From %s:\n", name.c_str());
        for (int32_t i = 0; i < count && i < kMostPages; ++i) {
            std::string error;
            auto read =
                DictionaryPageText(session.shelf, session.Tree(), d, pages[static_cast<size_t>(i)], &error);
            if (!read) {
                std::fflush(stdout);
                std::fprintf(stderr, "define: %s: page %d cannot be read: %s\n", name.c_str(),
                             pages[static_cast<size_t>(i)], error.c_str());
                ++unreadable;
                continue;
            }
            std::string text = std::move(*read);
            while (!text.empty() && text.back() == '\n')
                text.pop_back();
            std::printf("\n%s\n\n", Shown(text, d.codePage).c_str());
        }
        if (count > kMostPages) std::printf("(%d more headwords match)\n\n", count - kMostPages);
    }
    std::fflush(stdout);
    if (found == 0) {
        std::fprintf(stderr, "define: \"%s\" is in none of the %zu dictionaries on the shelf\n", word.c_str(),
                     dictionaries.size());
        return 1;
    }
    return unreadable > 0 ? 1 : 0;
}

} // namespace

TAVRIN_HOST_COMMAND("define", "WORD...",
                    "the definitions of a word in every dictionary on the shelf that has it\n"
                    "(the exact headword first, then those that match it as the dictionary folds headwords)",
                    RunDefine);

} // namespace tavrin::host
