// Device contexts: creation and release, the selected objects, colours and modes, origins, clipping,
// saved states, and where the recorded drawing of a window's DC goes when the DC is released.
#include "gdi/gdi_objects.h"
#include "render/raster.h"

#include "win/winuser.h"

#include <algorithm>
#include <climits>
#include <unordered_map>

namespace plat::detail {
namespace {

std::unordered_map<HWND, Drawing>& LastDrawings() {
    static auto* drawings = new std::unordered_map<HWND, Drawing>();
    return *drawings;
}

constexpr RECT kScreenClip{0, 0, SHRT_MAX, SHRT_MAX};

void RefObject(HGDIOBJ h, int delta) {
    if (GdiObject* o = Lookup(h)) o->selections += delta;
}

HDC NewDc(DcType type, HWND hwnd, const RECT& bounds) {
    auto dc = std::make_unique<DcObject>();
    dc->type = type;
    dc->hwnd = hwnd;
    dc->state.font = static_cast<HFONT>(Stock(SYSTEM_FONT)); // as on the platform: not the GUI font
    dc->state.brush = static_cast<HBRUSH>(Stock(WHITE_BRUSH));
    dc->state.pen = static_cast<HPEN>(Stock(BLACK_PEN));
    dc->state.clip = bounds;
    dc->record.size = SIZE{bounds.right - bounds.left, bounds.bottom - bounds.top};
    if (type == DcType::Memory) {
        // A memory DC clips to its bitmap when it paints; its recording is not limited by the clip.
        dc->state.bitmap = DefaultBitmap();
        dc->state.clip = kScreenClip;
        dc->record.size = SIZE{0, 0};
    }
    RefState(dc->state, +1);
    return static_cast<HDC>(Insert(std::move(dc)));
}

void DestroyDc(HDC h) {
    DcObject* dc = LookupDc(h);
    if (!dc) return;
    RefState(dc->state, -1);
    for (const DcState& s : dc->saved)
        RefState(s, -1);
    auto release = [&](HBITMAP bm) {
        BitmapObject* b = LookupBitmap(bm);
        if (b && b->selectedInto == h) b->selectedInto = nullptr;
    };
    release(dc->state.bitmap);
    for (const DcState& s : dc->saved)
        release(s.bitmap);
    Erase(h);
}

RECT BitmapBounds(HBITMAP bm) {
    BitmapObject* b = LookupBitmap(bm);
    return b ? RECT{0, 0, b->image.width, b->image.height} : RECT{0, 0, 1, 1};
}

// Swaps state `next` in for the DC's current one, keeping object references and bitmap ownership right.
void ReplaceState(HDC h, DcObject& dc, const DcState& next) {
    RefState(next, +1);
    RefState(dc.state, -1);
    dc.state = next;
    if (BitmapObject* b = LookupBitmap(next.bitmap); b && !b->stock) b->selectedInto = h;
}

} // namespace

void RefState(const DcState& s, int delta) {
    RefObject(s.font, delta);
    RefObject(s.brush, delta);
    RefObject(s.pen, delta);
    RefObject(s.bitmap, delta);
}

POINT ToDevice(const DcObject& dc, int x, int y) {
    const DcState& s = dc.state;
    return POINT{x - s.windowOrg.x + s.viewportOrg.x, y - s.windowOrg.y + s.viewportOrg.y};
}

RECT ToDevice(const DcObject& dc, const RECT& r) {
    POINT a = ToDevice(dc, r.left, r.top);
    POINT b = ToDevice(dc, r.right, r.bottom);
    return RECT{a.x, a.y, b.x, b.y};
}

LOGFONTA SelectedFont(const DcObject& dc) {
    if (FontObject* f = LookupFont(dc.state.font)) return f->lf;
    return static_cast<FontObject*>(Lookup(Stock(SYSTEM_FONT)))->lf;
}

void Record(DcObject& dc, DrawOp op) {
    if (dc.type == DcType::Memory) {
        BitmapObject* b = LookupBitmap(dc.state.bitmap);
        if (b && !b->stock) PaintOp(b->image, op, b->bitsPixel == 1);
    }
    dc.record.ops.push_back(std::move(op));
}

} // namespace plat::detail

