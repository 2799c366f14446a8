// What the file part of the layer offers beyond the Windows API.
#pragma once

#include "win/winbase.h"

#include <cstddef>
#include <string>

namespace plat {

// The path as the system wants it: every "\" becomes "/".
std::string NativePath(const char* path);

// Whether `name` matches the file pattern `pattern` the way FindFirstFileA matches it: `*` and `?`
// wildcards with the platform's rules for dots, without regard to case.
bool MatchesFilePattern(const std::string& pattern, const std::string& name);

// Handles from CreateFileA and FindFirstFileA not yet closed (for leak checks in tests).
size_t OpenFileHandleCount();
size_t OpenFindHandleCount();

} // namespace plat
