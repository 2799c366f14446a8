// Path helpers shared by the file and module parts of the layer.
#include "file/path.h"

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <memory>
#include <unistd.h>
#include <vector>

namespace plat::detail {

#ifndef ERROR_GEN_FAILURE
#define ERROR_GEN_FAILURE 31L
#endif

std::string ToNative(const char* path) {
    std::string result = path ? path : "";
    std::replace(result.begin(), result.end(), '\\', '/');
    return result;
}

namespace {

std::string CurrentDirectory() {
    std::vector<char> buffer(4096);
    while (!getcwd(buffer.data(), buffer.size())) {
        if (errno != ERANGE || buffer.size() > (1u << 20)) return "/";
        buffer.resize(buffer.size() * 2);
    }
    return buffer.data();
}

bool Exists(const std::string& path) {
    struct stat status {};
    return lstat(path.c_str(), &status) == 0;
}

// The entry of `folder` equal to `name` without regard to case, or "" when there is none.
std::string FindNoCase(const std::string& folder, const std::string& name) {
    std::unique_ptr<DIR, int (*)(DIR*)> dir(opendir(folder.empty() ? "/" : folder.c_str()), closedir);
    if (!dir) return {};
    std::string best;
    while (const dirent* entry = readdir(dir.get())) {
        std::string candidate = entry->d_name;
        if (EqualsNoCase(candidate, name) && (best.empty() || candidate < best)) best = candidate;
    }
    return best;
}

} // namespace

std::string MakeAbsolute(const std::string& path) {
    std::string full = (!path.empty() && path[0] == '/') ? path : CurrentDirectory() + "/" + path;
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= full.size()) {
        size_t end = full.find('/', start);
        if (end == std::string::npos) end = full.size();
        std::string part = full.substr(start, end - start);
        if (part == "..") {
            if (!parts.empty()) parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        start = end + 1;
    }
    std::string result;
    for (const std::string& part : parts)
        result += "/" + part;
    return result.empty() ? "/" : result;
}

std::string ResolveCase(const std::string& absolutePath) {
    if (absolutePath.empty() || absolutePath[0] != '/' || Exists(absolutePath)) return absolutePath;
    std::string resolved;
    size_t start = 1;
    while (start <= absolutePath.size()) {
        size_t end = absolutePath.find('/', start);
        if (end == std::string::npos) end = absolutePath.size();
        std::string part = absolutePath.substr(start, end - start);
        if (!part.empty()) {
            std::string exact = resolved + "/" + part;
            if (Exists(exact)) {
                resolved = exact;
            } else {
                std::string match = FindNoCase(resolved, part);
                if (match.empty()) return resolved + absolutePath.substr(start - 1);
                resolved += "/" + match;
            }
        }
        start = end + 1;
    }
    return resolved.empty() ? "/" : resolved;
}

std::string SystemPath(const char* path) {
    return ResolveCase(MakeAbsolute(ToNative(path)));
}

std::string UpperAscii(const std::string& text) {
    std::string result = text;
    for (char& c : result) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return result;
}

bool EqualsNoCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && UpperAscii(a) == UpperAscii(b);
}

std::string BaseName(const std::string& path) {
    size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string DirName(const std::string& path) {
    size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

DWORD ErrorFromErrno(int err, const std::string& path) {
    switch (err) {
    case ENOENT: {
        std::string folder = DirName(path);
        struct stat status {};
        if (!folder.empty() && (stat(folder.c_str(), &status) != 0 || !S_ISDIR(status.st_mode)))
            return ERROR_PATH_NOT_FOUND;
        return ERROR_FILE_NOT_FOUND;
    }
    case ENOTDIR:
    case ELOOP:
        return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
    case ETXTBSY:
        return ERROR_ACCESS_DENIED;
    case EEXIST:
        return ERROR_ALREADY_EXISTS;
    case ENOSPC:
    case EDQUOT:
        return ERROR_DISK_FULL;
    case EMFILE:
    case ENFILE:
        return ERROR_TOO_MANY_OPEN_FILES;
    case ENAMETOOLONG:
        return ERROR_FILENAME_EXCED_RANGE;
    case ENOTEMPTY:
        return ERROR_DIR_NOT_EMPTY;
    case ENOMEM:
        return ERROR_NOT_ENOUGH_MEMORY;
    case EINVAL:
        return ERROR_INVALID_PARAMETER;
    case EBUSY:
        return ERROR_SHARING_VIOLATION;
    default:
        return ERROR_GEN_FAILURE;
    }
}

FILETIME ToFileTime(const struct timespec& time) {
    constexpr int64_t kSecondsFrom1601To1970 = 11644473600LL;
    int64_t ticks =
        (static_cast<int64_t>(time.tv_sec) + kSecondsFrom1601To1970) * 10000000LL + time.tv_nsec / 100;
    if (ticks < 0) ticks = 0;
    FILETIME result;
    result.dwLowDateTime = static_cast<DWORD>(static_cast<uint64_t>(ticks) & 0xFFFFFFFFu);
    result.dwHighDateTime = static_cast<DWORD>(static_cast<uint64_t>(ticks) >> 32);
    return result;
}

DWORD AttributesFromStat(const struct stat& status, const std::string& name) {
    DWORD attributes = 0;
    if (S_ISDIR(status.st_mode))
        attributes |= FILE_ATTRIBUTE_DIRECTORY;
    else
        attributes |= FILE_ATTRIBUTE_ARCHIVE;
    if ((status.st_mode & 0222) == 0) attributes |= FILE_ATTRIBUTE_READONLY;
    if (name.size() > 1 && name[0] == '.' && name != "..") attributes |= FILE_ATTRIBUTE_HIDDEN;
    return attributes;
}

} // namespace plat::detail
