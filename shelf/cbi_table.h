// The one table of book-driver entry points. Every sequence of driver calls first binds the table to
// the module of the book at hand with BindDriver, then tests a slot before calling it: a driver may
// leave any entry point out.
#pragma once

#include "tavrin/cbi.h"
#include "windows.h"

struct CbiTable {
    PFN_CBIOpenBook CBIOpenBook;
    PFN_CBICloseBook CBICloseBook;
    PFN_CBIGetCaps CBIGetCaps;
    PFN_CBIGetBkName CBIGetBkName;
    PFN_CBIExBookNoLength CBIExBookNoLength;
    PFN_CBIExBookNo CBIExBookNo;
    PFN_CBIBookSerial CBIBookSerial;
    PFN_CBICheckVersion CBICheckVersion;
    PFN_CBIGetPageCount CBIGetPageCount;
    PFN_CBIGetPageSize CBIGetPageSize;
    PFN_CBIGetPage CBIGetPage;
    PFN_CBIVPGetRootItem CBIVPGetRootItem;
    PFN_CBIVPItemHasChildren CBIVPItemHasChildren;
    PFN_CBIVPGetChildItem CBIVPGetChildItem;
    PFN_CBIVPGetNextSiblingItem CBIVPGetNextSiblingItem;
    PFN_CBIVPGetParentItem CBIVPGetParentItem;
    PFN_CBIVPGetItemText CBIVPGetItemText;
    PFN_CBIVPItemToPage CBIVPItemToPage;
    PFN_CBIVPPageToItem CBIVPPageToItem;
    PFN_CBIShelfOpen CBIShelfOpen;
    PFN_CBIShelfGetClassAttr CBIShelfGetClassAttr;
    PFN_CBIShelfGetBookAttr CBIShelfGetBookAttr;
    PFN_GetDescFileURLbyClassID GetDescFileURLbyClassID;
    PFN_CBIShelfAddBook CBIShelfAddBook;
    PFN_CBIShelfDelBook CBIShelfDelBook;
    PFN_CBIShelfClose CBIShelfClose;
    PFN_CBIDictAttr CBIDictAttr;
    PFN_CBIDictClassNo CBIDictClassNo;
};

inline constexpr int kCbiEntryPointCount = 28;
static_assert(sizeof(CbiTable) == kCbiEntryPointCount * sizeof(void*), "one slot per entry point");

extern CbiTable g_cbi;

// Looks every entry point up by name in `module`; a missing name (or a null module) leaves its slot
// null. Returns the number of entry points found.
int BindDriver(HMODULE module);

// The module the table is bound to now (0 when none).
HMODULE BoundDriver();
