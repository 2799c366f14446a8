// CreateFileA and the calls that read, write, move in and close an open file.
#include "file/handles.h"
#include "file/path.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using plat::detail::FileIdentity;
using plat::detail::FileTable;
using plat::detail::OpenFile;

namespace {

FileIdentity IdentityOf(const struct stat& status) {
    return FileIdentity{status.st_dev, status.st_ino};
}

int OpenFlags(DWORD access) {
    bool read = plat::detail::WantsRead(access);
    bool write = plat::detail::WantsWrite(access);
    if (read && write) return O_RDWR;
    if (write) return O_WRONLY;
    if (read) return O_RDONLY;
    return O_PATH; // a handle that only asks about the file
}

HANDLE Fail(DWORD error) {
    SetLastError(error);
    return INVALID_HANDLE_VALUE;
}

// Finds the handle in the table or sets ERROR_INVALID_HANDLE. The caller holds the table's lock.
OpenFile* Lookup(HANDLE handle) {
    OpenFile* file = FileTable::Get().Find(handle);
    if (!file) SetLastError(ERROR_INVALID_HANDLE);
    return file;
}

} // namespace

extern "C" HANDLE CreateFileA(LPCSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode,
                              LPSECURITY_ATTRIBUTES lpSecurityAttributes, DWORD dwCreationDisposition,
                              DWORD dwFlagsAndAttributes, HANDLE hTemplateFile) {
    if (!lpFileName || !*lpFileName) return Fail(ERROR_PATH_NOT_FOUND);
    if (dwCreationDisposition < CREATE_NEW || dwCreationDisposition > TRUNCATE_EXISTING)
        return Fail(ERROR_INVALID_PARAMETER);
    if (dwFlagsAndAttributes & FILE_FLAG_OVERLAPPED)
        return Fail(ERROR_INVALID_PARAMETER); // asynchronous input and output is not offered
    if (dwCreationDisposition == TRUNCATE_EXISTING && !plat::detail::WantsWrite(dwDesiredAccess))
        return Fail(ERROR_INVALID_PARAMETER);

    const bool deleteOnClose = (dwFlagsAndAttributes & FILE_FLAG_DELETE_ON_CLOSE) != 0;
    const DWORD access = dwDesiredAccess | (deleteOnClose ? DELETE : 0);
    const std::string path = plat::detail::SystemPath(lpFileName);
    const std::string given = plat::detail::ToNative(lpFileName);
    if (!given.empty() && given.back() == '/') return Fail(ERROR_PATH_NOT_FOUND);

    auto& table = FileTable::Get();
    std::lock_guard lock(table.Mutex());

    // Sharing is checked before anything changes, so a refused CREATE_ALWAYS truncates nothing.
    struct stat before {};
    if (stat(path.c_str(), &before) == 0) {
        if (S_ISDIR(before.st_mode) && !(dwFlagsAndAttributes & FILE_FLAG_BACKUP_SEMANTICS))
            return Fail(dwCreationDisposition == CREATE_NEW ? ERROR_FILE_EXISTS : ERROR_ACCESS_DENIED);
        if (table.DeletePending(IdentityOf(before))) return Fail(ERROR_ACCESS_DENIED);
        if (table.SharingConflict(IdentityOf(before), access, dwShareMode))
            return Fail(ERROR_SHARING_VIOLATION);
    }

    const int baseFlags = OpenFlags(dwDesiredAccess) | O_CLOEXEC;
    const mode_t mode = (dwFlagsAndAttributes & FILE_ATTRIBUTE_READONLY) ? 0444 : 0666;
    bool existed = false;
    int fd = -1;
    switch (dwCreationDisposition) {
    case CREATE_NEW:
        fd = open(path.c_str(), (baseFlags & ~O_PATH) | O_CREAT | O_EXCL, mode);
        if (fd < 0 && errno == EEXIST) return Fail(ERROR_FILE_EXISTS);
        break;
    case CREATE_ALWAYS:
    case OPEN_ALWAYS:
        fd = open(path.c_str(), (baseFlags & ~O_PATH) | O_CREAT | O_EXCL, mode);
        if (fd < 0 && errno == EEXIST) {
            existed = true;
            int flags = baseFlags;
            if (dwCreationDisposition == CREATE_ALWAYS) flags = (flags & ~O_PATH) | O_TRUNC;
            fd = open(path.c_str(), flags);
        }
        break;
    case OPEN_EXISTING:
        fd = open(path.c_str(), baseFlags);
        break;
    case TRUNCATE_EXISTING:
        fd = open(path.c_str(), baseFlags | O_TRUNC);
        break;
    }
    if (fd < 0) return Fail(plat::detail::ErrorFromErrno(errno, path));

    struct stat status {};
    fstat(fd, &status);
    if (S_ISDIR(status.st_mode) && !(dwFlagsAndAttributes & FILE_FLAG_BACKUP_SEMANTICS)) {
        close(fd);
        return Fail(ERROR_ACCESS_DENIED);
    }

    OpenFile file;
    file.fd = fd;
    file.path = path;
    file.access = access;
    file.share = dwShareMode;
    file.deleteOnClose = deleteOnClose;
    file.identity = IdentityOf(status);
    HANDLE handle = table.Add(file);
    if (dwCreationDisposition == CREATE_ALWAYS || dwCreationDisposition == OPEN_ALWAYS)
        SetLastError(existed ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
    return handle;
}

extern "C" BOOL ReadFile(HANDLE hFile, LPVOID lpBuffer, DWORD nNumberOfBytesToRead,
                         LPDWORD lpNumberOfBytesRead, LPOVERLAPPED lpOverlapped) {
    if (lpNumberOfBytesRead) *lpNumberOfBytesRead = 0;
    auto& table = FileTable::Get();
    std::lock_guard lock(table.Mutex());
    OpenFile* file = Lookup(hFile);
    if (!file) return FALSE;
    if (lpOverlapped) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (!plat::detail::WantsRead(file->access)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    if (!lpBuffer && nNumberOfBytesToRead) {
        SetLastError(ERROR_NOACCESS);
        return FALSE;
    }
    DWORD total = 0;
    char* out = static_cast<char*>(lpBuffer);
    while (total < nNumberOfBytesToRead) {
        ssize_t got = read(file->fd, out + total, nNumberOfBytesToRead - total);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            SetLastError(plat::detail::ErrorFromErrno(errno, file->path));
            if (lpNumberOfBytesRead) *lpNumberOfBytesRead = total;
            return FALSE;
        }
        if (got == 0) break; // end of file: success with fewer bytes
        total += static_cast<DWORD>(got);
    }
    if (lpNumberOfBytesRead) *lpNumberOfBytesRead = total;
    return TRUE;
}

extern "C" BOOL WriteFile(HANDLE hFile, LPCVOID lpBuffer, DWORD nNumberOfBytesToWrite,
                          LPDWORD lpNumberOfBytesWritten, LPOVERLAPPED lpOverlapped) {
    if (lpNumberOfBytesWritten) *lpNumberOfBytesWritten = 0;
    auto& table = FileTable::Get();
    std::lock_guard lock(table.Mutex());
    OpenFile* file = Lookup(hFile);
    if (!file) return FALSE;
    if (lpOverlapped) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (!plat::detail::WantsWrite(file->access)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    if (!lpBuffer && nNumberOfBytesToWrite) {
        SetLastError(ERROR_NOACCESS);
        return FALSE;
    }
    DWORD total = 0;
    const char* in = static_cast<const char*>(lpBuffer);
    while (total < nNumberOfBytesToWrite) {
        ssize_t put = write(file->fd, in + total, nNumberOfBytesToWrite - total);
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) {
            SetLastError(put < 0 ? plat::detail::ErrorFromErrno(errno, file->path) : ERROR_DISK_FULL);
            if (lpNumberOfBytesWritten) *lpNumberOfBytesWritten = total;
            return FALSE;
        }
        total += static_cast<DWORD>(put);
    }
    if (lpNumberOfBytesWritten) *lpNumberOfBytesWritten = total;
    return TRUE;
}

extern "C" DWORD SetFilePointer(HANDLE hFile, LONG lDistanceToMove, PLONG lpDistanceToMoveHigh,
                                DWORD dwMoveMethod) {
    auto& table = FileTable::Get();
    std::lock_guard lock(table.Mutex());
    OpenFile* file = Lookup(hFile);
    if (!file) return INVALID_SET_FILE_POINTER;

    int64_t distance = lpDistanceToMoveHigh
                           ? static_cast<int64_t>(
                                 (static_cast<uint64_t>(static_cast<uint32_t>(*lpDistanceToMoveHigh)) << 32) |
                                 static_cast<uint32_t>(lDistanceToMove))
                           : static_cast<int64_t>(lDistanceToMove);
    int64_t base = 0;
    if (dwMoveMethod == FILE_CURRENT) {
        base = lseek(file->fd, 0, SEEK_CUR);
    } else if (dwMoveMethod == FILE_END) {
        struct stat status {};
        base = fstat(file->fd, &status) == 0 ? status.st_size : -1;
    } else if (dwMoveMethod != FILE_BEGIN) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_SET_FILE_POINTER;
    }
    if (base < 0) {
        SetLastError(plat::detail::ErrorFromErrno(errno, file->path));
        return INVALID_SET_FILE_POINTER;
    }
    if ((distance > 0 && base > INT64_MAX - distance)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_SET_FILE_POINTER;
    }
    int64_t target = base + distance;
    if (target < 0) {
        SetLastError(ERROR_NEGATIVE_SEEK);
        return INVALID_SET_FILE_POINTER;
    }
    if (!lpDistanceToMoveHigh && target > 0xFFFFFFFELL) {
        // Without a high part the position must fit in 32 bits (and not look like the error value).
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_SET_FILE_POINTER;
    }
    if (lseek(file->fd, target, SEEK_SET) < 0) {
        SetLastError(plat::detail::ErrorFromErrno(errno, file->path));
        return INVALID_SET_FILE_POINTER;
    }
    if (lpDistanceToMoveHigh) *lpDistanceToMoveHigh = static_cast<LONG>(static_cast<uint64_t>(target) >> 32);
    SetLastError(NO_ERROR); // callers tell a real 0xFFFFFFFF position from a failure by this
    return static_cast<DWORD>(static_cast<uint64_t>(target) & 0xFFFFFFFFu);
}

