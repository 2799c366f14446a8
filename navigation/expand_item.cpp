// Building one level of a book's contents: one tree item for each direct sub-entry of a driver entry,
// in the driver's order. The driver serves its contents as a tree of opaque entry handles; the shelf
// asks for a level only when the item above it expands, so a book of any size costs only what is
// shown.
#include "tavrin/tavrin_ctrl.h"

#include "shelf/cbi_table.h"
#include "shelf/driver_text.h"
#include "shelf/globals.h"
#include "shelf/records.h"

#include <cstring>
#include <unordered_set>

using namespace tavrin;

namespace {

// Node flags of every contents entry: it cannot be deleted, renamed or dropped on, and the user did
// not make it.
constexpr DWORD kContentsFlags = NF_NODELETE | NF_BUILTIN | NF_NORENAME | NF_NODROP;

// True when the table bound now has every entry point a level of contents needs.
bool CanBuildLevel() {
    return g_cbi.CBIGetCaps && g_cbi.CBIVPItemHasChildren && g_cbi.CBIVPGetChildItem &&
           g_cbi.CBIVPGetNextSiblingItem && g_cbi.CBIVPGetItemText;
}

bool IsContentsPageName(const char* text) {
    return std::strcmp(text, CBI_CONTENTS_PAGE_NAME) == 0;
}

} // namespace

void CTavrinCtrl::ExpandItem(DWORD dwBookHandle, HINSTANCE hDriver, DWORD dwEntry, HTREEITEM hParent) {
    BindDriver(hDriver);
    // A driver without any one of these serves no contents: nothing is built, nothing is asked.
    if (!CanBuildLevel() || !hParent) return;
    CBICaps caps{};
    g_cbi.CBIGetCaps(dwBookHandle, &caps); // the bits are read whatever it answers
    const bool hideContentsPage = (caps.wCaps & CBI_CAP_HIDE_CONTENTS_PAGE) != 0;

    if (!g_cbi.CBIVPItemHasChildren(dwBookHandle, dwEntry)) return;
    DWORD entry = g_cbi.CBIVPGetChildItem(dwBookHandle, dwEntry);
    if (entry == 0) return;

    // A driver whose sibling chain runs in a circle would fill the tree forever: a level ends at the
    // first entry it has seen already (or at the entry it belongs to).
    std::unordered_set<DWORD> seen;
    seen.insert(dwEntry);

    char text[kItemTextSize];
    HTREEITEM after = TVI_FIRST;
    bool first = true;
    while (entry != 0 && seen.insert(entry).second) {
        ReadItemText(dwBookHandle, entry, text, sizeof text);
        // Only the first entry of a level may be the contents page that the book asks to hide.
        const bool hidden = first && hideContentsPage && IsContentsPageName(text);
        first = false;
        if (!hidden) {
            const bool hasChildren = g_cbi.CBIVPItemHasChildren(dwBookHandle, entry) != 0;
            auto* node = new TreeNode;
            node->nKind = hasChildren ? NODE_CHAPTER : NODE_PAGE;
            node->dwFlags = kContentsFlags;
            auto* record = new ContentsRecord;
            record->dwBookHandle = dwBookHandle;
            record->hDriver = hDriver;
            record->hVpItem = entry;
            node->pRecord = record;
            // Each item goes after the one made before it, so the level keeps the driver's order.
            HTREEITEM item = AddOneItem(hParent, text, after, &g_imageIndex[0], node, hasChildren ? 1 : 0);
            if (!item) { // the parent went away meanwhile: nothing more can be inserted
                delete record;
                delete node;
                return;
            }
            record->hTreeItem = item;
            SetItemImages(item, 0);
            after = item;
            // Inserting talks to the tree only, but keep the table on this book's driver regardless.
            if (BoundDriver() != hDriver) {
                BindDriver(hDriver);
                if (!CanBuildLevel()) return;
            }
        }
        entry = g_cbi.CBIVPGetNextSiblingItem(dwBookHandle, entry);
    }
}

int CTavrinCtrl::IsHaveChapter(HINSTANCE hDriver, DWORD dwBookHandle) {
    BindDriver(hDriver);
    if (!g_cbi.CBIGetCaps) return 0;
    CBICaps caps{};
    if (!g_cbi.CBIGetCaps(dwBookHandle, &caps)) return 0;
    return (caps.wCaps & CBI_CAP_CONTENTS) ? 1 : 0;
}
