// Pixel painting of drawing operations. Fills, frames, lines, image-list images and blits are painted
// pixel by pixel (exact, as the platform's raster operations are); text goes through cairo with the
// font engine's layout, so the glyphs land where the measured widths say.
#include "render/raster.h"

#include "gdi/font_engine.h"

#include <algorithm>
#include <cairo.h>

extern "C" DWORD GetSysColor(int nIndex) __attribute__((weak));

namespace plat::detail {
namespace {

constexpr uint32_t kWhite = 0xFFFFFF;

// The clip of an operation within the image.
RECT Bounds(const Image& img, const DrawOp& op) {
    RECT r{std::max(0, static_cast<int>(op.clip.left)), std::max(0, static_cast<int>(op.clip.top)),
           std::min(img.width, static_cast<int>(op.clip.right)),
           std::min(img.height, static_cast<int>(op.clip.bottom))};
    if (r.right < r.left) r.right = r.left;
    if (r.bottom < r.top) r.bottom = r.top;
    return r;
}

inline bool Inside(const RECT& r, int x, int y) {
    return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
}

inline uint32_t& Px(Image& img, int x, int y) {
    return img.xrgb[static_cast<size_t>(y) * static_cast<size_t>(img.width) + static_cast<size_t>(x)];
}

void FillArea(Image& img, const RECT& bounds, RECT r, DWORD rop, uint32_t color) {
    r.left = std::max(r.left, bounds.left);
    r.top = std::max(r.top, bounds.top);
    r.right = std::min(r.right, bounds.right);
    r.bottom = std::min(r.bottom, bounds.bottom);
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x)
            Px(img, x, y) = ApplyRop(rop, Px(img, x, y), color, color);
}

uint32_t Mix(uint32_t a, uint32_t b, int bWeightPercent) {
    auto ch = [&](int shift) {
        int ca = static_cast<int>((a >> shift) & 0xFF);
        int cb = static_cast<int>((b >> shift) & 0xFF);
        return static_cast<uint32_t>((ca * (100 - bWeightPercent) + cb * bWeightPercent) / 100) << shift;
    };
    return ch(16) | ch(8) | ch(0);
}

// Dash patterns of cosmetic pens: lengths of on and off runs.
bool PenPixelOn(int style, int step) {
    switch (style) {
    case PS_DOT:
        return step % 2 == 0;
    case PS_DASH:
        return step % 8 < 6;
    case PS_DASHDOT:
        return step % 12 < 6 || step % 12 == 8;
    case PS_DASHDOTDOT:
        return step % 14 < 6 || step % 14 == 8 || step % 14 == 10;
    default:
        return true;
    }
}

void PaintLine(Image& img, const RECT& bounds, const DrawOp& op) {
    if (op.penStyle == PS_NULL) return;
    uint32_t c = ToXrgb(op.color);
    int x0 = op.from.x, y0 = op.from.y, x1 = op.to.x, y1 = op.to.y;
    int dx = std::abs(x1 - x0), dy = -std::abs(y1 - y0);
    int sx = x0 < x1 ? 1 : -1, sy = y0 < y1 ? 1 : -1;
    int err = dx + dy;
    int half = (op.penWidth - 1) / 2;
    // The end point itself is not drawn, as on the platform.
    for (int step = 0; !(x0 == x1 && y0 == y1); ++step) {
        if (PenPixelOn(op.penStyle, step)) {
            for (int py = y0 - half; py < y0 - half + op.penWidth; ++py)
                for (int px = x0 - half; px < x0 - half + op.penWidth; ++px)
                    if (Inside(bounds, px, py)) Px(img, px, py) = c;
        }
        int e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x0 += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y0 += sy;
        }
    }
}

