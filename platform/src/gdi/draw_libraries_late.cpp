// The drawing libraries (cairo and FreeType), loaded when text is first measured or a picture first
// drawn. A program that only lists, searches or changes the shelf draws nothing (its tree's rows are
// measured from the font file with FreeType alone), and loading cairo with the dozen libraries it
// needs (fontconfig, pixman, X11, png, ...) was up to a fifth of such a program's run. The layer is linked
// with the functions below instead of the libraries: each calls the library's function of the same name,
// looked up on its first call. The libraries are part of the installation, so one that cannot be loaded, or
// lacks a function, is said on stderr with the reason and the program stops: no drawing call could be
// answered truthfully without it.
#include <cairo-ft.h>
#include <cairo.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>

namespace {

// The file names (sonames) of the libraries the layer was built against, from the build.
constexpr const char* kCairoLibrary = TAVRIN_CAIRO_SONAME;
constexpr const char* kFreeTypeLibrary = TAVRIN_FREETYPE_SONAME;

[[noreturn]] void Stop(const char* library, const char* what, const char* reason) {
    std::fprintf(stderr, "tavrin platform: %s %s, which drawing text and pictures needs: %s\n", what, library,
                 reason ? reason : "unknown");
    std::abort();
}

// Loaded once and never released: fonts made from it live until the program ends. Its functions are
// bound when first called, as those of a library linked at start are: binding every function of cairo
// and of the dozen libraries it brings at once would cost more than drawing the shelf.
void* Library(const char* name) {
    void* library = dlopen(name, RTLD_LAZY | RTLD_LOCAL);
    if (!library) Stop(name, "cannot load", dlerror());
    return library;
}

void* Cairo() {
    static void* const library = Library(kCairoLibrary);
    return library;
}

void* FreeType() {
    static void* const library = Library(kFreeTypeLibrary);
    return library;
}

// The library's function of the same name and type as `Declared`, looked up on its first call.
template <auto Declared> decltype(Declared) Late(void* (*library)(), const char* name) {
    static const auto function = [&] {
        void* found = dlsym(library(), name);
        if (!found) Stop(library == &Cairo ? kCairoLibrary : kFreeTypeLibrary, "lacks", name);
        return reinterpret_cast<decltype(Declared)>(found);
    }();
    return function;
}

} // namespace

