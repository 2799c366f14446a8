// The height of the character cell of a DC's font, for measuring rows of text without making the face.
#pragma once

#include "win/types.h"

namespace plat::detail {

// GetTextMetricsA's tmHeight + tmExternalLeading for the font selected into `hdc`, known from the font
// file's design units alone (making the face, which text widths and drawing need, loads the drawing
// library); 0 for a DC that is not one.
int TextCellHeight(HDC hdc);

} // namespace plat::detail