void PaintImageList(Image& img, const RECT& bounds, const DrawOp& op) {
    if (!op.image) return;
    const Image& src = *op.image;
    uint32_t bk = ToXrgb(op.imageBkColor);
    uint32_t highlight = ToXrgb(HighlightColor());
    for (int y = 0; y < src.height; ++y) {
        for (int x = 0; x < src.width; ++x) {
            int dx = op.pos.x + x, dy = op.pos.y + y;
            if (!Inside(bounds, dx, dy)) continue;
            bool transparent = op.masked && src.TransparentAt(x, y);
            if (op.style & ILD_MASK) {
                Px(img, dx, dy) = transparent ? kWhite : 0;
                continue;
            }
            uint32_t c =
                src.xrgb[static_cast<size_t>(y) * static_cast<size_t>(src.width) + static_cast<size_t>(x)];
            if (transparent) {
                if ((op.style & ILD_TRANSPARENT) || op.imageBkColor == CLR_NONE) continue;
                c = bk;
            } else if (op.style & ILD_BLEND50) {
                c = Mix(c, highlight, 50);
            } else if (op.style & ILD_BLEND25) {
                c = Mix(c, highlight, 25);
            }
            Px(img, dx, dy) = c;
        }
    }
}

void PaintBlit(Image& img, const RECT& bounds, const DrawOp& op) {
    uint32_t pattern = ToXrgb(op.color);
    int w = op.rect.right - op.rect.left, h = op.rect.bottom - op.rect.top;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            int dx = op.rect.left + x, dy = op.rect.top + y;
            if (!Inside(bounds, dx, dy)) continue;
            uint32_t s = 0;
            if (op.image && x < op.image->width && y < op.image->height)
                s = op.image->xrgb[static_cast<size_t>(y) * static_cast<size_t>(op.image->width) +
                                   static_cast<size_t>(x)];
            Px(img, dx, dy) = ApplyRop(op.rop, Px(img, dx, dy), s, pattern);
        }
    }
}

void PaintText(Image& img, const RECT& bounds, const DrawOp& op) {
    const FontFace& face = FaceFor(op.font);
    TextLayout layout = LayoutText(face, op.text.data(), op.text.size(), op.codePage);
    const TEXTMETRICA& tm = face.metrics;
    if (op.bkMode == OPAQUE)
        FillArea(img, bounds, RECT{op.pos.x, op.pos.y, op.pos.x + layout.width, op.pos.y + tm.tmHeight},
                 PATCOPY, ToXrgb(op.bkColor));
    if (bounds.right <= bounds.left || bounds.bottom <= bounds.top) return;
    uint32_t color = ToXrgb(op.textColor);
    int baseline = op.pos.y + tm.tmAscent;

    cairo_surface_t* surface =
        cairo_image_surface_create_for_data(reinterpret_cast<unsigned char*>(img.xrgb.data()),
                                            CAIRO_FORMAT_RGB24, img.width, img.height, img.width * 4);
    cairo_t* cr = cairo_create(surface);
    cairo_rectangle(cr, bounds.left, bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top);
    cairo_clip(cr);
    cairo_set_source_rgb(cr, ((color >> 16) & 0xFF) / 255.0, ((color >> 8) & 0xFF) / 255.0,
                         (color & 0xFF) / 255.0);
    cairo_scaled_font_t* fallback = nullptr;
    for (const LaidChar& c : layout.chars) {
        double x = op.pos.x + c.x;
        if (c.face == 0) {
            cairo_set_scaled_font(cr, face.scaled);
            cairo_glyph_t g{c.glyph, x, static_cast<double>(baseline)};
            cairo_show_glyphs(cr, &g, 1);
        } else if (c.face == 1 && (fallback = FallbackFor(face)) != nullptr) {
            cairo_glyph_t g{c.glyph, 0, 0};
            cairo_text_extents_t te;
            cairo_scaled_font_glyph_extents(fallback, &g, 1, &te);
            g.x = x + (c.advance - te.x_advance) / 2;
            g.y = baseline;
            cairo_set_scaled_font(cr, fallback);
            cairo_show_glyphs(cr, &g, 1);
        }
    }
    cairo_destroy(cr);
    cairo_surface_flush(surface);
    cairo_surface_destroy(surface);

    // Characters no installed font has: an empty box in their cell.
    for (const LaidChar& c : layout.chars) {
        if (c.face != -1 || c.advance < 4) continue;
        int l = op.pos.x + c.x + 1, r = op.pos.x + c.x + c.advance - 1;
        int t = op.pos.y + tm.tmInternalLeading + 1, b = baseline;
        FillArea(img, bounds, RECT{l, t, r, t + 1}, PATCOPY, color);
        FillArea(img, bounds, RECT{l, b - 1, r, b}, PATCOPY, color);
        FillArea(img, bounds, RECT{l, t, l + 1, b}, PATCOPY, color);
        FillArea(img, bounds, RECT{r - 1, t, r, b}, PATCOPY, color);
    }
    if (op.font.lfUnderline)
        FillArea(img, bounds, RECT{op.pos.x, baseline + 1, op.pos.x + layout.width, baseline + 2}, PATCOPY,
                 color);
    if (op.font.lfStrikeOut) {
        int y = baseline - tm.tmAscent / 3;
        FillArea(img, bounds, RECT{op.pos.x, y, op.pos.x + layout.width, y + 1}, PATCOPY, color);
    }
    if (op.underline >= 0) {
        for (const LaidChar& c : layout.chars) {
            if (c.offset != static_cast<size_t>(op.underline)) continue;
            int l = op.pos.x + c.x;
            FillArea(img, bounds, RECT{l, baseline + 1, l + c.advance, baseline + 2}, PATCOPY, color);
        }
    }
}

