#include "shelf/driver_text.h"

#include "shelf/cbi_table.h"
#include "shelf/globals.h"

#include <algorithm>
#include <cstring>

namespace tavrin {

namespace {

// The capacity passed for a buffer of `size` bytes: never more than the buffer, never more than an int.
int CapacityFor(size_t size, size_t limit) {
    return static_cast<int>(std::min({size, limit, static_cast<size_t>(0x7FFFFFFF)}));
}

} // namespace

void ReadBookName(DWORD book, char* buffer, size_t size, int capacity) {
    if (!buffer || size == 0) return;
    std::memset(buffer, 0, size);
    if (g_cbi.CBIGetBkName && capacity > 0)
        g_cbi.CBIGetBkName(book, g_nLocale, buffer, CapacityFor(size, static_cast<size_t>(capacity)));
    buffer[size - 1] = '\0';
}

void ReadItemText(DWORD book, DWORD item, char* buffer, size_t size) {
    if (!buffer || size == 0) return;
    std::memset(buffer, 0, size);
    if (g_cbi.CBIVPGetItemText)
        g_cbi.CBIVPGetItemText(book, item, buffer, CapacityFor(size, CBI_ITEM_TEXT_CAPACITY));
    buffer[size - 1] = '\0';
}

UINT ReadCodePage(DWORD book) {
    UINT codePage = g_cbi.CBIGetCodePage ? g_cbi.CBIGetCodePage(book) : 0;
    return codePage != 0 ? codePage : ::GetACP();
}

size_t ReadErrorText(char* buffer, size_t size) {
    if (!buffer || size == 0) return 0;
    std::memset(buffer, 0, size);
    if (g_cbi.CBIGetErrorText) g_cbi.CBIGetErrorText(buffer, CapacityFor(size, CBI_ERROR_TEXT_CAPACITY));
    buffer[size - 1] = '\0';
    return std::strlen(buffer);
}

bool StoreClassAttr::Read(int classIndex) {
    std::memset(this, 0, sizeof *this);
    if (!g_cbi.CBIShelfGetClassAttr || !g_cbi.CBIShelfGetClassAttr(classIndex, name, key, &bookCount)) {
        std::memset(this, 0, sizeof *this);
        return false;
    }
    name[sizeof name - 1] = '\0';
    key[sizeof key - 1] = '\0';
    return true;
}

} // namespace tavrin
