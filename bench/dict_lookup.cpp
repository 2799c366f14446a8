// The DICT driver's open and look-up, timed in one process: opening a dictionary as CBIOpenBook does
// (index read, order checked, pages made), and looking words up as a reader does (the binary search,
// then the first page made in the program's code page from the dictzip chunks).
//
//   bench_dict_lookup INDEX WORDS_FILE [ROUNDS]
//
// Prints the best and median open time, then per word the median look-up time over the rounds (a
// fresh dictionary each round, so that the first round's look-ups inflate their chunks and the
// figures are those of a reader's first look-up of a word), and their median and worst.
#include "dict/dictionary.h"
#include "dict/open_dictionaries.h"

#include <algorithm>
#include <chrono>
#include <ctime>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

using namespace tavrin::dict;
using Clock = std::chrono::steady_clock;

namespace {

double Ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

// CPU time of this thread, in ms: what the open costs, whatever else the machine runs meanwhile.
double CpuMs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: bench_dict_lookup INDEX WORDS_FILE [ROUNDS]\n");
        return 2;
    }
    const int rounds = argc > 3 ? std::max(1, std::atoi(argv[3])) : 7;
    std::vector<std::string> words;
    std::ifstream list(argv[2]);
    for (std::string line; std::getline(list, line);)
        if (!line.empty()) words.push_back(line);

    std::vector<double> opens, openCpu;
    std::vector<std::vector<double>> lookups(words.size());
    size_t found = 0;
    for (int r = 0; r < rounds; ++r) {
        std::string error;
        const auto start = Clock::now();
        const double cpuStart = CpuMs();
        std::unique_ptr<Dictionary> d = Dictionary::Open(argv[1], &error);
        openCpu.push_back(CpuMs() - cpuStart);
        opens.push_back(Ms(Clock::now() - start));
        if (!d) {
            std::fprintf(stderr, "bench_dict_lookup: %s\n", error.c_str());
            return 1;
        }
        found = 0;
        for (size_t i = 0; i < words.size(); ++i) {
            std::string page;
            const auto t = Clock::now();
            const std::vector<uint32_t> pages = d->Lookup(words[i]);
            if (!pages.empty() && MakePage(*d, pages[0], page, &error)) ++found;
            lookups[i].push_back(Ms(Clock::now() - t));
        }
    }
    std::vector<double> sorted = opens;
    std::sort(sorted.begin(), sorted.end());
    std::printf("open %s: wall best %.1f ms, median %.1f ms; CPU best %.1f ms, median %.1f ms (%d rounds)\n",
                argv[1], sorted.front(), Median(opens), *std::min_element(openCpu.begin(), openCpu.end()),
                Median(openCpu), rounds);
    std::vector<double> perWord;
    for (size_t i = 0; i < words.size(); ++i) {
        perWord.push_back(Median(lookups[i]));
        std::printf("  %-20s %8.3f ms median, %8.3f ms first round\n", words[i].c_str(), perWord.back(),
                    lookups[i][0]);
    }
    std::vector<double> firsts;
    for (const auto& l : lookups)
        firsts.push_back(l[0]);
    std::printf(
        "look-up and page: median %.3f ms, worst %.3f ms; first rounds: median %.3f ms, worst %.3f ms; "
        "%zu of %zu words found\n",
        Median(perWord), *std::max_element(perWord.begin(), perWord.end()), Median(firsts),
        *std::max_element(firsts.begin(), firsts.end()), found, words.size());
    return 0;
}
