// Finding books on the shelf by book number: IsBookExist, IsBookInfoChange, IsBookExistOnTree and
// the host's GetBookHandle. Every search walks the items below its start item, each child before its
// own subtree, the start item never tested; books and dictionaries match on their number, letter
// case ignored. A search from the root asks the shelf's book index (registry/shelf_books.h) instead,
// which answers the same, and walks only for a number that more than one item holds.
#include "tavrin/tavrin_ctrl.h"

#include "catalog/tree_walk.h"
#include "registry/book_registry.h"
#include "registry/shelf_books.h"
#include "shelf/globals.h"
#include "shelf/records.h"

using namespace tavrin;

namespace {

bool IsNumbered(const TreeNode* node, std::string_view number) {
    return node && (node->nKind == NODE_DICT || node->nKind == NODE_BOOK) &&
           EqualNoCase(std::string_view(node->szKey, FixedLength(node->szKey)), number);
}

// The level-by-level search of IsBookInfoChange below `parent`: the first numbered child of a level
// decides that level (the child when its paths differ, else nothing more from this level); a child
// that does not match has its subtree searched before the next sibling.
HTREEITEM InfoChangeBelow(HTREEITEM parent, std::string_view number, std::string_view filePath,
                          std::string_view driverPath) {
    for (HTREEITEM child = FirstBelow(g_shelfTree, parent); child;
         child = g_shelfTree.GetNextSiblingItem(child)) {
        const TreeNode* node = NodeOfItem(g_shelfTree, child);
        if (IsNumbered(node, number)) {
            const BookRecord* book = BookOf(node);
            if (!book) return nullptr;
            bool same =
                EqualNoCase(std::string_view(book->szFilePath, FixedLength(book->szFilePath)), filePath) &&
                EqualNoCase(std::string_view(book->szDriverPath, FixedLength(book->szDriverPath)),
                            driverPath);
            return same ? nullptr : child;
        }
        if (HTREEITEM found = InfoChangeBelow(child, number, filePath, driverPath)) return found;
    }
    return nullptr;
}

} // namespace

HTREEITEM CTavrinCtrl::IsBookExist(HTREEITEM hFrom, LPCSTR lpszBookNo, DWORD* pdwBookHandle) {
    if (!lpszBookNo) return nullptr;
    std::string_view number(lpszBookNo);
    HTREEITEM found = nullptr;
    bool walk = true;
    if (hFrom && hFrom == m_hRoot) {
        const ShelfBookIndex::Entry* entry = ShelfBooks().InStep(g_shelfTree, m_hRoot).FindNumber(number);
        walk = entry && entry->shared;
        if (entry && !entry->shared) found = entry->first;
    }
    if (walk)
        found = FindBelow(g_shelfTree, hFrom,
                          [&](HTREEITEM, const TreeNode* node) { return IsNumbered(node, number); });
    if (found && pdwBookHandle) {
        if (const BookRecord* book = BookOf(NodeOfItem(g_shelfTree, found)))
            *pdwBookHandle = book->dwBookHandle;
    }
    return found;
}

HTREEITEM CTavrinCtrl::IsBookInfoChange(HTREEITEM hFrom, LPCSTR lpszBookNo, LPCSTR lpszFilePath,
                                        LPCSTR lpszDriverPath) {
    if (!lpszBookNo || !lpszFilePath || !lpszDriverPath) return nullptr;
    return InfoChangeBelow(hFrom, lpszBookNo, lpszFilePath, lpszDriverPath);
}

int CTavrinCtrl::IsBookExistOnTree(HTREEITEM hFrom, LPCSTR lpszBookNo) {
    return IsBookExist(hFrom, lpszBookNo, nullptr) ? 1 : 0;
}

DWORD CTavrinCtrl::GetBookHandle(LPCSTR lpszBookNo) {
    DWORD handle = kNoBookHandle;
    if (!IsBookExist(m_hRoot, lpszBookNo, &handle)) return kNoBookHandle;
    return handle;
}
