#include "codepage.h"

#include <cerrno>
#include <cstdio>
#include <iconv.h>
#include <vector>

namespace tavrin::bookc {
namespace {

iconv_t Handle(void* h) {
    return static_cast<iconv_t>(h);
}
bool Valid(void* h) {
    return h != nullptr && static_cast<iconv_t>(h) != reinterpret_cast<iconv_t>(-1);
}

// The length of the UTF-8 character starting at text[0] (1 for a byte that starts none).
size_t Utf8Length(std::string_view text) {
    unsigned char c = static_cast<unsigned char>(text[0]);
    size_t n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 1;
    return n <= text.size() ? n : 1;
}

bool ValidUtf8(std::string_view text, size_t* bad) {
    for (size_t i = 0; i < text.size();) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        size_t n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
        if (n == 0 || i + n > text.size()) {
            *bad = i;
            return false;
        }
        for (size_t k = 1; k < n; ++k)
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) {
                *bad = i;
                return false;
            }
        i += n;
    }
    return true;
}

// Runs one conversion; false when some input could not be converted (the output then holds what
// came before it and *stop the offset of the failing input).
bool Run(void* cd, std::string_view input, std::string& output, size_t* stop) {
    iconv(Handle(cd), nullptr, nullptr, nullptr, nullptr);
    std::vector<char> in(input.begin(), input.end());
    char* inPtr = in.data();
    size_t inLeft = in.size();
    char buffer[4096];
    while (inLeft > 0) {
        char* outPtr = buffer;
        size_t outLeft = sizeof buffer;
        size_t r = iconv(Handle(cd), &inPtr, &inLeft, &outPtr, &outLeft);
        output.append(buffer, static_cast<size_t>(outPtr - buffer));
        if (r == static_cast<size_t>(-1) && errno != E2BIG) {
            *stop = static_cast<size_t>(inPtr - in.data());
            return false;
        }
    }
    char* outPtr = buffer;
    size_t outLeft = sizeof buffer;
    iconv(Handle(cd), nullptr, nullptr, &outPtr, &outLeft);
    output.append(buffer, static_cast<size_t>(outPtr - buffer));
    return true;
}

} // namespace

const char* CodePageName(uint16_t number) {
    switch (number) {
    case 1252:
        return "CP1252";
    case 950:
        return "CP950";
    case 936:
        return "CP936";
    default:
        return nullptr;
    }
}

std::unique_ptr<CodePage> CodePage::Open(uint16_t number, std::string* error) {
    std::unique_ptr<CodePage> page(new CodePage());
    page->number_ = number;
    if (number == 0) return page;
    const char* name = CodePageName(number);
    if (!name) {
        if (error) *error = "unknown code page " + std::to_string(number) + " (1252, 950, 936 or none)";
        return nullptr;
    }
    page->toBook_ = iconv_open(name, "UTF-8");
    page->toUtf8_ = iconv_open("UTF-8", name);
    if (!Valid(page->toBook_) || !Valid(page->toUtf8_)) {
        if (error) *error = std::string("this system's iconv cannot convert to ") + name;
        return nullptr;
    }
    return page;
}

CodePage::~CodePage() {
    if (Valid(toBook_)) iconv_close(Handle(toBook_));
    if (Valid(toUtf8_)) iconv_close(Handle(toUtf8_));
}

std::optional<std::string> CodePage::Encode(std::string_view utf8, std::string* error) const {
    size_t bad = 0;
    if (!ValidUtf8(utf8, &bad)) {
        if (error) *error = "the source is not valid UTF-8 at column " + std::to_string(bad + 1);
        return std::nullopt;
    }
    auto unwritable = [&](size_t at) {
        if (error)
            *error = "the character \"" + std::string(utf8.substr(at, Utf8Length(utf8.substr(at)))) +
                     "\" cannot be written in " +
                     (number_ ? "code page " + std::to_string(number_)
                              : std::string("a book without a code page")) +
                     " (use a \\xHH escape for raw bytes)";
        return std::nullopt;
    };
    if (number_ == 0) {
        for (size_t i = 0; i < utf8.size(); ++i)
            if (static_cast<unsigned char>(utf8[i]) >= 0x80) return unwritable(i);
        return std::string(utf8);
    }
    std::string out;
    size_t stop = 0;
    if (!Run(toBook_, utf8, out, &stop)) return unwritable(stop);
    return out;
}

std::string CodePage::Decode(std::string_view bytes) const {
    auto escaped = [](unsigned char c) {
        char text[8];
        std::snprintf(text, sizeof text, "\\x%02X", c);
        return std::string(text);
    };
    std::string out;
    if (number_ == 0) {
        for (unsigned char c : bytes)
            out += c < 0x80 ? std::string(1, static_cast<char>(c)) : escaped(c);
        return out;
    }
    while (!bytes.empty()) {
        size_t stop = 0;
        std::string part;
        if (Run(toUtf8_, bytes, part, &stop)) {
            out += part;
            break;
        }
        out += part;
        out += escaped(static_cast<unsigned char>(bytes[stop]));
        bytes.remove_prefix(stop + 1);
    }
    return out;
}

} // namespace tavrin::bookc
