#include "codepage.h"

#include "codepage/code_page.h"

#include <cstdio>

namespace tavrin::bookc {
namespace {

namespace cp = codepage;

// Raw bytes in source notation.
void Escaped(std::string_view bytes, std::string& out) {
    for (unsigned char c : bytes) {
        char text[8];
        std::snprintf(text, sizeof text, "\\x%02X", c);
        out += text;
    }
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
    if (!cp::IsKnown(number)) {
        if (error) *error = std::string("this system's iconv cannot convert to ") + name;
        return nullptr;
    }
    return page;
}

std::optional<std::string> CodePage::Encode(std::string_view utf8, std::string* error) const {
    size_t bad = 0;
    if (!cp::IsValidUtf8(utf8, &bad)) {
        if (error) *error = "the source is not valid UTF-8 at column " + std::to_string(bad + 1);
        return std::nullopt;
    }
    auto unwritable = [&](size_t at) {
        if (error)
            *error = "the character \"" + std::string(utf8.substr(at, cp::DecodeUtf8(utf8.substr(at)))) +
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
    cp::Report report;
    std::string out = cp::FromUtf8(utf8, number_, &report);
    if (report.missing) return unwritable(report.firstMissing);
    return out;
}

std::string CodePage::Decode(std::string_view bytes) const {
    if (number_ == 0) {
        std::string out;
        for (size_t i = 0; i < bytes.size(); ++i) {
            if (static_cast<unsigned char>(bytes[i]) < 0x80)
                out += bytes[i];
            else
                Escaped(bytes.substr(i, 1), out);
        }
        return out;
    }
    return cp::ToUtf8(bytes, number_, nullptr, Escaped);
}

} // namespace tavrin::bookc
