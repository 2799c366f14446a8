#include "ebook/durable_file.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tavrin::ebook {
namespace {

std::string Why(const std::string& path) {
    return path + ": " + std::strerror(errno);
}

} // namespace

std::optional<std::string> ReadWholeFile(const std::string& path, uint64_t cap, std::string* error) {
    // O_NONBLOCK: a FIFO or device given as a book must not hang the caller; regular files ignore it.
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        *error = Why(path);
        return std::nullopt;
    }
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || static_cast<uint64_t>(st.st_size) > cap) {
        *error = path + ": not a regular file or too large";
        close(fd);
        return std::nullopt;
    }
    std::string bytes(static_cast<size_t>(st.st_size), '\0');
    size_t got = 0;
    while (got < bytes.size()) {
        ssize_t n = read(fd, bytes.data() + got, bytes.size() - got);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        got += static_cast<size_t>(n);
    }
    close(fd);
    if (got != bytes.size()) {
        *error = path + ": short read";
        return std::nullopt;
    }
    return bytes;
}

bool WriteFileSynced(const std::string& path, std::string_view bytes, std::string* error) {
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        *error = Why(path);
        return false;
    }
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            *error = Why(path);
            close(fd);
            return false;
        }
        done += static_cast<size_t>(n);
    }
    if (fsync(fd) != 0) {
        *error = Why(path);
        close(fd);
        return false;
    }
    if (close(fd) != 0) {
        *error = Why(path);
        return false;
    }
    return true;
}

bool SyncFolder(const std::string& folder) {
    int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return false;
    bool ok = fsync(fd) == 0;
    close(fd);
    return ok;
}

bool MakeFolders(const std::string& folder, std::string* error) {
    if (folder.empty()) {
        *error = "no store folder";
        return false;
    }
    for (size_t slash = folder.find('/', 1);; slash = folder.find('/', slash + 1)) {
        std::string part = folder.substr(0, slash);
        if (!part.empty() && mkdir(part.c_str(), 0755) != 0 && errno != EEXIST) {
            *error = Why(part);
            return false;
        }
        if (slash == std::string::npos) break;
    }
    if (!FolderExists(folder)) {
        *error = folder + ": not a folder";
        return false;
    }
    return true;
}

bool FolderExists(const std::string& folder) {
    struct stat st {};
    return stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

FolderLock::FolderLock(const std::string& folder) {
    fd_ = open((folder + "/.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd_ < 0) return;
    while (flock(fd_, LOCK_EX) != 0) {
        if (errno != EINTR) {
            close(fd_);
            fd_ = -1;
            return;
        }
    }
}

FolderLock::~FolderLock() {
    if (fd_ >= 0) close(fd_); // closing drops the lock
}

} // namespace tavrin::ebook
