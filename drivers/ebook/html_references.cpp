#include "ebook/html_references.h"

#include "ebook/text_util.h"

#include <algorithm>
#include <cstdint>
#include <optional>

namespace tavrin::ebook {
namespace {

constexpr size_t kLongestName = 32;      // "CounterClockwiseContourIntegral;"
constexpr uint32_t kTooLarge = 0x110000; // numbers past the last code point stop growing here

// Windows-1252 for the numbers 0x80-0x9F, as HTML reads them (0: the number stands for itself).
constexpr uint16_t kWindows1252[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                       0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                       0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                       0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

bool IsAsciiAlnum(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool StartsWithNoCase(std::string_view text, size_t at, std::string_view prefix) {
    if (text.size() - at < prefix.size()) return false;
    for (size_t k = 0; k < prefix.size(); ++k)
        if (Lower(text[at + k]) != prefix[k]) return false;
    return true;
}

bool IsXmlChar(uint32_t c) {
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD) ||
           (c >= 0x10000 && c <= 0x10FFFF);
}

// A reference that stands for a markup character (or for a text holding one, as "&nvlt;" does) keeps
// its reference: decoded, it would make or break a tag, an attribute or another reference.
bool IsMarkup(std::string_view text) {
    return text.find_first_of("<>&\"'") != std::string_view::npos;
}

const char* LookUp(std::string_view name) {
    const NamedReference* end = kNamedReferences + kNamedReferenceCount;
    const NamedReference* it = std::lower_bound(
        kNamedReferences, end, name, [](const NamedReference& r, std::string_view n) { return r.name < n; });
    return it != end && it->name == name ? it->text : nullptr;
}

struct Reference {
    size_t length = 0; // bytes of the reference, from the "&"
    std::string text;  // what it stands for
};

// A numeric reference at page[at] ("&#..."); nullopt when no digit follows.
std::optional<Reference> Numeric(std::string_view page, size_t at) {
    size_t i = at + 2;
    const bool hex = i < page.size() && (page[i] == 'x' || page[i] == 'X');
    if (hex) ++i;
    const size_t digitsStart = i;
    uint32_t value = 0;
    for (; i < page.size(); ++i) {
        const char c = page[i];
        int digit = c >= '0' && c <= '9'                        ? c - '0'
                    : hex && Lower(c) >= 'a' && Lower(c) <= 'f' ? Lower(c) - 'a' + 10
                                                                : -1;
        if (digit < 0) break;
        value = std::min<uint32_t>(value * (hex ? 16 : 10) + static_cast<uint32_t>(digit), kTooLarge);
    }
    if (i == digitsStart) return std::nullopt;
    if (i < page.size() && page[i] == ';') ++i;
    if (value == 0 || value >= kTooLarge || (value >= 0xD800 && value <= 0xDFFF)) value = 0xFFFD;
    if (value >= 0x80 && value <= 0x9F && kWindows1252[value - 0x80]) value = kWindows1252[value - 0x80];
    Reference ref{i - at, {}};
    if (IsXmlChar(value)) AppendUtf8(ref.text, value);
    return ref;
}

// The longest named reference at page[at] ("&name;" or a legacy "&name"); nullopt when none.
std::optional<Reference> Named(std::string_view page, size_t at) {
    size_t end = at + 1;
    while (end < page.size() && end - at - 1 < kLongestName && IsAsciiAlnum(page[end]))
        ++end;
    std::string_view run = page.substr(at + 1, end - at - 1);
    if (run.empty()) return std::nullopt;
    if (end < page.size() && page[end] == ';') {
        if (const char* text = LookUp(page.substr(at + 1, run.size() + 1)))
            return Reference{run.size() + 2, text};
    }
    for (size_t length = run.size(); length > 0; --length)
        if (const char* text = LookUp(run.substr(0, length))) return Reference{length + 1, text};
    return std::nullopt;
}

// The end of the markup that starts with "<" at page[at] (just past it), or npos for a "<" that starts
// none. *rawText receives "script" or "style" for a start tag whose content is code.
size_t MarkupEnd(std::string_view page, size_t at, std::string_view* rawText) {
    auto through = [&](std::string_view close) {
        size_t found = page.find(close, at);
        return found == std::string_view::npos ? page.size() : found + close.size();
    };
    if (page.compare(at, 4, "<!--") == 0) return through("-->");
    if (page.compare(at, 9, "<![CDATA[") == 0) return through("]]>");
    if (page.compare(at, 2, "<?") == 0) return through("?>");
    if (page.compare(at, 2, "<!") == 0) return through(">");
    size_t i = at + 1;
    const bool endTag = i < page.size() && page[i] == '/';
    if (endTag) ++i;
    if (i >= page.size() || !((page[i] >= 'a' && page[i] <= 'z') || (page[i] >= 'A' && page[i] <= 'Z')))
        return std::string_view::npos;
    // A tag ends at the first ">" outside a quoted attribute value.
    char quote = 0;
    size_t close = i;
    for (; close < page.size(); ++close) {
        const char c = page[close];
        if (quote) {
            if (c == quote) quote = 0;
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (c == '>') {
            break;
        }
    }
    if (close >= page.size()) return page.size();
    const bool selfClosing = close > i && page[close - 1] == '/';
    if (!endTag && !selfClosing) {
        for (std::string_view name : {std::string_view("script"), std::string_view("style")}) {
            const size_t after = i + name.size();
            if (StartsWithNoCase(page, i, name) && after <= close &&
                (after == close || page[after] == ' ' || page[after] == '\t' || page[after] == '\n' ||
                 page[after] == '\r' || page[after] == '/'))
                *rawText = name;
        }
    }
    return close + 1;
}

// The end of the content of a <script> or <style> that starts at `at`: where its end tag starts.
size_t RawTextEnd(std::string_view page, size_t at, std::string_view name) {
    for (size_t i = page.find("</", at); i != std::string_view::npos; i = page.find("</", i + 2))
        if (StartsWithNoCase(page, i + 2, name)) return i;
    return page.size();
}

} // namespace

std::string DecodeCharacterReferences(std::string_view page) {
    if (page.find('&') == std::string_view::npos) return std::string(page);
    std::string out;
    out.reserve(page.size());
    // Where decoded characters could join what stands before them: the last plain "&" written (a
    // reference if the name-like run after it went on), the last plain "<" (a tag, a comment or the
    // like if what comes next went on), and the end of a reference kept without its ";" (a longer one if a
    // digit or letter came).
    constexpr size_t kNone = std::string::npos;
    size_t plainAmp = kNone, plainLt = kNone, openKeptEnd = kNone;
    auto appendDecoded = [&](const std::string& text) {
        const char first = text[0];
        const bool nameLike = IsAsciiAlnum(first) || first == '#' || first == ';';
        if (nameLike && out.size() == openKeptEnd) out.push_back(';'); // "&#1&#51;" is not "&#13"
        if (nameLike && plainAmp != kNone &&
            std::all_of(out.begin() + static_cast<std::ptrdiff_t>(plainAmp) + 1, out.end(),
                        [](char c) { return IsAsciiAlnum(c) || c == '#'; })) {
            out.insert(plainAmp + 1, "amp;"); // "&&#x6C;t;" is the text "&lt;", not "<"
            plainAmp = kNone;
        }
        if (plainLt != kNone &&
            (out.size() == plainLt + 1 || (out.size() == plainLt + 2 && out.back() == '/'))) {
            out.insert(plainLt + 1, "lt;"); // "<&#89;" is the text "<Y", "<&#47;m>" "</m>", not tags
            out[plainLt] = '&';
            plainLt = kNone;
        }
        out += text;
    };
    size_t i = 0;
    while (i < page.size()) {
        const char c = page[i];
        if (c == '<') {
            std::string_view rawText;
            size_t end = MarkupEnd(page, i, &rawText);
            if (end == std::string_view::npos) { // a "<" that starts no markup is a plain "<"
                plainLt = out.size();
                out.push_back(c);
                ++i;
                continue;
            }
            if (!rawText.empty()) end = RawTextEnd(page, end, rawText);
            out.append(page.substr(i, end - i));
            i = end;
            continue;
        }
        if (c == '&') {
            std::optional<Reference> ref =
                i + 1 < page.size() && page[i + 1] == '#' ? Numeric(page, i) : Named(page, i);
            if (ref) {
                // Markup characters and characters a page may not hold keep their reference.
                if (ref->text.empty() || IsMarkup(ref->text)) {
                    std::string_view kept = page.substr(i, ref->length);
                    out.append(kept);
                    if (kept.back() != ';') openKeptEnd = out.size();
                } else {
                    appendDecoded(ref->text);
                }
                i += ref->length;
                continue;
            }
            plainAmp = out.size(); // a "&" that starts no reference is a plain "&"
        }
        out.push_back(c);
        ++i;
    }
    return out;
}

} // namespace tavrin::ebook
