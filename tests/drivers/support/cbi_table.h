// The entry points of one loaded driver library, bound by name as the shelf binds them (a missing
// name leaves a null slot).
#pragma once

#include "tavrin/cbi.h"

#include <dlfcn.h>

struct CbiTable {
#define CBI_TABLE_SLOT(name) PFN_##name name = nullptr;
    CBI_FOR_EACH_ENTRY_POINT(CBI_TABLE_SLOT)
#undef CBI_TABLE_SLOT
    PFN_dicCreateHDICT dicCreateHDICT = nullptr;
    PFN_dicFreeHDICT dicFreeHDICT = nullptr;

    // `library` is a dlopen handle.
    explicit CbiTable(void* library) {
#define CBI_TABLE_BIND(name) name = reinterpret_cast<PFN_##name>(dlsym(library, #name));
        CBI_FOR_EACH_ENTRY_POINT(CBI_TABLE_BIND)
        CBI_TABLE_BIND(dicCreateHDICT)
        CBI_TABLE_BIND(dicFreeHDICT)
#undef CBI_TABLE_BIND
    }
};
