// The dialog templates of the shelf control, by language and id: the new-catalog dialog in English,
// Traditional Chinese and Simplified Chinese.
#pragma once

#include "plat/resources.h"

#include <map>

namespace tavrin::detail {

// Adds the shelf's dialog templates to `out`, their texts in each language's code page.
void AddShelfDialogs(std::map<LANGID, std::map<UINT, plat::DialogTemplate>>& out);

} // namespace tavrin::detail
