// Fonts through cairo: a LOGFONTA maps to one of the DejaVu families, at an em size worked out the
// way the platform reads lfHeight (negative = character height, positive = cell height). The
// families' files are the system's DejaVu ones, opened directly; fontconfig is asked only where those
// are not installed, and for the East Asian fallback. Advances are whole pixels (hinted
// metrics) so that a width measured here is the width the renderer lays out. Two-byte characters
// always advance by a full-width cell, whether or not an installed font has a glyph for them.
#include "gdi/font_engine.h"

#include "gdi/codepage.h"
#include "plat/draw.h"
#include "plat/resources.h"

#include <cairo-ft.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <tuple>

namespace plat::detail {
namespace {

constexpr const char* kSans = "DejaVu Sans";
constexpr const char* kSerif = "DejaVu Serif";
constexpr const char* kMono = "DejaVu Sans Mono";

std::string Lower(const char* s, size_t max) {
    std::string out;
    for (size_t i = 0; i < max && s[i]; ++i)
        out.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(s[i]))));
    return out;
}

const char* FamilyFor(const LOGFONTA& lf) {
    std::string name = Lower(lf.lfFaceName, LF_FACESIZE);
    auto has = [&](const char* part) { return name.find(part) != std::string::npos; };
    if (has("mono") || has("courier") || has("fixed") || has("terminal") || has("console") || has("consolas"))
        return kMono;
    if (has("serif") && !has("sans")) return kSerif;
    if (has("times") || has("roman") || has("georgia")) return kSerif;
    if (name.empty() || name == "system") {
        if ((lf.lfPitchAndFamily & 0x3) == FIXED_PITCH || (lf.lfPitchAndFamily & 0xF0) == FF_MODERN)
            return kMono;
        if ((lf.lfPitchAndFamily & 0xF0) == FF_ROMAN) return kSerif;
    }
    return kSans;
}

cairo_font_options_t* Options() {
    static cairo_font_options_t* options = [] {
        cairo_font_options_t* o = cairo_font_options_create();
        cairo_font_options_set_hint_metrics(o, CAIRO_HINT_METRICS_ON);
        cairo_font_options_set_hint_style(o, CAIRO_HINT_STYLE_NONE);
        cairo_font_options_set_antialias(o, CAIRO_ANTIALIAS_GRAY);
        cairo_font_options_set_subpixel_order(o, CAIRO_SUBPIXEL_ORDER_DEFAULT);
        return o;
    }();
    return options;
}

// Where Debian puts the DejaVu files: fonts-dejavu-core the upright styles, fonts-dejavu-extra the
// slanted ones (without it, fontconfig finds the upright file and cairo slants it, as before).
constexpr const char* kDejaVuFolder = "/usr/share/fonts/truetype/dejavu/";

// The file of a DejaVu family's style (the one fontconfig matches to it), or null for another family.
const char* DejaVuFile(const std::string& family, bool bold, bool italic) {
    static const struct {
        const char* family;
        const char* files[4]; // regular, bold, italic, bold italic
    } kFiles[] = {
        {kSans,
         {"DejaVuSans.ttf", "DejaVuSans-Bold.ttf", "DejaVuSans-Oblique.ttf", "DejaVuSans-BoldOblique.ttf"}},
        {kSerif,
         {"DejaVuSerif.ttf", "DejaVuSerif-Bold.ttf", "DejaVuSerif-Italic.ttf", "DejaVuSerif-BoldItalic.ttf"}},
        {kMono,
         {"DejaVuSansMono.ttf", "DejaVuSansMono-Bold.ttf", "DejaVuSansMono-Oblique.ttf",
          "DejaVuSansMono-BoldOblique.ttf"}},
    };
    for (const auto& f : kFiles)
        if (family == f.family) return f.files[(bold ? 1 : 0) + (italic ? 2 : 0)];
    return nullptr;
}

