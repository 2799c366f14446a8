// Where the registry keeps its keys, and what hosts and tests may ask of it beyond the Windows API.
#pragma once

#include "win/winreg.h"

#include <cstddef>
#include <string>

namespace plat {

// The registry is one SQLite database file. Its location is, in this order: the path last given to
// SetRegistryPath; the environment variable TAVRIN_REGISTRY; $XDG_DATA_HOME/tavrin/registry.db;
// ~/.local/share/tavrin/registry.db. The file and its folder are made on first use.
//
// SetRegistryPath closes the database; the next registry call opens the new one. Key handles that
// were open become invalid (RegCloseKey on them answers ERROR_INVALID_HANDLE). An empty path goes
// back to the environment and default locations.
void SetRegistryPath(const std::string& path);
std::string RegistryPath();

// Number of key handles opened and not yet closed (the predefined root keys are not counted).
size_t OpenKeyCount();

} // namespace plat
