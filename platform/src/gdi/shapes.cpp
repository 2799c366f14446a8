// Rectangles, lines, pattern and bit-block transfers, and single pixels.
#include "gdi/gdi_objects.h"
#include "render/raster.h"

#include <algorithm>
#include <memory>

using namespace plat;
using namespace plat::detail;

namespace {

DrawOp NewOp(const DcObject& dc, DrawKind kind) {
    DrawOp op;
    op.kind = kind;
    op.clip = dc.state.clip;
    return op;
}

RECT Normalized(RECT r) {
    if (r.right < r.left) std::swap(r.left, r.right);
    if (r.bottom < r.top) std::swap(r.top, r.bottom);
    return r;
}

bool IsMonochrome(const DcObject& dc) {
    if (dc.type != DcType::Memory) return false;
    BitmapObject* b = LookupBitmap(dc.state.bitmap);
    return b && b->bitsPixel == 1;
}

bool UsesSource(DWORD rop) {
    return rop != BLACKNESS && rop != WHITENESS && rop != DSTINVERT && rop != PATCOPY && rop != PATINVERT;
}

bool UsesPattern(DWORD rop) {
    return rop == PATCOPY || rop == PATINVERT;
}

// What a DC shows so far: the bitmap of a memory DC, or the recorded drawing of any other DC painted
// on white.
Image Surface(const DcObject& dc) {
    if (dc.type == DcType::Memory) {
        BitmapObject* b = LookupBitmap(dc.state.bitmap);
        return b ? b->image : Image{};
    }
    Image img;
    img.width = std::max(0, static_cast<int>(dc.record.size.cx));
    img.height = std::max(0, static_cast<int>(dc.record.size.cy));
    img.xrgb.assign(static_cast<size_t>(img.width) * static_cast<size_t>(img.height), 0xFFFFFFu);
    for (const DrawOp& op : dc.record.ops)
        PaintOp(img, op);
    return img;
}

} // namespace

