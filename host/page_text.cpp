// A page as readable text.
#include "page_text.h"

#include "bookfmt/markup.h"

#include <cctype>
#include <cstring>
#include <string_view>

namespace tavrin::host {

namespace {

namespace markup = tavrin::book::markup;

// The caption of an embedded object: the bytes after "text=" up to the object's closing sequence.
std::string ObjectCaption(const unsigned char* object, size_t length) {
    std::string_view body(reinterpret_cast<const char*>(object), length);
    size_t at = body.find("text=");
    if (at == std::string_view::npos) return {};
    std::string_view caption = body.substr(at + 5);
    size_t end = caption.find('\xFF');
    return std::string(caption.substr(0, end));
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (size_t i = 0; i < prefix.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(text[i])) != prefix[i]) return false;
    return true;
}

} // namespace

std::string MarkupPageText(const unsigned char* page, size_t length) {
    if (const void* zero = std::memchr(page, 0, length))
        length = static_cast<size_t>(static_cast<const unsigned char*>(zero) - page);
    std::string text;
    size_t pos = 0;
    while (pos < length) {
        const unsigned char byte = page[pos];
        if (byte != markup::kEscape) {
            // A two-byte character stays whole.
            const size_t take = byte >= 0x81 && byte <= 0xFE && pos + 1 < length ? 2 : 1;
            text.append(reinterpret_cast<const char*>(page + pos), take);
            pos += take;
            continue;
        }
        auto extent = markup::SequenceLength(book::ByteView(page, length), pos);
        if (!extent) break;
        const unsigned char code = page[pos + 1];
        if (code == markup::kLineBreak) text += '\n';
        if (code == markup::kObject) text += ObjectCaption(page + pos + 2, *extent - 2);
        pos += *extent;
    }
    return text;
}

std::string HtmlPageText(const unsigned char* page, size_t length) {
    std::string_view html(reinterpret_cast<const char*>(page), length);
    if (size_t zero = html.find('\0'); zero != std::string_view::npos) html = html.substr(0, zero);
    static const std::string_view kBreaks[] = {"p", "/p", "br", "div", "/div", "h1", "h2", "h3", "h4",
                                               "h5", "h6", "/h1", "/h2", "/h3", "/h4", "/h5", "/h6",
                                               "li", "tr", "title", "/title"};
    static const struct {
        std::string_view name, text;
    } kEntities[] = {{"&amp;", "&"}, {"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&apos;", "'"},
                     {"&nbsp;", " "}};
    std::string text;
    bool inHead = false, blank = false;
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
                    (tag.size() == name.size() || !std::isalnum(static_cast<unsigned char>(tag[name.size()])))) {
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
        if (c == '&') {
            bool replaced = false;
            for (const auto& entity : kEntities) {
                if (html.substr(pos, entity.name.size()) == entity.name) {
                    text += entity.text;
                    pos += entity.name.size();
                    replaced = true;
                    break;
                }
            }
            if (replaced) continue;
        }
        if (std::isspace(static_cast<unsigned char>(c))) {
            blank = !text.empty() && text.back() != '\n';
            ++pos;
            continue;
        }
        if (blank) text += ' ';
        blank = false;
        text += c;
        ++pos;
    }
    while (!text.empty() && text.back() == '\n') text.pop_back();
    return text;
}

} // namespace tavrin::host
