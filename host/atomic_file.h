// Replacing a file so that it is, at every moment and after a crash at any point, either its old
// content whole or its new content whole.
#pragma once

#include "win/winbase.h"

#include <filesystem>
#include <functional>
#include <string>

namespace tavrin::host {

// Writes the new content into the file's handle; false (with the reason in *error) when it could not.
using WriteInto = std::function<bool(HANDLE file, std::string* error)>;

// Makes a temporary file in the same folder as `path`, has `write` fill it, flushes it to the disk,
// closes it, renames it over `path` and flushes the folder, so that the rename itself is kept. On any
// failure the temporary file is removed, `path` is left as it was, and false comes back with the
// reason (naming the file and the step) in *error. A successful save also removes the temporary files
// that saves of `path` by programs no longer running left behind.
bool WriteFileAtomically(const std::filesystem::path& path, const WriteInto& write, std::string* error);

// The reason for the last failed call of the platform layer: "ERROR_DISK_FULL (112): ..."
std::string LastErrorText();

} // namespace tavrin::host
