// Full-text search throughput on one large book of real text, read through the real book driver.
//
//   bench_search_throughput make DICT.dz FOLDER [MEGABYTES]
//       Makes FOLDER/words.ebd, one book of at least MEGABYTES (default 200) MB of page text, from the
//       gzip-compressed dictionary text DICT.dz (the text repeated as often as needed), and
//       FOLDER/words.txt, the same plain text (one line per line of the pages).
//   bench_search_throughput search FOLDER TEXT [exact|anycase] [ROUNDS]
//       Puts FOLDER/words.ebd on a shelf served by EbdBook.dll, runs Search over every book ROUNDS
//       times (default 1) and prints the hits and the best time of one Search.
//
// Pages are 2 KB to 60 KB of whole lines. Every line ends with a line break (0xFF 0x0A); a headword
// line (one that starts without a blank) starts with a font sequence (0xFF 0x03 and 20 operand
// bytes), and every "{" of a cross-reference is followed by a style sequence (0xFF 0xF7 and 4 operand
// bytes). Each page has a contents entry named after its first line. bench/search_compare.sh runs the
// search beside grep and ripgrep on the plain text.
#include "bench_shelf.h"
#include "bookfmt/writer.h"
#include "commctrl.h"
#include "plat/core.h"
#include "plat/modules.h"
#include "plat/registry.h"
#include "tavrin/tavrin_ctrl.h"
#include "testdrv.h"
#include "testdrv_paths.h"

#include <zlib.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;
using tavrin::book::BookModel;

bool ReadGzip(const std::string& path, std::string* text) {
    gzFile file = gzopen(path.c_str(), "rb");
    if (!file) return false;
    char chunk[1 << 16];
    int got = 0;
    while ((got = gzread(file, chunk, sizeof chunk)) > 0)
        text->append(chunk, static_cast<size_t>(got));
    gzclose(file);
    return got == 0;
}

bool IsLead(unsigned char c) {
    return c >= 0x81 && c <= 0xFE;
}

// Drops a last lead byte that has no second byte, so that no lead byte stands before a line break.
std::string WholeCharacters(std::string line) {
    size_t i = 0;
    while (i < line.size())
        i += IsLead(static_cast<unsigned char>(line[i])) ? 2 : 1;
    if (i > line.size()) line.pop_back();
    return line;
}

int Make(const std::string& dictPath, const fs::path& folder, size_t megabytes) {
    std::string source;
    if (!ReadGzip(dictPath, &source)) {
        std::fprintf(stderr, "cannot read %s\n", dictPath.c_str());
        return 1;
    }
    std::vector<std::string> lines;
    for (size_t at = 0; at < source.size();) {
        size_t end = source.find('\n', at);
        if (end == std::string::npos) end = source.size();
        lines.push_back(WholeCharacters(source.substr(at, end - at)));
        at = end + 1;
    }
    source.clear();
    source.shrink_to_fit();

    fs::create_directories(folder);
    std::ofstream plain(folder / "words.txt", std::ios::binary);
    BookModel book;
    book.serial = 0x5EA4C4;
    book.number = "SEARCH-BENCH";
    book.caps = tavrin::book::kCapContents;
    book.codePage = tavrin::book::kCodePageWestern;
    book.names.push_back({3, "Search bench"});
    book.hasContents = true;

    const std::string font = std::string("\xFF\x03", 2) + std::string(20, '\x01');
    const std::string style = std::string("\xFF\xF7", 2) + std::string(4, '\x02');
    std::mt19937 rng(2026);
    std::uniform_int_distribution<size_t> pageSize(2 * 1024, 60 * 1024);
    const size_t target = megabytes * 1000 * 1000;
    size_t plainBytes = 0;
    std::string page, pagePlain, firstLine;
    size_t want = pageSize(rng);
    auto endPage = [&] {
        if (page.empty()) return;
        page += '\0'; // the drivers' pages end with a zero byte
        book.root.children.push_back({firstLine.substr(0, 200), static_cast<int32_t>(book.pages.size()), {}});
        book.pages.push_back(std::move(page));
        plain << pagePlain;
        plainBytes += pagePlain.size();
        page.clear();
        pagePlain.clear();
        firstLine.clear();
        want = pageSize(rng);
    };
    while (plainBytes < target) {
        for (const std::string& line : lines) {
            if (firstLine.empty() && !line.empty()) firstLine = line;
            if (!line.empty() && line[0] != ' ') page += font;
            for (char c : line) {
                page += c;
                if (c == '{') page += style;
            }
            page += "\xFF\x0A";
            pagePlain += line;
            pagePlain += '\n';
            if (page.size() >= want) endPage();
            if (plainBytes >= target && page.empty()) break;
        }
    }
    endPage();
    std::string error;
    if (!tavrin::book::WriteBookFile(book, (folder / "words.ebd").string(), &error)) {
        std::fprintf(stderr, "cannot write the book: %s\n", error.c_str());
        return 1;
    }
    std::printf("%zu pages, %zu bytes of plain text\n", book.pages.size(), plainBytes);
    return 0;
}

