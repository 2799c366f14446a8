// The items of a tree: handles, insertion, deletion in the platform's post-order with its selection
// rule, reading and writing item fields, and sorting.
#include "treeview/tree.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace plat::detail::tv {

namespace {

// Handles are never reused, across all trees, so a stale handle never names a newer item.
uintptr_t g_nextHandle = 0x100000;

// Change stamps are never reused either, across all trees: a stamp names one state of one tree.
unsigned long long g_lastChangeStamp = 0;

HTREEITEM NewHandle() {
    g_nextHandle += 0x10;
    return reinterpret_cast<HTREEITEM>(g_nextHandle);
}

bool IsCallbackText(LPCSTR text) {
    return text == nullptr || text == LPSTR_TEXTCALLBACKA;
}

// An expanded image given as the 16-bit "none" that TVM_GETITEM reports means none as well.
int ExpandedImageFromValue(int value) {
    return value == static_cast<WORD>(I_IMAGENONE) ? I_IMAGENONE : value;
}

KidsMode KidsFromValue(int value) {
    if (value == I_CHILDRENCALLBACK) return KidsMode::Callback;
    return value == 0 ? KidsMode::ForceNo : KidsMode::ForceYes;
}

int CompareNoCase(const std::string& a, const std::string& b) {
    size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        int ca = std::tolower(static_cast<unsigned char>(a[i]));
        int cb = std::tolower(static_cast<unsigned char>(b[i]));
        if (ca != cb) return ca < cb ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

void LinkAfter(Item* parent, Item* item, Item* after) {
    item->parent = parent;
    if (!after) { // first
        item->prev = nullptr;
        item->next = parent->firstChild;
        if (parent->firstChild) parent->firstChild->prev = item;
        parent->firstChild = item;
        if (!parent->lastChild) parent->lastChild = item;
        return;
    }
    item->prev = after;
    item->next = after->next;
    if (after->next)
        after->next->prev = item;
    else
        parent->lastChild = item;
    after->next = item;
}

void Unlink(Tree& t, Item* item) {
    RowRemoving(t, item);
    Item* parent = item->parent;
    if (item->prev)
        item->prev->next = item->next;
    else if (parent)
        parent->firstChild = item->next;
    if (item->next)
        item->next->prev = item->prev;
    else if (parent)
        parent->lastChild = item->prev;
    item->prev = item->next = nullptr;

    if (t.caret == item) t.caret = nullptr;
    if (t.drop == item) t.drop = nullptr;
    if (t.firstVisible == item) t.firstVisible = nullptr;
    if (t.insertMark == item) t.insertMark = nullptr;
    if (t.rclickItem == item) t.rclickItem = nullptr;
    if (t.editItem == item) t.editItem = nullptr;
    item->dead = true;
    item->row = -1;
    NoteChange(t);
    auto it = t.items.find(item->handle);
    if (it != t.items.end()) {
        t.graveyard.push_back(std::move(it->second));
        t.items.erase(it);
    }
    MarkLayoutDirty(t);
}

// The first child whose deletion has not begun (a handler may delete while a deletion runs).
Item* FirstNotDeleting(Item* item) {
    Item* child = item->firstChild;
    while (child && child->deleting)
        child = child->next;
    return child;
}

// TVN_DELETEITEM for every item of the subtree, children before their parent, then the unlink.
void RemoveSubtree(Tree& t, Item* item) {
    if (item->deleting || item->dead) return;
    item->deleting = true;
    while (Item* child = FirstNotDeleting(item)) {
        if (t.destroyed) break;
        RemoveSubtree(t, child);
    }
    if (!t.destroyed) NotifyTreeView(t, TVN_DELETEITEMA, 0, TVIF_HANDLE | TVIF_PARAM, item, 0, nullptr);
    if (!item->dead) Unlink(t, item);
}

} // namespace

void NoteChange(Tree& t) {
    t.changeStamp = ++g_lastChangeStamp;
}

Item* Resolve(Tree& t, HTREEITEM h) {
    if (!h) return nullptr;
    auto it = t.items.find(h);
    return it == t.items.end() ? nullptr : it->second.get();
}

bool IsAncestor(const Item* ancestor, const Item* item) {
    for (const Item* p = item; p; p = p->parent)
        if (p == ancestor) return true;
    return false;
}

bool HasRealChildren(const Item* item) {
    return item->firstChild != nullptr;
}

bool InDisplay(const Tree& t, const Item* item) {
    for (const Item* p = item->parent; p && p != &t.root; p = p->parent)
        if (!(p->state & TVIS_EXPANDED)) return false;
    return true;
}

int ChildrenValue(const Item* item) {
    switch (item->kids) {
    case KidsMode::Compute:
        return item->firstChild ? 1 : 0;
    case KidsMode::ForceYes:
        return 1;
    case KidsMode::ForceNo:
        return 0;
    case KidsMode::Callback:
        return I_CHILDRENCALLBACK;
    }
    return 0;
}

std::string ItemText(Tree& t, Item* item) {
    if (!item->textCallback) return item->text;
    return AskDispInfo(t, item, TVIF_TEXT).text;
}

int ItemImage(Tree& t, Item* item, bool selected) {
    int index = item->image;
    UINT field = TVIF_IMAGE;
    if (selected) {
        index = item->selectedImage;
        field = TVIF_SELECTEDIMAGE;
    } else if ((item->state & TVIS_EXPANDED) && item->expandedImage != I_IMAGENONE) {
        index = item->expandedImage;
    }
    if (index != I_IMAGECALLBACK) return index;
    DispInfo di = AskDispInfo(t, item, field);
    return selected ? di.selectedImage : di.image;
}

LRESULT InsertItem(Tree& t, const TVINSERTSTRUCTA* ins) {
    if (!ins) return 0;
    Item* parent = &t.root;
    if (ins->hParent && ins->hParent != TVI_ROOT) {
        parent = Resolve(t, ins->hParent);
        if (!parent || parent->deleting) return 0;
    }

    // Where the new item goes: nullptr after = first.
    Item* after = parent->lastChild;
    HTREEITEM where = ins->hInsertAfter;
    const TVITEMEXA& src = ins->itemex;
    std::string text;
    bool callback = false;
    if (src.mask & TVIF_TEXT) {
        callback = IsCallbackText(src.pszText);
        if (!callback) text = src.pszText;
    }
    if (where == TVI_FIRST) {
        after = nullptr;
    } else if (where == TVI_SORT) {
        // Before the first sibling whose label sorts after the new one (case ignored), so equal
        // labels keep their insertion order.
        after = parent->lastChild;
        for (Item* s = parent->firstChild; s; s = s->next) {
            if (CompareNoCase(ItemText(t, s), text) > 0) {
                after = s->prev;
                break;
            }
        }
        if (parent->deleting || parent->dead) return 0;
        if (after && (after->dead || after->parent != parent)) after = parent->lastChild;
    } else if (where != TVI_LAST) {
        Item* sibling = Resolve(t, where);
        if (sibling && sibling->parent == parent) after = sibling; // anything else counts as TVI_LAST
    }

    auto owned = std::make_unique<Item>();
    Item* item = owned.get();
    item->handle = NewHandle();
    item->text = std::move(text);
    item->textCallback = callback;
    if (src.mask & TVIF_IMAGE) item->image = src.iImage;
    if (src.mask & TVIF_SELECTEDIMAGE) item->selectedImage = src.iSelectedImage;
    if (src.mask & TVIF_PARAM) item->lParam = src.lParam;
    if (src.mask & TVIF_STATE) item->state = src.state & src.stateMask;
    if (src.mask & TVIF_CHILDREN) item->kids = KidsFromValue(src.cChildren);
    if (src.mask & TVIF_INTEGRAL) item->integral = std::max(1, src.iIntegral);
    if (src.mask & TVIF_EXPANDEDIMAGE) item->expandedImage = ExpandedImageFromValue(src.iExpandedImage);
    item->level = parent == &t.root ? 0 : parent->level + 1;
    t.items.emplace(item->handle, std::move(owned));
    LinkAfter(parent, item, after);
    RowInserted(t, item);
    NoteChange(t);

    // A parent that said "no children" gets its button once it really has one.
    if (parent->kids == KidsMode::ForceNo) parent->kids = KidsMode::Compute;

    if (parent == &t.root || ((parent->state & TVIS_EXPANDED) && InDisplay(t, parent))) {
        MarkLayoutDirty(t);
        InvalidateAll(t);
    } else if (InDisplay(t, parent)) {
        InvalidateItem(t, parent); // its button may appear
    }
    return reinterpret_cast<LRESULT>(item->handle);
}

void RemoveChildren(Tree& t, Item* item) {
    while (Item* child = FirstNotDeleting(item)) {
        if (t.destroyed) break;
        RemoveSubtree(t, child);
    }
    InvalidateAll(t);
}

void DeleteAllItems(Tree& t) {
    if (t.edit) EndEditLabel(t, true);
    RemoveChildren(t, &t.root);
    t.caret = nullptr;
    t.firstVisible = nullptr;
    MarkLayoutDirty(t);
}

BOOL DeleteItem(Tree& t, HTREEITEM h) {
    if (!h || h == TVI_ROOT) {
        DeleteAllItems(t);
        return TRUE;
    }
    Item* item = Resolve(t, h);
    if (!item || item->deleting) return FALSE;

    // A label being edited inside the doomed branch is cancelled first.
    if (t.edit && t.editItem && IsAncestor(item, t.editItem)) {
        EndEditLabel(t, true);
        if (t.destroyed || item->dead) return TRUE;
    }

    Item* newSelection = nullptr;
    if (t.caret && IsAncestor(item, t.caret)) {
        if (item->next)
            newSelection = item->next;
        else if (item->parent != &t.root)
            newSelection = item->parent;
        else
            newSelection = item->prev;
    }
    Item* newFirst = t.firstVisible;
    if (t.firstVisible && IsAncestor(item, t.firstVisible)) {
        if (item->next)
            newFirst = item->next;
        else if (item->prev)
            newFirst = item->prev;
        else
            newFirst = item->parent != &t.root ? item->parent : nullptr;
    }
    Item* parent = item->parent;
    bool shown = InDisplay(t, item);

    RemoveSubtree(t, item);
    if (t.destroyed) return TRUE;

    if (newFirst && !newFirst->dead && (!t.firstVisible || t.firstVisible->dead)) t.firstVisible = newFirst;
    if (shown) InvalidateAll(t);
    if (parent && parent != &t.root && !parent->dead && InDisplay(t, parent)) InvalidateItem(t, parent);

    // The selection goes to a neighbour, told as a change from nothing, unless a handler already
    // selected something.
    if (!t.caret && newSelection && !newSelection->dead) SelectCaret(t, newSelection, TVC_UNKNOWN);
    return TRUE;
}

BOOL GetItem(Tree& t, TVITEMA* out) {
    if (!out) return FALSE;
    Item* item = Resolve(t, out->hItem);
    if (!item) return FALSE;
    UINT mask = out->mask;

    UINT ask = 0;
    if ((mask & TVIF_TEXT) && item->textCallback) ask |= TVIF_TEXT;
    if ((mask & TVIF_IMAGE) && item->image == I_IMAGECALLBACK) ask |= TVIF_IMAGE;
    if ((mask & TVIF_SELECTEDIMAGE) && item->selectedImage == I_IMAGECALLBACK) ask |= TVIF_SELECTEDIMAGE;
    if ((mask & TVIF_CHILDREN) && item->kids == KidsMode::Callback) ask |= TVIF_CHILDREN;
    DispInfo di;
    if (ask) {
        di = AskDispInfo(t, item, ask);
        if (item->dead) return FALSE;
    }

    // The whole state and the item data are always filled, whatever the mask says; state bits a
    // callback answered are reported over the item's own.
    out->state = (item->state & ~di.stateMask) | (di.state & di.stateMask);
    out->lParam = item->lParam;
    if (mask & TVIF_TEXT) {
        const std::string& text = (ask & TVIF_TEXT) ? di.text : item->text;
        if (out->pszText && out->cchTextMax > 0) {
            size_t n = std::min(text.size(), static_cast<size_t>(out->cchTextMax - 1));
            std::memcpy(out->pszText, text.data(), n);
            out->pszText[n] = '\0';
        }
    }
    if (mask & TVIF_IMAGE) out->iImage = (ask & TVIF_IMAGE) ? di.image : item->image;
    if (mask & TVIF_SELECTEDIMAGE)
        out->iSelectedImage = (ask & TVIF_SELECTEDIMAGE) ? di.selectedImage : item->selectedImage;
    if (mask & TVIF_CHILDREN) out->cChildren = (ask & TVIF_CHILDREN) ? di.children : ChildrenValue(item);
    auto* ex = reinterpret_cast<TVITEMEXA*>(out);
    if (mask & TVIF_INTEGRAL) ex->iIntegral = item->integral;
    // The platform keeps the expanded image in 16 bits: "none" reads back as (WORD)I_IMAGENONE.
    if (mask & TVIF_EXPANDEDIMAGE)
        ex->iExpandedImage =
            item->expandedImage == I_IMAGENONE ? static_cast<WORD>(I_IMAGENONE) : item->expandedImage;
    if (mask & TVIF_STATEEX) ex->uStateEx = 0;
    return TRUE;
}

BOOL SetItem(Tree& t, const TVITEMA* in) {
    if (!in) return FALSE;
    Item* item = Resolve(t, in->hItem);
    if (!item) return FALSE;
    UINT mask = in->mask;
    bool layout = false;
    if (mask & TVIF_TEXT) {
        item->textCallback = IsCallbackText(in->pszText);
        item->text = item->textCallback ? std::string() : std::string(in->pszText);
        item->textWidth = -1;
    }
    if (mask & TVIF_IMAGE) item->image = in->iImage;
    if (mask & TVIF_SELECTEDIMAGE) item->selectedImage = in->iSelectedImage;
    if (mask & TVIF_PARAM) item->lParam = in->lParam;
    if (mask & TVIF_STATE) {
        UINT old = item->state;
        UINT wanted = (old & ~in->stateMask) | (in->state & in->stateMask);
        item->state = (wanted & ~static_cast<UINT>(TVIS_EXPANDED)) | (old & TVIS_EXPANDED);
        SetExpandedState(t, item, (wanted & TVIS_EXPANDED) != 0);
        UINT changed = old ^ item->state;
        if (changed & TVIS_EXPANDED) layout = true;
        if (changed & TVIS_BOLD) item->textWidth = -1;
        if (changed & TVIS_DROPHILITED) {
            // Keep the drop target in step with a state set directly.
            if (item->state & TVIS_DROPHILITED)
                t.drop = item;
            else if (t.drop == item)
                t.drop = nullptr;
        }
    }
    if (mask & TVIF_CHILDREN) item->kids = KidsFromValue(in->cChildren);
    if (mask & (TVIF_PARAM | TVIF_CHILDREN)) NoteChange(t);
    const auto* ex = reinterpret_cast<const TVITEMEXA*>(in);
    if (mask & TVIF_INTEGRAL) item->integral = std::max(1, ex->iIntegral);
    if (mask & TVIF_EXPANDEDIMAGE) item->expandedImage = ExpandedImageFromValue(ex->iExpandedImage);
    if (layout) {
        MarkLayoutDirty(t);
        InvalidateAll(t);
    } else {
        InvalidateItem(t, item);
    }
    return TRUE;
}

BOOL SortChildren(Tree& t, HTREEITEM h, const TVSORTCB* cb) {
    Item* parent = &t.root;
    if (h && h != TVI_ROOT) {
        parent = Resolve(t, h);
        if (!parent) return FALSE;
    }
    if (!parent->firstChild) return FALSE; // nothing to sort, on an empty tree as on a leaf
    struct Entry {
        Item* item;
        std::string text;
    };
    std::vector<Entry> entries;
    for (Item* c = parent->firstChild; c; c = c->next)
        entries.push_back(Entry{c, std::string()});
    if (!cb) {
        for (Entry& e : entries)
            e.text = ItemText(t, e.item);
        if (parent->dead) return FALSE;
        for (const Entry& e : entries)
            if (e.item->dead || e.item->parent != parent) return FALSE; // a handler changed the tree
    }
    if (cb && !cb->lpfnCompare) return FALSE;
    std::stable_sort(entries.begin(), entries.end(), [&](const Entry& a, const Entry& b) {
        if (cb) return cb->lpfnCompare(a.item->lParam, b.item->lParam, cb->lParam) < 0;
        return CompareNoCase(a.text, b.text) < 0;
    });
    parent->firstChild = parent->lastChild = nullptr;
    Item* after = nullptr;
    for (Entry& e : entries) {
        e.item->prev = e.item->next = nullptr;
        if (!after) {
            parent->firstChild = parent->lastChild = e.item;
        } else {
            after->next = e.item;
            e.item->prev = after;
            parent->lastChild = e.item;
        }
        after = e.item;
    }
    RowsReordered(t, parent);
    NoteChange(t);
    MarkLayoutDirty(t);
    InvalidateAll(t);
    return TRUE;
}

} // namespace plat::detail::tv
