// BenchBooks.dll: the book driver of the start-up benchmark. It opens books without touching the disk
// and keeps nothing per book: a book's file name "book-<n>.ebd" says everything about it (handle n + 1,
// number "BK-<n>", name "Book <n>"; every tenth book a dictionary of class 0x10 whose id the benchmark's
// dictionary library serves; every third book with contents). So the benchmark measures the shelf, not
// the driver.
#include "tavrin/cbi.h"

#include <cstdio>
#include <cstring>

namespace {

// n of a path ending in "book-<n>.ebd"; -1 for any other path.
long BookIndex(const char* path) {
    if (!path) return -1;
    const char* name = std::strrchr(path, '/');
    name = name ? name + 1 : path;
    if (std::strncmp(name, "book-", 5) != 0) return -1;
    long n = 0;
    const char* p = name + 5;
    if (*p < '0' || *p > '9') return -1;
    while (*p >= '0' && *p <= '9') {
        n = n * 10 + (*p - '0');
        if (n > 1000000000) return -1;
        ++p;
    }
    return std::strcmp(p, ".ebd") == 0 ? n : -1;
}

long IndexOf(CBI_HBOOK book) {
    return book == 0 ? -1 : static_cast<long>(book) - 1;
}

bool IsDictionary(long n) {
    return n % 10 == 0;
}

} // namespace

CBI_EXPORT int CBIOpenBook(const char* path, uint32_t, CBI_HBOOK* book) {
    long n = BookIndex(path);
    if (n < 0 || !book) return 1;
    *book = static_cast<CBI_HBOOK>(n + 1);
    return 0;
}

CBI_EXPORT void CBICloseBook(CBI_HBOOK) {}

CBI_EXPORT int CBIGetCaps(CBI_HBOOK book, CBICaps* caps) {
    long n = IndexOf(book);
    if (n < 0 || !caps) return 0;
    caps->wCaps = n % 3 == 0 ? CBI_CAP_CONTENTS : 0;
    caps->wBookClass = IsDictionary(n) ? 0x10 : CBI_CLASS_EBOOK;
    return 1;
}

CBI_EXPORT int CBIGetBkName(CBI_HBOOK book, int, char* buffer, int capacity) {
    long n = IndexOf(book);
    if (n < 0 || !buffer || capacity < 1) return 0;
    return std::snprintf(buffer, static_cast<size_t>(capacity), "Book %ld", n);
}

CBI_EXPORT int CBIExBookNoLength(CBI_HBOOK book) {
    long n = IndexOf(book);
    if (n < 0) return 0;
    char number[32];
    return std::snprintf(number, sizeof number, "BK-%ld", n);
}

CBI_EXPORT int CBIExBookNo(CBI_HBOOK book, char* buffer, int length) {
    long n = IndexOf(book);
    if (n < 0 || !buffer || length < 1) return 0;
    char number[32];
    int size = std::snprintf(number, sizeof number, "BK-%ld", n);
    if (size != length) return 0;
    std::memcpy(buffer, number, static_cast<size_t>(length));
    return 1;
}

CBI_EXPORT int CBICheckVersion(const char* path) {
    return BookIndex(path) >= 0 ? 1 : 0;
}

CBI_EXPORT int CBIDictAttr(CBI_HBOOK book, CBIDictAttrBlock* attr) {
    long n = IndexOf(book);
    if (n < 0 || !attr || !IsDictionary(n)) return 0;
    attr->bIdLow = static_cast<uint8_t>(n & 0xFF);
    attr->bIdHigh = static_cast<uint8_t>((n >> 8) & 0xFF);
    return 1;
}

CBI_EXPORT int CBIDictClassNo(CBI_HBOOK) {
    return 2;
}
