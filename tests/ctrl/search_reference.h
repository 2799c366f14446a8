// The page search read the slow, obvious way: walk the page byte by byte, build each line, and test
// every line at every character boundary. The tests hold the fast search to exactly these answers; the
// extents of the control sequences are the page markup's one table (tavrin/page_markup.h), which
// tests/text/test_page_markup.cpp holds to the documented format.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <random>
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

// Random pages for holding a search to the reading above: text of a few letters, two-byte characters
// with any second byte, zero bytes and control sequences of every code with random operands.
class RandomPages {
  public:
    explicit RandomPages(uint32_t seed) : rng_(seed) {}

    int Below(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng_); }

    std::string Text(int length) {
        static const char kLetters[] = "abAB ab]=t";
        std::string s;
        while (static_cast<int>(s.size()) < length) {
            int kind = Below(20);
            if (kind < 14) {
                s += kLetters[Below(sizeof kLetters - 1)];
            } else if (kind < 17) { // a two-byte character with any second byte
                s += static_cast<char>(0x81 + Below(0x7E));
                const char trails[] = {'a', 'A', 'b', '\xFF', '\x00', '\x82'};
                s += trails[Below(sizeof trails)];
            } else if (kind == 17) {
                s += "text=";
            } else if (kind == 18) {
                s += static_cast<char>(Below(3) == 0 ? 0 : '\r');
            } else {
                s += "image=";
            }
        }
        return s;
    }

    std::string Sequence() {
        static const int kCodes[] = {0x0A, 0x0A, 0x0A, 0x03, 0x05, 0x0D, 0xFD, 0x13, 0x19,
                                     0x21, 0x23, 0xF7, 0xF9, 0xFB, 0x00, 0xFF, 0x06, 0x1A};
        int code = kCodes[Below(sizeof kCodes / sizeof kCodes[0])];
        std::string s = std::string{static_cast<char>(0xFF), static_cast<char>(code)};
        int operands = Below(4) == 0 ? Below(70) : Below(12);
        for (int k = 0; k < operands; ++k) {
            int pick = Below(10);
            s += pick == 0 ? ']' : pick == 1 ? ' ' : static_cast<char>(Below(256));
        }
        if (code == 0x19 && Below(2)) s += Below(2) ? "image=x.png text=ab" : "text=AB";
        return s;
    }

    std::string Page() {
        std::string page;
        int parts = 1 + Below(30);
        for (int p = 0; p < parts; ++p)
            page += Below(3) ? Text(1 + Below(12)) : Sequence();
        return page;
    }

    std::string Needle(const std::string& page) {
        // A searched text is zero-terminated: it holds no zero byte.
        std::string n;
        if (Below(3) == 0 || page.empty())
            n = Text(1 + Below(4));
        else
            n = page.substr(Below(static_cast<int>(page.size())), 1 + Below(5));
        std::string clean;
        for (char c : n)
            if (c != 0) clean += c;
        return clean.empty() ? "a" : clean;
    }

  private:
    std::mt19937 rng_;
};

} // namespace search_ref