// The FreeType face of a DejaVu family's style read from its file, or null (remembered) when the file
// cannot be opened. Going to the file directly spares a process fontconfig's start, which reads and
// parses its whole configuration (a few milliseconds, most of a start-up's font work); for these
// families fontconfig finds the same files, and metrics, glyphs and pixels are the same either way.
// Kept for the life of the program, as the cairo faces made from it are.
FT_Face FileFtFace(const std::string& family, bool bold, bool italic) {
    static FT_Library library = [] {
        FT_Library made = nullptr;
        return FT_Init_FreeType(&made) == 0 ? made : nullptr;
    }();
    static auto* faces = new std::map<std::tuple<std::string, bool, bool>, FT_Face>();
    auto key = std::make_tuple(family, bold, italic);
    if (auto it = faces->find(key); it != faces->end()) return it->second;
    const char* file = DejaVuFile(family, bold, italic);
    FT_Face ft = nullptr;
    if (!library || !file || FT_New_Face(library, (std::string(kDejaVuFolder) + file).c_str(), 0, &ft) != 0)
        ft = nullptr;
    faces->emplace(key, ft);
    return ft;
}

// The cairo face of a DejaVu family's style read from its file (FileFtFace), or null (remembered).
cairo_font_face_t* FileFace(const std::string& family, bool bold, bool italic) {
    static auto* faces = new std::map<std::tuple<std::string, bool, bool>, cairo_font_face_t*>();
    auto key = std::make_tuple(family, bold, italic);
    if (auto it = faces->find(key); it != faces->end()) return it->second;
    cairo_font_face_t* face = nullptr;
    if (FT_Face ft = FileFtFace(family, bold, italic)) {
        face = cairo_ft_font_face_create_for_ft_face(ft, 0);
        if (cairo_font_face_status(face) != CAIRO_STATUS_SUCCESS) {
            cairo_font_face_destroy(face);
            face = nullptr;
        }
    }
    faces->emplace(key, face);
    return face;
}

