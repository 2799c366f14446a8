// Fuzz target for the full-text search's page reading: any page bytes, any searched text, either case
// rule. The search must stay inside the page and answer exactly what reading it line by line answers
// (tests/ctrl/search_reference.h); the texts between HTML tags must come from the page.
//
// Input: byte 0 = length of the searched text (modulo 9), byte 1 bit 0 = matchCase, bit 1 = the
// 16-byte quick look instead of the 32-byte one, then the text (zero bytes in it end it), and the rest
// is the page.
#include "navigation/page_prefilter.h"
#include "navigation/search_text.h"
#include "search_reference.h"

#include "afxwin.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

// The search shows a message box when it has no memory; the fuzzer has no window system.
int AfxMessageBox(LPCSTR, UINT, UINT) {
    return IDOK;
}

namespace {

void Check(bool condition) {
    if (!condition) __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    size_t textLength = data[0] % 9;
    int matchCase = data[1] & 1;
    constexpr size_t kWidths[] = {64, 32, 16, 64};
    tavrin::search::UseScanWidth(kWidths[(data[1] >> 1) & 3]);
    if (size < 2 + textLength) return 0;
    std::string text(reinterpret_cast<const char*>(data + 2), textLength);
    text.resize(std::strlen(text.c_str()));
    size_t n = size - 2 - textLength;
    // The page in a block of exactly its size.
    std::unique_ptr<unsigned char[]> page(new unsigned char[n ? n : 1]);
    std::memcpy(page.get(), data + 2 + textLength, n);

    int fast = SearchPageText(text.c_str(), page.get(), static_cast<unsigned>(n), matchCase);
    bool slow = search_ref::SearchPage(text, page.get(), n, matchCase != 0);
    Check(fast == (slow ? 1 : 0));

    std::vector<std::string> texts;
    int got = ExtractTagText(reinterpret_cast<const char*>(page.get()), n, texts);
    Check(got == (texts.empty() ? 0 : 1));
    size_t joined = 0;
    for (const std::string& t : texts)
        joined += t.size();
    Check(joined <= n);
    return 0;
}
