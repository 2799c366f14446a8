/* Sizes and offsets of the public records as the C compiler lays them out (filled by cbi_c_check.c),
 * for the C++ tests to compare with their own. */
#ifndef TAVRIN_TESTS_C_LAYOUT_H
#define TAVRIN_TESTS_C_LAYOUT_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

struct TavrinCLayout {
    size_t capsSize, capsClassOffset, capsReservedOffset;
    size_t dictAttrSize, dictLowOffset, dictHighOffset;
    size_t shelfBlockSize;
    size_t pageInfoSize, pageInfoDriverOffset, pageInfoPageOffset;
    size_t trunkInfoSize, trunkShelfOffset, trunkTrunkOffset, trunkNameOffset;
    size_t descInfoSize, descUrlOffset;
    size_t dropTextSize, dropTextTextOffset;
    uint32_t wmNotify, wmDropText, wmBookClosed;
    int entryPointCount;
};

void TavrinCLayoutGet(struct TavrinCLayout* out);
/* The entry point names in the order of CBI_FOR_EACH_ENTRY_POINT, as C sees the list. */
extern const char* const kTavrinCEntryPointNames[];

#ifdef __cplusplus
}
#endif

#endif