extern "C" {

int FillRect(HDC hDC, const RECT* lprc, HBRUSH hbr) {
    DcObject* dc = LookupDc(hDC);
    if (!dc || !lprc) return 0;
    COLORREF color = 0;
    if (!BrushColor(hbr, &color)) return LookupBrush(hbr) ? 1 : 0; // a hollow brush paints nothing
    RECT r = ToDevice(*dc, *lprc);
    if (r.right <= r.left || r.bottom <= r.top) return 1;
    DrawOp op = NewOp(*dc, DrawKind::Fill);
    op.rect = r;
    op.color = color;
    op.rop = PATCOPY;
    Record(*dc, std::move(op));
    return 1;
}

int FrameRect(HDC hDC, const RECT* lprc, HBRUSH hbr) {
    DcObject* dc = LookupDc(hDC);
    if (!dc || !lprc) return 0;
    COLORREF color = 0;
    if (!BrushColor(hbr, &color)) return LookupBrush(hbr) ? 1 : 0;
    RECT r = ToDevice(*dc, *lprc);
    if (r.right <= r.left || r.bottom <= r.top) return 1;
    DrawOp op = NewOp(*dc, DrawKind::Frame);
    op.rect = r;
    op.color = color;
    Record(*dc, std::move(op));
    return 1;
}

BOOL Rectangle(HDC hdc, int left, int top, int right, int bottom) {
    DcObject* dc = LookupDc(hdc);
    if (!dc) return FALSE;
    RECT r = Normalized(ToDevice(*dc, RECT{left, top, right, bottom}));
    PenObject* pen = LookupPen(dc->state.pen);
    bool hasPen = pen && pen->style != PS_NULL;
    COLORREF fill = 0;
    if (BrushColor(dc->state.brush, &fill)) {
        // Without a pen the interior loses its right and bottom edge.
        RECT inner = hasPen ? r : RECT{r.left, r.top, r.right - 1, r.bottom - 1};
        if (inner.right > inner.left && inner.bottom > inner.top) {
            DrawOp op = NewOp(*dc, DrawKind::Fill);
            op.rect = inner;
            op.color = fill;
            op.rop = PATCOPY;
            Record(*dc, std::move(op));
        }
    }
    if (hasPen && r.right > r.left && r.bottom > r.top) {
        DrawOp op = NewOp(*dc, DrawKind::Frame);
        op.rect = r;
        op.color = pen->color;
        op.penWidth = pen->width;
        op.penStyle = pen->style;
        Record(*dc, std::move(op));
    }
    return TRUE;
}

BOOL MoveToEx(HDC hdc, int x, int y, LPPOINT lppt) {
    DcObject* dc = LookupDc(hdc);
    if (!dc) return FALSE;
    if (lppt) *lppt = dc->state.current;
    dc->state.current = POINT{x, y};
    return TRUE;
}

BOOL LineTo(HDC hdc, int x, int y) {
    DcObject* dc = LookupDc(hdc);
    if (!dc) return FALSE;
    PenObject* pen = LookupPen(dc->state.pen);
    if (pen && pen->style != PS_NULL) {
        DrawOp op = NewOp(*dc, DrawKind::Line);
        op.from = ToDevice(*dc, dc->state.current.x, dc->state.current.y);
        op.to = ToDevice(*dc, x, y);
        op.rect = Normalized(RECT{op.from.x, op.from.y, op.to.x, op.to.y});
        op.color = pen->color;
        op.penWidth = pen->width;
        op.penStyle = pen->style;
        Record(*dc, std::move(op));
    }
    dc->state.current = POINT{x, y};
    return TRUE;
}

BOOL PatBlt(HDC hdc, int x, int y, int w, int h, DWORD rop) {
    DcObject* dc = LookupDc(hdc);
    if (!dc) return FALSE;
    if (UsesSource(rop)) return FALSE;
    COLORREF color = 0;
    if (UsesPattern(rop) && !BrushColor(dc->state.brush, &color)) return TRUE; // hollow brush
    RECT r = Normalized(ToDevice(*dc, RECT{x, y, x + w, y + h}));
    if (r.right == r.left || r.bottom == r.top) return TRUE;
    DrawOp op = NewOp(*dc, DrawKind::Fill);
    op.rect = r;
    op.color = color;
    op.rop = rop;
    Record(*dc, std::move(op));
    return TRUE;
}

BOOL BitBlt(HDC hdc, int x, int y, int cx, int cy, HDC hdcSrc, int x1, int y1, DWORD rop) {
    DcObject* dst = LookupDc(hdc);
    if (!dst) return FALSE;
    if (!UsesSource(rop)) return PatBlt(hdc, x, y, cx, cy, rop);
    DcObject* src = LookupDc(hdcSrc);
    if (!src || cx <= 0 || cy <= 0) return src ? TRUE : FALSE;

    Image surface = Surface(*src);
    POINT from = ToDevice(*src, x1, y1);
    auto snapshot = std::make_shared<Image>();
    snapshot->width = cx;
    snapshot->height = cy;
    snapshot->xrgb.assign(static_cast<size_t>(cx) * static_cast<size_t>(cy), 0);
    bool srcMono = IsMonochrome(*src), dstMono = IsMonochrome(*dst);
    uint32_t srcBk = ToXrgb(src->state.bkColor);
    for (int yy = 0; yy < cy; ++yy) {
        for (int xx = 0; xx < cx; ++xx) {
            int sx = from.x + xx, sy = from.y + yy;
            uint32_t p = 0;
            if (sx >= 0 && sy >= 0 && sx < surface.width && sy < surface.height)
                p = surface.xrgb[static_cast<size_t>(sy) * static_cast<size_t>(surface.width) +
                                 static_cast<size_t>(sx)];
            // Colour to monochrome: the source background colour becomes white, everything else black.
            // Monochrome to colour: white takes the destination's background colour, black its text colour.
            if (dstMono && !srcMono)
                p = p == srcBk ? 0xFFFFFFu : 0u;
            else if (srcMono && !dstMono)
                p = p ? ToXrgb(dst->state.bkColor) : ToXrgb(dst->state.textColor);
            snapshot->xrgb[static_cast<size_t>(yy) * static_cast<size_t>(cx) + static_cast<size_t>(xx)] = p;
        }
    }
    DrawOp op = NewOp(*dst, DrawKind::Blit);
    POINT to = ToDevice(*dst, x, y);
    op.rect = RECT{to.x, to.y, to.x + cx, to.y + cy};
    op.rop = rop;
    COLORREF brush = 0;
    if (BrushColor(dst->state.brush, &brush)) op.color = brush;
    op.image = std::move(snapshot);
    Record(*dst, std::move(op));
    return TRUE;
}

COLORREF SetPixel(HDC hdc, int x, int y, COLORREF color) {
    DcObject* dc = LookupDc(hdc);
    if (!dc) return CLR_INVALID;
    POINT p = ToDevice(*dc, x, y);
    if (!Contains(dc->state.clip, p)) return CLR_INVALID;
    if (dc->type == DcType::Memory && LookupBitmap(dc->state.bitmap)->image.ColorAt(p.x, p.y) == CLR_INVALID)
        return CLR_INVALID;
    DrawOp op = NewOp(*dc, DrawKind::Fill);
    op.rect = RECT{p.x, p.y, p.x + 1, p.y + 1};
    op.color = color & 0xFFFFFF;
    op.rop = PATCOPY;
    Record(*dc, std::move(op));
    if (IsMonochrome(*dc)) return GetPixel(hdc, x, y);
    return color & 0xFFFFFF;
}

COLORREF GetPixel(HDC hdc, int x, int y) {
    DcObject* dc = LookupDc(hdc);
    if (!dc) return CLR_INVALID;
    POINT p = ToDevice(*dc, x, y);
    if (!Contains(dc->state.clip, p)) return CLR_INVALID;
    if (dc->type == DcType::Memory) {
        BitmapObject* b = LookupBitmap(dc->state.bitmap);
        return b ? b->image.ColorAt(p.x, p.y) : CLR_INVALID;
    }
    return Surface(*dc).ColorAt(p.x, p.y);
}

} // extern "C"
