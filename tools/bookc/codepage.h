// The code page of a book as the builder writes it: UTF-8 of the sources into the book's 8-bit code
// page and back, by the shelf's one conversion rule (codepage/code_page.h).
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace tavrin::bookc {

// A target code page: 1252 (Western), 950 (Big5), 936 (GBK), or 0 for "none" (ASCII only; other
// bytes come from escapes).
class CodePage {
  public:
    // Null and *error set for a code page this tool does not know or the system cannot convert.
    static std::unique_ptr<CodePage> Open(uint16_t number, std::string* error);

    uint16_t Number() const { return number_; }

    // UTF-8 to the code page. nullopt and *error naming the first byte that is not well-formed UTF-8,
    // or the first character that cannot be written.
    std::optional<std::string> Encode(std::string_view utf8, std::string* error) const;

    // The code page to UTF-8, for showing texts in source notation: a character that does not
    // convert is shown as the \xHH escapes of its bytes.
    std::string Decode(std::string_view bytes) const;

  private:
    CodePage() = default;
    uint16_t number_ = 0;
};

// The name of a code page number, or null.
const char* CodePageName(uint16_t number);

} // namespace tavrin::bookc