void Threshold(Image& img) {
    for (uint32_t& p : img.xrgb) {
        int lum = static_cast<int>(((p >> 16) & 0xFF) * 30 + ((p >> 8) & 0xFF) * 59 + (p & 0xFF) * 11) / 100;
        p = lum >= 128 ? kWhite : 0;
    }
}

} // namespace

uint32_t ApplyRop(DWORD rop, uint32_t d, uint32_t s, uint32_t p) {
    uint32_t r;
    switch (rop) {
    case SRCCOPY:
        r = s;
        break;
    case SRCPAINT:
        r = d | s;
        break;
    case SRCAND:
        r = d & s;
        break;
    case SRCINVERT:
        r = d ^ s;
        break;
    case SRCERASE:
        r = s & ~d;
        break;
    case NOTSRCCOPY:
        r = ~s;
        break;
    case NOTSRCERASE:
        r = ~(d | s);
        break;
    case MERGEPAINT:
        r = ~s | d;
        break;
    case PATCOPY:
        r = p;
        break;
    case PATINVERT:
        r = d ^ p;
        break;
    case DSTINVERT:
        r = ~d;
        break;
    case BLACKNESS:
        r = 0;
        break;
    case WHITENESS:
        r = kWhite;
        break;
    default:
        r = s;
        break;
    }
    return r & kWhite;
}

COLORREF HighlightColor() {
    constexpr int kColorHighlight = 13;
    return GetSysColor ? (GetSysColor(kColorHighlight) & 0xFFFFFF) : 0xD77800;
}

void PaintOp(Image& target, const DrawOp& op, bool monochrome) {
    if (target.width <= 0 || target.height <= 0) return;
    RECT bounds = Bounds(target, op);
    switch (op.kind) {
    case DrawKind::Fill:
        FillArea(target, bounds, op.rect, op.rop ? op.rop : PATCOPY, ToXrgb(op.color));
        break;
    case DrawKind::Frame: {
        const RECT& r = op.rect;
        int w = std::max(1, op.penWidth);
        uint32_t c = ToXrgb(op.color);
        FillArea(target, bounds, RECT{r.left, r.top, r.right, r.top + w}, PATCOPY, c);
        FillArea(target, bounds, RECT{r.left, r.bottom - w, r.right, r.bottom}, PATCOPY, c);
        FillArea(target, bounds, RECT{r.left, r.top, r.left + w, r.bottom}, PATCOPY, c);
        FillArea(target, bounds, RECT{r.right - w, r.top, r.right, r.bottom}, PATCOPY, c);
        break;
    }
    case DrawKind::Line:
        PaintLine(target, bounds, op);
        break;
    case DrawKind::Text:
        PaintText(target, bounds, op);
        break;
    case DrawKind::ImageList:
        PaintImageList(target, bounds, op);
        break;
    case DrawKind::Blit:
        PaintBlit(target, bounds, op);
        break;
    }
    if (monochrome) Threshold(target);
}

} // namespace plat::detail
