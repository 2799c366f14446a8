// Printing what the host shows: the window tree and the shelf tree.
#pragma once

#include "windows.h"

#include "tavrin/tavrin_ctrl.h"

namespace tavrin::host {

// One line per window, children indented: class, id, window rectangle, client size, visibility.
void PrintWindows(HWND top, int depth = 0);

// One line per shelf item, children indented: label, kind, flags and key (book number or catalog key),
// each in the terminal's encoding.
void PrintShelf(CTavrinCtrl& shelf, HWND tree);

} // namespace tavrin::host
