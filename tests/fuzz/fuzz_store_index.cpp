// libFuzzer target: the index of eBookDrv.dll's e-book store. Arbitrary bytes are read as the store
// reads its index; whatever the reader gives back (a whole index, or the lines of a damaged one that
// still parsed) must be written by the writer and read back to the same entries, whole, in the current
// version. Seeds: index files written by the driver from the sample e-books, in versions 1 and 2
// (tests/fuzz/seeds/fuzz_store_index).
#include "ebook/store_index.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

using namespace tavrin::ebook;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const ParsedIndex parsed = ParseIndex(text);
    if (parsed.Whole() && (parsed.version < 1 || parsed.version > kIndexVersion)) {
        std::fprintf(stderr, "a whole index of version %d\n", parsed.version);
        std::abort();
    }
    const std::string written = FormatIndex(parsed.index);
    const ParsedIndex back = ParseIndex(written);
    if (!back.Whole() || back.version != kIndexVersion || back.index != parsed.index) {
        std::fprintf(stderr, "the index does not come back: %s\n", back.damage.c_str());
        std::abort();
    }
    if (FormatIndex(back.index) != written) {
        std::fprintf(stderr, "the index is written differently the second time\n");
        std::abort();
    }
    return 0;
}
