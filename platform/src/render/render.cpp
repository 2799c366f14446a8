// Rendering of a recorded drawing to pixels and PNG files.
#include "plat/render.h"

#include "render/raster.h"

#include <cairo.h>

namespace plat {

Image RenderToImage(const Drawing& drawing, int w, int h, COLORREF background) {
    Image img;
    if (w <= 0 || h <= 0 || static_cast<long long>(w) * h > (1LL << 26)) return img;
    img.width = w;
    img.height = h;
    img.xrgb.assign(static_cast<size_t>(w) * static_cast<size_t>(h), ToXrgb(background & 0xFFFFFF));
    for (const DrawOp& op : drawing.ops)
        detail::PaintOp(img, op);
    return img;
}

bool RenderToPng(const Drawing& drawing, int w, int h, const char* path, COLORREF background) {
    if (!path) return false;
    Image img = RenderToImage(drawing, w, h, background);
    if (img.width == 0) return false;
    cairo_surface_t* surface =
        cairo_image_surface_create_for_data(reinterpret_cast<unsigned char*>(img.xrgb.data()),
                                            CAIRO_FORMAT_RGB24, img.width, img.height, img.width * 4);
    cairo_status_t st = cairo_surface_write_to_png(surface, path);
    cairo_surface_destroy(surface);
    return st == CAIRO_STATUS_SUCCESS;
}

} // namespace plat