cairo_scaled_font_t* MakeScaled(const char* family, bool bold, bool italic, double em) {
    cairo_font_face_t* face = FileFace(family, bold, italic);
    if (face)
        cairo_font_face_reference(face);
    else
        face = cairo_toy_font_face_create(family, italic ? CAIRO_FONT_SLANT_ITALIC : CAIRO_FONT_SLANT_NORMAL,
                                          bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
    cairo_matrix_t size;
    cairo_matrix_t identity;
    cairo_matrix_init_scale(&size, em, em);
    cairo_matrix_init_identity(&identity);
    cairo_scaled_font_t* scaled = cairo_scaled_font_create(face, &size, &identity, Options());
    cairo_font_face_destroy(face); // the scaled font keeps its own reference
    return scaled;
}

// Design units of a family: units per em, ascender and descender (positive).
struct Units {
    double upem = 2048;
    double ascender = 1901;
    double descender = 483;
};

void ReadUnits(FT_Face ft, Units* u) {
    if (ft && ft->units_per_EM > 0) {
        u->upem = ft->units_per_EM;
        u->ascender = ft->ascender;
        u->descender = -static_cast<double>(ft->descender);
    }
}

// Read from the family's file where it is a DejaVu one (without cairo), else from the face fontconfig
// finds for it.
Units UnitsOf(const char* family, bool bold, bool italic) {
    static auto* cache = new std::map<std::tuple<std::string, bool, bool>, Units>();
    auto key = std::make_tuple(std::string(family), bold, italic);
    auto it = cache->find(key);
    if (it != cache->end()) return it->second;
    Units u;
    if (FT_Face ft = FileFtFace(family, bold, italic)) {
        ReadUnits(ft, &u);
    } else {
        cairo_scaled_font_t* probe = MakeScaled(family, bold, italic, 64);
        if (cairo_scaled_font_get_type(probe) == CAIRO_FONT_TYPE_FT) {
            ReadUnits(cairo_ft_scaled_font_lock_face(probe), &u);
            cairo_ft_scaled_font_unlock_face(probe);
        }
        cairo_scaled_font_destroy(probe);
    }
    cache->emplace(key, u);
    return u;
}

// What a LOGFONTA asks for: the family, weight and slant it maps to, its design units and the em size
// its lfHeight means (absurd heights taken as the nearest sane one).
struct Request {
    LOGFONTA lf;
    const char* family;
    bool bold;
    bool italic;
    Units units;
    double em = 11;
};

Request RequestOf(const LOGFONTA& requested) {
    Request r{requested, nullptr, false, false, {}, 11};
    LOGFONTA& lf = r.lf;
    lf.lfHeight = std::clamp(lf.lfHeight, static_cast<LONG>(-1000), static_cast<LONG>(1000));
    r.family = FamilyFor(lf);
    r.bold = lf.lfWeight >= FW_SEMIBOLD;
    r.italic = lf.lfItalic != 0;
    r.units = UnitsOf(r.family, r.bold, r.italic);
    const Units& u = r.units;
    if (lf.lfHeight < 0)
        r.em = -static_cast<double>(lf.lfHeight);
    else if (lf.lfHeight > 0)
        r.em = lf.lfHeight * u.upem / (u.ascender + u.descender);
    return r;
}

int RoundPx(double v) {
    return static_cast<int>(std::lround(v));
}

int GlyphAdvance(cairo_scaled_font_t* scaled, unsigned long index) {
    cairo_glyph_t g{index, 0, 0};
    cairo_text_extents_t te;
    cairo_scaled_font_glyph_extents(scaled, &g, 1, &te);
    return RoundPx(te.x_advance);
}

// The glyph of one UTF-8 character in a scaled font; 0 when the font has none.
unsigned long GlyphIndex(cairo_scaled_font_t* scaled, const std::string& utf8) {
    if (!scaled || utf8.empty()) return 0;
    cairo_glyph_t* glyphs = nullptr;
    int count = 0;
    cairo_status_t st = cairo_scaled_font_text_to_glyphs(
        scaled, 0, 0, utf8.data(), static_cast<int>(utf8.size()), &glyphs, &count, nullptr, nullptr, nullptr);
    unsigned long index = 0;
    if (st == CAIRO_STATUS_SUCCESS && count > 0) index = glyphs[0].index;
    cairo_glyph_free(glyphs);
    return index;
}

// The character cell: ascent, descent and their sum, the height (exact for a positive lfHeight); no
// external leading.
void FillCell(const Request& r, TEXTMETRICA* tm) {
    const double scale = r.em / r.units.upem;
    tm->tmAscent = RoundPx(r.units.ascender * scale);
    if (r.lf.lfHeight > 0) {
        tm->tmHeight = r.lf.lfHeight;
        tm->tmDescent = tm->tmHeight - tm->tmAscent;
    } else {
        tm->tmDescent = RoundPx(r.units.descender * scale);
        tm->tmHeight = tm->tmAscent + tm->tmDescent;
    }
    tm->tmExternalLeading = 0;
}

void FillMetrics(FontFace& f, const Request& r) {
    const LOGFONTA& lf = r.lf;
    TEXTMETRICA& tm = f.metrics;
    tm = TEXTMETRICA{};
    FillCell(r, &tm);
    tm.tmInternalLeading = std::max(0, static_cast<int>(tm.tmHeight) - RoundPx(f.em));
    // Average width as the platform computes dialog base units: over the 52 Latin letters.
    static const char letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
    int sum = TextWidth(f, letters, 52, 1252);
    tm.tmAveCharWidth = (sum + 26) / 52;
    cairo_font_extents_t fe;
    cairo_scaled_font_extents(f.scaled, &fe);
    tm.tmMaxCharWidth = std::max(RoundPx(fe.max_x_advance), f.fullWidth);
    tm.tmWeight = f.bold ? FW_BOLD : FW_NORMAL;
    tm.tmOverhang = 0;
    tm.tmDigitizedAspectX = 96;
    tm.tmDigitizedAspectY = 96;
    tm.tmFirstChar = 0x20;
    tm.tmLastChar = 0xFF;
    tm.tmDefaultChar = 0x1F;
    tm.tmBreakChar = 0x20;
    tm.tmItalic = f.italic ? 1 : 0;
    tm.tmUnderlined = lf.lfUnderline ? 1 : 0;
    tm.tmStruckOut = lf.lfStrikeOut ? 1 : 0;
    // TMPF_FIXED_PITCH set means a *variable* pitch font, as on the platform.
    bool mono = f.family == kMono;
    tm.tmPitchAndFamily = static_cast<BYTE>(TMPF_VECTOR | TMPF_TRUETYPE | (mono ? 0 : TMPF_FIXED_PITCH) |
                                            (mono                 ? FF_MODERN
                                             : f.family == kSerif ? FF_ROMAN
                                                                  : FF_SWISS));
    tm.tmCharSet = lf.lfCharSet == DEFAULT_CHARSET ? ANSI_CHARSET : lf.lfCharSet;
}

} // namespace

