// Comparing catalog keys and trunk names without regard to case, as the shelf's 8-bit texts need it:
// letters of the basic Latin alphabet fold, and the two bytes of a double-byte character (in the
// active code page) compare exactly, so a trail byte that happens to be a letter never folds.
#pragma once

#include <string_view>

namespace tavrin {

bool EqualNoCase(std::string_view a, std::string_view b);

} // namespace tavrin
