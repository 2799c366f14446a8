// The GDI handle table, stock objects, and creation, inspection and deletion of brushes, pens, fonts
// and bitmaps.
#include "gdi/font_engine.h"
#include "gdi/gdi_objects.h"

#include <cstdio>
#include <algorithm>
#include <cstring>
#include <unordered_map>

extern "C" DWORD GetSysColor(int nIndex) __attribute__((weak));

namespace plat::detail {
namespace {

struct Table {
    std::unordered_map<uintptr_t, std::unique_ptr<GdiObject>> objects;
    uintptr_t next = 0x10000;
    std::unordered_map<int, HGDIOBJ> stock;
    HBITMAP defaultBitmap = nullptr;
};

// Kept for the life of the process: objects may be released by static destructors of the program.
Table& T() {
    static Table* table = new Table();
    return *table;
}

HGDIOBJ MakeStock(std::unique_ptr<GdiObject> o) {
    o->stock = true;
    return Insert(std::move(o));
}

std::unique_ptr<GdiObject> SolidBrush(COLORREF c, UINT style = BS_SOLID) {
    auto b = std::make_unique<BrushObject>();
    b->color = c & 0xFFFFFF;
    b->style = style;
    return b;
}

std::unique_ptr<GdiObject> SolidPen(COLORREF c, int style = PS_SOLID) {
    auto p = std::make_unique<PenObject>();
    p->color = c & 0xFFFFFF;
    p->style = style;
    return p;
}

// Bits of CreateBitmap rows are WORD aligned.
int RowBytes(int width, int bitsPixel) {
    return ((width * bitsPixel + 15) / 16) * 2;
}

} // namespace

GdiObject* Lookup(HGDIOBJ h) {
    if (!h) return nullptr;
    auto it = T().objects.find(reinterpret_cast<uintptr_t>(h));
    return it == T().objects.end() ? nullptr : it->second.get();
}

HGDIOBJ Insert(std::unique_ptr<GdiObject> object) {
    Table& t = T();
    uintptr_t key = t.next;
    t.next += 0x10;
    t.objects.emplace(key, std::move(object));
    return reinterpret_cast<HGDIOBJ>(key);
}

void Erase(HGDIOBJ h) {
    T().objects.erase(reinterpret_cast<uintptr_t>(h));
}

HGDIOBJ Stock(int which) {
    Table& t = T();
    auto it = t.stock.find(which);
    if (it != t.stock.end()) return it->second;
    HGDIOBJ h = nullptr;
    switch (which) {
    case WHITE_BRUSH:
        h = MakeStock(SolidBrush(0xFFFFFF));
        break;
    case LTGRAY_BRUSH:
        h = MakeStock(SolidBrush(0xC0C0C0));
        break;
    case GRAY_BRUSH:
        h = MakeStock(SolidBrush(0x808080));
        break;
    case DKGRAY_BRUSH:
        h = MakeStock(SolidBrush(0x404040));
        break;
    case BLACK_BRUSH:
        h = MakeStock(SolidBrush(0x000000));
        break;
    case NULL_BRUSH:
        h = MakeStock(SolidBrush(0, BS_NULL));
        break;
    case WHITE_PEN:
        h = MakeStock(SolidPen(0xFFFFFF));
        break;
    case BLACK_PEN:
        h = MakeStock(SolidPen(0x000000));
        break;
    case NULL_PEN:
        h = MakeStock(SolidPen(0, PS_NULL));
        break;
    case OEM_FIXED_FONT:
    case ANSI_FIXED_FONT:
    case ANSI_VAR_FONT:
    case SYSTEM_FONT:
    case DEVICE_DEFAULT_FONT:
    case SYSTEM_FIXED_FONT:
    case DEFAULT_GUI_FONT: {
        auto f = std::make_unique<FontObject>();
        f->lf = StockFont(which);
        h = MakeStock(std::move(f));
        break;
    }
    default:
        return nullptr;
    }
    t.stock.emplace(which, h);
    return h;
}

HBITMAP DefaultBitmap() {
    Table& t = T();
    if (!t.defaultBitmap) {
        HBITMAP h = NewBitmap(1, 1, 1);
        Lookup(h)->stock = true;
        t.defaultBitmap = h;
    }
    return t.defaultBitmap;
}

size_t CountNonStock() {
    size_t n = 0;
    for (auto& [key, o] : T().objects)
        if (!o->stock && o->kind != GdiKind::Dc) ++n;
    return n;
}

HBITMAP NewBitmap(int width, int height, int bitsPixel) {
    auto b = std::make_unique<BitmapObject>();
    b->bitsPixel = bitsPixel == 1 ? 1 : 24;
    b->image.width = width;
    b->image.height = height;
    b->image.xrgb.assign(static_cast<size_t>(width) * static_cast<size_t>(height), 0);
    return static_cast<HBITMAP>(Insert(std::move(b)));
}

bool BrushColor(HBRUSH hbr, COLORREF* color) {
    uintptr_t v = reinterpret_cast<uintptr_t>(hbr);
    if (v > 0 && v <= 31) {
        // (HBRUSH)(COLOR_xxx + 1): a system colour, as window classes use for their background.
        if (!GetSysColor) return false;
        *color = GetSysColor(static_cast<int>(v - 1)) & 0xFFFFFF;
        return true;
    }
    BrushObject* b = LookupBrush(hbr);
    if (!b || b->style == BS_NULL) return false;
    *color = b->color;
    return true;
}

} // namespace plat::detail

