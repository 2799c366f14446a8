// Frames with the modal pictures over them.
#include "reader_screen.h"

#include <algorithm>

namespace tavrin::reader {

void DrawOverlay(plat::Image& frame, const plat::Overlay& overlay) {
    const plat::Image& img = overlay.image;
    const int x0 = std::max<int>(0, overlay.at.x), y0 = std::max<int>(0, overlay.at.y);
    const int x1 = std::min<int>(frame.width, overlay.at.x + img.width);
    const int y1 = std::min<int>(frame.height, overlay.at.y + img.height);
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) {
            const int sx = x - overlay.at.x, sy = y - overlay.at.y;
            if (img.TransparentAt(sx, sy)) continue;
            frame.xrgb[static_cast<size_t>(y) * static_cast<size_t>(frame.width) + static_cast<size_t>(x)] =
                img.xrgb[static_cast<size_t>(sy) * static_cast<size_t>(img.width) + static_cast<size_t>(sx)];
        }
}

void ReaderScreen::Show(const std::vector<plat::Overlay>& overlays) {
    plat::Image frame = compose_ ? compose_() : plat::Image{};
    for (const plat::Overlay& overlay : overlays)
        DrawOverlay(frame, overlay);
    Present(frame);
}

} // namespace tavrin::reader
