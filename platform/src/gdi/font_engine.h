// The one font engine of the layer: cairo scaled fonts (FreeType faces of the DejaVu files; fontconfig
// finds the others), the metrics GetTextMetricsA reports and the layout of 8-bit text that both
// measuring and rendering use.
#pragma once

#include "win/wingdi.h"

#include <cairo.h>

#include <cstddef>
#include <cstdint>
#include <unordered_map>
#include <string>
#include <vector>

namespace plat::detail {

struct FontFace {
    std::string family; // the DejaVu family the font maps to
    bool bold = false;
    bool italic = false;
    double em = 11; // em size in pixels
    cairo_scaled_font_t* scaled = nullptr;
    TEXTMETRICA metrics{};
    int fullWidth = 11; // advance of a two-byte character

    struct Glyph {
        unsigned long index = 0;
        int advance = 0;
        int face = 0; // 0 = this face, 1 = the fallback face, -1 = no glyph (drawn as a box)
    };
    // Per-character glyph cache: key = code page << 32 | length << 16 | code.
    mutable std::unordered_map<uint64_t, Glyph> glyphs;
};

// The face for a LOGFONTA (created once per distinct family/size/weight/slant and kept).
const FontFace& FaceFor(const LOGFONTA& lf);

// The height of the face's character cell with its external leading (GetTextMetricsA's tmHeight +
// tmExternalLeading), known from the family's design units without making the face: measuring a row
// needs no more, and making a face loads the drawing library.
int CellHeight(const LOGFONTA& lf);

// A face that has East Asian glyphs at the size of `face`, or null when none is installed.
cairo_scaled_font_t* FallbackFor(const FontFace& face);

struct LaidChar {
    size_t offset = 0; // byte offset in the text
    size_t length = 1; // 1 or 2 bytes
    int x = 0;         // left edge relative to the text origin
    int advance = 0;
    unsigned long glyph = 0;
    int face = 0; // as FontFace::Glyph::face
};

struct TextLayout {
    std::vector<LaidChar> chars;
    int width = 0;
};

// Lays out `n` bytes of text in `codePage` on whole-pixel advances.
TextLayout LayoutText(const FontFace& face, const char* text, size_t n, UINT codePage);
int TextWidth(const FontFace& face, const char* text, size_t n, UINT codePage);

// LOGFONTA of the stock fonts.
LOGFONTA StockFont(int which);

} // namespace plat::detail
