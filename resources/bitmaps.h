// The drawn images of the shelf image list, keyed by bitmap resource id.
#pragma once

#include "plat/resources.h"

#include <map>

namespace tavrin::detail {

// Adds the shelf's bitmaps (one per distinct id of kImageGroupBitmaps) to `out`.
void AddShelfBitmaps(std::map<UINT, plat::BitmapResource>& out);

} // namespace tavrin::detail
