// Text output shared by TextOutA, ExtTextOutA and DrawTextA.
#pragma once

#include "gdi/gdi_objects.h"

#include <string>

namespace plat::detail {

// Records `text` drawn at the device point `at` (its meaning set by the DC's vertical alignment flags
// unless `topLeft`), clipped to the DC clip and, if given, to `clipRect` (device coordinates).
// Returns the text width.
int EmitText(DcObject& dc, POINT at, const std::string& text, bool topLeft, const RECT* clipRect,
             int underline);

} // namespace plat::detail
