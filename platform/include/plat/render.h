// Turns a recorded drawing into pixels with the same font engine that measured its text: for PNG
// snapshots, a host's window and tests that look at pixels.
#pragma once

#include "plat/draw.h"

namespace plat {

// Paints `drawing` on a w x h canvas first filled with `background` and returns the pixels.
Image RenderToImage(const Drawing& drawing, int w, int h, COLORREF background = 0xFFFFFF);
// The same, written as a PNG file. False when the size is not positive or the file cannot be written.
bool RenderToPng(const Drawing& drawing, int w, int h, const char* path, COLORREF background = 0xFFFFFF);

} // namespace plat
