// Printing what the host shows: the window tree, the shelf tree, what the shelf sent and the selection.
#pragma once

#include "windows.h"

#include "session.h"
#include "tavrin/tavrin_ctrl.h"

#include <string>
#include <vector>

namespace tavrin::host {

// One line per window, children indented: class, id, window rectangle, client size, visibility.
void PrintWindows(HWND top, int depth = 0);

// One line per shelf item, children indented: label, kind, flags and key (book number or catalog key),
// each in the terminal's encoding.
void PrintShelf(CTavrinCtrl& shelf, HWND tree);

// Handles what is queued, then prints the messages the shelf sent the host since they were last
// taken, indented, or "(no message from the shelf)"; returns them and forgets them.
std::vector<std::string> PrintReceived(Session& session);

// "Selected: PATH", or "(nothing)".
void PrintSelection(Session& session);

} // namespace tavrin::host
