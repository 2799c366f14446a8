// The shelf control's resource table: the generated string tables, the drawn bitmaps and the dialogs.
#include "shelf_resources.h"

#include "bitmaps.h"
#include "dialogs.h"
#include "string_tables.h"

#include <string>

namespace tavrin {
namespace {

// Made when a dialog is first shown: their texts are converted to the Chinese code pages, which loads
// the converters, work a start-up does not need.
const plat::ResourceTable::DialogMap& Dialogs() {
    static const plat::ResourceTable::DialogMap dialogs = [] {
        plat::ResourceTable::DialogMap made;
        detail::AddShelfDialogs(made);
        return made;
    }();
    return dialogs;
}

plat::ResourceTable BuildTable() {
    plat::ResourceTable table;
    for (size_t i = 0; i < detail::kStringTableEntryCount; ++i) {
        const detail::StringTableEntry& e = detail::kStringTableEntries[i];
        table.strings[e.langId][e.id] = std::string(e.text, e.length);
    }
    detail::AddShelfBitmaps(table.bitmaps);
    table.dialogSource = &Dialogs;
    return table;
}

} // namespace

const plat::ResourceTable& ShelfResources() {
    static const plat::ResourceTable table = BuildTable();
    return table;
}

} // namespace tavrin
