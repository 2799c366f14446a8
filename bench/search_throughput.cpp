// Full-text search throughput on one large book of real text, read through the real book driver.
//
//   bench_search_throughput make DICT.dz FOLDER [MEGABYTES] [big|ordinary|headword]
//       Makes FOLDER/words.ebd, one book of at least MEGABYTES (default 200; 0: the text once) MB of
//       page text, from the gzip-compressed dictionary text DICT.dz and its index (DICT.index beside
//       it; the entries it names, each once, in the text's order, repeated as often as needed), and
//       FOLDER/words.txt, the same plain text (one line per line of the pages).
//   bench_search_throughput search FOLDER TEXT [exact|anycase] [ROUNDS]
//       Puts FOLDER/words.ebd on a shelf served by EbdBook.dll, runs Search over every book ROUNDS
//       times (default 1) and prints the wall and CPU time of each and the best time of one Search.
//
// The pages are whole lines: 2 KB to 60 KB of them (big, about 30 KB on average), 3 KB to 5 KB
// (ordinary), or one entry of the dictionary each (headword: a dictionary's page per headword, of a
// few hundred bytes). Every line ends with a line break (0xFF 0x0A); a headword
// line (one that starts without a blank) starts with a font sequence (0xFF 0x03 and 20 operand
// bytes), and every "{" of a cross-reference is followed by a style sequence (0xFF 0xF7 and 4 operand
// bytes). Each page has a contents entry named after its first line. bench/search_compare.py runs the
// search and the host beside grep and ripgrep on the plain text.
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

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <sys/resource.h>
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

// A number of the dictionary index: base 64 with the digits A-Z a-z 0-9 + /.
std::optional<uint64_t> IndexNumber(std::string_view digits) {
    static const std::string_view kDigits =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    if (digits.empty() || digits.size() > 10) return std::nullopt;
    uint64_t value = 0;
    for (char c : digits) {
        size_t d = kDigits.find(c);
        if (d == std::string_view::npos) return std::nullopt;
        value = value * 64 + d;
    }
    return value;
}

struct Entry {
    uint64_t offset = 0, length = 0;
};

// The dictionary's entries, from its index (headword, offset, length, separated by tabs): each text
// once (several headwords often share one), in the order of the text. Empty when the index cannot
// be read or names text outside the dictionary.
std::vector<Entry> ReadEntries(const std::string& indexPath, size_t textSize) {
    std::ifstream index(indexPath, std::ios::binary);
    std::vector<Entry> entries;
    std::string line;
    while (std::getline(index, line)) {
        size_t tab1 = line.find('\t');
        size_t tab2 = tab1 == std::string::npos ? tab1 : line.find('\t', tab1 + 1);
        if (tab2 == std::string::npos) return {};
        std::string_view view(line);
        auto offset = IndexNumber(view.substr(tab1 + 1, tab2 - tab1 - 1));
        auto length = IndexNumber(view.substr(tab2 + 1));
        if (!offset || !length || *offset > textSize || *length > textSize - *offset) return {};
        if (*length > 0) entries.push_back({*offset, *length});
    }
    std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
        return a.offset != b.offset ? a.offset < b.offset : a.length > b.length;
    });
    // Of texts that begin at the same place the longest stays; a text inside the one before goes.
    std::vector<Entry> distinct;
    for (const Entry& e : entries)
        if (distinct.empty() || e.offset >= distinct.back().offset + distinct.back().length)
            distinct.push_back(e);
    return distinct;
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

// How the text is cut into pages: big pages of 2 KB to 60 KB, ordinary pages of 3 KB to 5 KB, or a
// dictionary's page per headword (one page per entry of its index).
enum class Shape { Big, Ordinary, Headword };

std::optional<Shape> ShapeNamed(std::string_view name) {
    if (name == "big") return Shape::Big;
    if (name == "ordinary") return Shape::Ordinary;
    if (name == "headword") return Shape::Headword;
    return std::nullopt;
}

