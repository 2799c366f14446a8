#include "shelf/book_close.h"

#include "shelf/cbi_table.h"
#include "shelf/globals.h"

void tavrin::TakeBookOff(const BookRecord& record) {
    BindDriver(record.hDriver);
    CBICaps caps{};
    const bool capsRead = g_cbi.CBIGetCaps && g_cbi.CBIGetCaps(record.dwBookHandle, &caps) != 0;
    if (g_cbi.CBICloseBook) g_cbi.CBICloseBook(record.dwBookHandle);
    ++g_nBooksFreed;
    if (capsRead && (caps.wCaps & CBI_CAP_SHARED_HTML)) return;
    ::FreeLibrary(record.hDriver);
    BindDriver(0);
}
