// Painting of one recorded drawing operation onto pixels. Memory DCs use it to paint their bitmaps as
// they draw; the renderer uses it to turn a whole recorded drawing into an image.
#pragma once

#include "plat/draw.h"

namespace plat::detail {

// Paints `op` onto `target`, clipped to op.clip and the image. A monochrome target keeps its pixels
// black or white.
void PaintOp(Image& target, const DrawOp& op, bool monochrome = false);

// Combines destination and source pixels (0x00RRGGBB) by a raster operation; `pattern` is the brush
// colour for the pattern operations.
uint32_t ApplyRop(DWORD rop, uint32_t dst, uint32_t src, uint32_t pattern);

// The highlight colour that selected image-list images blend with.
COLORREF HighlightColor();

} // namespace plat::detail
