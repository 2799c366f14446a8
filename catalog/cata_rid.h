// A system catalog's link: its "RID" setting in the "CONFIG" section, which names the resource the
// host shows for the catalog. "0" (and a setting that cannot be read) links nowhere; any other value
// that can be read is a link, even an empty one.
#pragma once

#include "shelf/records.h"
#include "win/types.h"

namespace tavrin {

// Reads the link of the system catalog whose entry in the catalog file is `hVpItem`, through the
// shelf driver `shelfDriver` (the driver table is left bound to it) and the catalog file's handle
// `shelfHandle`. True when the catalog links somewhere; then `rid` holds the value. Otherwise false
// with `rid` empty.
bool ReadCataRid(HMODULE shelfDriver, DWORD shelfHandle, DWORD hVpItem, char (&rid)[kNameSize]);

} // namespace tavrin
