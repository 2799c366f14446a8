// Fuzz target for the one code-page conversion rule (codepage/code_page.h), in both directions, for
// the code pages of the shelf.
//
// Input: byte 0 bits 0-1 = the code page (1252, 950, 936, 65001), bit 2 = the direction (clear: UTF-8
// into the code page; set: the code page into UTF-8); the rest is the text. Properties:
// - into UTF-8: always well-formed UTF-8, nothing rejected exactly when the text converts whole, and
//   what converted goes back to the code page as the bytes it came from (their canonical form).
// - into the code page: nothing rejected exactly when the input is well-formed UTF-8, every output
//   byte readable in the code page, and what the code page has goes back to UTF-8 unchanged.
// - the same answer twice (the second time from the kept answers).
#include "codepage/code_page.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace {

namespace cp = tavrin::codepage;

void Check(bool condition) {
    if (!condition) __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    static const unsigned kCodePages[] = {1252, 950, 936, cp::kUtf8};
    const unsigned codePage = kCodePages[data[0] & 3];
    const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);

    if (data[0] & 4) {
        cp::Report report;
        const std::string utf8 = cp::ToUtf8(text, codePage, &report);
        Check(cp::IsValidUtf8(utf8));
        Check(cp::ToUtf8(text, codePage) == utf8);
        cp::Report back;
        const std::string bytes = cp::FromUtf8(utf8, codePage, &back);
        Check(back.rejected == 0);
        if (report.rejected == 0) {
            // Every character converted; the code page may have two forms of one character, so the
            // bytes come back in the form the code page writes it, which reads the same.
            Check(back.missing == 0);
            Check(cp::ToUtf8(bytes, codePage) == utf8);
            if (codePage == cp::kUtf8) Check(bytes == text);
        }
        return 0;
    }

    cp::Report report;
    const std::string bytes = cp::FromUtf8(text, codePage, &report);
    Check(cp::FromUtf8(text, codePage) == bytes);
    Check((report.rejected == 0) == cp::IsValidUtf8(text));
    Check(bytes.size() <= text.size()); // never longer than the input
    cp::Report back;
    const std::string utf8 = cp::ToUtf8(bytes, codePage, &back);
    Check(back.rejected == 0);
    if (report.rejected == 0 && report.missing == 0) Check(utf8 == text);
    return 0;
}
