#include "ebook/store_index.h"

#include "ebook/book_class.h"
#include "ebook/text_util.h"

#include <algorithm>
#include <charconv>
#include <optional>

namespace tavrin::ebook {
namespace {

constexpr std::string_view kMagic = "tavrin-ebook-store ";
constexpr char kHex[] = "0123456789abcdef";

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

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool IsControl(unsigned char c) {
    return c < 0x20 || c == 0x7F;
}

// A version 2 text field back to its bytes; nullopt for an escape that is not one of ours or a raw
// control byte, which the writer never leaves in a field.
std::optional<std::string> Unescape(std::string_view field) {
    std::string out;
    out.reserve(field.size());
    for (size_t i = 0; i < field.size(); ++i) {
        const char c = field[i];
        if (IsControl(static_cast<unsigned char>(c))) return std::nullopt;
        if (c != '\\') {
            out.push_back(c);
            continue;
        }
        if (++i >= field.size()) return std::nullopt;
        switch (field[i]) {
        case '\\':
            out.push_back('\\');
            break;
        case 't':
            out.push_back('\t');
            break;
        case 'n':
            out.push_back('\n');
            break;
        case 'r':
            out.push_back('\r');
            break;
        case 'x': {
            int high = i + 1 < field.size() ? HexValue(field[i + 1]) : -1;
            int low = i + 2 < field.size() ? HexValue(field[i + 2]) : -1;
            if (high < 0 || low < 0) return std::nullopt;
            out.push_back(static_cast<char>(high * 16 + low));
            i += 2;
            break;
        }
        default:
            return std::nullopt;
        }
    }
    return out;
}

void AppendEscaped(std::string& out, std::string_view text) {
    for (size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        size_t length = Utf8CharLength(text, i);
        if (c == '\\') {
            out += "\\\\";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (IsControl(c) || length == 0) {
            out += "\\x";
            out.push_back(kHex[c >> 4]);
            out.push_back(kHex[c & 0xF]);
        } else {
            out.append(text.substr(i, length));
            i += length;
            continue;
        }
        ++i;
    }
}

// One book line; false when it does not parse. Version 1 texts are taken as they stand and need a
// class key and name (as the drivers that wrote version 1 read them); version 2 texts are unescaped.
bool ParseBook(std::string_view line, int version, StoredBook* book) {
    std::vector<std::string_view> f = SplitTabs(line);
    unsigned id = 0;
    if (f.size() != 7 || !ParseNumber(f[0], &id) || id == 0 || id > 0xFFFF) return false;
    if (!ParseNumber(f[1], &book->hash, 16) || !ParseNumber(f[2], &book->size)) return false;
    book->id = static_cast<uint16_t>(id);
    std::string* texts[] = {&book->classKey, &book->className, &book->uniqueId, &book->title};
    for (size_t k = 0; k < 4; ++k) {
        if (version == 1) {
            *texts[k] = std::string(f[3 + k]);
        } else if (auto text = Unescape(f[3 + k])) {
            *texts[k] = std::move(*text);
        } else {
            return false;
        }
    }
    if (book->classKey.size() > kClassKeyMax || book->className.size() > kClassNameMax) return false;
    return version != 1 || (!book->classKey.empty() && !book->className.empty());
}

// "tavrin-ebook-store <version> next=<id>"; false when the line is not such a header.
bool ParseHeader(std::string_view line, int* version, uint16_t* nextId) {
    if (line.substr(0, kMagic.size()) != kMagic) return false;
    line.remove_prefix(kMagic.size());
    size_t blank = line.find(' ');
    unsigned next = 0;
    if (blank == std::string_view::npos || !ParseNumber(line.substr(0, blank), version)) return false;
    std::string_view rest = line.substr(blank + 1);
    if (rest.substr(0, 5) != "next=" || !ParseNumber(rest.substr(5), &next) || next == 0 || next > 0xFFFF)
        return false;
    *nextId = static_cast<uint16_t>(next);
    return true;
}

} // namespace

ParsedIndex ParseIndex(std::string_view text) {
    ParsedIndex parsed;
    auto damaged = [&](std::string what) {
        if (parsed.damage.empty()) parsed.damage = std::move(what);
    };
    if (text.empty()) {
        parsed.damage = "the index is empty";
        return parsed;
    }
    size_t start = 0;
    size_t lineNumber = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos) {
            // A line cut off may still parse, with a title cut short: it is not kept.
            damaged("the index is cut short (its last line has no line end)");
            break;
        }
        std::string_view line = text.substr(start, end - start);
        start = end + 1;
        ++lineNumber;
        if (lineNumber == 1) {
            if (!ParseHeader(line, &parsed.version, &parsed.index.nextId) || parsed.version < 1 ||
                parsed.version > kIndexVersion) {
                parsed.version = 0;
                damaged("the index has no header this driver reads");
            }
            continue;
        }
        // Under a header this driver does not read, the lines are still looked at, as a help to the
        // rebuild; the index is damaged all the same.
        StoredBook book;
        bool good = parsed.version != 0 ? ParseBook(line, parsed.version, &book)
                                        : ParseBook(line, 2, &book) || ParseBook(line, 1, &book);
        if (good) {
            parsed.index.books.push_back(std::move(book));
        } else {
            damaged("line " + std::to_string(lineNumber) + " of the index does not parse");
        }
    }
    std::stable_sort(parsed.index.books.begin(), parsed.index.books.end(),
                     [](const StoredBook& a, const StoredBook& b) { return a.id < b.id; });
    const auto sameId = [](const StoredBook& a, const StoredBook& b) { return a.id == b.id; };
    auto twice = std::adjacent_find(parsed.index.books.begin(), parsed.index.books.end(), sameId);
    if (twice != parsed.index.books.end()) {
        damaged("the index names book " + std::to_string(twice->id) + " twice");
        // The first line of an id counts.
        parsed.index.books.erase(std::unique(twice, parsed.index.books.end(), sameId),
                                 parsed.index.books.end());
    }
    return parsed;
}

std::string FormatIndex(const StoreIndex& index) {
    std::string out(kMagic);
    out += std::to_string(kIndexVersion) + " next=" + std::to_string(index.nextId) + "\n";
    char hash[24];
    for (const StoredBook& book : index.books) {
        auto [end, ec] = std::to_chars(hash, hash + sizeof hash, book.hash, 16);
        out += std::to_string(book.id);
        out += '\t';
        out.append(hash, end);
        out += '\t' + std::to_string(book.size);
        for (const std::string* text : {&book.classKey, &book.className, &book.uniqueId, &book.title}) {
            out += '\t';
            AppendEscaped(out, *text);
        }
        out += '\n';
    }
    return out;
}

} // namespace tavrin::ebook
