// The font files behind the text: the engine opens the system's DejaVu files itself, and for every
// family and style that is the file fontconfig finds, with the same advances and the same pixels.
#include "plat/draw.h"
#include "plat/render.h"
#include "plat/resources.h"
#include "windows.h"

#include <gtest/gtest.h>

#include <cairo-ft.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace {

LOGFONTA Font(const char* faceName, LONG height, bool bold, bool italic) {
    LOGFONTA lf{};
    lf.lfHeight = height;
    lf.lfWeight = bold ? FW_BOLD : FW_NORMAL;
    lf.lfItalic = italic ? 1 : 0;
    lf.lfCharSet = ANSI_CHARSET;
    std::snprintf(lf.lfFaceName, LF_FACESIZE, "%s", faceName);
    return lf;
}

// A face as fontconfig finds it for the family, with the options the engine draws with.
struct FontconfigFace {
    FontconfigFace(const char* family, bool bold, bool italic, double em) {
        cairo_font_face_t* face =
            cairo_toy_font_face_create(family, italic ? CAIRO_FONT_SLANT_ITALIC : CAIRO_FONT_SLANT_NORMAL,
                                       bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
        cairo_font_options_t* options = cairo_font_options_create();
        cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_ON);
        cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
        cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
        cairo_matrix_t size, identity;
        cairo_matrix_init_scale(&size, em, em);
        cairo_matrix_init_identity(&identity);
        scaled = cairo_scaled_font_create(face, &size, &identity, options);
        cairo_font_options_destroy(options);
        cairo_font_face_destroy(face);
    }
    ~FontconfigFace() { cairo_scaled_font_destroy(scaled); }

    std::string Name() const {
        FT_Face ft = cairo_ft_scaled_font_lock_face(scaled);
        std::string name = ft ? std::string(ft->family_name) + " " + ft->style_name : "";
        cairo_ft_scaled_font_unlock_face(scaled);
        return name;
    }
    long Advance(const char* utf8) const {
        cairo_text_extents_t te;
        cairo_scaled_font_text_extents(scaled, utf8, &te);
        return std::lround(te.x_advance);
    }

    cairo_scaled_font_t* scaled = nullptr;
};

TEST(FontFiles, EveryFamilyAndStyleReadsTheFileFontconfigFindsWithItsAdvances) {
    plat::SetCodePage(1252);
    const struct {
        const char* faceName; // as a program asks for it
        const char* family;   // the DejaVu family the engine maps it to
    } families[] = {{"MS Shell Dlg", "DejaVu Sans"},
                    {"Times New Roman", "DejaVu Serif"},
                    {"Courier New", "DejaVu Sans Mono"}};
    for (const auto& f : families) {
        for (int style = 0; style < 4; ++style) {
            const bool bold = style & 1, italic = style & 2;
            for (LONG height : {-9, -11, -13, -16, -24}) {
                SCOPED_TRACE(std::string(f.family) + (bold ? " bold" : "") + (italic ? " italic" : "") + " " +
                             std::to_string(-height) + " px");
                const LOGFONTA lf = Font(f.faceName, height, bold, italic);
                const FontconfigFace found(f.family, bold, italic, -height);
                EXPECT_EQ(plat::FontFaceInUse(lf), found.Name());
                for (char c = ' '; c <= '~'; ++c)
                    ASSERT_EQ(plat::MeasureText(lf, std::string(1, c)),
                              found.Advance(std::string(1, c).c_str()))
                        << "'" << c << "'";
                EXPECT_EQ(plat::MeasureText(lf, "\xE9\xDF\x80"), found.Advance("\xC3\xA9") +
                                                                     found.Advance("\xC3\x9F") +
                                                                     found.Advance("\xE2\x82\xAC"));
            }
        }
    }
}

// The pixels of `text` as the engine draws it at (2, 2) in black on white, next to the same glyphs
// drawn from the face fontconfig finds, on the engine's whole-pixel advances and baseline.
struct TwoRenderings {
    plat::Image engine;
    std::vector<uint32_t> fontconfig;
};

