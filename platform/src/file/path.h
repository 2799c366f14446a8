// Path helpers shared by the file and module parts of the layer: separators, absolute paths, names
// found without regard to case, and the platform's error codes for failed system calls.
#pragma once

#include "win/winbase.h"

#include <string>
#include <sys/stat.h>

namespace plat::detail {

// Every "\" becomes "/". A null path becomes "".
std::string ToNative(const char* path);

// Prefixes the current directory to a relative path and removes "." components, repeated
// separators and ".." components (textually, as the platform does). Keeps no trailing "/" except
// for the root itself.
std::string MakeAbsolute(const std::string& path);

// Looks each component of an absolute path up in its folder: a component that exists as written is
// kept; otherwise the folder is searched for a name equal to it without regard to case (the first
// in byte order when several differ only in case). From the first component that is found neither
// way the rest of the path is kept as written.
std::string ResolveCase(const std::string& absolutePath);

// MakeAbsolute(ToNative(path)) then ResolveCase: the system path a platform path names.
std::string SystemPath(const char* path);

// ASCII case folding and comparison (the bytes of the active code page above 0x7F are kept).
std::string UpperAscii(const std::string& text);
bool EqualsNoCase(const std::string& a, const std::string& b);

// The part after the last "/" or "\" and the part before it ("" when there is no separator).
std::string BaseName(const std::string& path);
std::string DirName(const std::string& path);

// The platform's code for a failed system call on `path`. A missing file gives ERROR_FILE_NOT_FOUND
// when its folder exists and ERROR_PATH_NOT_FOUND when it does not.
DWORD ErrorFromErrno(int err, const std::string& path);

// File times as the platform counts them: 100-nanosecond steps since 1601-01-01 (UTC).
FILETIME ToFileTime(const struct timespec& time);

// The attributes the platform reports for a file with this status and (base) name.
DWORD AttributesFromStat(const struct stat& status, const std::string& name);

} // namespace plat::detail
