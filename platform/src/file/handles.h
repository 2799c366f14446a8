// The table of open file handles: sharing between handles to one file, delete-on-close, counts.
#pragma once

#include "win/winbase.h"

#include <map>
#include <mutex>
#include <string>
#include <sys/types.h>

namespace plat::detail {

// A fresh value for a file or search handle: never NULL, never INVALID_HANDLE_VALUE, never reused.
HANDLE NewHandleValue();

struct FileIdentity {
    dev_t device = 0;
    ino_t inode = 0;
    auto operator<=>(const FileIdentity&) const = default;
};

struct OpenFile {
    int fd = -1;
    std::string path; // system path the handle was opened with (kept up to date by MoveFileA)
    DWORD access = 0; // GENERIC_* / FILE_* / DELETE bits as asked
    DWORD share = 0;  // FILE_SHARE_* bits
    bool deleteOnClose = false;
    FileIdentity identity;
};

bool WantsRead(DWORD access);
bool WantsWrite(DWORD access);
bool WantsDelete(DWORD access);

class FileTable {
  public:
    static FileTable& Get();

    std::mutex& Mutex() { return mutex_; }

    HANDLE Add(const OpenFile& file);
    OpenFile* Find(HANDLE handle);
    // Closes the descriptor and forgets the handle. When it was the last handle to a file that a
    // handle opened with FILE_FLAG_DELETE_ON_CLOSE, the file is deleted.
    bool Close(HANDLE handle);

    // Whether opening the file with `access` and `share` is refused because of handles already open:
    // each side must share what the other asked for.
    bool SharingConflict(const FileIdentity& identity, DWORD access, DWORD share) const;
    // Whether a handle with FILE_FLAG_DELETE_ON_CLOSE was closed and the file waits for the others.
    bool DeletePending(const FileIdentity& identity) const;
    // After MoveFileA: handles to the file now name it by its new path.
    void Renamed(const FileIdentity& identity, const std::string& newPath);

    size_t Count() const { return files_.size(); }

    ~FileTable();

  private:
    FileTable();
    bool StillOpen(const FileIdentity& identity) const;

    std::mutex mutex_;
    std::map<HANDLE, OpenFile> files_;
    std::map<FileIdentity, std::string> pendingDeletes_;
    pid_t owner_;
};

} // namespace plat::detail
