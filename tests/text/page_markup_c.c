/* The page markup header compiled as C (C11, pedantic): its extents and object reading as the C
 * compiler makes them, for the C++ tests to compare with their own. */
#include "tavrin/page_markup.h"

size_t TavrinCSequenceExtent(const unsigned char* page, size_t size, size_t at);
size_t TavrinCObjectTextStart(const unsigned char* page, size_t size, size_t at);

size_t TavrinCSequenceExtent(const unsigned char* page, size_t size, size_t at) {
    return TvrSequenceExtent(page, size, at);
}

size_t TavrinCObjectTextStart(const unsigned char* page, size_t size, size_t at) {
    TvrObjectScan scan = TVR_OBJECT_SCAN_INIT;
    return TvrObjectTextStart(page, size, at, &scan);
}
