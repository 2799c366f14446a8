#include "dict/shelf_text.h"

#include "codepage/code_page.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <dlfcn.h>

namespace tavrin::dict {

namespace {

bool IsAscii(std::string_view text) {
    // Eight bytes at a time: a page of dictionary text is mostly ASCII, and this runs over every page
    // a search reads.
    size_t i = 0;
    uint64_t high = 0;
    for (; i + 8 <= text.size(); i += 8) {
        uint64_t word;
        std::memcpy(&word, text.data() + i, 8);
        high |= word;
    }
    for (; i < text.size(); ++i)
        high |= static_cast<unsigned char>(text[i]);
    return (high & 0x8080808080808080ull) == 0;
}

// The longest prefix of `text` (in `codePage`; 0: UTF-8) of at most `limit` bytes that ends on a
// character boundary.
size_t CutLength(std::string_view text, size_t limit, unsigned codePage) {
    if (text.size() <= limit) return text.size();
    size_t end = 0;
    while (end < text.size()) {
        size_t length;
        if (codePage == 0) {
            length = codepage::DecodeUtf8(text.substr(end));
            if (length == 0) length = 1;
        } else {
            length = codepage::CharLength(text, end, codePage);
        }
        if (end + length > limit) break;
        end += length;
    }
    return end;
}

} // namespace

unsigned ShelfCodePage() {
    using GetAcp = unsigned (*)();
    static const auto getAcp = reinterpret_cast<GetAcp>(dlsym(RTLD_DEFAULT, "GetACP"));
    if (!getAcp) return 0;
    const unsigned codePage = getAcp();
    return codePage == codepage::kUtf8 ? 0 : codePage;
}

std::string AsUtf8(std::string_view text) {
    if (IsAscii(text) || codepage::IsValidUtf8(text)) return std::string(text);
    return codepage::ToUtf8(text, 1252);
}

size_t WritePage(std::string_view definitions, unsigned codePage, char* to, size_t room) {
    thread_local std::string converted;
    std::string_view text = definitions;
    if (!IsAscii(definitions)) {
        converted = AsUtf8(definitions);
        if (codePage != 0) converted = codepage::FromUtf8(converted, codePage);
        text = converted;
    }
    const bool hasMark = std::memchr(text.data(), '\xFF', text.size()) != nullptr;
    char* const start = to;
    char* const end = to + room;
    size_t pos = 0;
    while (pos < text.size()) {
        const char* nl = static_cast<const char*>(std::memchr(text.data() + pos, '\n', text.size() - pos));
        const size_t lineEnd0 = nl ? static_cast<size_t>(nl - text.data()) : text.size();
        size_t lineEnd = lineEnd0;
        if (nl && lineEnd > pos && text[lineEnd - 1] == '\r') --lineEnd;
        const size_t length = lineEnd - pos;
        if (static_cast<size_t>(end - to) < length + (nl ? 2 : 0)) return kDoesNotFit;
        std::memcpy(to, text.data() + pos, length);
        if (hasMark) std::replace(to, to + length, '\xFF', 'y');
        to += length;
        if (nl) {
            *to++ = '\xFF';
            *to++ = '\x0A';
        }
        pos = lineEnd0 + 1;
    }
    return static_cast<size_t>(to - start);
}

void AppendPage(std::string_view definitions, unsigned codePage, std::string& out) {
    // Four bytes for each byte of the definitions always hold the page: Latin-1 text takes at most
    // three bytes a byte in UTF-8 (0x80 is the euro sign), a code page's character is never longer than
    // its UTF-8 form, and a line end takes two bytes.
    const size_t base = out.size();
    out.resize(base + 4 * definitions.size());
    const size_t written = WritePage(definitions, codePage, out.data() + base, out.size() - base);
    out.resize(base + (written == kDoesNotFit ? 0 : written));
}

int CopyOutText(std::string_view text, char* buffer, int capacity) {
    if (!buffer || capacity < 1) return 0;
    const unsigned codePage = ShelfCodePage();
    std::string converted = AsUtf8(text);
    if (codePage != 0 && !IsAscii(converted)) converted = codepage::FromUtf8(converted, codePage);
    const size_t length = CutLength(converted, static_cast<size_t>(capacity) - 1, codePage);
    std::memcpy(buffer, converted.data(), length);
    buffer[length] = '\0';
    return static_cast<int>(length);
}

std::string TypedToUtf8(std::string_view typed) {
    const unsigned codePage = ShelfCodePage();
    if (codePage == 0 || IsAscii(typed)) return std::string(typed);
    return codepage::ToUtf8(typed, codePage);
}

} // namespace tavrin::dict
