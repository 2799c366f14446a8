// The host moves the shelf's selection: to the contents entry that holds a page of a book (building
// the contents items on the way down, one level at a time), to a book found by its number, or to a
// catalog that is a trunk.
#include "tavrin/tavrin_ctrl.h"

#include "catalog/tree_walk.h"
#include "shelf/cbi_table.h"
#include "shelf/globals.h"
#include "shelf/records.h"

#include <cstring>
#include <deque>
#include <unordered_set>

using namespace tavrin;

namespace {

// Contents deeper than this are taken for a driver fault (a parent chain that never ends).
constexpr size_t kMaxContentsDepth = 4096;

bool IsExpanded(HTREEITEM item) {
    return (g_shelfTree.GetItemState(item, TVIS_EXPANDED) & TVIS_EXPANDED) != 0;
}

// Holds the suppress-expand flag set while a path is built and selected, and puts back the value it
// found, so that a SetLocation made from inside a notification of another leaves the outer one's flag
// alone.
class SuppressExpand {
  public:
    explicit SuppressExpand(int& flag) : flag_(flag), saved_(flag) { flag_ = 1; }
    ~SuppressExpand() { flag_ = saved_; }
    SuppressExpand(const SuppressExpand&) = delete;
    SuppressExpand& operator=(const SuppressExpand&) = delete;

  private:
    int& flag_;
    int saved_;
};

} // namespace

HTREEITEM CTavrinCtrl::IsBookItemExist(HTREEITEM hStart, DWORD dwEntry) {
    return FindBelow(g_shelfTree, hStart, [&](HTREEITEM, const TreeNode* node) {
        const ContentsRecord* contents = ContentsOf(node);
        return contents && contents->hVpItem == dwEntry;
    });
}

int CTavrinCtrl::SetLocation(PageInfo info) {
    const DWORD book = info.dwBookHandle;
    HMODULE driver = GetBookDrvHandle(book);
    if (!driver) return 0; // not on the shelf
    BindDriver(driver);
    HTREEITEM bookItem = FindBook(m_hRoot, book);
    CBICaps caps{};
    if (!g_cbi.CBIGetCaps || !g_cbi.CBIGetCaps(book, &caps)) return 0;
    if (!bookItem) return 0;
    if (!g_cbi.CBIVPGetParentItem || !g_cbi.CBIVPPageToItem || !g_cbi.CBIVPGetRootItem ||
        !(caps.wCaps & CBI_CAP_CONTENTS)) {
        // Without contents the book itself is the place of every page.
        g_shelfTree.SelectItem(bookItem);
        return 1;
    }

    const DWORD target = g_cbi.CBIVPPageToItem(book, info.nPage);
    if (target == 0) return 0;
    if (HTREEITEM item = IsBookItemExist(bookItem, target)) {
        g_shelfTree.SelectItem(item);
        return 1;
    }

    // The entries from the nearest one that already has an item (or the top of the driver's tree)
    // down to the target's parent. The walk up stops at the root entry, which the book's item stands
    // for; a driver whose parents run in a circle, or on without end, gets no selection.
    const DWORD root = g_cbi.CBIVPGetRootItem(book);
    DWORD entry = g_cbi.CBIVPGetParentItem(book, target);
    if (entry == 0) return 0;
    std::deque<DWORD> path;
    std::unordered_set<DWORD> seen{target};
    for (;;) {
        if (!seen.insert(entry).second || path.size() >= kMaxContentsDepth) return 0;
        path.push_front(entry);
        if (entry == root || IsBookItemExist(bookItem, entry)) break;
        if (BoundDriver() != driver) BindDriver(driver); // the search talks to the tree only
        entry = g_cbi.CBIVPGetParentItem(book, entry);
        if (entry == 0) break;
    }

    SuppressExpand suppress(m_nSuppressExpand);
    HTREEITEM reached = nullptr;
    for (DWORD step : path) {
        HTREEITEM item = step == root ? bookItem : IsBookItemExist(bookItem, step);
        if (!item) break;
        // Build the level without expanding the item: the selection below opens the items above the
        // target, and the flag keeps those expansions from building the levels a second time. An item
        // that holds its level already (built earlier and never opened) is not built twice.
        if (!IsExpanded(item) && !g_shelfTree.GetChildItem(item)) ExpandItem(book, driver, step, item);
        reached = item;
    }
    if (HTREEITEM item = IsBookItemExist(bookItem, target)) {
        // The tree opens the collapsed items above the selection (each with the user's notifications).
        g_shelfTree.SelectItem(item);
        return 1;
    }
    if (reached) {
        g_shelfTree.Expand(reached, TVE_EXPAND);
        g_shelfTree.SelectItem(reached);
    }
    return 0;
}

int CTavrinCtrl::SetLocation(char* lpszNumber, int nLength, LONG nPage) {
    // The number is the text up to its first zero within the nLength bytes the host gives (a host may
    // pass its buffer's size). A book number has at most 255 characters: a text that goes on beyond
    // that names no book, and is not cut to one that might.
    if (!lpszNumber || nLength <= 0) return 0;
    const size_t given = static_cast<size_t>(nLength);
    const size_t scan = given < kNameSize ? given : kNameSize; // one byte past the longest number
    const void* zero = std::memchr(lpszNumber, 0, scan);
    const size_t length = zero ? static_cast<size_t>(static_cast<const char*>(zero) - lpszNumber) : scan;
    if (length == 0 || length >= kNameSize) return 0;
    char number[kNameSize] = {};
    std::memcpy(number, lpszNumber, length);
    DWORD book = kNoBookHandle;
    if (!IsBookExist(m_hRoot, number, &book) || book == kNoBookHandle) return 0;
    PageInfo info{};
    info.dwBookHandle = book;
    info.nPage = nPage;
    return SetLocation(info);
}

int CTavrinCtrl::SetLocation(TrunkInfo* pInfo) {
    if (!pInfo) return 0;
    // The look-up fills the host's record, szTrunk included: search with a copy of the name.
    char trunk[TRUNK_TEXT_SIZE] = {};
    size_t length = strnlen(pInfo->szTrunk, sizeof pInfo->szTrunk);
    if (length >= sizeof trunk) return 0; // not terminated: no trunk has such a name
    std::memcpy(trunk, pInfo->szTrunk, length);
    HTREEITEM item = GetTrunkClassID(m_hRoot, trunk, pInfo);
    if (!item) return 0;
    return g_shelfTree.SelectItem(item);
}
