// Turns recorded drawings into pixels with the same font engine that measured their text: for PNG
// snapshots, a host's window and tests that look at pixels.
#pragma once

#include "plat/draw.h"

#include <string>

namespace plat {

// Paints `drawing` on a w x h canvas first filled with `background` and returns the pixels.
Image RenderToImage(const Drawing& drawing, int w, int h, COLORREF background = 0xFFFFFF);
// The same, written as a PNG file. False when the size is not positive or the file cannot be written.
bool RenderToPng(const Drawing& drawing, int w, int h, const char* path, COLORREF background = 0xFFFFFF);

// A picture of a window as the screen would show it. The window and every shown window inside it are
// invalidated and updated (erased and painted by their own handlers, as the platform updates them),
// each window's drawing recorded; the drawings are then composed into one image of the window's
// rectangle: each child at its place, clipped to its parent's client area, siblings bottom to top.
// Borders (WS_BORDER, WS_EX_CLIENTEDGE) and shown scroll bars are drawn as the frame around each
// client area. `background` fills what no window paints. Empty when the window does not exist, is not
// shown on the screen or has no area.
Image RenderWindow(HWND hwnd, COLORREF background = 0xFFFFFF);

// Writes `image` as a PNG file. False, with the reason in *error when given, when the image is empty
// or the file cannot be written.
bool WriteImagePng(const Image& image, const char* path, std::string* error = nullptr);

} // namespace plat
