// Geometry: the display order, item height and indent, label widths from the font engine, row
// rectangles, hit testing and vertical scrolling in whole items.
#include "treeview/tree.h"

#include "gdi/text_cell.h"

#include <algorithm>
#include <cstring>

namespace plat::detail::tv {

namespace {

int MaxTopRow(const Tree& t) {
    return std::max(0, t.rowCount - std::max(1, VisibleCount(t)));
}

// Makes `top` the top item, `row` its index, and the anchor of the display order.
void SetTop(Tree& t, Item* top, int row) {
    t.firstVisible = top;
    t.anchor = top;
    t.anchorRow = row;
}

void UpdateScrollBar(Tree& t) {
    if (t.style & TVS_NOSCROLL) return;
    SCROLLINFO si{};
    si.cbSize = sizeof si;
    si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    si.nMin = 0;
    si.nMax = std::max(0, t.rowCount - 1);
    si.nPage = static_cast<UINT>(std::max(0, VisibleCount(t)));
    si.nPos = t.firstVisible ? std::max(0, RowIndex(t, t.firstVisible)) : 0;
    SetScrollInfo(t.hwnd, SB_VERT, &si, t.redraw ? TRUE : FALSE);
    RECT client{};
    GetClientRect(t.hwnd, &client);
    t.clientWidth = client.right;
    t.clientHeight = client.bottom;
}

} // namespace

void MarkLayoutDirty(Tree& t) {
    t.layoutDirty = true;
}

// Settles what the display order's changes imply at the end of a message: the top item stays if it is
// still shown, else its nearest shown ancestor takes its place, and no gap is left below the last row;
// then the scroll bar. Rows are not laid out for it.
void EnsureLayout(Tree& t) {
    if (!t.layoutDirty || t.inLayout || t.destroyed) return;
    t.inLayout = true;
    Item* top = t.firstVisible;
    if (top && top->dead) top = nullptr;
    while (top && top != &t.root && !Shown(t, top))
        top = top->parent;
    if (top == &t.root) top = nullptr;
    if (!top && t.rowCount > 0) top = RowAt(t, 0);
    int row = top ? RowIndex(t, top) : 0;
    if (top) {
        t.anchor = top; // known now: the walk to a clamped top starts from here
        t.anchorRow = row;
        if (row > MaxTopRow(t)) {
            row = MaxTopRow(t);
            top = RowAt(t, row);
        }
    }
    if (top != t.firstVisible) InvalidateAll(t);
    if (top)
        SetTop(t, top, row);
    else
        t.firstVisible = nullptr;
    t.layoutDirty = false;
    UpdateScrollBar(t);
    t.inLayout = false;
    // Showing or hiding the scroll bar may have resized the client area; settle once more.
    if (t.layoutDirty) {
        t.inLayout = true;
        t.layoutDirty = false;
        if (t.firstVisible && RowIndex(t, t.firstVisible) > MaxTopRow(t))
            SetTop(t, RowAt(t, MaxTopRow(t)), MaxTopRow(t));
        UpdateScrollBar(t);
        t.inLayout = false;
        t.layoutDirty = false;
    }
}

int VisibleCount(const Tree& t) {
    return t.itemHeight > 0 ? t.clientHeight / t.itemHeight : 0;
}

int TopRow(Tree& t) {
    EnsureLayout(t);
    return t.firstVisible ? RowIndex(t, t.firstVisible) : 0;
}

void SetTopRow(Tree& t, int row) {
    EnsureLayout(t);
    if (t.rowCount == 0) return;
    row = std::clamp(row, 0, MaxTopRow(t));
    Item* top = RowAt(t, row);
    if (!top || top == t.firstVisible) return;
    SetTop(t, top, row);
    if (!(t.style & TVS_NOSCROLL)) {
        SCROLLINFO si{};
        si.cbSize = sizeof si;
        si.fMask = SIF_POS;
        si.nPos = row;
        SetScrollInfo(t.hwnd, SB_VERT, &si, t.redraw ? TRUE : FALSE);
    }
    InvalidateAll(t);
}

void ScrollToShow(Tree& t, Item* item) {
    EnsureLayout(t);
    int row = RowIndex(t, item);
    if (row < 0) return;
    int top = TopRow(t);
    int visible = std::max(1, VisibleCount(t));
    if (row < top)
        SetTopRow(t, row);
    else if (row >= top + visible)
        SetTopRow(t, row - visible + 1);
}

void OnVScroll(Tree& t, WPARAM wParam) {
    EnsureLayout(t);
    int rows = t.rowCount;
    int visible = VisibleCount(t);
    if (rows <= visible) return; // no scroll bar: nothing scrolls
    int top = TopRow(t);
    int page = std::max(1, visible);
    switch (LOWORD(wParam)) {
    case SB_LINEUP:
        top -= 1;
        break;
    case SB_LINEDOWN:
        top += 1;
        break;
    case SB_PAGEUP:
        top -= page;
        break;
    case SB_PAGEDOWN:
        top += page;
        break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION:
        top = HIWORD(wParam);
        break;
    case SB_TOP:
        top = 0;
        break;
    case SB_BOTTOM:
        top = rows;
        break;
    default:
        return;
    }
    SetTopRow(t, top);
}

int DefaultItemHeight(Tree& t) {
    // The font's cell, as GetTextMetricsA gives it (tmHeight + tmExternalLeading), read without making
    // the face: a tree that is never drawn never loads the drawing library.
    int cell = 0;
    HDC dc = GetDC(t.hwnd);
    if (dc) {
        HGDIOBJ old = SelectObject(dc, t.font);
        cell = detail::TextCellHeight(dc);
        SelectObject(dc, old);
        ReleaseDC(t.hwnd, dc);
    }
    int height = std::max<int>(16, cell + 3);
    height = std::max(height, static_cast<int>(NormalImageSize(t).cy));
    if (!(t.style & TVS_NONEVENHEIGHT)) height &= ~1;
    return height;
}

void RecomputeItemHeight(Tree& t) {
    if (!t.itemHeightSet) t.itemHeight = DefaultItemHeight(t);
    MarkLayoutDirty(t);
    InvalidateAll(t);
}

HFONT FontFor(Tree& t, const Item* item) {
    if (!(item->state & TVIS_BOLD)) return t.font;
    if (!t.boldFont) {
        LOGFONTA lf{};
        if (GetObjectA(t.font, sizeof lf, &lf) == 0) return t.font;
        lf.lfWeight = FW_BOLD;
        t.boldFont = CreateFontIndirectA(&lf);
        if (!t.boldFont) return t.font;
    }
    return t.boldFont;
}

int TextWidth(Tree& t, Item* item) {
    if (item->textWidth >= 0) return item->textWidth;
    std::string text = ItemText(t, item);
    if (item->dead) return 0;
    SIZE size{};
    HDC dc = GetDC(t.hwnd);
    if (dc) {
        HGDIOBJ old = SelectObject(dc, FontFor(t, item));
        GetTextExtentPoint32A(dc, text.data(), static_cast<int>(text.size()), &size);
        SelectObject(dc, old);
        ReleaseDC(t.hwnd, dc);
    }
    item->textWidth = size.cx;
    return item->textWidth;
}

void InvalidateWidths(Tree& t) {
    for (auto& [handle, item] : t.items)
        item->textWidth = -1;
}

bool LinesAtRoot(const Tree& t) {
    return (t.style & TVS_LINESATROOT) && (t.style & (TVS_HASLINES | TVS_HASBUTTONS));
}

SIZE NormalImageSize(const Tree& t) {
    int cx = 0, cy = 0;
    if (t.normalImages) ImageList_GetIconSize(t.normalImages, &cx, &cy);
    return SIZE{cx, cy};
}

int StateImageWidth(const Tree& t, const Item* item) {
    if (!t.stateImages || !(item->state & TVIS_STATEIMAGEMASK)) return 0;
    int cx = 0, cy = 0;
    ImageList_GetIconSize(t.stateImages, &cx, &cy);
    return cx;
}

bool RowOf(Tree& t, Item* item, RowGeometry* g) {
    EnsureLayout(t);
    int row = item ? RowIndex(t, item) : -1;
    if (row < 0) return false;
    g->top = (row - TopRow(t)) * t.itemHeight;
    g->bottom = g->top + t.itemHeight;
    g->linesLeft = t.indent * (LinesAtRoot(t) ? item->level : item->level - 1);
    g->stateLeft = g->linesLeft + t.indent;
    g->imageLeft = g->stateLeft + StateImageWidth(t, item);
    g->textLeft = g->imageLeft + NormalImageSize(t).cx;
    g->labelRight = g->textLeft + TextWidth(t, item) + 2 * kLabelMargin;
    return !item->dead;
}

BOOL GetItemRectMessage(Tree& t, BOOL textOnly, RECT* rc) {
    if (!rc) return FALSE;
    HTREEITEM h = nullptr;
    static_assert(sizeof(RECT) >= sizeof(HTREEITEM), "the item handle travels inside the RECT");
    std::memcpy(&h, rc, sizeof h);
    Item* item = Resolve(t, h);
    RowGeometry g;
    if (!item || !RowOf(t, item, &g)) return FALSE;
    if (textOnly)
        *rc = RECT{g.textLeft, g.top, g.labelRight, g.bottom};
    else
        *rc = RECT{0, g.top, t.clientWidth, g.bottom};
    return TRUE;
}

HTREEITEM HitTest(Tree& t, TVHITTESTINFO* info) {
    if (!info) return nullptr;
    EnsureLayout(t);
    POINT pt = info->pt;
    info->flags = 0;
    info->hItem = nullptr;
    if (pt.x < 0) info->flags |= TVHT_TOLEFT;
    if (pt.x >= t.clientWidth) info->flags |= TVHT_TORIGHT;
    if (pt.y < 0) info->flags |= TVHT_ABOVE;
    if (pt.y >= t.clientHeight) info->flags |= TVHT_BELOW;
    if (info->flags) return nullptr;

    int row = t.itemHeight > 0 ? TopRow(t) + pt.y / t.itemHeight : -1;
    Item* item = RowAt(t, row);
    if (!item) {
        info->flags = TVHT_NOWHERE;
        return nullptr;
    }
    RowGeometry g;
    if (!RowOf(t, item, &g)) {
        info->flags = TVHT_NOWHERE;
        return nullptr;
    }
    int x = pt.x;
    if (x >= g.labelRight)
        info->flags = TVHT_ONITEMRIGHT;
    else if (x >= g.textLeft)
        info->flags = TVHT_ONITEMLABEL;
    else if (x >= g.imageLeft)
        info->flags = TVHT_ONITEMICON;
    else if (x >= g.stateLeft)
        info->flags = TVHT_ONITEMSTATEICON;
    else if (x >= g.linesLeft && (t.style & TVS_HASBUTTONS) && HasChildren(t, item))
        info->flags = TVHT_ONITEMBUTTON; // a childless item's button column is indent, as on the platform
    else
        info->flags = TVHT_ONITEMINDENT;
    if (item->dead) {
        info->flags = TVHT_NOWHERE;
        return nullptr;
    }
    info->hItem = item->handle;
    return item->handle;
}

void InvalidateAll(Tree& t) {
    if (t.redraw && !t.destroyed) InvalidateRect(t.hwnd, nullptr, TRUE);
}

void InvalidateItem(Tree& t, Item* item) {
    if (!t.redraw || t.destroyed || !item || item->dead) return;
    if (t.layoutDirty || t.inLayout) {
        InvalidateAll(t);
        return;
    }
    if (!Shown(t, item) || t.itemHeight <= 0) return;
    // Only a row on the screen has anything to invalidate: walk the screen's rows from the top.
    Item* shown = t.firstVisible;
    for (int k = 0; shown && k <= t.clientHeight / t.itemHeight; ++k, shown = NextRow(t, shown)) {
        if (shown != item) continue;
        int top = k * t.itemHeight;
        RECT rc{0, top, t.clientWidth, top + t.itemHeight};
        InvalidateRect(t.hwnd, &rc, TRUE);
        return;
    }
}

} // namespace plat::detail::tv
