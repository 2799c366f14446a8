// Rendering of a recorded drawing to pixels and PNG files.
#include "plat/render.h"

#include "render/raster.h"

#include <cairo.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

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

namespace {

cairo_status_t WriteToFile(void* closure, const unsigned char* data, unsigned int length) {
    return std::fwrite(data, 1, length, static_cast<std::FILE*>(closure)) == length
               ? CAIRO_STATUS_SUCCESS
               : CAIRO_STATUS_WRITE_ERROR;
}

void Say(std::string* error, const std::string& text) {
    if (error) *error = text;
}

} // namespace

bool WriteImagePng(const Image& image, const char* path, std::string* error) {
    if (!path || !*path) {
        Say(error, "no file name");
        return false;
    }
    if (image.width <= 0 || image.height <= 0 ||
        image.xrgb.size() != static_cast<size_t>(image.width) * static_cast<size_t>(image.height)) {
        Say(error, "nothing to write: the picture is empty");
        return false;
    }
    std::FILE* file = std::fopen(path, "wb");
    if (!file) {
        Say(error, std::strerror(errno));
        return false;
    }
    // cairo reads the pixels in place; the image's words are its RGB24 layout.
    std::vector<uint32_t> pixels = image.xrgb;
    cairo_surface_t* surface =
        cairo_image_surface_create_for_data(reinterpret_cast<unsigned char*>(pixels.data()),
                                            CAIRO_FORMAT_RGB24, image.width, image.height, image.width * 4);
    errno = 0;
    cairo_status_t status = cairo_surface_write_to_png_stream(surface, &WriteToFile, file);
    cairo_surface_destroy(surface);
    const int writeError = errno;
    const bool closed = std::fclose(file) == 0;
    const int closeError = errno;
    if (status == CAIRO_STATUS_SUCCESS && closed) return true;
    if (status == CAIRO_STATUS_WRITE_ERROR)
        Say(error, std::strerror(writeError ? writeError : EIO));
    else if (status != CAIRO_STATUS_SUCCESS)
        Say(error, cairo_status_to_string(status));
    else
        Say(error, std::strerror(closeError ? closeError : EIO));
    std::remove(path); // a cut picture is no picture
    return false;
}

} // namespace plat
