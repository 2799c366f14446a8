#include "ui/shelf_menu.h"

#include "catalog/tree_walk.h"
#include "resources/resource_ids.h"
#include "shelf/globals.h"
#include "shelf/records.h"

using namespace tavrin;

namespace {

// A menu text of the string table; empty when the table in use lacks it.
void MenuText(UINT id, char (&text)[kNameSize]) {
    text[0] = '\0';
    if (::LoadStringA(ShelfModule(), id, text, sizeof text) <= 0) text[0] = '\0';
    text[sizeof text - 1] = '\0';
}

bool CanRegisterInto(const TreeNode* node) {
    return node && (node->dwFlags & NF_CANADDBOOK);
}

// A book goes with its contents; any other item only when nothing hangs below it. The child items are
// those in the tree, as the delete command itself counts them.
bool CanDelete(HTREEITEM item, const TreeNode* node) {
    if (!node || (node->dwFlags & NF_NODELETE)) return false;
    return node->nKind == NODE_BOOK || g_shelfTree.GetChildItem(item) == nullptr;
}

} // namespace

bool BuildShelfMenu(HMENU menu, HTREEITEM item, bool clearFirst) {
    if (!::IsMenu(menu)) return false;
    if (clearFirst) {
        for (int count = ::GetMenuItemCount(menu); count > 0; --count)
            ::DeleteMenu(menu, 0, MF_BYPOSITION);
    }
    const TreeNode* node = item ? NodeOfItem(g_shelfTree, item) : nullptr;
    char text[kNameSize];
    MenuText(ID_REGISTER_BOOK, text);
    bool filled = ::AppendMenuA(menu, MF_STRING | (CanRegisterInto(node) ? MF_ENABLED : MF_GRAYED),
                                ID_REGISTER_BOOK, text) != FALSE;
    filled = ::AppendMenuA(menu, MF_SEPARATOR, 0, nullptr) != FALSE && filled;
    MenuText(ID_DELETE, text);
    filled = ::AppendMenuA(menu, MF_STRING | (CanDelete(item, node) ? MF_ENABLED : MF_GRAYED), ID_DELETE,
                           text) != FALSE &&
             filled;
    return filled;
}
