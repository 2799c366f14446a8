// The page search read the slow, obvious way: walk the page byte by byte, build each line, and test
// every line at every character boundary. The tests hold the fast search to exactly these answers.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

namespace search_ref {

inline bool Lead(unsigned char c) {
    return c >= 0x81 && c <= 0xFE;
}

inline std::string Lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    return s;
}

// Does the zero-terminated `line` hold `text` starting on a character boundary?
inline bool Match(const std::string& text, const char* line, bool exact) {
    std::string t = exact ? text : Lower(text);
    std::string l = exact ? std::string(line) : Lower(line);
    for (size_t p = 0; p < l.size(); p += Lead(static_cast<unsigned char>(l[p])) ? 2 : 1)
        if (l.compare(p, t.size(), t) == 0) return true;
    return false;
}

inline bool SearchPage(const std::string& text, const unsigned char* page, size_t n, bool exact) {
    if (text.empty() || n == 0) return false;
    // The zero-terminated readings end at the first zero or the page's end.
    auto find = [&](size_t from, const char* word) -> size_t {
        size_t end = from;
        while (end < n && page[end])
            ++end;
        size_t length = std::strlen(word);
        for (size_t q = from; q + length <= end; ++q)
            if (std::memcmp(page + q, word, length) == 0) return q;
        return SIZE_MAX;
    };
    auto bracket = [&](size_t from) {
        for (size_t q = from; q < n; ++q)
            if (page[q] == ']') return q + 1;
        return n;
    };
    std::string line;
    size_t i = 0;
    while (i < n) {
        unsigned char c = page[i];
        if (c != 0xFF) {
            line += static_cast<char>(c);
            if (Lead(c) && i + 1 < n) {
                line += static_cast<char>(page[i + 1]);
                i += 2;
            } else {
                i += 1;
            }
            continue;
        }
        if (i + 1 >= n) break;
        auto at = [&](size_t k) -> unsigned { return i + k < n ? page[i + k] : 0u; };
        size_t next = i + 2;
        switch (page[i + 1]) {
        case 10:
            if (Match(text, line.c_str(), exact)) return true;
            line.clear();
            break;
        case 3:
            next = i + 22;
            break;
        case 5:
            next = i + 54;
            break;
        case 13:
        case 253:
            next = i + 10;
            break;
        case 19:
            next = i + 11;
            if (at(2) & 0x20) next = bracket(next);
            break;
        case 33:
            next = i + 19;
            if (!(at(2) & 0x10)) next = bracket(next);
            break;
        case 35: {
            unsigned f = at(2);
            next = i + 11;
            if (!(f & 0x10)) next = bracket(next);
            if (f & 0x40) next += 8;
            if (f & 0x20) next = next + 2 > n ? n : next + 2 + page[next] + 256u * page[next + 1];
            break;
        }
        case 247:
            next = i + 6;
            break;
        case 249:
            next = i + ((at(3) & 0x40) ? 16 : 8);
            break;
        case 251:
            next = i + 7;
            break;
        case 25: {
            size_t p = i + 3;
            if (p >= n) {
                next = n;
                break;
            }
            size_t t = find(p, "text=");
            if (t != SIZE_MAX) {
                next = t + 5;
                break;
            }
            size_t image = find(p, "image=");
            if (image != SIZE_MAX) p = image + 6;
            next = n;
            if (p < n && page[p] == 0xFF) {
                next = p + 2;
                break;
            }
            for (size_t q = p; q < n; ++q) {
                if (page[q] == ' ') {
                    next = q + 1;
                    break;
                }
                if (page[q] == 0xFF) {
                    next = q + 2;
                    break;
                }
            }
            break;
        }
        default:
            break;
        }
        i = std::min(next, n);
    }
    return !line.empty() && Match(text, line.c_str(), exact);
}

} // namespace search_ref
