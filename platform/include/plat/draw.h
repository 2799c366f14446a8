// What the drawing part of the platform layer offers beyond the Windows API: the record of what a
// device context drew, the last paint of each window, pixel access to bitmaps and image lists, and the
// font engine's facts for tests.
//
// Every device context records its drawing operations in device coordinates (origins applied). A
// window's DC (GetDC, and so BeginPaint) hands its record to the window on ReleaseDC (EndPaint): that
// record becomes the window's last drawing, unless nothing was drawn (a DC taken only to measure text
// leaves the last paint alone).
#pragma once

#include "win/imagelist.h"
#include "win/wingdi.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace plat {

// A block of pixels: 24-bit colour kept as 0x00RRGGBB words (row-major, top-down) and an optional
// 1-bit mask (one byte per pixel, nonzero = transparent). An empty mask means fully opaque.
struct Image {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> xrgb;
    std::vector<uint8_t> mask;

    COLORREF ColorAt(int x, int y) const;   // as a COLORREF (0x00BBGGRR); CLR_INVALID outside
    bool TransparentAt(int x, int y) const; // true where the mask says so
};

// Converts between COLORREF (0x00BBGGRR) and the 0x00RRGGBB words of Image.
constexpr uint32_t ToXrgb(COLORREF c) {
    return ((c & 0xFFu) << 16) | (c & 0xFF00u) | ((c >> 16) & 0xFFu);
}
constexpr COLORREF FromXrgb(uint32_t p) {
    return ((p >> 16) & 0xFFu) | (p & 0xFF00u) | ((p & 0xFFu) << 16);
}

enum class DrawKind {
    Fill,      // rect filled with color (rop says how: PATCOPY, DSTINVERT, PATINVERT, ...)
    Frame,     // one-pixel (or penWidth) border of rect in color
    Text,      // text drawn with its top-left at pos
    Line,      // from -> to (the end point excluded, as on the platform) in color, penWidth wide
    ImageList, // image imageIndex of imageList drawn at pos with style
    Blit,      // image copied to rect with rop
};

// One recorded operation. Fields that do not apply to an operation's kind keep their defaults.
struct DrawOp {
    DrawKind kind = DrawKind::Fill;
    RECT rect{}; // the area touched: fill/frame/blit rectangle, text cell box, image box
    RECT clip{}; // the clipping rectangle in force (device coordinates)
    COLORREF color = 0;
    DWORD rop = 0;
    int penWidth = 1;
    int penStyle = PS_SOLID; // PS_* of the pen of a line
    POINT from{};
    POINT to{};

    // text
    POINT pos{};      // top-left of the text cell (text and image-list draws)
    std::string text; // bytes in codePage
    UINT codePage = 1252;
    COLORREF textColor = 0;
    COLORREF bkColor = 0;
    int bkMode = OPAQUE;
    LOGFONTA font{}; // the font selected when the text was drawn
    HFONT hfont = nullptr;
    int underline = -1; // byte offset of a character underlined by an '&' prefix, or -1

    // image list
    HIMAGELIST imageList = nullptr;
    int imageIndex = -1;
    UINT style = 0; // ILD_* flags
    COLORREF imageBkColor = CLR_NONE;
    bool masked = false; // the list has a mask (ILC_MASK)

    std::shared_ptr<const Image> image; // image-list image (with mask) or blit source pixels
};

struct Drawing {
    std::vector<DrawOp> ops;
    SIZE size{}; // the client size of the window when the DC was taken (0 for other DCs)

    bool Empty() const { return ops.empty(); }
    // Convenience filters for tests; the pointers point into this drawing.
    std::vector<const DrawOp*> OfKind(DrawKind kind) const;
    const DrawOp* FindText(const std::string& text) const; // first text op with exactly this text
};

// The most recent drawing a window's DC handed over on ReleaseDC (empty if none).
Drawing LastDrawing(HWND hwnd);
void ClearDrawing(HWND hwnd);
void ClearAllDrawings();

// The record of a DC that is still open (empty for an unknown handle).
Drawing DcDrawing(HDC hdc);
void ClearDcDrawing(HDC hdc);

// A copy of a bitmap's pixels (empty image for an unknown handle).
Image BitmapPixels(HBITMAP hbm);
// A copy of one image of an image list, with its mask (empty image when out of range).
Image ImageListPixels(HIMAGELIST himl, int index);

// Live image lists (including the temporary one of an active drag), for leak checks in tests.
size_t ImageListCount();

// The one drag image of the process, as ImageList_BeginDrag/DragEnter/DragMove/DragShowNolock/
// DragLeave/EndDrag leave it. The image's top-left corner is at position - hotspot, in coordinates
// relative to the lock window's rectangle (the screen when lockWindow is null).
struct DragImageInfo {
    bool active = false;           // between BeginDrag and EndDrag
    HIMAGELIST source = nullptr;   // the list BeginDrag took the image from
    int imageIndex = -1;           // the image's index in that list
    HIMAGELIST dragList = nullptr; // the temporary list ImageList_GetDragImage returns
    POINT hotspot{};
    HWND lockWindow = nullptr;
    bool entered = false; // between DragEnter and DragLeave
    POINT position{};
    bool shown = false;
};
DragImageInfo DragImageState();

// Live GDI objects created by the program (stock objects not counted), for leak checks in tests.
size_t GdiObjectCount();

// What the font engine uses: the font file family it resolved for the default GUI font and the
// metrics the layer reports for a LOGFONTA, without a DC.
std::string FontFamilyInUse();
TEXTMETRICA MetricsForFont(const LOGFONTA& lf);
// The family and style names of the font file the engine reads for a LOGFONTA ("DejaVu Sans Bold").
std::string FontFaceInUse(const LOGFONTA& lf);
// The advance width of `text` (bytes in the active code page) in a font: the number that
// GetTextExtentPoint32A reports and the renderer lays out.
int MeasureText(const LOGFONTA& lf, const std::string& text);
// The same for a text in `codePage` (65001: UTF-8), as a text drawing operation of that code page lays it out.
int MeasureText(const LOGFONTA& lf, const std::string& text, UINT codePage);

} // namespace plat
