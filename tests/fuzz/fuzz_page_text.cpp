// Fuzz target for the page text the control hands its host: any page bytes read as a markup page or as an
// HTML page.
//
// Input: byte 0 bit 0 = HTML (else markup), bits 1-2 = the HTML page's code page (1252, 950, 936,
// 65001); the rest is the page. Properties:
// - markup: the text is the page's lines as the full-text search reads them (tests/ctrl
//   search_reference.h), each up to its first zero byte, joined by "\n"; never longer than the page.
// - HTML: never longer than the page, no zero byte, no empty line; and what stands between the tags is
//   read back exactly when written with the markup characters as references (once or twice over: a
//   reference is read once, never twice).
#include "navigation/page_text.h"
#include "search_reference.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

namespace {

void Check(bool condition) {
    if (!condition) __builtin_trap();
}

std::string Markup(const unsigned char* page, size_t n) {
    return tavrin::MarkupPageText(page, n);
}

std::string Html(const std::string& page, unsigned codePage) {
    return tavrin::HtmlPageText(reinterpret_cast<const unsigned char*>(page.data()), page.size(), codePage);
}

// The markup characters as references.
std::string Escape(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '&')
            out += "&amp;";
        else if (c == '<')
            out += "&lt;";
        else if (c == '>')
            out += "&gt;";
        else
            out += c;
    }
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const bool html = data[0] & 1;
    static const unsigned kCodePages[] = {1252, 950, 936, 65001};
    const unsigned codePage = kCodePages[(data[0] >> 1) & 3];
    const size_t n = size - 1;
    // The page in a block of exactly its size.
    std::unique_ptr<unsigned char[]> page(new unsigned char[n ? n : 1]);
    std::memcpy(page.get(), data + 1, n);

    if (!html) {
        const std::string text = Markup(page.get(), n);
        Check(text.size() <= n);
        std::string expected;
        bool first = true;
        for (const std::string& line : search_ref::PageLines(page.get(), n)) {
            if (!first) expected += '\n';
            expected.append(line, 0, line.find('\0'));
            first = false;
        }
        Check(text == expected);
        return 0;
    }

    const std::string bytes(reinterpret_cast<const char*>(page.get()), n);
    const std::string text = Html(bytes, codePage);
    Check(text.size() <= n);
    Check(text.find('\0') == std::string::npos);
    Check(text.find("\n\n") == std::string::npos);
    Check(text.empty() || (text.front() != '\n' && text.back() != '\n'));

    // The page's bytes as the text of a paragraph: blanks (which fold) and zero bytes (which end the
    // page) left out.
    std::string raw;
    for (char c : bytes)
        if (c != '\0' && !std::strchr(" \t\n\r\f\v", c)) raw += c;
    Check(Html("<p>" + Escape(raw) + "</p>", codePage) == raw);
    Check(Html("<p>" + Escape(Escape(raw)) + "</p>", codePage) == Escape(raw));
    return 0;
}
