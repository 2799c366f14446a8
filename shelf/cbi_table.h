// The one table of book-driver entry points. Every sequence of driver calls first binds the table to
// the module of the book at hand with BindDriver, then tests a slot before calling it: a driver may
// leave any entry point out.
#pragma once

#include "tavrin/cbi.h"
#include "windows.h"

// One slot per entry point, in the order of CBI_FOR_EACH_ENTRY_POINT.
struct CbiTable {
#define CBI_TABLE_SLOT(name) PFN_##name name;
    CBI_FOR_EACH_ENTRY_POINT(CBI_TABLE_SLOT)
#undef CBI_TABLE_SLOT
};

inline constexpr int kCbiEntryPointCount = CBI_ENTRY_POINT_COUNT;
static_assert(sizeof(CbiTable) == kCbiEntryPointCount * sizeof(void*), "one slot per entry point");

extern CbiTable g_cbi;

// Looks every entry point up by name in `module`; a missing name (or a null module) leaves its slot
// null. Returns the number of entry points found.
int BindDriver(HMODULE module);

// The module the table is bound to now (0 when none).
HMODULE BoundDriver();
