// The shelf's context menu: one builder for the control's own popup menu and for the menu the tree
// child shows on a right-button press, so that both offer the same entries by the same rules.
#pragma once

#include "windows.h"

#include "commctrl.h"

// Fills `menu` with the context menu for `item` of the shelf tree: "Register Book" (enabled when books
// may be registered into the item), a separator, and "Delete" (enabled when the item may be deleted
// and either has no child items or is a book). With no item (null) both entries are disabled. The
// texts come from the string table in the user's language. With `clearFirst` every entry the menu
// holds is removed first (the control's own popup menu is rebuilt each time it opens). False when
// the menu could not be filled.
bool BuildShelfMenu(HMENU menu, HTREEITEM item, bool clearFirst);
