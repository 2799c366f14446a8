#include "dict/shelf_text.h"

#include "codepage/code_page.h"

#include <algorithm>
#include <cstring>
#include <dlfcn.h>

namespace tavrin::dict {

namespace {

bool IsAscii(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
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

void AppendPage(std::string_view definitions, unsigned codePage, std::string& out) {
    std::string converted;
    std::string_view text = definitions;
    if (!IsAscii(definitions)) {
        converted = AsUtf8(definitions);
        if (codePage != 0) converted = codepage::FromUtf8(converted, codePage);
        text = converted;
    }
    out.reserve(out.size() + text.size() + text.size() / 32);
    size_t pos = 0;
    while (pos < text.size()) {
        const char* nl = static_cast<const char*>(std::memchr(text.data() + pos, '\n', text.size() - pos));
        size_t end = nl ? static_cast<size_t>(nl - text.data()) : text.size();
        size_t lineEnd = end;
        if (nl && lineEnd > pos && text[lineEnd - 1] == '\r') --lineEnd;
        const size_t base = out.size();
        out.append(text, pos, lineEnd - pos);
        std::replace(out.begin() + static_cast<std::ptrdiff_t>(base), out.end(), '\xFF', 'y');
        if (nl) {
            out.push_back('\xFF');
            out.push_back('\x0A');
        }
        pos = end + 1;
    }
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
