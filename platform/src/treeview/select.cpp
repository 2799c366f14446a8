// The selection (caret), the drop highlight, the first visible item and navigation between items.
#include "treeview/tree.h"

namespace plat::detail::tv {

namespace {

constexpr UINT kSelectMask = TVIF_TEXT | TVIF_HANDLE | TVIF_STATE | TVIF_PARAM;

Item* Alive(Item* item) {
    return item && !item->dead ? item : nullptr;
}

} // namespace

void ExpandAncestors(Tree& t, Item* item, bool* expanded) {
    // From the nearest parent outwards, as the platform walks them, each as a user's expand (with
    // its notifications).
    std::vector<Item*> chain;
    for (Item* p = item->parent; p && p != &t.root; p = p->parent)
        chain.push_back(p);
    for (auto it = chain.begin(); it != chain.end() && !t.destroyed; ++it) {
        Item* p = *it;
        if (p->dead || item->dead) return;
        if (!(p->state & TVIS_EXPANDED) && Expand(t, p, true) && expanded) *expanded = true;
    }
}

BOOL EnsureVisible(Tree& t, Item* item) {
    bool expanded = false;
    ExpandAncestors(t, item, &expanded);
    if (t.destroyed || item->dead) return FALSE;
    int before = TopRow(t);
    ScrollToShow(t, item);
    return (!expanded && TopRow(t) != before) ? TRUE : FALSE;
}

BOOL SelectCaret(Tree& t, Item* item, UINT cause) {
    Item* previous = t.caret;
    if (previous == item) {
        if (item) EnsureVisible(t, item);
        return TRUE;
    }
    if (NotifyTreeView(t, TVN_SELCHANGINGA, cause, kSelectMask, previous, kSelectMask, item)) return FALSE;
    if (t.destroyed || (item && item->dead)) return FALSE;

    Item* old = t.caret; // a handler may have moved it meanwhile
    if (old) {
        old->state &= ~static_cast<UINT>(TVIS_SELECTED);
        InvalidateItem(t, old);
    }
    if (item) item->state |= TVIS_SELECTED;
    t.caret = item;
    if (item) {
        InvalidateItem(t, item);
        EnsureVisible(t, item);
        if (t.destroyed) return TRUE;
    }
    NotifyTreeView(t, TVN_SELCHANGEDA, cause, kSelectMask, Alive(previous), kSelectMask, Alive(item));
    return TRUE;
}

void SetDropHilite(Tree& t, Item* item) {
    if (t.drop == item) return;
    if (t.drop) {
        t.drop->state &= ~static_cast<UINT>(TVIS_DROPHILITED);
        InvalidateItem(t, t.drop);
    }
    t.drop = item;
    if (item) {
        item->state |= TVIS_DROPHILITED;
        InvalidateItem(t, item);
    }
}

LRESULT SelectMessage(Tree& t, WPARAM code, HTREEITEM h) {
    Item* item = nullptr;
    if (h) {
        item = Resolve(t, h);
        if (!item) return FALSE;
    }
    switch (code & ~static_cast<WPARAM>(TVSI_NOSINGLEEXPAND)) {
    case TVGN_CARET:
        return SelectCaret(t, item, TVC_UNKNOWN);
    case TVGN_DROPHILITE:
        SetDropHilite(t, item);
        return TRUE;
    case TVGN_FIRSTVISIBLE:
        if (!item) return FALSE;
        ExpandAncestors(t, item, nullptr);
        if (t.destroyed || item->dead) return FALSE;
        EnsureLayout(t);
        if (int row = RowIndex(t, item); row >= 0) {
            SetTopRow(t, row);
            return TRUE;
        }
        return FALSE;
    default:
        return FALSE;
    }
}

HTREEITEM GetNextItem(Tree& t, WPARAM code, HTREEITEM h) {
    auto handle = [](Item* i) { return i ? i->handle : nullptr; };
    switch (code) {
    case TVGN_ROOT:
        return handle(t.root.firstChild);
    case TVGN_CARET:
        return handle(t.caret);
    case TVGN_DROPHILITE:
        return handle(t.drop);
    case TVGN_FIRSTVISIBLE:
        EnsureLayout(t);
        return handle(RowAt(t, TopRow(t)));
    case TVGN_LASTVISIBLE:
        EnsureLayout(t);
        return handle(RowAt(t, t.rowCount - 1));
    case TVGN_CHILD:
        if (!h || h == TVI_ROOT) return handle(t.root.firstChild);
        break;
    default:
        break;
    }
    Item* item = Resolve(t, h);
    if (!item) return nullptr;
    switch (code) {
    case TVGN_NEXT:
        return handle(item->next);
    case TVGN_PREVIOUS:
        return handle(item->prev);
    case TVGN_PARENT:
        return item->parent == &t.root ? nullptr : handle(item->parent);
    case TVGN_CHILD:
        return handle(item->firstChild);
    case TVGN_NEXTVISIBLE:
    case TVGN_PREVIOUSVISIBLE: {
        EnsureLayout(t);
        if (!Shown(t, item)) return nullptr;
        return handle(code == TVGN_NEXTVISIBLE ? NextRow(t, item) : PreviousRow(t, item));
    }
    default:
        return nullptr;
    }
}

} // namespace plat::detail::tv
