// Replacing a file atomically: a temporary file beside it, flushed, then renamed over it.
#include "atomic_file.h"

#include "plat/registry.h"

#include <cerrno>
#include <fcntl.h>
#include <system_error>
#include <unistd.h>

namespace tavrin::host {

namespace {

std::string ErrnoText(int code) {
    return std::error_code(code, std::generic_category()).message();
}

// Flushes the folder's entries to the disk, so that a rename in it outlives a crash. Some file systems
// cannot flush a folder (EINVAL); their renames are as safe as they can be made.
bool SyncFolder(const std::filesystem::path& folder, std::string* error) {
    const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        *error = "cannot open the folder " + folder.string() + " to flush it: " + ErrnoText(errno);
        return false;
    }
    const bool synced = fsync(fd) == 0 || errno == EINVAL;
    const int code = errno;
    close(fd);
    if (!synced) *error = "cannot flush the folder " + folder.string() + ": " + ErrnoText(code);
    return synced;
}

} // namespace

std::string LastErrorText() {
    const DWORD code = GetLastError();
    return plat::ErrorCodeText(static_cast<LONG>(code)) + ": " +
           plat::ErrorDescription(static_cast<LONG>(code));
}

bool WriteFileAtomically(const std::filesystem::path& path, const WriteInto& write, std::string* error) {
    const std::filesystem::path folder = path.has_parent_path() ? path.parent_path() : ".";
    // A name of this process's own: two programs saving at once never write into one temporary file.
    // (Built with append: GCC 12 warns wrongly about "literal" + std::string at -O3.)
    std::string name(".");
    name.append(path.filename().string()).append(".").append(std::to_string(getpid())).append(".new");
    const std::filesystem::path temp = folder / name;
    SetLastError(ERROR_SUCCESS);
    HANDLE file =
        CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        *error = "cannot create " + temp.string() + ": " + LastErrorText();
        return false;
    }
    std::string failure;
    if (!write(file, &failure))
        failure = "cannot write " + temp.string() + ": " + failure;
    else if (!FlushFileBuffers(file))
        failure = "cannot flush " + temp.string() + " to the disk: " + LastErrorText();
    CloseHandle(file);
    if (failure.empty() && rename(temp.c_str(), path.c_str()) != 0)
        failure = "cannot rename " + temp.string() + " to " + path.string() + ": " + ErrnoText(errno);
    if (!failure.empty()) {
        unlink(temp.c_str());
        *error = failure;
        return false;
    }
    return SyncFolder(folder, error);
}

} // namespace tavrin::host
