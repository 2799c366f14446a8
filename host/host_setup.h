// What every host program does before it builds the shelf: take the shelf folder (--shelf), the
// language and code page of the user's locale (or --codepage), the terminal's character set, and
// check that the registry can be read. Shared by the command-line host and the reader window.
#pragma once

#include "win/types.h"

#include <optional>
#include <string>

namespace tavrin::host {

struct SetupOptions {
    std::string program;          // for messages: "tavrin-host", "tavrin-reader"
    std::string shelfDir;         // --shelf DIR; empty: the folder of the program
    std::optional<UINT> codePage; // --codepage N
};

// Prepares the process for the shelf. Returns 0, or the exit status after printing the reason to
// stderr: 2 for a --shelf that names no folder, 1 for a registry that cannot be read.
int PrepareShelfProcess(const SetupOptions& options);

} // namespace tavrin::host

#include "tavrin/tavrin_ctrl.h"

namespace tavrin::host {

// Places the shelf control in `parent` with the host's look (lines and expand buttons) and lets its
// start-up fill the tree. False when the control could not be created.
bool CreateShelf(CTavrinCtrl& shelf, HWND parent, const RECT& rect);

} // namespace tavrin::host