const FontFace& FaceFor(const LOGFONTA& requested) {
    const Request r = RequestOf(requested);
    using Key = std::tuple<std::string, bool, bool, long, long>;
    static auto* faces = new std::map<Key, std::unique_ptr<FontFace>>();
    // The cell height of a positive lfHeight is exact; the key keeps it so metrics stay per request.
    Key key{r.family, r.bold, r.italic, std::lround(r.em * 1000), r.lf.lfHeight > 0 ? r.lf.lfHeight : 0};
    auto it = faces->find(key);
    if (it != faces->end()) return *it->second;
    auto f = std::make_unique<FontFace>();
    f->family = r.family;
    f->bold = r.bold;
    f->italic = r.italic;
    f->em = r.em;
    f->scaled = MakeScaled(r.family, r.bold, r.italic, r.em);
    f->fullWidth = std::max(1, RoundPx(r.em));
    FillMetrics(*f, r);
    return *faces->emplace(key, std::move(f)).first->second;
}

int CellHeight(const LOGFONTA& lf) {
    TEXTMETRICA tm{};
    FillCell(RequestOf(lf), &tm);
    return tm.tmHeight + tm.tmExternalLeading;
}

cairo_scaled_font_t* FallbackFor(const FontFace& face) {
    static const char* const families[] = {"Noto Sans CJK TC",    "Noto Sans CJK SC", "WenQuanYi Zen Hei",
                                           "WenQuanYi Micro Hei", "AR PL UMing TW",   "AR PL UKai TW",
                                           "Droid Sans Fallback"};
    static std::string found = [] {
        for (const char* fam : families) {
            cairo_scaled_font_t* probe = MakeScaled(fam, false, false, 16);
            bool match = false;
            if (cairo_scaled_font_get_type(probe) == CAIRO_FONT_TYPE_FT) {
                FT_Face ft = cairo_ft_scaled_font_lock_face(probe);
                match = ft && ft->family_name && Lower(ft->family_name, 64) == Lower(fam, 64);
                cairo_ft_scaled_font_unlock_face(probe);
            }
            cairo_scaled_font_destroy(probe);
            if (match) return std::string(fam);
        }
        return std::string();
    }();
    if (found.empty()) return nullptr;
    static auto* byEm = new std::map<long, cairo_scaled_font_t*>();
    long key = std::lround(face.em * 1000);
    auto it = byEm->find(key);
    if (it != byEm->end()) return it->second;
    cairo_scaled_font_t* scaled = MakeScaled(found.c_str(), false, false, face.em);
    byEm->emplace(key, scaled);
    return scaled;
}

TextLayout LayoutText(const FontFace& face, const char* text, size_t n, UINT codePage) {
    TextLayout layout;
    if (!text) return layout;
    layout.chars.reserve(n);
    std::string utf8;
    int x = 0;
    for (size_t i = 0; i < n;) {
        size_t len = CharLength(text, i, n, codePage);
        uint32_t code = 0;
        for (size_t b = 0; b < len; ++b)
            code = (code << 8) | static_cast<unsigned char>(text[i + b]);
        uint64_t key = (static_cast<uint64_t>(codePage) << 40) | (static_cast<uint64_t>(len) << 32) | code;
        auto it = face.glyphs.find(key);
        if (it == face.glyphs.end()) {
            FontFace::Glyph g;
            bool converted = CharToUtf8(codePage, text + i, len, utf8);
            g.index = converted ? GlyphIndex(face.scaled, utf8) : 0;
            g.face = 0;
            if (codePage == 65001 && len > 1) {
                // A UTF-8 character: its own advance, from the fallback font when the face lacks it.
                g.advance = GlyphAdvance(face.scaled, g.index);
                if (g.index == 0) {
                    cairo_scaled_font_t* fallback = converted ? FallbackFor(face) : nullptr;
                    const unsigned long index = fallback ? GlyphIndex(fallback, utf8) : 0;
                    if (index) {
                        g.index = index;
                        g.face = 1;
                        g.advance = GlyphAdvance(fallback, index);
                    } else {
                        g.face = -1;
                        g.advance = face.fullWidth;
                    }
                }
            } else if (len == 2) {
                g.advance = face.fullWidth;
                if (g.index == 0) {
                    cairo_scaled_font_t* fallback = converted ? FallbackFor(face) : nullptr;
                    g.index = fallback ? GlyphIndex(fallback, utf8) : 0;
                    g.face = g.index ? 1 : -1;
                }
            } else {
                g.advance = GlyphAdvance(face.scaled, g.index);
            }
            it = face.glyphs.emplace(key, g).first;
        }
        LaidChar c;
        c.offset = i;
        c.length = len;
        c.x = x;
        c.advance = it->second.advance;
        c.glyph = it->second.index;
        c.face = it->second.face;
        layout.chars.push_back(c);
        x += c.advance;
        i += len;
    }
    layout.width = x;
    return layout;
}

