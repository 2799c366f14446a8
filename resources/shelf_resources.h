// The shelf control's own resources: its string tables and the new-catalog dialog (English, Traditional
// Chinese, Simplified Chinese) and the 68 images of the shelf image list. Register the table under the
// control's module (plat::RegisterResources) before loading strings, bitmaps or dialogs from it.
#pragma once

#include "plat/resources.h"

namespace tavrin {

// The table, built on first use and kept for the life of the process.
const plat::ResourceTable& ShelfResources();

} // namespace tavrin
