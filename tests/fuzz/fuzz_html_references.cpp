// Fuzz target for the e-book driver's decoding of HTML character references in a page: any bytes. The
// decoded page must keep its markup (decoding makes no "<" or ">": a "<" goes only where it started no
// markup and became "&lt;"), and decoding it again must change nothing (what the first pass wrote is
// text or a reference it keeps, never a new reference or tag made of decoded characters).
#include "ebook/html_references.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace {

void Check(bool condition) {
    if (!condition) __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view page(reinterpret_cast<const char*>(data), size);
    std::string once = tavrin::ebook::DecodeCharacterReferences(page);
    Check(std::count(once.begin(), once.end(), '<') <= std::count(page.begin(), page.end(), '<'));
    Check(std::count(once.begin(), once.end(), '>') == std::count(page.begin(), page.end(), '>'));
    Check(tavrin::ebook::DecodeCharacterReferences(once) == once);
    return 0;
}
