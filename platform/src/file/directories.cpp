// The current directory and temporary files.
#include "file/path.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

// Copies `text` into a caller's buffer the way the platform's "get a path" calls do: the length
// without the terminator when it fits, else the size needed including the terminator.
DWORD CopyOut(const std::string& text, DWORD bufferLength, LPSTR buffer) {
    if (!buffer || bufferLength <= text.size()) return static_cast<DWORD>(text.size() + 1);
    std::memcpy(buffer, text.c_str(), text.size() + 1);
    return static_cast<DWORD>(text.size());
}

} // namespace

extern "C" DWORD GetCurrentDirectoryA(DWORD nBufferLength, LPSTR lpBuffer) {
    std::vector<char> buffer(4096);
    while (!getcwd(buffer.data(), buffer.size())) {
        if (errno != ERANGE || buffer.size() > (1u << 20)) {
            SetLastError(plat::detail::ErrorFromErrno(errno, "."));
            return 0;
        }
        buffer.resize(buffer.size() * 2);
    }
    return CopyOut(buffer.data(), nBufferLength, lpBuffer);
}

extern "C" BOOL SetCurrentDirectoryA(LPCSTR lpPathName) {
    if (!lpPathName || !*lpPathName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::string path = plat::detail::SystemPath(lpPathName);
    if (chdir(path.c_str()) != 0) {
        SetLastError(errno == ENOTDIR ? ERROR_DIRECTORY : plat::detail::ErrorFromErrno(errno, path));
        return FALSE;
    }
    return TRUE;
}

extern "C" DWORD GetTempPathA(DWORD nBufferLength, LPSTR lpBuffer) {
    // The platform looks at TMP, then TEMP; TMPDIR is where this system keeps the same setting.
    std::string folder = "/tmp";
    for (const char* name : {"TMP", "TEMP", "TMPDIR"}) {
        const char* value = std::getenv(name);
        if (value && *value) {
            folder = plat::detail::MakeAbsolute(plat::detail::ToNative(value));
            break;
        }
    }
    if (folder.back() != '/') folder += '/';
    return CopyOut(folder, nBufferLength, lpBuffer);
}

extern "C" UINT GetTempFileNameA(LPCSTR lpPathName, LPCSTR lpPrefixString, UINT uUnique,
                                 LPSTR lpTempFileName) {
    if (!lpPathName || !lpTempFileName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::string folder = lpPathName;
    if (!folder.empty() && folder.back() != '/' && folder.back() != '\\') folder += '/';
    std::string prefix = lpPrefixString ? std::string(lpPrefixString).substr(0, 3) : std::string();

    auto format = [&](UINT number) {
        char name[32];
        std::snprintf(name, sizeof name, "%X.tmp", number & 0xFFFFu);
        return folder + prefix + name;
    };
    auto deliver = [&](const std::string& name, UINT number) -> UINT {
        std::memcpy(lpTempFileName, name.c_str(), name.size() + 1);
        return number;
    };

    // The longest name this can make must fit in MAX_PATH characters.
    if (format(0xFFFF).size() >= MAX_PATH) {
        SetLastError(ERROR_BUFFER_OVERFLOW);
        return 0;
    }
    if (uUnique != 0) return deliver(format(uUnique), uUnique & 0xFFFFu);

    std::string systemFolder = plat::detail::SystemPath(folder.c_str());
    struct stat status {};
    if (stat(systemFolder.c_str(), &status) != 0 || !S_ISDIR(status.st_mode)) {
        SetLastError(ERROR_DIRECTORY);
        return 0;
    }
    struct timespec now {};
    clock_gettime(CLOCK_REALTIME, &now);
    UINT number = static_cast<UINT>((now.tv_nsec / 1000 + getpid()) & 0xFFFF);
    for (int attempt = 0; attempt < 0xFFFF; ++attempt) {
        if (number == 0) number = 1;
        std::string name = format(number);
        std::string systemName = systemFolder + "/" + plat::detail::BaseName(name);
        int fd = open(systemName.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            close(fd);
            return deliver(name, number);
        }
        if (errno != EEXIST) {
            SetLastError(plat::detail::ErrorFromErrno(errno, systemName));
            return 0;
        }
        number = (number + 1) & 0xFFFF;
    }
    SetLastError(ERROR_FILE_EXISTS);
    return 0;
}
