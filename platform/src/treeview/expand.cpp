// Expanding and collapsing. The platform's rules: "has children" is the children flag, not the real
// children; a programmatic expand notifies only until the item has been expanded once; a
// programmatic collapse never notifies; a user's expand or collapse always notifies.
#include "treeview/tree.h"

#include <algorithm>

namespace plat::detail::tv {

namespace {

constexpr UINT kExpandMask = TVIF_HANDLE | TVIF_STATE | TVIF_PARAM | TVIF_IMAGE | TVIF_SELECTEDIMAGE;

LRESULT NotifyExpand(Tree& t, UINT code, UINT action, Item* item) {
    return NotifyTreeView(t, code, action, 0, nullptr, kExpandMask, item);
}

bool Gone(const Tree& t, const Item* item) {
    return t.destroyed || item->dead;
}

// After an expand: scroll up so that as many of the new children as fit become visible, never
// moving the expanded item itself off the top.
void RevealChildren(Tree& t, Item* item) {
    if (!item->firstChild || !InDisplay(t, item)) return;
    EnsureLayout(t);
    int row = RowIndex(t, item);
    if (row < 0 || !(item->state & TVIS_EXPANDED) || !item->lastChild) return;
    // The rows from the first child to the last one (not what is open under the last).
    int children = RowsUnder(t, item) - RowsUnder(t, item->lastChild);
    int position = row - TopRow(t);
    int rowsBelow = VisibleCount(t) - position - 1;
    if (position > 0 && children > rowsBelow) {
        int scroll = std::min(children - rowsBelow, position);
        if (scroll > 0) SetTopRow(t, TopRow(t) + scroll);
    }
}

// Moves the selection to `item` without notifications (a collapse hid or removed it).
void SilentSelect(Tree& t, Item* item) {
    if (t.caret) {
        t.caret->state &= ~static_cast<UINT>(TVIS_SELECTED);
        InvalidateItem(t, t.caret);
    }
    item->state |= TVIS_SELECTED;
    t.caret = item;
    InvalidateItem(t, item);
}

} // namespace

BOOL Expand(Tree& t, Item* item, bool user) {
    if (!HasChildren(t, item) || Gone(t, item)) return FALSE;
    bool notify = user || !(item->state & TVIS_EXPANDEDONCE);
    if (notify) {
        if (NotifyExpand(t, TVN_ITEMEXPANDINGA, TVE_EXPAND, item)) return FALSE;
        if (Gone(t, item)) return FALSE;
    }
    // Nothing to show (the handler filled nothing in): no ITEMEXPANDED, EXPANDEDONCE stays clear and
    // the button stays until the application clears the children flag.
    if (!item->firstChild) return FALSE;

    bool was = (item->state & TVIS_EXPANDED) != 0;
    SetExpandedState(t, item, true);
    if (!was) {
        MarkLayoutDirty(t);
        InvalidateAll(t);
        RevealChildren(t, item);
    }
    if (notify) {
        NotifyExpand(t, TVN_ITEMEXPANDEDA, TVE_EXPAND, item);
        if (!item->dead) item->state |= TVIS_EXPANDEDONCE;
    }
    return TRUE;
}

BOOL Collapse(Tree& t, Item* item, bool reset, bool user) {
    if (!HasChildren(t, item) || Gone(t, item)) return FALSE;
    UINT action = TVE_COLLAPSE | (reset ? TVE_COLLAPSERESET : 0);
    if (user) {
        // A user's collapse can be refused, as on the platform.
        if (NotifyExpand(t, TVN_ITEMEXPANDINGA, action, item)) return FALSE;
        if (Gone(t, item)) return FALSE;
    }
    if (!item->firstChild) return FALSE;

    bool wasExpanded = (item->state & TVIS_EXPANDED) != 0;
    SetExpandedState(t, item, false);
    bool caretInside = t.caret && t.caret != item && IsAncestor(item, t.caret);
    if (wasExpanded) {
        MarkLayoutDirty(t);
        InvalidateAll(t);
        if (t.firstVisible && t.firstVisible != item && IsAncestor(item, t.firstVisible))
            t.firstVisible = item;
        // The selection never stays hidden in a collapsed branch; the move is not notified.
        if (caretInside) SilentSelect(t, item);
        if (user) {
            NotifyExpand(t, TVN_ITEMEXPANDEDA, action, item);
            if (Gone(t, item)) return TRUE;
        }
    }
    if (reset) {
        item->state &= ~static_cast<UINT>(TVIS_EXPANDEDONCE);
        RemoveChildren(t, item); // the children flag is kept: the button stays for a refill
        if (Gone(t, item)) return wasExpanded;
        if (caretInside && !t.caret) SilentSelect(t, item);
    }
    return wasExpanded ? TRUE : FALSE;
}

BOOL Toggle(Tree& t, Item* item, bool user) {
    if (item->state & TVIS_EXPANDED) return Collapse(t, item, false, user);
    return Expand(t, item, user);
}

void ExpandAll(Tree& t, Item* item) {
    Expand(t, item, true);
    if (Gone(t, item)) return;
    for (Item* child = item->firstChild; child && !t.destroyed;) {
        Item* next = child->next;
        ExpandAll(t, child);
        if (child->dead) break;
        child = next;
    }
}

LRESULT ExpandMessage(Tree& t, WPARAM action, HTREEITEM h) {
    Item* item = Resolve(t, h);
    if (!item) return FALSE;
    switch (action & TVE_TOGGLE) {
    case TVE_COLLAPSE:
        return Collapse(t, item, (action & TVE_COLLAPSERESET) != 0, false);
    case TVE_EXPAND:
        return Expand(t, item, false);
    case TVE_TOGGLE:
        return Toggle(t, item, false);
    default:
        if (action & TVE_COLLAPSERESET) return Collapse(t, item, true, false);
        return FALSE;
    }
}

} // namespace plat::detail::tv
