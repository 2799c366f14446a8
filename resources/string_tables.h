// The shelf's string tables as generated at build time from resources/strings/*.txt: one entry per
// language and id, the text in that language's code page.
#pragma once

#include "win/types.h"

#include <cstddef>

namespace tavrin::detail {

struct StringTableEntry {
    WORD langId;
    UINT id;
    const char* text; // not zero-terminated by contract: use `length`
    size_t length;
};

extern const StringTableEntry kStringTableEntries[];
extern const size_t kStringTableEntryCount;

} // namespace tavrin::detail