using namespace plat;
using namespace plat::detail;

extern "C" {

HDC GetDC(HWND hWnd) {
    if (!hWnd) return NewDc(DcType::Screen, nullptr, kScreenClip);
    if (!IsWindow(hWnd)) return nullptr;
    RECT client{};
    GetClientRect(hWnd, &client);
    return NewDc(DcType::Window, hWnd, RECT{0, 0, client.right - client.left, client.bottom - client.top});
}

int ReleaseDC(HWND hWnd, HDC hDC) {
    DcObject* dc = LookupDc(hDC);
    if (!dc || dc->type == DcType::Memory || dc->hwnd != hWnd) return 0;
    if (dc->type == DcType::Window && !dc->record.ops.empty()) LastDrawings()[hWnd] = std::move(dc->record);
    DestroyDc(hDC);
    return 1;
}

HDC CreateCompatibleDC(HDC hdc) {
    if (hdc && !LookupDc(hdc)) return nullptr;
    return NewDc(DcType::Memory, nullptr, RECT{0, 0, 1, 1});
}

BOOL DeleteDC(HDC hdc) {
    DcObject* dc = LookupDc(hdc);
    if (!dc) return FALSE;
    if (dc->type == DcType::Window && !dc->record.ops.empty())
        LastDrawings()[dc->hwnd] = std::move(dc->record);
    DestroyDc(hdc);
    return TRUE;
}

HGDIOBJ SelectObject(HDC hdc, HGDIOBJ h) {
    DcObject* dc = LookupDc(hdc);
    GdiObject* o = Lookup(h);
    if (!dc || !o) return nullptr;
    DcState next = dc->state;
    HGDIOBJ old = nullptr;
    switch (o->kind) {
    case GdiKind::Font:
        old = next.font;
        next.font = static_cast<HFONT>(h);
        break;
    case GdiKind::Brush:
        old = next.brush;
        next.brush = static_cast<HBRUSH>(h);
        break;
    case GdiKind::Pen:
        old = next.pen;
        next.pen = static_cast<HPEN>(h);
        break;
    case GdiKind::Bitmap: {
        // Only memory DCs take bitmaps, and a bitmap lives in one DC at a time.
        auto* b = static_cast<BitmapObject*>(o);
        if (dc->type != DcType::Memory) return nullptr;
        if (!b->stock && b->selectedInto && b->selectedInto != hdc && LookupDc(b->selectedInto))
            return nullptr;
        old = next.bitmap;
        next.bitmap = static_cast<HBITMAP>(h);
        break;
    }
    default:
        return nullptr;
    }
    HBITMAP oldBitmap = dc->state.bitmap;
    ReplaceState(hdc, *dc, next);
    if (o->kind == GdiKind::Bitmap && oldBitmap != next.bitmap) {
        bool stillHeld = std::any_of(dc->saved.begin(), dc->saved.end(),
                                     [&](const DcState& s) { return s.bitmap == oldBitmap; });
        BitmapObject* ob = LookupBitmap(oldBitmap);
        if (ob && !stillHeld && ob->selectedInto == hdc) ob->selectedInto = nullptr;
    }
    return old;
}

HGDIOBJ GetCurrentObject(HDC hdc, UINT type) {
    DcObject* dc = LookupDc(hdc);
    if (!dc) return nullptr;
    switch (type) {
    case OBJ_FONT:
        return dc->state.font;
    case OBJ_BRUSH:
        return dc->state.brush;
    case OBJ_PEN:
        return dc->state.pen;
    case OBJ_BITMAP:
        return dc->state.bitmap;
    default:
        return nullptr;
    }
}

HBITMAP CreateCompatibleBitmap(HDC hdc, int cx, int cy) {
    DcObject* dc = LookupDc(hdc);
    if (!dc || cx < 0 || cy < 0) return nullptr;
    if (static_cast<long long>(cx) * cy > (1LL << 26)) return nullptr;
    if (cx == 0 || cy == 0) return DefaultBitmap();
    // A memory DC still holding its default monochrome bitmap makes monochrome bitmaps.
    int bits = 24;
    if (dc->type == DcType::Memory) {
        BitmapObject* b = LookupBitmap(dc->state.bitmap);
        if (b && b->bitsPixel == 1) bits = 1;
    }
    return NewBitmap(cx, cy, bits);
}

int SaveDC(HDC hdc) {
    DcObject* dc = LookupDc(hdc);
    if (!dc) return 0;
    dc->saved.push_back(dc->state);
    RefState(dc->state, +1);
    return static_cast<int>(dc->saved.size());
}

BOOL RestoreDC(HDC hdc, int nSavedDC) {
    DcObject* dc = LookupDc(hdc);
    if (!dc || dc->saved.empty() || nSavedDC == 0) return FALSE;
    int count = static_cast<int>(dc->saved.size());
    int target = nSavedDC < 0 ? count + nSavedDC + 1 : nSavedDC; // 1-based level to return to
    if (target < 1 || target > count) return FALSE;
    DcState next = dc->saved[static_cast<size_t>(target - 1)];
    HBITMAP oldBitmap = dc->state.bitmap;
    ReplaceState(hdc, *dc, next);
    for (int i = count - 1; i >= target - 1; --i) {
        RefState(dc->saved[static_cast<size_t>(i)], -1);
        dc->saved.pop_back();
    }
    if (oldBitmap != dc->state.bitmap) {
        BitmapObject* ob = LookupBitmap(oldBitmap);
        bool stillHeld = std::any_of(dc->saved.begin(), dc->saved.end(),
                                     [&](const DcState& s) { return s.bitmap == oldBitmap; });
        if (ob && !stillHeld && ob->selectedInto == hdc) ob->selectedInto = nullptr;
    }
    return TRUE;
}

int GetDeviceCaps(HDC hdc, int index) {
    DcObject* dc = LookupDc(hdc);
    if (!dc) return 0;
    switch (index) {
    case LOGPIXELSX:
    case LOGPIXELSY:
        return 96;
    case TECHNOLOGY:
        return DT_RASDISPLAY;
    case BITSPIXEL: {
        if (dc->type != DcType::Memory) return 32;
        BitmapObject* b = LookupBitmap(dc->state.bitmap);
        return b && b->bitsPixel == 1 ? 1 : 32;
    }
    case PLANES:
        return 1;
    case NUMCOLORS:
        return -1;
    case RASTERCAPS:
        return RC_BITBLT;
    case HORZRES:
        return dc->record.size.cx > 0 ? dc->record.size.cx : 1024;
    case VERTRES:
        return dc->record.size.cy > 0 ? dc->record.size.cy : 768;
    case HORZSIZE:
        return 271;
    case VERTSIZE:
        return 203;
    default:
        return 0;
    }
}

BOOL SetViewportOrgEx(HDC hdc, int x, int y, LPPOINT lppt) {
    DcObject* dc = LookupDc(hdc);
    if (!dc) return FALSE;
    if (lppt) *lppt = dc->state.viewportOrg;
    dc->state.viewportOrg = POINT{x, y};
    return TRUE;
}

BOOL GetViewportOrgEx(HDC hdc, LPPOINT lppt) {
    DcObject* dc = LookupDc(hdc);
    if (!dc || !lppt) return FALSE;
    *lppt = dc->state.viewportOrg;
    return TRUE;
}

BOOL SetWindowOrgEx(HDC hdc, int x, int y, LPPOINT lppt) {
    DcObject* dc = LookupDc(hdc);
    if (!dc) return FALSE;
    if (lppt) *lppt = dc->state.windowOrg;
    dc->state.windowOrg = POINT{x, y};
    return TRUE;
}

BOOL GetWindowOrgEx(HDC hdc, LPPOINT lppt) {
    DcObject* dc = LookupDc(hdc);
    if (!dc || !lppt) return FALSE;
    *lppt = dc->state.windowOrg;
    return TRUE;
}

int IntersectClipRect(HDC hdc, int left, int top, int right, int bottom) {
    DcObject* dc = LookupDc(hdc);
    if (!dc) return ERROR;
    RECT r = ToDevice(*dc, RECT{left, top, right, bottom});
    dc->state.clip = Intersect(dc->state.clip, r);
    return IsEmpty(dc->state.clip) ? NULLREGION : SIMPLEREGION;
}

int GetClipBox(HDC hdc, LPRECT lprect) {
    DcObject* dc = LookupDc(hdc);
    if (!dc || !lprect) return ERROR;
    // In logical coordinates.
    const DcState& s = dc->state;
    RECT clip = s.clip;
    if (dc->type == DcType::Memory) clip = Intersect(clip, BitmapBounds(s.bitmap));
    LONG dx = s.windowOrg.x - s.viewportOrg.x, dy = s.windowOrg.y - s.viewportOrg.y;
    *lprect = RECT{clip.left + dx, clip.top + dy, clip.right + dx, clip.bottom + dy};
    return IsEmpty(clip) ? NULLREGION : SIMPLEREGION;
}

COLORREF SetTextColor(HDC hdc, COLORREF color) {
    DcObject* dc = LookupDc(hdc);
    if (!dc) return CLR_INVALID;
    COLORREF old = dc->state.textColor;
    dc->state.textColor = color & 0xFFFFFF;
    return old;
}

COLORREF GetTextColor(HDC hdc) {
    DcObject* dc = LookupDc(hdc);
    return dc ? dc->state.textColor : CLR_INVALID;
}

COLORREF SetBkColor(HDC hdc, COLORREF color) {
    DcObject* dc = LookupDc(hdc);
    if (!dc) return CLR_INVALID;
    COLORREF old = dc->state.bkColor;
    dc->state.bkColor = color & 0xFFFFFF;
    return old;
}

COLORREF GetBkColor(HDC hdc) {
    DcObject* dc = LookupDc(hdc);
    return dc ? dc->state.bkColor : CLR_INVALID;
}

int SetBkMode(HDC hdc, int mode) {
    DcObject* dc = LookupDc(hdc);
    if (!dc || (mode != TRANSPARENT && mode != OPAQUE)) return 0;
    int old = dc->state.bkMode;
    dc->state.bkMode = mode;
    return old;
}

int GetBkMode(HDC hdc) {
    DcObject* dc = LookupDc(hdc);
    return dc ? dc->state.bkMode : 0;
}

UINT SetTextAlign(HDC hdc, UINT align) {
    DcObject* dc = LookupDc(hdc);
    if (!dc) return GDI_ERROR;
    UINT old = dc->state.textAlign;
    dc->state.textAlign = align;
    return old;
}

UINT GetTextAlign(HDC hdc) {
    DcObject* dc = LookupDc(hdc);
    return dc ? dc->state.textAlign : GDI_ERROR;
}

} // extern "C"

namespace plat {

Drawing LastDrawing(HWND hwnd) {
    auto it = detail::LastDrawings().find(hwnd);
    return it == detail::LastDrawings().end() ? Drawing{} : it->second;
}

void ClearDrawing(HWND hwnd) {
    detail::LastDrawings().erase(hwnd);
}
void ClearAllDrawings() {
    detail::LastDrawings().clear();
}

Drawing DcDrawing(HDC hdc) {
    DcObject* dc = LookupDc(hdc);
    return dc ? dc->record : Drawing{};
}

void ClearDcDrawing(HDC hdc) {
    if (DcObject* dc = LookupDc(hdc)) dc->record.ops.clear();
}

std::vector<const DrawOp*> Drawing::OfKind(DrawKind kind) const {
    std::vector<const DrawOp*> out;
    for (const DrawOp& op : ops)
        if (op.kind == kind) out.push_back(&op);
    return out;
}

const DrawOp* Drawing::FindText(const std::string& text) const {
    for (const DrawOp& op : ops)
        if (op.kind == DrawKind::Text && op.text == text) return &op;
    return nullptr;
}

} // namespace plat
