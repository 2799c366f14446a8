/* The public headers compiled as C11: layouts checked at compile time, and reported for comparison
 * with C++. Each PFN_* typedef is checked against its prototype. */
#include "tavrin/cbi.h"
#include "tavrin/host_messages.h"

#include "c_layout.h"

#include <stddef.h>

_Static_assert(sizeof(CBICaps) == 88, "caps record");
_Static_assert(offsetof(CBICaps, wCaps) == 0, "caps bits at 0");
_Static_assert(offsetof(CBICaps, wBookClass) == 2, "book class at 2");
_Static_assert(sizeof(CBIDictAttrBlock) == 12, "dictionary attribute block");
_Static_assert(offsetof(CBIDictAttrBlock, bIdLow) == 4, "byte 4");
_Static_assert(offsetof(CBIDictAttrBlock, bIdHigh) == 5, "byte 5");
_Static_assert(sizeof(CBI_HBOOK) == 4 && sizeof(CBI_HITEM) == 4, "32-bit handles");
_Static_assert(sizeof(PageInfo) == 12, "PageInfo");
_Static_assert(sizeof(TrunkInfo) == 528, "TrunkInfo");
_Static_assert(sizeof(CatalogDescInfo) == 293, "CatalogDescInfo");

#define CHECK_PROTOTYPE(name)                                                                                \
    _Static_assert(__builtin_types_compatible_p(__typeof__(&name), PFN_##name), #name " matches its "        \
                                                                                      "typedef");
CBI_FOR_EACH_ENTRY_POINT(CHECK_PROTOTYPE)
CHECK_PROTOTYPE(dicCreateHDICT)
CHECK_PROTOTYPE(dicFreeHDICT)

#define NAME_OF(name) #name,
const char* const kTavrinCEntryPointNames[] = {CBI_FOR_EACH_ENTRY_POINT(NAME_OF)};

#define COUNT_ONE(name) +1
enum { kCountedEntryPoints = 0 CBI_FOR_EACH_ENTRY_POINT(COUNT_ONE) };
_Static_assert(kCountedEntryPoints == CBI_ENTRY_POINT_COUNT, "31 entry points");

void TavrinCLayoutGet(struct TavrinCLayout* out) {
    out->capsSize = sizeof(CBICaps);
    out->capsClassOffset = offsetof(CBICaps, wBookClass);
    out->capsReservedOffset = offsetof(CBICaps, reserved);
    out->dictAttrSize = sizeof(CBIDictAttrBlock);
    out->dictLowOffset = offsetof(CBIDictAttrBlock, bIdLow);
    out->dictHighOffset = offsetof(CBIDictAttrBlock, bIdHigh);
    out->shelfBlockSize = sizeof(CBIShelfBlock);
    out->pageInfoSize = sizeof(PageInfo);
    out->pageInfoDriverOffset = offsetof(PageInfo, hDriver);
    out->pageInfoPageOffset = offsetof(PageInfo, nPage);
    out->trunkInfoSize = sizeof(TrunkInfo);
    out->trunkShelfOffset = offsetof(TrunkInfo, dwShelfHandle);
    out->trunkTrunkOffset = offsetof(TrunkInfo, szTrunk);
    out->trunkNameOffset = offsetof(TrunkInfo, szCataName);
    out->descInfoSize = sizeof(CatalogDescInfo);
    out->descUrlOffset = offsetof(CatalogDescInfo, szDescURL);
    out->dropTextSize = sizeof(DropTextInfo);
    out->dropTextTextOffset = offsetof(DropTextInfo, pszText);
    out->wmNotify = WM_SHELF_NOTIFY;
    out->wmDropText = WM_SHELF_DROPTEXT;
    out->wmBookClosed = WM_SHELF_BOOKCLOSED;
    out->entryPointCount = (int)(sizeof kTavrinCEntryPointNames / sizeof kTavrinCEntryPointNames[0]);
}
