// Which catalogs are linked to a trunk of the host, and the link of a system catalog: the one rule
// that the clicks (the TrunkInfo a click sends), the trunk look-up and the appearance (the link mark)
// share.
//
// A user catalog (CATA_USER) is linked by its own key. A system catalog (CATA_SYSTEM) is linked when
// the "RID" value of the "CONFIG" section of its entry in the catalog file can be read and is not "0";
// the value is read afresh each time, through the shelf driver. Online catalogs and the root are never
// linked.
#pragma once

#include "shelf/cbi_table.h"
#include "shelf/records.h"

#include <cstddef>

namespace tavrin {

enum class CatalogLink {
    None,     // not a linked catalog
    User,     // a user catalog: linked by its key
    Resource, // a system catalog with a "RID" link
};

// Reads the "RID" link of a system catalog entry with the driver table as it is bound now (bind it to
// the shelf driver first) into `link` (`capacity` bytes). True only for a value that was read and is
// not "0"; otherwise `link` may hold the value read ("0") or be as it was.
bool ReadCatalogLink(const CbiTable& cbi, DWORD shelfHandle, DWORD hVpItem, char* link, size_t capacity);

// How `node` is linked. For a system catalog the link is read as ReadCatalogLink does (the table bound
// to the shelf driver) into `link`, kNameSize bytes, when given; null `link` reads into a buffer of
// its own. Nodes that are not catalogs, or have no record, are not linked.
CatalogLink LinkOfCatalog(const CbiTable& cbi, DWORD shelfHandle, const TreeNode* node, char* link = nullptr);

} // namespace tavrin