using namespace plat;
using namespace plat::detail;

extern "C" {

HGDIOBJ GetStockObject(int i) {
    return Stock(i);
}

BOOL DeleteObject(HGDIOBJ ho) {
    GdiObject* o = Lookup(ho);
    if (!o || o->kind == GdiKind::Dc) return FALSE;
    if (o->stock) return TRUE; // harmless, and nothing happens
    if (o->selections > 0) return FALSE;
    Erase(ho);
    return TRUE;
}

DWORD GetObjectType(HGDIOBJ h) {
    GdiObject* o = Lookup(h);
    if (!o) return 0;
    if (o->kind == GdiKind::Dc) return static_cast<DcObject*>(o)->type == DcType::Memory ? OBJ_MEMDC : OBJ_DC;
    return static_cast<DWORD>(o->kind);
}

int GetObjectA(HANDLE h, int c, LPVOID pv) {
    GdiObject* o = Lookup(h);
    if (!o) return 0;
    auto give = [&](const void* data, int size) {
        if (!pv) return size;
        if (c <= 0) return 0;
        int n = c < size ? c : size;
        std::memcpy(pv, data, static_cast<size_t>(n));
        return n;
    };
    switch (o->kind) {
    case GdiKind::Font:
        return give(&static_cast<FontObject*>(o)->lf, sizeof(LOGFONTA));
    case GdiKind::Bitmap: {
        auto* b = static_cast<BitmapObject*>(o);
        BITMAP bm{};
        bm.bmType = 0;
        bm.bmWidth = b->image.width;
        bm.bmHeight = b->image.height;
        bm.bmWidthBytes = RowBytes(b->image.width, b->bitsPixel);
        bm.bmPlanes = 1;
        bm.bmBitsPixel = static_cast<WORD>(b->bitsPixel);
        bm.bmBits = nullptr;
        return give(&bm, sizeof bm);
    }
    case GdiKind::Brush: {
        auto* b = static_cast<BrushObject*>(o);
        LOGBRUSH lb{b->style, b->color, 0};
        return give(&lb, sizeof lb);
    }
    case GdiKind::Pen: {
        auto* p = static_cast<PenObject*>(o);
        LOGPEN lp{static_cast<UINT>(p->style), POINT{p->width, 0}, p->color};
        return give(&lp, sizeof lp);
    }
    default:
        return 0;
    }
}

HBRUSH CreateSolidBrush(COLORREF color) {
    return static_cast<HBRUSH>(Insert(SolidBrush(color)));
}

HPEN CreatePen(int iStyle, int cWidth, COLORREF color) {
    if (iStyle < PS_SOLID || iStyle > PS_INSIDEFRAME) return nullptr;
    auto p = std::make_unique<PenObject>();
    p->style = iStyle;
    p->width = cWidth < 1 ? 1 : cWidth;
    p->color = color & 0xFFFFFF;
    return static_cast<HPEN>(Insert(std::move(p)));
}

HFONT CreateFontIndirectA(const LOGFONTA* lplf) {
    if (!lplf) return nullptr;
    auto f = std::make_unique<FontObject>();
    f->lf = *lplf;
    f->lf.lfFaceName[LF_FACESIZE - 1] = '\0';
    return static_cast<HFONT>(Insert(std::move(f)));
}

HFONT CreateFontA(int cHeight, int cWidth, int cEscapement, int cOrientation, int cWeight, DWORD bItalic,
                  DWORD bUnderline, DWORD bStrikeOut, DWORD iCharSet, DWORD iOutPrecision,
                  DWORD iClipPrecision, DWORD iQuality, DWORD iPitchAndFamily, LPCSTR pszFaceName) {
    LOGFONTA lf{};
    lf.lfHeight = cHeight;
    lf.lfWidth = cWidth;
    lf.lfEscapement = cEscapement;
    lf.lfOrientation = cOrientation;
    lf.lfWeight = cWeight;
    lf.lfItalic = static_cast<BYTE>(bItalic ? 1 : 0);
    lf.lfUnderline = static_cast<BYTE>(bUnderline ? 1 : 0);
    lf.lfStrikeOut = static_cast<BYTE>(bStrikeOut ? 1 : 0);
    lf.lfCharSet = static_cast<BYTE>(iCharSet);
    lf.lfOutPrecision = static_cast<BYTE>(iOutPrecision);
    lf.lfClipPrecision = static_cast<BYTE>(iClipPrecision);
    lf.lfQuality = static_cast<BYTE>(iQuality);
    lf.lfPitchAndFamily = static_cast<BYTE>(iPitchAndFamily);
    if (pszFaceName) std::snprintf(lf.lfFaceName, LF_FACESIZE, "%s", pszFaceName);
    return CreateFontIndirectA(&lf);
}

HBITMAP CreateBitmap(int nWidth, int nHeight, UINT nPlanes, UINT nBitCount, const void* lpBits) {
    if (nWidth < 0 || nHeight < 0 || nPlanes != 1) return nullptr;
    if (nBitCount != 1 && nBitCount != 24 && nBitCount != 32) return nullptr;
    if (static_cast<long long>(nWidth) * nHeight > (1LL << 26)) return nullptr;
    if (nWidth == 0 || nHeight == 0) return DefaultBitmap(); // as the platform does
    HBITMAP h = NewBitmap(nWidth, nHeight, static_cast<int>(nBitCount));
    BitmapObject* b = LookupBitmap(h);
    if (nBitCount == 1) {
        // A monochrome bitmap starts black; set bits are white.
        std::fill(b->image.xrgb.begin(), b->image.xrgb.end(), 0u);
    }
    if (!lpBits) return h;
    const auto* bits = static_cast<const BYTE*>(lpBits);
    int row = RowBytes(nWidth, static_cast<int>(nBitCount));
    for (int y = 0; y < nHeight; ++y) {
        const BYTE* line = bits + static_cast<size_t>(y) * static_cast<size_t>(row);
        for (int x = 0; x < nWidth; ++x) {
            uint32_t px = 0;
            if (nBitCount == 1) {
                px = (line[x / 8] & (0x80 >> (x % 8))) ? 0xFFFFFFu : 0u;
            } else {
                const BYTE* p = line + static_cast<size_t>(x) * (nBitCount / 8);
                px = (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[1]) << 8) | p[0];
            }
            b->image.xrgb[static_cast<size_t>(y) * static_cast<size_t>(nWidth) + static_cast<size_t>(x)] =
                px & 0xFFFFFF;
        }
    }
    return h;
}

} // extern "C"

namespace plat {

Image BitmapPixels(HBITMAP hbm) {
    BitmapObject* b = LookupBitmap(hbm);
    return b ? b->image : Image{};
}

size_t GdiObjectCount() {
    return CountNonStock();
}

COLORREF Image::ColorAt(int x, int y) const {
    if (x < 0 || y < 0 || x >= width || y >= height) return CLR_INVALID;
    return FromXrgb(xrgb[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)]);
}

bool Image::TransparentAt(int x, int y) const {
    if (mask.empty() || x < 0 || y < 0 || x >= width || y >= height) return false;
    return mask[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)] != 0;
}

} // namespace plat