// A host folder with the shelf's catalog (the test driver as Books.Dll, one catalog "65535") and
// EbdBook.dll, a registry store with the one book, and a host window.
class SearchShelf {
  public:
    explicit SearchShelf(const fs::path& bookPath) {
        dir_ = fs::temp_directory_path() / ("tavrin-bench-search-" + std::to_string(getpid()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        std::string shelfDriver = testdrv::CopyDriver(TAVRIN_TESTDRV_PATH, dir_.string(), "Books.Dll");
        std::string driver = testdrv::CopyDriver(TAVRIN_BENCH_EBD_PATH, dir_.string(), "EbdBook.dll");
        drv_ = std::make_unique<testdrv::Driver>(shelfDriver);
        std::string sys = (dir_ / "Tavrin.Sys").string();
        drv_->AddBook(sys.c_str());
        uint32_t root = drv_->AddItem(sys.c_str(), 0, "Shelf", -1);
        benchshelf::AddUnclassified(*drv_, sys, root, 0);

        plat::SetProgramPath((dir_ / "reader").string());
        plat::SetRegistryPath((dir_ / "registry.db").string());
        benchshelf::RegisterBook("Words", fs::absolute(bookPath).string(), driver);
        host_ = benchshelf::MakeHostWindow("BenchSearchHost");
        ctrl_ = std::make_unique<CTavrinCtrl>();
        CRect rc(0, 0, 300, 500);
        ok_ =
            ctrl_->Create(WS_BORDER | TVS_HASLINES | TVS_HASBUTTONS, rc, CWnd::FromHandle(host_), 1) != FALSE;
    }
    ~SearchShelf() {
        ctrl_.reset();
        if (host_) DestroyWindow(host_);
        plat::PumpMessages();
        drv_.reset();
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }
    bool Ok() const { return ok_; }
    CTavrinCtrl& Ctrl() { return *ctrl_; }

  private:
    fs::path dir_;
    std::unique_ptr<testdrv::Driver> drv_;
    HWND host_ = nullptr;
    std::unique_ptr<CTavrinCtrl> ctrl_;
    bool ok_ = false;
};

long g_hits = 0;
int CountHit(DWORD, const SearchHit* hit) {
    ++g_hits;
    return hit->pszBookName[0] != 0 || hit->nPage >= 0;
}

double SecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

int RunSearch(const fs::path& folder, std::string text, bool exact, int rounds) {
    auto begin = std::chrono::steady_clock::now();
    double setUp = 0, tearDown = 0, first = 0, best = 1e9;
    long hits = 0;
    int result = 0;
    {
        SearchShelf shelf(folder / "words.ebd");
        if (!shelf.Ok()) {
            std::fprintf(stderr, "the control could not be created\n");
            return 1;
        }
        setUp = SecondsSince(begin);
        for (int r = 0; r < rounds; ++r) {
            g_hits = 0;
            auto start = std::chrono::steady_clock::now();
            result = shelf.Ctrl().Search(0xFFFFFFFF, text.data(), exact ? 1 : 0,
                                         reinterpret_cast<void*>(&CountHit));
            double seconds = SecondsSince(start);
            best = std::min(best, seconds);
            if (r == 0) first = seconds;
            hits = g_hits;
        }
        begin = std::chrono::steady_clock::now();
    }
    tearDown = SecondsSince(begin);
    std::printf("search \"%s\" %s: result %d, %ld pages hit, first %.3f s, best of %d: %.3f s "
                "(set-up %.3f s, tear-down %.3f s)\n",
                text.c_str(), exact ? "exact" : "anycase", result, hits, first, rounds, best, setUp,
                tearDown);
    return result == 1 ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "make" && argc >= 4)
        return Make(argv[2], argv[3], argc > 4 ? static_cast<size_t>(std::stoul(argv[4])) : 200);
    if (mode == "search" && argc >= 4) {
        bool exact = argc <= 4 || std::strcmp(argv[4], "anycase") != 0;
        int rounds = argc > 5 ? std::max(1, std::atoi(argv[5])) : 1;
        return RunSearch(argv[2], argv[3], exact, rounds);
    }
    std::fprintf(stderr,
                 "usage: %s make DICT.dz FOLDER [MEGABYTES]\n"
                 "       %s search FOLDER TEXT [exact|anycase] [ROUNDS]\n",
                 argv[0], argv[0]);
    return 2;
}
