// Conversion between the UTF-8 of source files and the 8-bit code page of a book, through iconv.
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
    // Null and *error set for a code page this tool does not know or iconv lacks.
    static std::unique_ptr<CodePage> Open(uint16_t number, std::string* error);
    ~CodePage();
    CodePage(const CodePage&) = delete;
    CodePage& operator=(const CodePage&) = delete;

    uint16_t Number() const { return number_; }

    // UTF-8 to the code page. nullopt and *error naming the first character that cannot be written.
    std::optional<std::string> Encode(std::string_view utf8, std::string* error) const;

    // The code page to UTF-8, for showing texts; bytes that do not convert become \xHH.
    std::string Decode(std::string_view bytes) const;

  private:
    CodePage() = default;
    uint16_t number_ = 0;
    void* toBook_ = nullptr; // iconv_t
    void* toUtf8_ = nullptr; // iconv_t
};

// The iconv name of a code page number, or null.
const char* CodePageName(uint16_t number);

} // namespace tavrin::bookc
