// GDI objects behind the handles: brushes, pens, fonts, bitmaps and device contexts.
//
// Handles are keys into one table (never raw pointers), so a stale or foreign handle is refused
// instead of dereferenced. An object selected into a DC (or kept in one of its saved states) cannot be
// deleted; stock objects are never deleted.
#pragma once

#include "plat/draw.h"

#include <memory>
#include <vector>

namespace plat::detail {

enum class GdiKind { Pen = OBJ_PEN, Brush = OBJ_BRUSH, Dc = OBJ_DC, Font = OBJ_FONT, Bitmap = OBJ_BITMAP };

struct GdiObject {
    explicit GdiObject(GdiKind k) : kind(k) {}
    virtual ~GdiObject() = default;
    GdiKind kind;
    bool stock = false;
    int selections = 0; // references from DC states (current and saved)
};

struct BrushObject : GdiObject {
    BrushObject() : GdiObject(GdiKind::Brush) {}
    UINT style = BS_SOLID;
    COLORREF color = 0;
};

struct PenObject : GdiObject {
    PenObject() : GdiObject(GdiKind::Pen) {}
    int style = PS_SOLID;
    int width = 1;
    COLORREF color = 0;
};

struct FontObject : GdiObject {
    FontObject() : GdiObject(GdiKind::Font) {}
    LOGFONTA lf{};
};

struct BitmapObject : GdiObject {
    BitmapObject() : GdiObject(GdiKind::Bitmap) {}
    int bitsPixel = 24; // 1 for monochrome bitmaps: their pixels stay black or white
    Image image;
    HDC selectedInto = nullptr;
};

struct DcState {
    HFONT font = nullptr;
    HBRUSH brush = nullptr;
    HPEN pen = nullptr;
    HBITMAP bitmap = nullptr; // memory DCs only
    COLORREF textColor = 0x000000;
    COLORREF bkColor = 0xFFFFFF;
    int bkMode = OPAQUE;
    UINT textAlign = TA_LEFT | TA_TOP;
    POINT current{};     // current position (logical)
    POINT viewportOrg{}; // device = logical - windowOrg + viewportOrg
    POINT windowOrg{};
    RECT clip{}; // device coordinates
};

enum class DcType { Window, Memory, Screen };

struct DcObject : GdiObject {
    DcObject() : GdiObject(GdiKind::Dc) {}
    DcType type = DcType::Memory;
    HWND hwnd = nullptr;
    DcState state;
    std::vector<DcState> saved;
    Drawing record;
};

// ---- the handle table ----
GdiObject* Lookup(HGDIOBJ h);
template <class T> T* LookupAs(HGDIOBJ h, GdiKind kind) {
    GdiObject* o = Lookup(h);
    return o && o->kind == kind ? static_cast<T*>(o) : nullptr;
}
inline DcObject* LookupDc(HDC h) {
    return LookupAs<DcObject>(h, GdiKind::Dc);
}
inline BitmapObject* LookupBitmap(HBITMAP h) {
    return LookupAs<BitmapObject>(h, GdiKind::Bitmap);
}
inline FontObject* LookupFont(HFONT h) {
    return LookupAs<FontObject>(h, GdiKind::Font);
}
inline BrushObject* LookupBrush(HBRUSH h) {
    return LookupAs<BrushObject>(h, GdiKind::Brush);
}
inline PenObject* LookupPen(HPEN h) {
    return LookupAs<PenObject>(h, GdiKind::Pen);
}

HGDIOBJ Insert(std::unique_ptr<GdiObject> object);
void Erase(HGDIOBJ h);
HGDIOBJ Stock(int which); // stock object by GetStockObject index
HBITMAP DefaultBitmap();  // the 1x1 monochrome bitmap every memory DC starts with
size_t CountNonStock();

HBITMAP NewBitmap(int width, int height, int bitsPixel);

// ---- rectangle helpers (kept here so drawing does not depend on the window core) ----
inline bool Contains(const RECT& r, POINT p) {
    return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom;
}
inline bool IsEmpty(const RECT& r) {
    return r.right <= r.left || r.bottom <= r.top;
}
inline RECT Intersect(const RECT& a, const RECT& b) {
    RECT r{a.left > b.left ? a.left : b.left, a.top > b.top ? a.top : b.top,
           a.right < b.right ? a.right : b.right, a.bottom < b.bottom ? a.bottom : b.bottom};
    return IsEmpty(r) ? RECT{0, 0, 0, 0} : r;
}

// ---- DC helpers ----
// Adds (delta = +1) or drops (-1) the references a DC state holds on its objects.
void RefState(const DcState& s, int delta);
POINT ToDevice(const DcObject& dc, int x, int y);
RECT ToDevice(const DcObject& dc, const RECT& r);
// The font selected in the DC (falls back to the system font for a bad handle).
LOGFONTA SelectedFont(const DcObject& dc);
// Records an operation and, on a memory DC with a real bitmap, paints it into the bitmap.
void Record(DcObject& dc, DrawOp op);
// Resolves a brush handle (including (HBRUSH)(COLOR_xxx + 1) system-colour values) to its colour;
// false for a null or hollow brush.
bool BrushColor(HBRUSH hbr, COLORREF* color);

} // namespace plat::detail
