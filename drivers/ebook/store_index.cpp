#include "ebook/store_index.h"

#include "ebook/book_class.h"
#include "ebook/text_util.h"

#include <algorithm>
#include <charconv>
#include <string_view>

namespace tavrin::ebook {
namespace {

constexpr std::string_view kHeader = "tavrin-ebook-store 1";

template <class Number> bool ParseNumber(std::string_view text, Number* value, int base = 10) {
    if (text.empty()) return false;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), *value, base);
    return ec == std::errc() && end == text.data() + text.size();
}

std::vector<std::string_view> SplitTabs(std::string_view line) {
    std::vector<std::string_view> fields;
    size_t start = 0;
    while (true) {
        size_t tab = line.find('\t', start);
        fields.push_back(
            line.substr(start, tab == std::string_view::npos ? std::string_view::npos : tab - start));
        if (tab == std::string_view::npos) break;
        start = tab + 1;
    }
    return fields;
}

bool ParseBook(std::string_view line, StoredBook* book) {
    std::vector<std::string_view> f = SplitTabs(line);
    unsigned id = 0;
    if (f.size() != 7 || !ParseNumber(f[0], &id) || id == 0 || id > 0xFFFF) return false;
    if (!ParseNumber(f[1], &book->hash, 16) || !ParseNumber(f[2], &book->size)) return false;
    if (f[3].empty() || f[3].size() > kClassKeyMax || f[4].empty() || f[4].size() > kClassNameMax)
        return false;
    book->id = static_cast<uint16_t>(id);
    book->classKey = std::string(f[3]);
    book->className = std::string(f[4]);
    book->uniqueId = std::string(f[5]);
    book->title = std::string(f[6]);
    return true;
}

std::string OneLine(std::string_view text) {
    return CollapseSpace(text); // tabs and line ends become blanks
}

} // namespace

StoreIndex ParseIndex(const std::string& text) {
    StoreIndex index;
    size_t start = 0;
    bool first = true;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string_view line(text.data() + start, end - start);
        start = end + 1;
        if (first) {
            first = false;
            if (line.substr(0, kHeader.size()) == kHeader) {
                size_t at = line.find("next=");
                unsigned next = 0;
                if (at != std::string_view::npos && ParseNumber(line.substr(at + 5), &next) && next >= 1 &&
                    next <= 0xFFFF)
                    index.nextId = static_cast<uint16_t>(next);
                continue;
            }
        }
        StoredBook book;
        if (ParseBook(line, &book)) index.books.push_back(std::move(book));
    }
    std::stable_sort(index.books.begin(), index.books.end(),
                     [](const StoredBook& a, const StoredBook& b) { return a.id < b.id; });
    index.books.erase(std::unique(index.books.begin(), index.books.end(),
                                  [](const StoredBook& a, const StoredBook& b) { return a.id == b.id; }),
                      index.books.end());
    return index;
}

std::string FormatIndex(const StoreIndex& index) {
    std::string out(kHeader);
    out += " next=" + std::to_string(index.nextId) + "\n";
    char hash[24];
    for (const StoredBook& book : index.books) {
        auto [end, ec] = std::to_chars(hash, hash + sizeof hash, book.hash, 16);
        out += std::to_string(book.id);
        out += '\t';
        out.append(hash, end);
        out += '\t' + std::to_string(book.size) + '\t' + OneLine(book.classKey) + '\t' +
               OneLine(book.className) + '\t' + OneLine(book.uniqueId) + '\t' + OneLine(book.title) + '\n';
    }
    return out;
}

} // namespace tavrin::ebook