extern "C" DWORD GetFileSize(HANDLE hFile, LPDWORD lpFileSizeHigh) {
    auto& table = FileTable::Get();
    std::lock_guard lock(table.Mutex());
    OpenFile* file = Lookup(hFile);
    if (!file) return INVALID_FILE_SIZE;
    struct stat status {};
    if (fstat(file->fd, &status) != 0) {
        SetLastError(plat::detail::ErrorFromErrno(errno, file->path));
        return INVALID_FILE_SIZE;
    }
    uint64_t size = static_cast<uint64_t>(status.st_size);
    if (lpFileSizeHigh) *lpFileSizeHigh = static_cast<DWORD>(size >> 32);
    SetLastError(NO_ERROR);
    return static_cast<DWORD>(size & 0xFFFFFFFFu);
}

extern "C" BOOL SetEndOfFile(HANDLE hFile) {
    auto& table = FileTable::Get();
    std::lock_guard lock(table.Mutex());
    OpenFile* file = Lookup(hFile);
    if (!file) return FALSE;
    if (!plat::detail::WantsWrite(file->access)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    off_t position = lseek(file->fd, 0, SEEK_CUR);
    if (position < 0 || ftruncate(file->fd, position) != 0) {
        SetLastError(plat::detail::ErrorFromErrno(errno, file->path));
        return FALSE;
    }
    return TRUE;
}

extern "C" BOOL FlushFileBuffers(HANDLE hFile) {
    auto& table = FileTable::Get();
    std::lock_guard lock(table.Mutex());
    OpenFile* file = Lookup(hFile);
    if (!file) return FALSE;
    if (!plat::detail::WantsWrite(file->access)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    if (fsync(file->fd) != 0) {
        SetLastError(plat::detail::ErrorFromErrno(errno, file->path));
        return FALSE;
    }
    return TRUE;
}

extern "C" BOOL CloseHandle(HANDLE hObject) {
    auto& table = FileTable::Get();
    std::lock_guard lock(table.Mutex());
    if (!table.Close(hObject)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return TRUE;
}
