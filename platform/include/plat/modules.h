// The module table behind LoadLibraryA and friends: what hosts and tests may ask of it beyond the
// Windows API.
#pragma once

#include "win/winbase.h"

#include <cstddef>
#include <string>
#include <vector>

namespace plat {

// The host program's file. It decides the folder searched first for libraries and what
// GetModuleFileNameA(NULL) reports. Default: the running executable (/proc/self/exe). A relative
// path is taken relative to the current directory; "\" separators are accepted. An empty path goes
// back to the running executable.
void SetProgramPath(const std::string& path);
std::string ProgramPath();

// Load count of a module (0 when the handle names no loaded module). The program itself and
// built-in modules count 1 plus their outstanding LoadLibraryA calls.
DWORD ModuleLoadCount(HMODULE module);

// Number of libraries loaded with LoadLibraryA and not yet released. The program and built-in
// modules are not counted, so a test can check that every load was released.
size_t LoadedModuleCount();
// Full paths of those libraries, in load order (for messages about leaks).
std::vector<std::string> LoadedModulePaths();

// Registers code linked into the program (the shelf control "Tavrin.DLL", say) as a module, so that
// GetModuleHandleA(name) finds it, GetModuleFileNameA reports `path` and GetProcAddress looks in the
// program. Such a module is never unloaded. Registering a name already registered returns the
// module it names. Returns 0 for an empty name.
HMODULE RegisterBuiltinModule(const char* name, const char* path);

// Unloads every library whatever its count, forgets built-in modules and the program path set with
// SetProgramPath. For tests that must start from an empty table.
void ResetModulesForTest();

} // namespace plat
