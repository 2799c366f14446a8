// The page search read the slow, obvious way: walk the page byte by byte, build each line, and test
// every line at every character boundary. The tests hold the fast search to exactly these answers; the
// extents of the control sequences are the page markup's one table (tavrin/page_markup.h), which
// tests/text/test_page_markup.cpp holds to the documented format.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "tavrin/page_markup.h"

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

// The lines of a page as the search reads them, each with all its bytes (MatchText sees a line up to
// its first zero byte). The extents of the control sequences are the page markup's.
inline std::vector<std::string> PageLines(const unsigned char* page, size_t n) {
    std::vector<std::string> lines;
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
        if (page[i + 1] == 10) {
            lines.push_back(line);
            line.clear();
            i += 2;
        } else if (page[i + 1] == 25) {
            i = TvrObjectTextStart(page, n, i, nullptr);
        } else {
            size_t extent = TvrSequenceExtent(page, n, i);
            i = extent ? i + extent : n;
        }
    }
    lines.push_back(line);
    return lines;
}

inline bool SearchPage(const std::string& text, const unsigned char* page, size_t n, bool exact) {
    if (text.empty() || n == 0) return false;
    for (const std::string& line : PageLines(page, n))
        if (!line.empty() && Match(text, line.c_str(), exact)) return true;
    return false;
}

} // namespace search_ref
