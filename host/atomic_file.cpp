// Replacing a file atomically: a temporary file beside it, flushed, then renamed over it.
#include "atomic_file.h"

#include "plat/registry.h"

#include <cerrno>
#include <csignal>
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

// ".NAME.<pid>.new": the temporary file a save of `name` by process <pid> writes into.
std::string TemporaryName(const std::string& name, pid_t pid) {
    // (Built with append: GCC 12 warns wrongly about "literal" + std::string at -O3.)
    std::string temporary(".");
    temporary.append(name).append(".").append(std::to_string(pid)).append(".new");
    return temporary;
}

// The process whose save left `entry`, when it is such a temporary file of `name`; 0 otherwise.
pid_t SaverOf(const std::string& entry, const std::string& name) {
    const std::string head = "." + name + ".", tail = ".new";
    if (entry.size() <= head.size() + tail.size() || entry.compare(0, head.size(), head) != 0 ||
        entry.compare(entry.size() - tail.size(), tail.size(), tail) != 0)
        return 0;
    const std::string digits = entry.substr(head.size(), entry.size() - head.size() - tail.size());
    if (digits.size() > 9 || digits.find_first_not_of("0123456789") != std::string::npos) return 0;
    return static_cast<pid_t>(std::stol(digits));
}

// Removes the temporary files that saves of `path` by programs no longer running left behind (a
// program killed while it saved): only files named as this code names them, never one of a program
// still running, which may be saving right now.
void RemoveLeftovers(const std::filesystem::path& folder, const std::string& name) {
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
        const pid_t pid = SaverOf(entry.path().filename().string(), name);
        if (pid <= 0 || pid == getpid()) continue;
        if (kill(pid, 0) == 0 || errno != ESRCH) continue; // running (or not ours to ask about)
        std::error_code ignored;
        if (entry.is_regular_file(ignored)) std::filesystem::remove(entry.path(), ignored);
    }
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
    const std::filesystem::path temp = folder / TemporaryName(path.filename().string(), getpid());
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
    RemoveLeftovers(folder, path.filename().string());
    return SyncFolder(folder, error);
}

} // namespace tavrin::host