// megabytes 0: the text once.
int Make(const std::string& dictPath, const fs::path& folder, size_t megabytes, Shape shape) {
    std::string source;
    if (!ReadGzip(dictPath, &source)) {
        std::fprintf(stderr, "cannot read %s\n", dictPath.c_str());
        return 1;
    }
    // Every shape is made of the entries the index names, so that the three hold the same text.
    std::string indexPath = dictPath;
    if (indexPath.size() > 8 && indexPath.ends_with(".dict.dz"))
        indexPath.replace(indexPath.size() - 8, 8, ".index");
    const std::vector<Entry> entries = ReadEntries(indexPath, source.size());
    if (entries.empty()) {
        std::fprintf(stderr, "cannot read the dictionary's index %s\n", indexPath.c_str());
        return 1;
    }
    // Each entry's lines; an empty line ends every entry's run of lines.
    std::vector<std::string> lines;
    std::vector<size_t> entryEnds; // the index in `lines` past each entry's last line
    for (const Entry& e : entries) {
        std::string_view text(source.data() + e.offset, e.length);
        for (size_t at = 0; at < text.size();) {
            size_t end = text.find('\n', at);
            if (end == std::string_view::npos) end = text.size();
            lines.push_back(WholeCharacters(std::string(text.substr(at, end - at))));
            at = end + 1;
        }
        entryEnds.push_back(lines.size());
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
    std::uniform_int_distribution<size_t> pageSize(shape == Shape::Ordinary ? 3 * 1024 : 2 * 1024,
                                                   shape == Shape::Ordinary ? 5 * 1024 : 60 * 1024);
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
    for (;;) { // passes over the text, as many as the size asks for
        for (size_t i = 0, entry = 0; i < lines.size(); ++i) {
            const std::string& line = lines[i];
            if (firstLine.empty() && !line.empty()) firstLine = line;
            if (!line.empty() && line[0] != ' ') page += font;
            for (char c : line) {
                page += c;
                if (c == '{') page += style;
            }
            page += "\xFF\x0A";
            pagePlain += line;
            pagePlain += '\n';
            const bool entryEnd = i + 1 == entryEnds[entry];
            if (entryEnd) ++entry;
            if (shape == Shape::Headword ? entryEnd : page.size() >= want) endPage();
            if (target > 0 && plainBytes >= target && page.empty()) break;
        }
        endPage();
        if (target == 0 || plainBytes >= target) break;
    }
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

// The process's CPU time so far (every thread, user and system), in seconds.
double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// Prints one line per Search ("round R: wall W s, cpu C s"), then the summary.
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
            const double cpu = CpuSeconds();
            auto start = std::chrono::steady_clock::now();
            result = shelf.Ctrl().Search(0xFFFFFFFF, text.data(), exact ? 1 : 0,
                                         reinterpret_cast<void*>(&CountHit));
            double seconds = SecondsSince(start);
            std::printf("round %d: wall %.4f s, cpu %.4f s\n", r + 1, seconds, CpuSeconds() - cpu);
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
    if (mode == "make" && argc >= 4) {
        const auto shape = ShapeNamed(argc > 5 ? argv[5] : "big");
        if (shape)
            return Make(argv[2], argv[3], argc > 4 ? static_cast<size_t>(std::stoul(argv[4])) : 200, *shape);
    }
    if (mode == "search" && argc >= 4) {
        bool exact = argc <= 4 || std::strcmp(argv[4], "anycase") != 0;
        int rounds = argc > 5 ? std::max(1, std::atoi(argv[5])) : 1;
        return RunSearch(argv[2], argv[3], exact, rounds);
    }
    std::fprintf(stderr,
                 "usage: %s make DICT.dz FOLDER [MEGABYTES] [big|ordinary|headword]\n"
                 "       %s search FOLDER TEXT [exact|anycase] [ROUNDS]\n",
                 argv[0], argv[0]);
    return 2;
}