// The functions the layer calls, with the libraries' own declarations (the headers above).
extern "C" {

cairo_t* cairo_create(cairo_surface_t* target) {
    return Late<cairo_create>(Cairo, "cairo_create")(target);
}
void cairo_destroy(cairo_t* cr) {
    Late<cairo_destroy>(Cairo, "cairo_destroy")(cr);
}
void cairo_clip(cairo_t* cr) {
    Late<cairo_clip>(Cairo, "cairo_clip")(cr);
}
void cairo_rectangle(cairo_t* cr, double x, double y, double width, double height) {
    Late<cairo_rectangle>(Cairo, "cairo_rectangle")(cr, x, y, width, height);
}
void cairo_set_source_rgb(cairo_t* cr, double red, double green, double blue) {
    Late<cairo_set_source_rgb>(Cairo, "cairo_set_source_rgb")(cr, red, green, blue);
}
void cairo_set_scaled_font(cairo_t* cr, const cairo_scaled_font_t* scaled_font) {
    Late<cairo_set_scaled_font>(Cairo, "cairo_set_scaled_font")(cr, scaled_font);
}
void cairo_show_glyphs(cairo_t* cr, const cairo_glyph_t* glyphs, int num_glyphs) {
    Late<cairo_show_glyphs>(Cairo, "cairo_show_glyphs")(cr, glyphs, num_glyphs);
}
const char* cairo_status_to_string(cairo_status_t status) {
    return Late<cairo_status_to_string>(Cairo, "cairo_status_to_string")(status);
}

cairo_surface_t* cairo_image_surface_create_for_data(unsigned char* data, cairo_format_t format, int width,
                                                     int height, int stride) {
    return Late<cairo_image_surface_create_for_data>(Cairo, "cairo_image_surface_create_for_data")(
        data, format, width, height, stride);
}
void cairo_surface_destroy(cairo_surface_t* surface) {
    Late<cairo_surface_destroy>(Cairo, "cairo_surface_destroy")(surface);
}
void cairo_surface_flush(cairo_surface_t* surface) {
    Late<cairo_surface_flush>(Cairo, "cairo_surface_flush")(surface);
}
cairo_status_t cairo_surface_write_to_png(cairo_surface_t* surface, const char* filename) {
    return Late<cairo_surface_write_to_png>(Cairo, "cairo_surface_write_to_png")(surface, filename);
}
cairo_status_t cairo_surface_write_to_png_stream(cairo_surface_t* surface, cairo_write_func_t write_func,
                                                 void* closure) {
    return Late<cairo_surface_write_to_png_stream>(Cairo, "cairo_surface_write_to_png_stream")(
        surface, write_func, closure);
}

void cairo_matrix_init_identity(cairo_matrix_t* matrix) {
    Late<cairo_matrix_init_identity>(Cairo, "cairo_matrix_init_identity")(matrix);
}
void cairo_matrix_init_scale(cairo_matrix_t* matrix, double sx, double sy) {
    Late<cairo_matrix_init_scale>(Cairo, "cairo_matrix_init_scale")(matrix, sx, sy);
}

cairo_font_options_t* cairo_font_options_create(void) {
    return Late<cairo_font_options_create>(Cairo, "cairo_font_options_create")();
}
void cairo_font_options_set_antialias(cairo_font_options_t* options, cairo_antialias_t antialias) {
    Late<cairo_font_options_set_antialias>(Cairo, "cairo_font_options_set_antialias")(options, antialias);
}
void cairo_font_options_set_hint_metrics(cairo_font_options_t* options, cairo_hint_metrics_t hint_metrics) {
    Late<cairo_font_options_set_hint_metrics>(Cairo, "cairo_font_options_set_hint_metrics")(options,
                                                                                            hint_metrics);
}
void cairo_font_options_set_hint_style(cairo_font_options_t* options, cairo_hint_style_t hint_style) {
    Late<cairo_font_options_set_hint_style>(Cairo, "cairo_font_options_set_hint_style")(options, hint_style);
}
void cairo_font_options_set_subpixel_order(cairo_font_options_t* options,
                                           cairo_subpixel_order_t subpixel_order) {
    Late<cairo_font_options_set_subpixel_order>(Cairo, "cairo_font_options_set_subpixel_order")(
        options, subpixel_order);
}

cairo_font_face_t* cairo_toy_font_face_create(const char* family, cairo_font_slant_t slant,
                                              cairo_font_weight_t weight) {
    return Late<cairo_toy_font_face_create>(Cairo, "cairo_toy_font_face_create")(family, slant, weight);
}
cairo_font_face_t* cairo_ft_font_face_create_for_ft_face(FT_Face face, int load_flags) {
    return Late<cairo_ft_font_face_create_for_ft_face>(Cairo, "cairo_ft_font_face_create_for_ft_face")(
        face, load_flags);
}
cairo_font_face_t* cairo_font_face_reference(cairo_font_face_t* font_face) {
    return Late<cairo_font_face_reference>(Cairo, "cairo_font_face_reference")(font_face);
}
void cairo_font_face_destroy(cairo_font_face_t* font_face) {
    Late<cairo_font_face_destroy>(Cairo, "cairo_font_face_destroy")(font_face);
}
cairo_status_t cairo_font_face_status(cairo_font_face_t* font_face) {
    return Late<cairo_font_face_status>(Cairo, "cairo_font_face_status")(font_face);
}
cairo_status_t cairo_font_face_set_user_data(cairo_font_face_t* font_face, const cairo_user_data_key_t* key,
                                             void* user_data, cairo_destroy_func_t destroy) {
    return Late<cairo_font_face_set_user_data>(Cairo, "cairo_font_face_set_user_data")(font_face, key,
                                                                                       user_data, destroy);
}

cairo_scaled_font_t* cairo_scaled_font_create(cairo_font_face_t* font_face, const cairo_matrix_t* font_matrix,
                                              const cairo_matrix_t* ctm,
                                              const cairo_font_options_t* options) {
    return Late<cairo_scaled_font_create>(Cairo, "cairo_scaled_font_create")(font_face, font_matrix, ctm,
                                                                             options);
}
void cairo_scaled_font_destroy(cairo_scaled_font_t* scaled_font) {
    Late<cairo_scaled_font_destroy>(Cairo, "cairo_scaled_font_destroy")(scaled_font);
}
cairo_font_type_t cairo_scaled_font_get_type(cairo_scaled_font_t* scaled_font) {
    return Late<cairo_scaled_font_get_type>(Cairo, "cairo_scaled_font_get_type")(scaled_font);
}
void cairo_scaled_font_extents(cairo_scaled_font_t* scaled_font, cairo_font_extents_t* extents) {
    Late<cairo_scaled_font_extents>(Cairo, "cairo_scaled_font_extents")(scaled_font, extents);
}
void cairo_scaled_font_glyph_extents(cairo_scaled_font_t* scaled_font, const cairo_glyph_t* glyphs,
                                     int num_glyphs, cairo_text_extents_t* extents) {
    Late<cairo_scaled_font_glyph_extents>(Cairo, "cairo_scaled_font_glyph_extents")(scaled_font, glyphs,
                                                                                    num_glyphs, extents);
}
cairo_status_t cairo_scaled_font_text_to_glyphs(cairo_scaled_font_t* scaled_font, double x, double y,
                                                const char* utf8, int utf8_len, cairo_glyph_t** glyphs,
                                                int* num_glyphs, cairo_text_cluster_t** clusters,
                                                int* num_clusters,
                                                cairo_text_cluster_flags_t* cluster_flags) {
    return Late<cairo_scaled_font_text_to_glyphs>(Cairo, "cairo_scaled_font_text_to_glyphs")(
        scaled_font, x, y, utf8, utf8_len, glyphs, num_glyphs, clusters, num_clusters, cluster_flags);
}
void cairo_glyph_free(cairo_glyph_t* glyphs) {
    Late<cairo_glyph_free>(Cairo, "cairo_glyph_free")(glyphs);
}
FT_Face cairo_ft_scaled_font_lock_face(cairo_scaled_font_t* scaled_font) {
    return Late<cairo_ft_scaled_font_lock_face>(Cairo, "cairo_ft_scaled_font_lock_face")(scaled_font);
}
void cairo_ft_scaled_font_unlock_face(cairo_scaled_font_t* scaled_font) {
    Late<cairo_ft_scaled_font_unlock_face>(Cairo, "cairo_ft_scaled_font_unlock_face")(scaled_font);
}

FT_Error FT_Init_FreeType(FT_Library* alibrary) {
    return Late<FT_Init_FreeType>(FreeType, "FT_Init_FreeType")(alibrary);
}
FT_Error FT_New_Face(FT_Library library, const char* filepathname, FT_Long face_index, FT_Face* aface) {
    return Late<FT_New_Face>(FreeType, "FT_New_Face")(library, filepathname, face_index, aface);
}
FT_Error FT_Done_Face(FT_Face face) {
    return Late<FT_Done_Face>(FreeType, "FT_Done_Face")(face);
}

} // extern "C"
