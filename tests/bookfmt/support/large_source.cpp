#include "support/large_source.h"

#include <random>

namespace booktest {
namespace {

const char* const kLines[] = {
    "The river runs {ctl 0xF7 1 2 3 4}past the mill",
    "春眠不覺曉，處處聞啼鳥。",
    "a brace \\{ and \\} and a backslash \\\\ and a byte \\x41",
    "{object image=\"mill.png\" text=\"The mill 磨坊\"}after the picture",
    "a line that joins the next \\",
    "",
    "two{br}lines in one",
    "{ctl 0x13 0x20 0 0 0 0 0 0 0 0 \"see]\"}a link",
    "    indented text with blanks at its end   ",
    "{}endpage",
};

} // namespace

std::string LargeSource(const LargeSourceShape& shape) {
    std::mt19937 rng(shape.seed);
    std::string contents = "contents {\r\n";
    for (size_t p = 0; p < shape.pages; ++p) {
        if (p % 50 == 0) contents += "  \"Part " + std::to_string(p / 50) + "\" {\n";
        contents += "    \"第 " + std::to_string(p) + " 頁 page\" -> p" + std::to_string(p) + "\n";
        if (p % 50 == 49 || p + 1 == shape.pages) contents += "  }\n";
    }
    contents += "}\n";

    std::string pages;
    const size_t bigEvery = shape.bigPages ? shape.pages / shape.bigPages : 0;
    for (size_t p = 0; p < shape.pages; ++p) {
        pages += "page p" + std::to_string(p) + (p % 3 ? "\n" : "\r\n");
        const bool big = bigEvery && p % bigEvery == bigEvery / 2;
        const size_t want = big ? shape.bigPageBytes : std::uniform_int_distribution<size_t>(1, 3000)(rng);
        size_t made = 0;
        while (made < want) {
            const std::string line = kLines[std::uniform_int_distribution<size_t>(0, 9)(rng)];
            pages += line + (rng() % 5 ? "\n" : "\r\n");
            made += line.size() + 1;
        }
        pages += "plain last line\nendpage\n";
    }
    std::string source = "tavrin-book 1\r\ncodepage 950\nserial 0x00B16B00\nnumber \"LARGE-1\"\n"
                         "name 3 \"Large book\"\nname 1028 \"大書\"\nclass book\n";
    return source + (shape.contentsFirst ? contents + pages : pages + contents);
}

int LineOf(const std::string& source, const std::string& text) {
    size_t at = source.find(text);
    int line = 1;
    for (size_t i = 0; i < at && i < source.size(); ++i)
        line += source[i] == '\n';
    return line;
}

} // namespace booktest
