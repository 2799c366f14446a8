// Printing what the host shows: the window tree.
#pragma once

#include "windows.h"

namespace tavrin::host {

// One line per window, children indented: class, id, window rectangle, client size, visibility.
void PrintWindows(HWND top, int depth = 0);

} // namespace tavrin::host
