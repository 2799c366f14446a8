// Whole-file operations: delete, copy, move, attributes, folders.
#include "file/handles.h"
#include "file/path.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#ifndef ERROR_NOT_SAME_DEVICE
#define ERROR_NOT_SAME_DEVICE 17L
#endif

using plat::detail::FileIdentity;
using plat::detail::FileTable;

namespace {

BOOL Fail(DWORD error) {
    SetLastError(error);
    return FALSE;
}

FileIdentity IdentityOf(const struct stat& status) {
    return FileIdentity{status.st_dev, status.st_ino};
}

bool IsReadOnly(const struct stat& status) {
    return (status.st_mode & 0222) == 0;
}

// Copies the contents, permissions and modification time of `from` into the open descriptor `to`.
bool CopyContents(int from, int to, const struct stat& status) {
    std::vector<char> buffer(1 << 16);
    for (;;) {
        ssize_t got = read(from, buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return false;
        if (got == 0) break;
        ssize_t done = 0;
        while (done < got) {
            ssize_t put = write(to, buffer.data() + done, static_cast<size_t>(got - done));
            if (put < 0 && errno == EINTR) continue;
            if (put <= 0) {
                if (put == 0) errno = ENOSPC;
                return false;
            }
            done += put;
        }
    }
    fchmod(to, status.st_mode & 07777);
    const struct timespec times[2] = {status.st_atim, status.st_mtim};
    futimens(to, times);
    return true;
}

// The copy behind CopyFileA and a move between file systems. Sets the last error on failure.
BOOL CopyFileImpl(const std::string& source, const std::string& target, bool failIfExists) {
    auto& table = FileTable::Get();
    int from = open(source.c_str(), O_RDONLY | O_CLOEXEC);
    if (from < 0) return Fail(plat::detail::ErrorFromErrno(errno, source));
    struct stat status {};
    fstat(from, &status);
    if (S_ISDIR(status.st_mode)) {
        close(from);
        return Fail(ERROR_ACCESS_DENIED);
    }
    const DWORD shareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    if (table.SharingConflict(IdentityOf(status), GENERIC_READ, shareAll)) {
        close(from);
        return Fail(ERROR_SHARING_VIOLATION);
    }
    struct stat existing {};
    bool targetExists = stat(target.c_str(), &existing) == 0;
    if (targetExists) {
        DWORD error = 0;
        if (failIfExists)
            error = ERROR_FILE_EXISTS;
        else if (IdentityOf(existing) == IdentityOf(status))
            error = ERROR_SHARING_VIOLATION; // copying a file onto itself
        else if (S_ISDIR(existing.st_mode) || IsReadOnly(existing))
            error = ERROR_ACCESS_DENIED;
        else if (table.SharingConflict(IdentityOf(existing), GENERIC_WRITE, shareAll))
            error = ERROR_SHARING_VIOLATION;
        if (error) {
            close(from);
            return Fail(error);
        }
    }
    int flags = O_WRONLY | O_CREAT | O_CLOEXEC | (failIfExists ? O_EXCL : O_TRUNC);
    int to = open(target.c_str(), flags, 0600);
    if (to < 0) {
        DWORD error = errno == EEXIST ? ERROR_FILE_EXISTS : plat::detail::ErrorFromErrno(errno, target);
        close(from);
        return Fail(error);
    }
    bool copied = CopyContents(from, to, status);
    int copyErrno = errno;
    close(from);
    if (close(to) != 0 && copied) {
        copied = false;
        copyErrno = errno;
    }
    if (!copied) {
        unlink(target.c_str()); // no half-written copy is left behind
        return Fail(plat::detail::ErrorFromErrno(copyErrno, target));
    }
    return TRUE;
}

} // namespace

extern "C" BOOL DeleteFileA(LPCSTR lpFileName) {
    if (!lpFileName || !*lpFileName) return Fail(ERROR_PATH_NOT_FOUND);
    std::string path = plat::detail::SystemPath(lpFileName);
    auto& table = FileTable::Get();
    std::lock_guard lock(table.Mutex());
    struct stat status {};
    if (lstat(path.c_str(), &status) != 0) return Fail(plat::detail::ErrorFromErrno(errno, path));
    if (S_ISDIR(status.st_mode) || IsReadOnly(status)) return Fail(ERROR_ACCESS_DENIED);
    if (table.SharingConflict(IdentityOf(status), DELETE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE))
        return Fail(ERROR_SHARING_VIOLATION);
    if (unlink(path.c_str()) != 0) return Fail(plat::detail::ErrorFromErrno(errno, path));
    return TRUE;
}

extern "C" BOOL CopyFileA(LPCSTR lpExistingFileName, LPCSTR lpNewFileName, BOOL bFailIfExists) {
    if (!lpExistingFileName || !lpNewFileName || !*lpExistingFileName || !*lpNewFileName)
        return Fail(ERROR_PATH_NOT_FOUND);
    std::string source = plat::detail::SystemPath(lpExistingFileName);
    std::string target = plat::detail::SystemPath(lpNewFileName);
    std::lock_guard lock(FileTable::Get().Mutex());
    return CopyFileImpl(source, target, bFailIfExists != FALSE);
}

extern "C" BOOL MoveFileA(LPCSTR lpExistingFileName, LPCSTR lpNewFileName) {
    if (!lpExistingFileName || !lpNewFileName || !*lpExistingFileName || !*lpNewFileName)
        return Fail(ERROR_PATH_NOT_FOUND);
    std::string source = plat::detail::SystemPath(lpExistingFileName);
    std::string target = plat::detail::SystemPath(lpNewFileName);
    auto& table = FileTable::Get();
    std::lock_guard lock(table.Mutex());
    struct stat status {};
    if (lstat(source.c_str(), &status) != 0) return Fail(plat::detail::ErrorFromErrno(errno, source));
    if (target == source) {
        // The new name differs from the old one only in case: it found the file itself. Keep the
        // new spelling of the last component.
        target = plat::detail::DirName(source) + "/" +
                 plat::detail::BaseName(plat::detail::ToNative(lpNewFileName));
    }
    if (table.SharingConflict(IdentityOf(status), DELETE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE))
        return Fail(ERROR_SHARING_VIOLATION);
    struct stat existing {};
    if (lstat(target.c_str(), &existing) == 0) {
        // Renaming a file to another spelling of its own name only changes its case.
        if (IdentityOf(existing) != IdentityOf(status)) return Fail(ERROR_ALREADY_EXISTS);
    }
    if (rename(source.c_str(), target.c_str()) == 0) {
        table.Renamed(IdentityOf(status), target);
        return TRUE;
    }
    if (errno != EXDEV) return Fail(plat::detail::ErrorFromErrno(errno, target));
    if (S_ISDIR(status.st_mode)) return Fail(ERROR_NOT_SAME_DEVICE);
    if (!CopyFileImpl(source, target, true)) return FALSE;
    if (unlink(source.c_str()) != 0) {
        DWORD error = plat::detail::ErrorFromErrno(errno, source);
        unlink(target.c_str());
        return Fail(error);
    }
    return TRUE;
}

extern "C" DWORD GetFileAttributesA(LPCSTR lpFileName) {
    if (!lpFileName || !*lpFileName) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return INVALID_FILE_ATTRIBUTES;
    }
    std::string path = plat::detail::SystemPath(lpFileName);
    struct stat status {};
    if (stat(path.c_str(), &status) != 0 && lstat(path.c_str(), &status) != 0) {
        SetLastError(plat::detail::ErrorFromErrno(errno, path));
        return INVALID_FILE_ATTRIBUTES;
    }
    return plat::detail::AttributesFromStat(status, plat::detail::BaseName(path));
}

extern "C" BOOL CreateDirectoryA(LPCSTR lpPathName, LPSECURITY_ATTRIBUTES lpSecurityAttributes) {
    if (!lpPathName || !*lpPathName) return Fail(ERROR_PATH_NOT_FOUND);
    std::string path = plat::detail::SystemPath(lpPathName);
    if (mkdir(path.c_str(), 0777) != 0) return Fail(plat::detail::ErrorFromErrno(errno, path));
    return TRUE;
}

extern "C" BOOL RemoveDirectoryA(LPCSTR lpPathName) {
    if (!lpPathName || !*lpPathName) return Fail(ERROR_PATH_NOT_FOUND);
    std::string path = plat::detail::SystemPath(lpPathName);
    if (rmdir(path.c_str()) != 0)
        return Fail(errno == ENOTDIR ? ERROR_DIRECTORY : plat::detail::ErrorFromErrno(errno, path));
    return TRUE;
}
