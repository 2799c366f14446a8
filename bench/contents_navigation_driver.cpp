// BenchContents.dll: the book driver of the contents benchmark. Its contents trees are computed, not
// stored, so every entry point answers in constant time and the benchmark measures the shelf:
//   flat.ebd  (number "f1")  a root with 100,000 sub-entries and nothing below them
//   deep.ebd  (number "d1")  100,000 entries below the root in a complete tree of three sub-entries
//                            each (entry k's sub-entries are 3k+1 .. 3k+3, the root is k = 0), so the
//                            entries 29,524 to 88,572 are ten levels below the book
// An entry's handle is k + 1 and its page is k.
#include "tavrin/cbi.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr uint32_t kEntries = 100000; // below the root
constexpr uint32_t kNodes = kEntries + 1;
constexpr CBI_HBOOK kFlat = 1;
constexpr CBI_HBOOK kDeep = 2;

bool Valid(CBI_HBOOK book) {
    return book == kFlat || book == kDeep;
}
// Index k of a valid entry handle; kNodes for anything else.
uint32_t IndexOf(CBI_HITEM item) {
    return item >= 1 && item <= kNodes ? item - 1 : kNodes;
}
uint32_t Fanout(CBI_HBOOK book) {
    return book == kFlat ? kEntries : 3;
}

} // namespace

CBI_EXPORT int CBIOpenBook(const char* path, uint32_t, CBI_HBOOK* book) {
    if (!path || !book) return 1;
    const char* name = std::strrchr(path, '/');
    name = name ? name + 1 : path;
    if (std::strcmp(name, "flat.ebd") == 0)
        *book = kFlat;
    else if (std::strcmp(name, "deep.ebd") == 0)
        *book = kDeep;
    else
        return 1;
    return 0;
}

CBI_EXPORT void CBICloseBook(CBI_HBOOK) {}

CBI_EXPORT int CBIGetCaps(CBI_HBOOK book, CBICaps* caps) {
    if (!Valid(book) || !caps) return 0;
    caps->wCaps = CBI_CAP_CONTENTS;
    caps->wBookClass = CBI_CLASS_EBOOK;
    return 1;
}

CBI_EXPORT int CBIGetBkName(CBI_HBOOK book, int, char* buffer, int capacity) {
    if (!Valid(book) || !buffer || capacity < 1) return 0;
    return std::snprintf(buffer, static_cast<size_t>(capacity), "%s", book == kFlat ? "Flat" : "Deep");
}

CBI_EXPORT int CBIBookSerial(CBI_HBOOK book, uint32_t* serial) {
    if (!Valid(book) || !serial) return 0;
    *serial = book == kFlat ? 0xF1 : 0xD1;
    return 1;
}

CBI_EXPORT CBI_HITEM CBIVPGetRootItem(CBI_HBOOK book) {
    return Valid(book) ? 1 : 0;
}

CBI_EXPORT CBI_HITEM CBIVPGetChildItem(CBI_HBOOK book, CBI_HITEM item) {
    uint32_t k = IndexOf(item);
    if (!Valid(book) || k >= kNodes) return 0;
    if (book == kFlat) return k == 0 ? 2 : 0;
    uint64_t child = 3ull * k + 1;
    return child < kNodes ? static_cast<CBI_HITEM>(child + 1) : 0;
}

CBI_EXPORT int CBIVPItemHasChildren(CBI_HBOOK book, CBI_HITEM item) {
    return CBIVPGetChildItem(book, item) != 0 ? 1 : 0;
}

CBI_EXPORT CBI_HITEM CBIVPGetNextSiblingItem(CBI_HBOOK book, CBI_HITEM item) {
    uint32_t k = IndexOf(item);
    if (!Valid(book) || k == 0 || k >= kNodes) return 0;
    // The last sub-entry of its parent is the one whose index is a multiple of the fan-out.
    if (k % Fanout(book) == 0 || k + 1 >= kNodes) return 0;
    return item + 1;
}

CBI_EXPORT CBI_HITEM CBIVPGetParentItem(CBI_HBOOK book, CBI_HITEM item) {
    uint32_t k = IndexOf(item);
    if (!Valid(book) || k == 0 || k >= kNodes) return 0;
    return (k - 1) / Fanout(book) + 1;
}

CBI_EXPORT int CBIVPGetItemText(CBI_HBOOK book, CBI_HITEM item, char* buffer, int capacity) {
    if (!Valid(book) || !buffer || capacity < 1) return 0;
    int n = std::snprintf(buffer, static_cast<size_t>(capacity), "Entry %u", static_cast<unsigned>(item - 1));
    return n < capacity ? n : capacity - 1;
}

CBI_EXPORT int32_t CBIVPItemToPage(CBI_HBOOK book, CBI_HITEM item) {
    uint32_t k = IndexOf(item);
    return Valid(book) && k < kNodes ? static_cast<int32_t>(k) : CBI_NO_PAGE;
}

CBI_EXPORT CBI_HITEM CBIVPPageToItem(CBI_HBOOK book, int32_t page) {
    if (!Valid(book) || page < 0 || static_cast<uint32_t>(page) >= kNodes) return 0;
    return static_cast<CBI_HITEM>(page) + 1;
}
