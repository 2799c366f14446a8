// Where an installed shelf keeps its drivers, and loading the shelf's own libraries (the shelf driver
// Books.Dll, the HTML e-book driver, the dictionary library) from the reader's folder or from there.
#pragma once

#include "win/winbase.h"

#include <string>

namespace tavrin {

// The installed driver folder with a trailing separator: "tavrin/drivers/" beside the control's shared
// library, or, for a control linked into the program, the folder the build was configured to install
// drivers in. Empty when that folder does not exist (a control run from its build tree).
std::string InstalledDriverFolder();

// The installed driver folder's library lpszName (a file name); 0 when there is no such folder or the
// library cannot be loaded from it.
HMODULE LoadInstalledDriver(LPCSTR lpszName);

// LoadLibraryA(lpszName) as the platform searches a bare name (the reader's folder first); when that
// finds nothing and lpszName is a bare name, the installed driver folder's library of that name.
HMODULE LoadShelfLibrary(LPCSTR lpszName);

} // namespace tavrin
