// A page as readable text.
#include "navigation/page_text.h"

#include "codepage/code_page.h"
#include "tavrin/page_markup.h"

#include <cctype>
#include <optional>
#include <string_view>

namespace tavrin {

namespace {

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (size_t i = 0; i < prefix.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(text[i])) != prefix[i]) return false;
    return true;
}

struct Reference {
    char32_t character = 0;
    size_t length = 0; // bytes of the reference, "&" to ";"
};

// The reference that starts at the "&" of html[pos]: a markup character's name or a number, ended by
// ";". Nothing for any other "&".
std::optional<Reference> ReadReference(std::string_view html, size_t pos) {
    static const struct {
        std::string_view name;
        char32_t character;
    } kNames[] = {{"&lt;", '<'}, {"&gt;", '>'}, {"&amp;", '&'}, {"&quot;", '"'}, {"&apos;", '\''}};
    for (const auto& named : kNames)
        if (html.substr(pos, named.name.size()) == named.name)
            return Reference{named.character, named.name.size()};
    if (html.substr(pos, 2) != "&#") return std::nullopt;
    size_t at = pos + 2;
    unsigned base = 10;
    if (at < html.size() && (html[at] == 'x' || html[at] == 'X')) {
        base = 16;
        ++at;
    }
    const size_t digitsFrom = at;
    char32_t value = 0;
    for (; at < html.size(); ++at) {
        const char c = html[at];
        unsigned digit;
        if (c >= '0' && c <= '9')
            digit = static_cast<unsigned>(c - '0');
        else if (base == 16 && c >= 'a' && c <= 'f')
            digit = static_cast<unsigned>(c - 'a' + 10);
        else if (base == 16 && c >= 'A' && c <= 'F')
            digit = static_cast<unsigned>(c - 'A' + 10);
        else
            break;
        value = value > 0x10FFFF ? value : value * base + digit; // beyond the last character: stays so
    }
    if (at == digitsFrom || at >= html.size() || html[at] != ';') return std::nullopt;
    // No character: the zero, a surrogate, beyond U+10FFFF.
    if (value == 0 || (value >= 0xD800 && value <= 0xDFFF) || value > 0x10FFFF) value = 0xFFFD;
    return Reference{value, at + 1 - pos};
}

// The character in `codePage`.
std::string InCodePage(char32_t character, unsigned codePage) {
    if (character < 0x80) return std::string(1, static_cast<char>(character));
    std::string utf8;
    codepage::AppendUtf8(character, utf8);
    return codePage == codepage::kUtf8 ? utf8 : codepage::FromUtf8(utf8, codePage);
}

} // namespace

std::string MarkupPageText(const unsigned char* page, size_t length) {
    std::string text, line;
    // A line's text ends at its first zero byte.
    auto endLine = [&] {
        text.append(line, 0, line.find('\0'));
        line.clear();
    };
    TvrObjectScan objects = TVR_OBJECT_SCAN_INIT;
    size_t pos = 0;
    while (pos < length) {
        const unsigned char byte = page[pos];
        if (byte != TVR_MARK) {
            // A two-byte character stays whole.
            const size_t take = TvrIsLeadByte(byte) && pos + 1 < length ? 2 : 1;
            line.append(reinterpret_cast<const char*>(page + pos), take);
            pos += take;
            continue;
        }
        if (pos + 1 >= length) break;
        const unsigned char code = page[pos + 1];
        if (code == TVR_LINE_BREAK) {
            endLine();
            text += '\n';
            pos += 2;
        } else if (code == TVR_OBJECT) {
            pos = TvrObjectTextStart(page, length, pos, &objects); // the caption is read as text
        } else {
            const size_t extent = TvrSequenceExtent(page, length, pos);
            if (extent == 0) break;
            pos += extent;
        }
    }
    endLine();
    return text;
}

std::string HtmlPageText(const unsigned char* page, size_t length, unsigned codePage) {
    std::string_view html(reinterpret_cast<const char*>(page), length);
    if (size_t zero = html.find('\0'); zero != std::string_view::npos) html = html.substr(0, zero);
    static const std::string_view kBreaks[] = {"p",   "/p",  "br",  "div", "/div", "h1",    "h2",
                                               "h3",  "h4",  "h5",  "h6",  "/h1",  "/h2",   "/h3",
                                               "/h4", "/h5", "/h6", "li",  "tr",   "title", "/title"};
    std::string text;
    bool inHead = false, blank = false;
    // Text goes on: a blank run before it becomes one blank.
    auto append = [&](std::string_view what) {
        if (blank) text += ' ';
        blank = false;
        text += what;
    };
    auto isBlank = [](char32_t c) {
        return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
    };
    size_t pos = 0;
    while (pos < html.size()) {
        const char c = html[pos];
        if (c == '<') {
            size_t end = html.find('>', pos);
            if (end == std::string_view::npos) break;
            std::string_view tag = html.substr(pos + 1, end - pos - 1);
            if (StartsWithNoCase(tag, "head")) inHead = true;
            if (StartsWithNoCase(tag, "/head")) inHead = false;
            for (std::string_view name : kBreaks) {
                if (StartsWithNoCase(tag, name) &&
                    (tag.size() == name.size() ||
                     !std::isalnum(static_cast<unsigned char>(tag[name.size()])))) {
                    if (!text.empty() && text.back() != '\n') text += '\n';
                    blank = false;
                    break;
                }
            }
            pos = end + 1;
            continue;
        }
        if (inHead) {
            ++pos;
            continue;
        }
        char32_t character = static_cast<unsigned char>(c);
        size_t step = 1;
        bool referenced = false;
        if (c == '&') {
            if (auto reference = ReadReference(html, pos)) {
                character = reference->character;
                step = reference->length;
                referenced = true;
            }
        }
        if (isBlank(character)) {
            blank = !text.empty() && text.back() != '\n';
        } else if (referenced) {
            append(InCodePage(character, codePage));
        } else {
            append(html.substr(pos, 1));
        }
        pos += step;
    }
    while (!text.empty() && text.back() == '\n')
        text.pop_back();
    return text;
}

} // namespace tavrin