TwoRenderings Render(const LOGFONTA& lf, const char* family, const std::string& text) {
    constexpr int kWidth = 260, kHeight = 40;
    TwoRenderings out;
    HDC dc = CreateCompatibleDC(nullptr);
    HFONT font = CreateFontIndirectA(&lf);
    HGDIOBJ old = SelectObject(dc, font);
    SetBkMode(dc, TRANSPARENT);
    TextOutA(dc, 2, 2, text.data(), static_cast<int>(text.size()));
    out.engine = plat::RenderToImage(plat::DcDrawing(dc), kWidth, kHeight);
    SelectObject(dc, old);
    DeleteObject(font);
    DeleteDC(dc);

    const FontconfigFace found(family, lf.lfWeight >= FW_BOLD, lf.lfItalic != 0, -lf.lfHeight);
    out.fontconfig.assign(static_cast<size_t>(kWidth) * kHeight, 0xFFFFFF);
    cairo_surface_t* surface =
        cairo_image_surface_create_for_data(reinterpret_cast<unsigned char*>(out.fontconfig.data()),
                                            CAIRO_FORMAT_RGB24, kWidth, kHeight, kWidth * 4);
    cairo_t* cr = cairo_create(surface);
    cairo_set_source_rgb(cr, 0, 0, 0);
    cairo_set_scaled_font(cr, found.scaled);
    double x = 2;
    const double baseline = 2 + plat::MetricsForFont(lf).tmAscent;
    for (char c : text) {
        const std::string one(1, c);
        cairo_glyph_t* glyphs = nullptr;
        int count = 0;
        cairo_scaled_font_text_to_glyphs(found.scaled, 0, 0, one.c_str(), 1, &glyphs, &count, nullptr,
                                         nullptr, nullptr);
        if (count == 1) {
            glyphs[0].x = x;
            glyphs[0].y = baseline;
            cairo_show_glyphs(cr, glyphs, 1);
        }
        cairo_glyph_free(glyphs);
        x += static_cast<double>(found.Advance(one.c_str()));
    }
    cairo_destroy(cr);
    cairo_surface_flush(surface);
    cairo_surface_destroy(surface);
    return out;
}

TEST(FontFiles, TextIsDrawnWithTheSamePixelsAsFromTheFaceFontconfigFinds) {
    plat::SetCodePage(1252);
    const std::string text = "Shelf of Dictionaries: Wg @ 0123 {fi}";
    const struct {
        LOGFONTA lf;
        const char* family;
    } fonts[] = {{Font("MS Shell Dlg", -11, false, false), "DejaVu Sans"},
                 {Font("MS Shell Dlg", -13, true, false), "DejaVu Sans"},
                 {Font("Arial", -16, false, true), "DejaVu Sans"},
                 {Font("Times New Roman", -20, false, true), "DejaVu Serif"},
                 {Font("Georgia", -9, true, false), "DejaVu Serif"},
                 {Font("Courier New", -13, true, true), "DejaVu Sans Mono"}};
    for (const auto& f : fonts) {
        SCOPED_TRACE(plat::FontFaceInUse(f.lf) + " " + std::to_string(-f.lf.lfHeight) + " px");
        const TwoRenderings r = Render(f.lf, f.family, text);
        ASSERT_EQ(r.engine.xrgb.size(), r.fontconfig.size());
        size_t inked = 0, differing = 0;
        for (size_t i = 0; i < r.fontconfig.size(); ++i) {
            inked += (r.fontconfig[i] & 0xFFFFFF) != 0xFFFFFF;
            differing += (r.engine.xrgb[i] & 0xFFFFFF) != (r.fontconfig[i] & 0xFFFFFF);
        }
        EXPECT_GT(inked, 100u);
        EXPECT_EQ(differing, 0u);
    }
}

} // namespace
