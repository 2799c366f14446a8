// Makes a large book source of real dictionary text, for measuring the book builder (tavrin-bookc).
//
//   bench_book_source DICT.dz OUTPUT MEGABYTES SHAPE
//
// DICT.dz is gzip-compressed dictionary text (dict-gcide's /usr/share/dictd/gcide.dict.dz); its lines
// are repeated until the pages hold at least MEGABYTES MB of text. The pages are shaped as SHAPE says:
//   big        2 KB to 60 KB of whole lines (the pages bench_search_throughput makes)
//   ordinary   2 KB to 6 KB of whole lines
//   headword   one page per headword (a line that starts without a blank) and the lines after it
// The markup is that of bench_search_throughput's book: every line ends with a line break, a headword
// line starts with a font sequence (0xFF 0x03 and 20 operand bytes) and every "{" is followed by a
// style sequence (0xFF 0xF7 and 4 operand bytes). The source has a contents block first, one entry per
// page named after its first line, then the pages. Bytes outside ASCII (three in GCIDE, not UTF-8)
// are written as "?".
#include <zlib.h>

#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

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

// True for a line the builder takes for the end of a page: "endpage", blanks around it allowed.
bool IsEndPage(const std::string& line) {
    size_t first = line.find_first_not_of(" \t");
    if (first == std::string::npos) return false;
    return line.substr(first, line.find_last_not_of(" \t") + 1 - first) == "endpage";
}

enum class Shape { Big, Ordinary, Headword };

// One page's source lines are made twice (contents first, then pages) from the same random sizes.
class Pages {
  public:
    Pages(const std::vector<std::string>& lines, Shape shape, size_t target)
        : lines_(lines), shape_(shape), target_(target) {}

    // Calls page(firstLine, body) for every page, body being the page's source lines.
    template <class F> void ForEach(F page) {
        std::mt19937 rng(2026);
        const bool big = shape_ == Shape::Big;
        std::uniform_int_distribution<size_t> pageSize(2 * 1024, (big ? 60 : 6) * 1024);
        size_t plain = 0, pageBytes = 0, want = pageSize(rng);
        std::string body, firstLine;
        auto endPage = [&] {
            if (body.empty()) return;
            body += "{br}\n"; // the last line ends with a line break too
            page(firstLine, body);
            body.clear();
            firstLine.clear();
            pageBytes = 0;
            want = pageSize(rng);
        };
        while (plain < target_) {
            for (const std::string& line : lines_) {
                const bool headword = !line.empty() && line[0] != ' ';
                if (shape_ == Shape::Headword && headword) endPage();
                if (plain >= target_ && body.empty()) break;
                if (firstLine.empty() && !line.empty()) firstLine = line;
                if (!body.empty()) body += '\n';
                if (headword) body += "{ctl 0x03 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1}";
                for (char c : line) {
                    if (c == '\\' || c == '}') body += '\\';
                    if (c == '{')
                        body += "\\{{ctl 0xF7 2 2 2 2}";
                    else
                        body += c;
                }
                if (IsEndPage(line)) body += "{}"; // the line "endpage" as text, not the page's end
                plain += line.size() + 1;
                pageBytes += line.size() + 1;
                if (shape_ != Shape::Headword && pageBytes >= want) endPage();
            }
        }
        endPage();
    }

  private:
    const std::vector<std::string>& lines_;
    Shape shape_;
    size_t target_;
};

std::string Quoted(const std::string& text) {
    std::string out = "\"";
    for (char c : text.substr(0, 200)) {
        if (c == '"' || c == '\\') out += '\\';
        out += c;
    }
    return out + "\"";
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: %s DICT.dz OUTPUT MEGABYTES big|ordinary|headword\n", argv[0]);
        return 2;
    }
    Shape shape = Shape::Big;
    if (std::strcmp(argv[4], "ordinary") == 0)
        shape = Shape::Ordinary;
    else if (std::strcmp(argv[4], "headword") == 0)
        shape = Shape::Headword;
    else if (std::strcmp(argv[4], "big") != 0)
        return std::fprintf(stderr, "unknown shape %s\n", argv[4]), 2;
    std::string text;
    if (!ReadGzip(argv[1], &text)) return std::fprintf(stderr, "cannot read %s\n", argv[1]), 1;
    std::vector<std::string> lines;
    for (size_t at = 0; at < text.size();) {
        size_t end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(at, end - at);
        for (char& c : line)
            if (static_cast<unsigned char>(c) >= 0x80 || c == '\r' || c == '\0') c = '?';
        lines.push_back(std::move(line));
        at = end + 1;
    }
    text = std::string();

    std::FILE* out = std::fopen(argv[2], "wb");
    if (!out) return std::fprintf(stderr, "cannot create %s\n", argv[2]), 1;
    Pages pages(lines, shape, std::stoul(argv[3]) * 1000 * 1000);
    std::fputs("tavrin-book 1\ncodepage 1252\nserial 0x5EA4C4\nnumber \"SEARCH-BENCH\"\n"
               "name 3 \"Builder bench\"\ncontents {\n",
               out);
    size_t count = 0;
    pages.ForEach([&](const std::string& first, const std::string&) {
        std::fprintf(out, "  %s -> p%zu\n", Quoted(first).c_str(), count++);
    });
    std::fputs("}\n", out);
    count = 0;
    pages.ForEach([&](const std::string&, const std::string& body) {
        std::fprintf(out, "page p%zu\n", count++);
        std::fwrite(body.data(), 1, body.size(), out);
        std::fputs("endpage\n", out);
    });
    if (std::fclose(out) != 0) return std::fprintf(stderr, "cannot write %s\n", argv[2]), 1;
    std::printf("%zu pages\n", count);
    return 0;
}
