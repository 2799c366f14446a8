// Text output and measurement: TextOutA, ExtTextOutA, extents and metrics. Widths come from the font
// engine's layout of the DC's font in the active code page.
#include "gdi/font_engine.h"
#include "gdi/text_cell.h"
#include "gdi/text_out.h"
#include "plat/resources.h"

#include <cstdio>
#include <cstring>

namespace plat::detail {

int EmitText(DcObject& dc, POINT at, const std::string& text, bool topLeft, const RECT* clipRect,
             int underline) {
    LOGFONTA lf = SelectedFont(dc);
    const FontFace& face = FaceFor(lf);
    UINT cp = plat::CodePage();
    int width = TextWidth(face, text.data(), text.size(), cp);
    POINT pos = at;
    if (!topLeft) {
        UINT align = dc.state.textAlign;
        if ((align & TA_CENTER) == TA_CENTER)
            pos.x -= width / 2;
        else if (align & TA_RIGHT)
            pos.x -= width;
        if ((align & TA_BASELINE) == TA_BASELINE)
            pos.y -= face.metrics.tmAscent;
        else if (align & TA_BOTTOM)
            pos.y -= face.metrics.tmHeight;
    }
    DrawOp op;
    op.kind = DrawKind::Text;
    op.clip = clipRect ? Intersect(dc.state.clip, *clipRect) : dc.state.clip;
    op.pos = pos;
    op.rect = RECT{pos.x, pos.y, pos.x + width, pos.y + face.metrics.tmHeight};
    op.text = text;
    op.codePage = cp;
    op.textColor = dc.state.textColor;
    op.bkColor = dc.state.bkColor;
    op.bkMode = dc.state.bkMode;
    op.font = lf;
    op.hfont = dc.state.font;
    op.underline = underline;
    Record(dc, std::move(op));
    return width;
}

} // namespace plat::detail

using namespace plat;
using namespace plat::detail;

namespace {

bool TextOutCommon(HDC hdc, int x, int y, LPCSTR s, int c, const RECT* clip) {
    DcObject* dc = LookupDc(hdc);
    if (!dc || c < 0 || (c > 0 && !s)) return false;
    bool updateCp = (dc->state.textAlign & TA_UPDATECP) != 0;
    POINT at = updateCp ? ToDevice(*dc, dc->state.current.x, dc->state.current.y) : ToDevice(*dc, x, y);
    if (c == 0) return true;
    int width = EmitText(*dc, at, std::string(s, static_cast<size_t>(c)), false, clip, -1);
    if (updateCp) dc->state.current.x += width;
    return true;
}

const FontFace* FaceOf(HDC hdc) {
    DcObject* dc = LookupDc(hdc);
    return dc ? &FaceFor(SelectedFont(*dc)) : nullptr;
}

} // namespace

int plat::detail::TextCellHeight(HDC hdc) {
    DcObject* dc = LookupDc(hdc);
    return dc ? CellHeight(SelectedFont(*dc)) : 0;
}

extern "C" {

BOOL TextOutA(HDC hdc, int x, int y, LPCSTR lpString, int c) {
    return TextOutCommon(hdc, x, y, lpString, c, nullptr) ? TRUE : FALSE;
}

BOOL ExtTextOutA(HDC hdc, int x, int y, UINT options, const RECT* lprect, LPCSTR lpString, UINT c,
                 const INT* lpDx) {
    DcObject* dc = LookupDc(hdc);
    if (!dc || c > 0x7FFFFFFF || (c > 0 && !lpString)) return FALSE;
    RECT device{};
    if (lprect) device = ToDevice(*dc, *lprect);
    if ((options & ETO_OPAQUE) && lprect && !IsEmpty(device)) {
        // The rectangle is filled with the background colour whatever the background mode.
        DrawOp fill;
        fill.kind = DrawKind::Fill;
        fill.clip = dc->state.clip;
        fill.rect = device;
        fill.color = dc->state.bkColor;
        fill.rop = PATCOPY;
        Record(*dc, std::move(fill));
    }
    const RECT* clip = (options & ETO_CLIPPED) && lprect ? &device : nullptr;
    return TextOutCommon(hdc, x, y, lpString, static_cast<int>(c), clip) ? TRUE : FALSE;
}

BOOL GetTextExtentPoint32A(HDC hdc, LPCSTR lpString, int c, LPSIZE psizl) {
    const FontFace* face = FaceOf(hdc);
    if (!face || !psizl || c < 0 || (c > 0 && !lpString)) return FALSE;
    psizl->cx = c ? TextWidth(*face, lpString, static_cast<size_t>(c), plat::CodePage()) : 0;
    psizl->cy = face->metrics.tmHeight;
    return TRUE;
}

BOOL GetTextExtentExPointA(HDC hdc, LPCSTR lpszString, int cchString, int nMaxExtent, LPINT lpnFit,
                           LPINT lpnDx, LPSIZE lpSize) {
    const FontFace* face = FaceOf(hdc);
    if (!face || !lpSize || cchString < 0 || (cchString > 0 && !lpszString)) return FALSE;
    TextLayout layout = LayoutText(*face, lpszString, static_cast<size_t>(cchString), plat::CodePage());
    int fit = 0;
    for (const LaidChar& ch : layout.chars) {
        int right = ch.x + ch.advance;
        if (lpnFit && nMaxExtent >= 0 && right > nMaxExtent) break;
        // Partial extents are per byte; the trail byte of a two-byte character repeats its extent.
        for (size_t b = 0; b < ch.length; ++b) {
            if (lpnDx) lpnDx[fit] = right;
            ++fit;
        }
    }
    if (lpnFit) *lpnFit = fit;
    lpSize->cx = layout.width;
    lpSize->cy = face->metrics.tmHeight;
    return TRUE;
}

BOOL GetTextMetricsA(HDC hdc, LPTEXTMETRICA lptm) {
    const FontFace* face = FaceOf(hdc);
    if (!face || !lptm) return FALSE;
    *lptm = face->metrics;
    return TRUE;
}

int GetTextFaceA(HDC hdc, int c, LPSTR lpName) {
    DcObject* dc = LookupDc(hdc);
    if (!dc) return 0;
    LOGFONTA lf = SelectedFont(*dc);
    int len = static_cast<int>(strnlen(lf.lfFaceName, LF_FACESIZE));
    if (!lpName) return len + 1;
    if (c <= 0) return 0;
    int n = len < c - 1 ? len : c - 1;
    std::memcpy(lpName, lf.lfFaceName, static_cast<size_t>(n));
    lpName[n] = '\0';
    return n;
}

} // extern "C"
