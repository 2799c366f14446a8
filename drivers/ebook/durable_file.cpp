#include "ebook/durable_file.h"

#include "ebook/store_problem.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace tavrin::ebook {
namespace {

bool Fail(int* code, int value) {
    if (code) *code = value;
    return false;
}

} // namespace

std::optional<std::string> ReadWholeFile(const std::string& path, uint64_t cap, std::string* error,
                                         int* code) {
    // O_NONBLOCK: a FIFO or device given as a book must not hang the caller; regular files ignore it.
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        Fail(code, errno);
        *error = path + " cannot be read: " + std::strerror(errno);
        return std::nullopt;
    }
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        Fail(code, EINVAL);
        *error = path + " is not a file";
        close(fd);
        return std::nullopt;
    }
    if (static_cast<uint64_t>(st.st_size) > cap) {
        Fail(code, EFBIG);
        *error = path + " is larger than " + std::to_string(cap >> 20) + " MB, the most this file may hold";
        close(fd);
        return std::nullopt;
    }
    std::string bytes(static_cast<size_t>(st.st_size), '\0');
    size_t got = 0;
    int readError = 0;
    while (got < bytes.size()) {
        ssize_t n = read(fd, bytes.data() + got, bytes.size() - got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) readError = errno;
        if (n <= 0) break;
        got += static_cast<size_t>(n);
    }
    close(fd);
    if (got != bytes.size()) {
        Fail(code, readError ? readError : EIO);
        *error =
            path + " cannot be read: " + (readError ? std::strerror(readError) : "it ends before its size");
        return std::nullopt;
    }
    return bytes;
}

bool WriteFileSynced(const std::string& path, std::string_view bytes, int* code) {
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0644);
    if (fd < 0) return Fail(code, errno);
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            int why = n < 0 ? errno : ENOSPC;
            close(fd);
            return Fail(code, why);
        }
        done += static_cast<size_t>(n);
    }
    if (fsync(fd) != 0) {
        int why = errno;
        close(fd);
        return Fail(code, why);
    }
    if (close(fd) != 0) return Fail(code, errno);
    return true;
}

bool RenameNoReplace(const std::string& from, const std::string& to, int* code) {
    if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
    if (errno != EINVAL && errno != ENOSYS) return Fail(code, errno);
    // A file system without RENAME_NOREPLACE: a hard link fails as well when `to` exists.
    if (link(from.c_str(), to.c_str()) != 0) return Fail(code, errno);
    unlink(from.c_str());
    return true;
}

bool SyncFolder(const std::string& folder) {
    int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return false;
    bool ok = fsync(fd) == 0;
    close(fd);
    return ok;
}

bool MakeFolders(const std::string& folder, int* code, std::string* failedPath) {
    *failedPath = folder;
    if (folder.empty()) return Fail(code, ENOENT);
    for (size_t slash = folder.find('/', 1);; slash = folder.find('/', slash + 1)) {
        std::string part = folder.substr(0, slash);
        if (!part.empty() && mkdir(part.c_str(), 0755) != 0 && errno != EEXIST) {
            *failedPath = part;
            return Fail(code, errno);
        }
        if (slash == std::string::npos) break;
    }
    if (!FolderExists(folder)) return Fail(code, ENOTDIR);
    return true;
}

bool FolderExists(const std::string& folder) {
    struct stat st {};
    return stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

FolderLock::FolderLock(const std::string& folder, std::chrono::milliseconds wait) {
    const std::string path = folder + "/.lock";
    // Never through a symbolic link: a link planted there must not make the store create or lock
    // another file.
    fd_ = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
    if (fd_ < 0) {
        why_ = errno == ELOOP ? "the store's lock file " + path +
                                    " is a symbolic link, which the store does not follow: remove the link"
                              : DescribeStoreWrite(errno, folder, path);
        return;
    }
    struct stat st {};
    if (fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
        why_ = "the store's lock file " + path + " is not a file: remove it";
        close(fd_);
        fd_ = -1;
        return;
    }
    const auto deadline = std::chrono::steady_clock::now() + wait;
    while (flock(fd_, LOCK_EX | LOCK_NB) != 0) {
        const int err = errno;
        if (err == EINTR) continue;
        const auto now = std::chrono::steady_clock::now();
        if (err != EWOULDBLOCK || now >= deadline) {
            why_ = err == EWOULDBLOCK ? "the store " + folder + " is locked by another program"
                                      : "the store " + folder + " cannot be locked: " + std::strerror(err);
            close(fd_);
            fd_ = -1;
            return;
        }
        // Another process holds the store for an add or delete: sleep a little before the next try.
        std::this_thread::sleep_for(
            std::min<std::chrono::steady_clock::duration>(std::chrono::milliseconds(25), deadline - now));
    }
}

FolderLock::~FolderLock() {
    if (fd_ >= 0) close(fd_); // closing drops the lock
}

} // namespace tavrin::ebook
