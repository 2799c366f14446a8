// Painting with the platform's custom-draw stages (PREPAINT, ITEMPREPAINT, ITEMPOSTPAINT, POSTPAINT;
// never erase or sub-item stages), and the drag image of an item.
#include "treeview/tree.h"

#include <algorithm>

namespace plat::detail::tv {

namespace {

COLORREF LineColor(const Tree& t) {
    return t.lineColor == CLR_DEFAULT || t.lineColor == CLR_NONE ? GetSysColor(COLOR_GRAYTEXT) : t.lineColor;
}

void FillSolid(HDC dc, const RECT& rc, COLORREF color) {
    HBRUSH brush = CreateSolidBrush(color);
    FillRect(dc, &rc, brush);
    DeleteObject(brush);
}

void Line(HDC dc, int x1, int y1, int x2, int y2) {
    MoveToEx(dc, x1, y1, nullptr);
    LineTo(dc, x2, y2);
}

// Connecting lines of one row: to the parent's column, down to the next sibling, and the vertical
// runs of every ancestor that has a sibling below.
void DrawLines(Tree& t, HDC dc, Item* item, const RowGeometry& g) {
    bool lar = LinesAtRoot(t);
    if (!(t.style & TVS_HASLINES) || (!lar && item->level == 0)) return;
    HPEN pen = CreatePen(PS_DOT, 1, LineColor(t));
    HGDIOBJ old = SelectObject(dc, pen);
    int cx = g.linesLeft + t.indent / 2;
    int cy = (g.top + g.bottom) / 2;
    bool firstOfAll = item->parent == &t.root && !item->prev;
    Line(dc, cx, firstOfAll ? cy : g.top, cx, item->next ? g.bottom : cy + 1);
    Line(dc, cx, cy, g.stateLeft, cy);
    int x = cx;
    for (Item* p = item->parent; p && p != &t.root; p = p->parent) {
        x -= t.indent;
        if (!lar && p->level == 0) break;
        if (p->next) Line(dc, x, g.top, x, g.bottom);
    }
    SelectObject(dc, old);
    DeleteObject(pen);
}

void DrawButton(Tree& t, HDC dc, Item* item, const RowGeometry& g) {
    if (!(t.style & TVS_HASBUTTONS) || (!LinesAtRoot(t) && item->level == 0) || !HasChildren(t, item)) return;
    int cx = g.linesLeft + t.indent / 2;
    int cy = (g.top + g.bottom) / 2;
    RECT box{cx - 4, cy - 4, cx + 5, cy + 5};
    FillSolid(dc, box, EffectiveBkColor(t));
    HBRUSH frame = CreateSolidBrush(LineColor(t));
    FrameRect(dc, &box, frame);
    DeleteObject(frame);
    HPEN pen = CreatePen(PS_SOLID, 1, EffectiveTextColor(t));
    HGDIOBJ old = SelectObject(dc, pen);
    Line(dc, cx - 2, cy, cx + 3, cy);
    if (!(item->state & TVIS_EXPANDED)) Line(dc, cx, cy - 2, cx, cy + 3);
    SelectObject(dc, old);
    DeleteObject(pen);
}

void DrawImages(Tree& t, HDC dc, Item* item, const RowGeometry& g) {
    int height = g.bottom - g.top;
    UINT stateIndex = (item->state & TVIS_STATEIMAGEMASK) >> 12;
    if (t.stateImages && stateIndex) {
        int cx = 0, cy = 0;
        ImageList_GetIconSize(t.stateImages, &cx, &cy);
        ImageList_Draw(t.stateImages, static_cast<int>(stateIndex), dc, g.stateLeft,
                       g.top + (height - cy) / 2, ILD_NORMAL);
    }
    if (!t.normalImages) return;
    int index = ItemImage(t, item, (item->state & TVIS_SELECTED) != 0);
    if (item->dead || index < 0) return;
    SIZE size = NormalImageSize(t);
    UINT style = ILD_TRANSPARENT | (item->state & TVIS_OVERLAYMASK);
    if (item->state & (TVIS_CUT | TVIS_DROPHILITED)) style |= ILD_SELECTED;
    ImageList_Draw(t.normalImages, index, dc, g.imageLeft, g.top + (height - size.cy) / 2, style);
}

void DrawInsertMark(Tree& t, HDC dc) {
    RowGeometry g;
    if (!t.insertMark || !RowOf(t, t.insertMark, &g)) return;
    COLORREF color = t.insertMarkColor == CLR_DEFAULT || t.insertMarkColor == CLR_NONE
                         ? GetSysColor(COLOR_WINDOWTEXT)
                         : t.insertMarkColor;
    int y = t.insertMarkAfter ? g.bottom : g.top;
    int left = g.textLeft, right = std::max(g.labelRight, left + 8);
    FillSolid(dc, RECT{left, y - 1, right, y + 1}, color);
    FillSolid(dc, RECT{left, y - 3, left + 2, y + 3}, color);
    FillSolid(dc, RECT{right - 2, y - 3, right, y + 3}, color);
}

// One row: colours offered to the application, its answer, then lines, button, images and label.
void DrawItem(Tree& t, HDC dc, Item* item, LRESULT mode) {
    RowGeometry g;
    if (!RowOf(t, item, &g)) return;
    ItemColors colors = DefaultColors(t, item);
    COLORREF savedText = GetTextColor(dc);
    COLORREF savedBk = GetBkColor(dc);
    HGDIOBJ savedFont = SelectObject(dc, FontFor(t, item));

    NMTVCUSTOMDRAW cd{};
    LRESULT itemMode = CDRF_DODEFAULT;
    if (mode & CDRF_NOTIFYITEMDRAW) {
        cd.nmcd.dwDrawStage = CDDS_ITEMPREPAINT;
        cd.nmcd.hdc = dc;
        cd.nmcd.rc = RECT{0, g.top, t.clientWidth, g.bottom};
        cd.nmcd.dwItemSpec = reinterpret_cast<DWORD_PTR>(item->handle);
        cd.nmcd.uItemState =
            ((item->state & TVIS_SELECTED) ? CDIS_SELECTED : 0) | (item == t.caret ? CDIS_FOCUS : 0);
        cd.nmcd.lItemlParam = item->lParam;
        cd.clrText = colors.text;
        cd.clrTextBk = colors.back;
        cd.iLevel = item->level;
        // The handler finds the item's colours in the device context as well as in the fields.
        SetTextColor(dc, colors.text);
        SetBkColor(dc, colors.back);
        itemMode = Notify(t, NM_CUSTOMDRAW, &cd.nmcd.hdr);
        if (t.destroyed || item->dead || (itemMode & CDRF_SKIPDEFAULT)) {
            if (!t.destroyed) {
                SetTextColor(dc, savedText);
                SetBkColor(dc, savedBk);
                SelectObject(dc, savedFont);
            }
            return;
        }
        colors.text = cd.clrText; // what the handler left is what is drawn, whatever it did to the DC
        colors.back = cd.clrTextBk;
        SetTextColor(dc, colors.text);
        SetBkColor(dc, colors.back);
        RowOf(t, item, &g); // the handler may have scrolled
    }

    int labelRight = g.labelRight;
    std::string text = ItemText(t, item);
    if (t.destroyed || item->dead) return;
    if (itemMode & CDRF_NEWFONT) {
        SIZE size{};
        GetTextExtentPoint32A(dc, text.data(), static_cast<int>(text.size()), &size);
        labelRight = g.textLeft + size.cx + 2 * kLabelMargin;
    }
    DrawLines(t, dc, item, g);
    DrawButton(t, dc, item, g);
    if (!(itemMode & TVCDRF_NOIMAGES)) DrawImages(t, dc, item, g);
    if (t.destroyed || item->dead) return;

    if (item != t.editItem) { // the edit box covers the label while it is edited
        TEXTMETRICA tm{};
        GetTextMetricsA(dc, &tm);
        SetTextColor(dc, colors.text);
        SetBkColor(dc, colors.back);
        RECT box{g.textLeft, g.top, labelRight, g.bottom};
        ExtTextOutA(dc, g.textLeft + kLabelMargin, g.top + (g.bottom - g.top - tm.tmHeight) / 2,
                    ETO_OPAQUE | ETO_CLIPPED, &box, text.data(), static_cast<UINT>(text.size()), nullptr);
    }
    SetTextColor(dc, savedText);
    SetBkColor(dc, savedBk);
    SelectObject(dc, savedFont);

    if ((mode & CDRF_NOTIFYITEMDRAW) && (itemMode & CDRF_NOTIFYPOSTPAINT)) {
        cd.nmcd.dwDrawStage = CDDS_ITEMPOSTPAINT;
        Notify(t, NM_CUSTOMDRAW, &cd.nmcd.hdr);
    }
}

} // namespace

COLORREF EffectiveBkColor(const Tree& t) {
    return t.bkColor == CLR_NONE ? GetSysColor(COLOR_WINDOW) : t.bkColor;
}

COLORREF EffectiveTextColor(const Tree& t) {
    return t.textColor == CLR_NONE ? GetSysColor(COLOR_WINDOWTEXT) : t.textColor;
}

ItemColors DefaultColors(Tree& t, Item* item) {
    bool inFocus = GetFocus() == t.hwnd;
    bool selected = (item->state & TVIS_SELECTED) != 0;
    bool dropped = (item->state & TVIS_DROPHILITED) != 0;
    Item* held = t.rclickItem; // the row a right click is being handled on
    bool highlighted = dropped || (item == held && !selected) ||
                       (selected && (!held || item == held) && (inFocus || (t.style & TVS_SHOWSELALWAYS)));
    if (highlighted) {
        if (dropped || inFocus)
            return ItemColors{GetSysColor(COLOR_HIGHLIGHTTEXT), GetSysColor(COLOR_HIGHLIGHT)};
        return ItemColors{EffectiveTextColor(t), GetSysColor(COLOR_BTNFACE)};
    }
    return ItemColors{EffectiveTextColor(t), EffectiveBkColor(t)};
}

void Paint(Tree& t, HDC given) {
    PAINTSTRUCT ps{};
    HDC dc = given;
    RECT update{0, 0, t.clientWidth, t.clientHeight};
    if (!dc) {
        dc = BeginPaint(t.hwnd, &ps);
        update = ps.rcPaint;
    }
    if (!dc) {
        EndPaint(t.hwnd, &ps);
        return;
    }
    EnsureLayout(t);
    if (t.rclickItem) t.rclickPainted = true;
    HGDIOBJ savedFont = SelectObject(dc, t.font);
    FillSolid(dc, update, EffectiveBkColor(t));

    NMTVCUSTOMDRAW cd{};
    cd.nmcd.dwDrawStage = CDDS_PREPAINT;
    cd.nmcd.hdc = dc;
    cd.nmcd.rc = update;
    cd.clrText = EffectiveTextColor(t);
    cd.clrTextBk = EffectiveBkColor(t);
    LRESULT mode = Notify(t, NM_CUSTOMDRAW, &cd.nmcd.hdr);
    if (!t.destroyed && !(mode & CDRF_SKIPDEFAULT)) {
        int first = TopRow(t);
        for (int i = first; i < t.rowCount && !t.destroyed; ++i) {
            Item* item = RowAt(t, i);
            int top = (i - first) * t.itemHeight;
            if (!item) break;
            if (top >= t.clientHeight || top >= update.bottom) break;
            if (item->dead || top + t.itemHeight <= update.top) continue;
            DrawItem(t, dc, item, mode);
        }
        if (!t.destroyed) DrawInsertMark(t, dc);
        if (!t.destroyed && (mode & CDRF_NOTIFYPOSTPAINT)) {
            cd.nmcd.dwDrawStage = CDDS_POSTPAINT;
            Notify(t, NM_CUSTOMDRAW, &cd.nmcd.hdr);
        }
    }
    SelectObject(dc, savedFont);
    if (!given) EndPaint(t.hwnd, &ps);
}

HIMAGELIST CreateDragImage(Tree& t, Item* item) {
    if (!item) return nullptr;
    SIZE image = NormalImageSize(t);
    std::string text = ItemText(t, item);
    if (item->dead) return nullptr;
    int textWidth = TextWidth(t, item);
    int cx = image.cx + textWidth + 2 * kLabelMargin;
    int cy = std::max<int>(t.itemHeight, image.cy);
    HDC screen = GetDC(nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, cx, cy);
    ReleaseDC(nullptr, screen);
    if (!bitmap) return nullptr;
    HDC mem = CreateCompatibleDC(nullptr);
    HGDIOBJ oldBitmap = SelectObject(mem, bitmap);
    HGDIOBJ oldFont = SelectObject(mem, FontFor(t, item));
    FillSolid(mem, RECT{0, 0, cx, cy}, RGB(255, 255, 255));
    if (t.normalImages) {
        int index = ItemImage(t, item, false);
        if (index >= 0) ImageList_Draw(t.normalImages, index, mem, 0, (cy - image.cy) / 2, ILD_NORMAL);
    }
    TEXTMETRICA tm{};
    GetTextMetricsA(mem, &tm);
    SetTextColor(mem, RGB(0, 0, 0));
    SetBkColor(mem, RGB(255, 255, 255));
    ExtTextOutA(mem, image.cx + kLabelMargin, (cy - tm.tmHeight) / 2, 0, nullptr, text.data(),
                static_cast<UINT>(text.size()), nullptr);
    SelectObject(mem, oldFont);
    SelectObject(mem, oldBitmap);
    DeleteDC(mem);
    HIMAGELIST list = ImageList_Create(cx, cy, ILC_COLOR24 | ILC_MASK, 1, 1);
    if (list && ImageList_AddMasked(list, bitmap, RGB(255, 255, 255)) < 0) {
        ImageList_Destroy(list);
        list = nullptr;
    }
    DeleteObject(bitmap);
    return list;
}

} // namespace plat::detail::tv
