#include "catalog/cata_rid.h"

#include "catalog/settings_page.h"
#include "shelf/cbi_table.h"

#include <cstring>

namespace tavrin {

bool ReadCataRid(HMODULE shelfDriver, DWORD shelfHandle, DWORD hVpItem, char (&rid)[kNameSize]) {
    std::memset(rid, 0, sizeof rid);
    BindDriver(shelfDriver);
    if (!ReadCatalogSetting(g_cbi, shelfHandle, hVpItem, "CONFIG", "RID", rid, sizeof rid)) {
        rid[0] = '\0';
        return false;
    }
    rid[sizeof rid - 1] = '\0';
    if (std::strcmp(rid, "0") == 0) {
        rid[0] = '\0';
        return false;
    }
    return true;
}

} // namespace tavrin
