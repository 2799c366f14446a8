// Forming a book's number from what its driver reports (FormBookNo): the extended number when the
// driver has both CBIExBookNoLength and CBIExBookNo, else the serial in lowercase hexadecimal.
#include "registry/book_registry.h"

#include "shelf/cbi_table.h"

#include <cstdio>
#include <cstring>

void tavrin::FormBookNo(DWORD dwBookHandle, LPSTR lpszNumber) {
    if (!lpszNumber) return;
    std::memset(lpszNumber, 0, kBookNoSize);
    if (g_cbi.CBIExBookNoLength && g_cbi.CBIExBookNo) {
        int length = g_cbi.CBIExBookNoLength(dwBookHandle);
        // A number that does not fit the buffer with its terminator is refused, not cut.
        if (length <= 0 || static_cast<size_t>(length) >= kBookNoSize) return;
        g_cbi.CBIExBookNo(dwBookHandle, lpszNumber, length);
        lpszNumber[kBookNoSize - 1] = '\0';
        return;
    }
    uint32_t serial = 0;
    if (g_cbi.CBIBookSerial) g_cbi.CBIBookSerial(dwBookHandle, &serial);
    std::snprintf(lpszNumber, kBookNoSize, "%x", static_cast<unsigned>(serial));
}