int TextWidth(const FontFace& face, const char* text, size_t n, UINT codePage) {
    return LayoutText(face, text, n, codePage).width;
}

LOGFONTA StockFont(int which) {
    LOGFONTA lf{};
    lf.lfCharSet = DEFAULT_CHARSET;
    lf.lfWeight = FW_NORMAL;
    auto face = [&](const char* name) { std::snprintf(lf.lfFaceName, LF_FACESIZE, "%s", name); };
    switch (which) {
    case DEFAULT_GUI_FONT:
        lf.lfHeight = -11;
        face("MS Shell Dlg");
        break;
    case ANSI_VAR_FONT:
        lf.lfHeight = 13;
        face("MS Sans Serif");
        break;
    case OEM_FIXED_FONT:
    case ANSI_FIXED_FONT:
        lf.lfHeight = 12;
        lf.lfPitchAndFamily = FIXED_PITCH | FF_MODERN;
        face("Courier");
        break;
    case SYSTEM_FIXED_FONT:
        lf.lfHeight = 16;
        lf.lfPitchAndFamily = FIXED_PITCH | FF_MODERN;
        face("Fixedsys");
        break;
    case SYSTEM_FONT:
    case DEVICE_DEFAULT_FONT:
    default:
        lf.lfHeight = 16;
        lf.lfWeight = FW_BOLD;
        face("System");
        break;
    }
    return lf;
}

} // namespace plat::detail

// fontconfig, as cairo drives it, loses a few hundred bytes of patterns per process (a plain program
// that creates and destroys one cairo font shows it). Tell LeakSanitizer so that sanitizer runs report
// only leaks of our own.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}

namespace plat {

namespace {

// "family style" of the font file behind a scaled font; an empty text when it is no FreeType font.
std::string FaceName(cairo_scaled_font_t* scaled, bool withStyle) {
    std::string name;
    if (cairo_scaled_font_get_type(scaled) == CAIRO_FONT_TYPE_FT) {
        FT_Face ft = cairo_ft_scaled_font_lock_face(scaled);
        if (ft && ft->family_name) name = ft->family_name;
        if (ft && withStyle && ft->style_name) name = name + " " + ft->style_name;
        cairo_ft_scaled_font_unlock_face(scaled);
    }
    return name;
}

} // namespace

std::string FontFamilyInUse() {
    return FaceName(detail::FaceFor(detail::StockFont(DEFAULT_GUI_FONT)).scaled, false);
}

std::string FontFaceInUse(const LOGFONTA& lf) {
    return FaceName(detail::FaceFor(lf).scaled, true);
}

TEXTMETRICA MetricsForFont(const LOGFONTA& lf) {
    return detail::FaceFor(lf).metrics;
}

int MeasureText(const LOGFONTA& lf, const std::string& text) {
    return detail::TextWidth(detail::FaceFor(lf), text.data(), text.size(), CodePage());
}

int MeasureText(const LOGFONTA& lf, const std::string& text, UINT codePage) {
    return detail::TextWidth(detail::FaceFor(lf), text.data(), text.size(), codePage);
}

} // namespace plat
