// The display order of a tree: the items whose ancestors are all expanded, in pre-order. Filling a
// branch of ten thousand items must not lay out every row again after each insert, so the order is laid
// out lazily (a prefix of it in Tree::rows, the rest walked to on demand) and every change adjusts the
// laid-out prefix, the count of rows and the anchor (a shown item of known index) by what it touched.
#include "treeview/tree.h"

#include <algorithm>
#include <cstdlib>

namespace plat::detail::tv {

namespace {

// The index of an item in the laid-out prefix, or -1.
int LaidOut(const Tree& t, const Item* item) {
    int row = item->row;
    if (row < 0 || static_cast<size_t>(row) >= t.rows.size()) return -1;
    return t.rows[static_cast<size_t>(row)] == item ? row : -1;
}

// Forgets the laid-out rows from `count` on (the order changed there).
void KeepLaidOut(Tree& t, size_t count) {
    if (count >= t.rows.size()) return;
    for (size_t i = count; i < t.rows.size(); ++i)
        t.rows[i]->row = -1;
    t.rows.resize(count);
}

// Lays out one more row; false at the end of the order.
bool LayOutNext(Tree& t) {
    Item* next = t.rows.empty() ? t.root.firstChild : NextRow(t, t.rows.back());
    if (!next) return false;
    next->level = next->parent == &t.root ? 0 : next->parent->level + 1;
    next->row = static_cast<int>(t.rows.size());
    t.rows.push_back(next);
    ++t.layoutWork;
    return true;
}

// How far from the anchor a row is walked to rather than laid out: the rows of one screen.
int NearRows(const Tree& t) {
    return (t.itemHeight > 0 ? t.clientHeight / t.itemHeight : 0) + 2;
}

Item* Walk(Tree& t, Item* from, int steps) {
    for (; from && steps > 0; --steps)
        from = NextRow(t, from);
    for (; from && steps < 0; ++steps)
        from = PreviousRow(t, from);
    return from;
}

// True when `a` comes before `b` in the display order (both linked). Siblings are compared by walking
// outwards from `a` both ways, which ends at once for the first and the last child.
bool Precedes(Tree& t, const Item* a, const Item* b) {
    if (a == b) return false;
    const Item* x = a;
    const Item* y = b;
    while (x->level > y->level) {
        x = x->parent;
        if (x == y) return false; // b is an ancestor of a
    }
    while (y->level > x->level) {
        y = y->parent;
        if (y == x) return true; // a is an ancestor of b
    }
    while (x->parent != y->parent) {
        x = x->parent;
        y = y->parent;
    }
    for (const Item *forward = x->next, *backward = x->prev;;
         forward = forward->next, backward = backward->prev) {
        ++t.layoutWork;
        if (forward == y) return true;
        if (backward == y) return false;
        if (!forward) return false;
        if (!backward) return true;
    }
}

// A change of `delta` rows at `item` (not the anchor's own branch) moves the anchor if it comes first.
void ShiftAnchor(Tree& t, const Item* item, int delta) {
    if (t.anchor && delta != 0 && Precedes(t, item, t.anchor)) t.anchorRow += delta;
}

} // namespace

bool Shown(const Tree& t, const Item* item) {
    if (!item || item->dead) return false;
    for (const Item* p = item->parent; p && p != &t.root; p = p->parent)
        if (p->dead || !(p->state & TVIS_EXPANDED)) return false;
    return true;
}

Item* NextRow(Tree& t, Item* item) {
    ++t.layoutWork;
    if ((item->state & TVIS_EXPANDED) && item->firstChild) return item->firstChild;
    for (Item* p = item; p && p != &t.root; p = p->parent)
        if (p->next) return p->next;
    return nullptr;
}

Item* PreviousRow(Tree& t, Item* item) {
    ++t.layoutWork;
    if (!item->prev) return item->parent == &t.root ? nullptr : item->parent;
    Item* last = item->prev;
    while ((last->state & TVIS_EXPANDED) && last->lastChild)
        last = last->lastChild;
    return last;
}

int RowsUnder(Tree& t, const Item* item) {
    int count = 0;
    std::vector<const Item*> stack{item};
    while (!stack.empty()) {
        const Item* i = stack.back();
        stack.pop_back();
        ++count;
        ++t.layoutWork;
        if (i->state & TVIS_EXPANDED)
            for (const Item* c = i->firstChild; c; c = c->next)
                stack.push_back(c);
    }
    return count;
}

Item* RowAt(Tree& t, int row) {
    if (row < 0 || row >= t.rowCount) return nullptr;
    if (static_cast<size_t>(row) < t.rows.size()) return t.rows[static_cast<size_t>(row)];
    // Rows near the anchor (the screen) are walked to; others are laid out, to be found at once later.
    if (t.anchor && std::abs(row - t.anchorRow) <= NearRows(t))
        if (Item* item = Walk(t, t.anchor, row - t.anchorRow)) return item;
    while (t.rows.size() <= static_cast<size_t>(row) && LayOutNext(t)) {
    }
    return static_cast<size_t>(row) < t.rows.size() ? t.rows[static_cast<size_t>(row)] : nullptr;
}

int RowIndex(Tree& t, Item* item) {
    if (!Shown(t, item)) return -1;
    if (int row = LaidOut(t, item); row >= 0) return row;
    if (item == t.anchor) return t.anchorRow;
    if (t.anchor) {
        Item* walked = t.anchor;
        for (int k = 1, near = NearRows(t); k <= near && walked; ++k) {
            walked = NextRow(t, walked);
            if (walked == item) return t.anchorRow + k;
        }
    }
    while (LaidOut(t, item) < 0 && LayOutNext(t)) {
    }
    return LaidOut(t, item);
}

void LayOutAllRows(Tree& t) {
    while (LayOutNext(t)) {
    }
}

void RowInserted(Tree& t, Item* item) {
    if (!Shown(t, item)) return;
    MarkLayoutDirty(t);
    int added = RowsUnder(t, item);
    t.rowCount += added;
    // What precedes the new row stays laid out.
    Item* before = PreviousRow(t, item);
    if (!before)
        KeepLaidOut(t, 0);
    else if (int row = LaidOut(t, before); row >= 0)
        KeepLaidOut(t, static_cast<size_t>(row) + 1);
    ShiftAnchor(t, item, added);
}

void RowRemoving(Tree& t, Item* item) {
    if (!Shown(t, item)) return;
    MarkLayoutDirty(t);
    int removed = RowsUnder(t, item);
    t.rowCount -= removed;
    if (int row = LaidOut(t, item); row >= 0) KeepLaidOut(t, static_cast<size_t>(row));
    if (t.anchor && IsAncestor(item, t.anchor))
        t.anchor = nullptr;
    else
        ShiftAnchor(t, item, -removed);
}

void SetExpandedState(Tree& t, Item* item, bool expanded) {
    bool was = (item->state & TVIS_EXPANDED) != 0;
    if (was == expanded) return;
    bool shown = Shown(t, item);
    int before = shown ? RowsUnder(t, item) : 0;
    if (expanded)
        item->state |= TVIS_EXPANDED;
    else
        item->state &= ~static_cast<UINT>(TVIS_EXPANDED);
    if (!shown) return;
    MarkLayoutDirty(t);
    int delta = RowsUnder(t, item) - before;
    t.rowCount += delta;
    if (int row = LaidOut(t, item); row >= 0) KeepLaidOut(t, static_cast<size_t>(row) + 1);
    if (t.anchor && t.anchor != item && IsAncestor(item, t.anchor))
        t.anchor = nullptr; // hidden by the collapse
    else if (t.anchor != item)
        ShiftAnchor(t, item, delta);
}

void RowsReordered(Tree& t, Item* parent) {
    if (parent != &t.root && (!(parent->state & TVIS_EXPANDED) || !Shown(t, parent))) return;
    MarkLayoutDirty(t);
    if (parent == &t.root)
        KeepLaidOut(t, 0);
    else if (int row = LaidOut(t, parent); row >= 0)
        KeepLaidOut(t, static_cast<size_t>(row) + 1);
    if (t.anchor && t.anchor != parent && IsAncestor(parent, t.anchor)) t.anchor = nullptr;
}

} // namespace plat::detail::tv
