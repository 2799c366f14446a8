// File operations of the store that must survive a crash: whole-file writes that reach the disk before
// they are renamed into place, renames that never replace a file, folder syncs after a rename, and the
// store's lock. Failures give the errno of the step that failed (*code), which store_problem.h puts into
// words.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tavrin::ebook {

// The whole file, or nullopt and *error when it cannot be read. *code (may be null) is then ENOENT for
// a missing file, EINVAL for one that is not a regular file (a folder, a FIFO, a device), EFBIG for one
// larger than `cap` bytes, EIO for one that ends before its size, else the errno of the failed call.
std::optional<std::string> ReadWholeFile(const std::string& path, uint64_t cap, std::string* error,
                                         int* code = nullptr);

// Writes `bytes` to `path` (created or truncated, never through a symbolic link) and flushes it to the
// disk. false and *code on failure.
bool WriteFileSynced(const std::string& path, std::string_view bytes, int* code);

// Renames `from` to `to` unless `to` exists. false and *code (EEXIST when it does) on failure.
bool RenameNoReplace(const std::string& from, const std::string& to, int* code);

// Flushes a folder's entries (after a rename or unlink in it).
bool SyncFolder(const std::string& folder);

// Creates `folder` and its parents as needed. false, *code and *failedPath on failure.
bool MakeFolders(const std::string& folder, int* code, std::string* failedPath);

bool FolderExists(const std::string& folder);

// An exclusive lock on "<folder>/.lock" for as long as the object lives; the system drops it when the
// process dies, so a killed writer never blocks the store. The lock file is opened without following a
// symbolic link, and only a regular file is locked. Another holder is waited for, sleeping between
// tries, for at most `wait`; then the lock is not held and Why() says so.
class FolderLock {
  public:
    static constexpr std::chrono::milliseconds kWait{2000};

    explicit FolderLock(const std::string& folder, std::chrono::milliseconds wait = kWait);
    ~FolderLock();
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;
    bool Held() const { return fd_ >= 0; }
    // Why the lock is not held, in words for the user.
    const std::string& Why() const { return why_; }

  private:
    int fd_ = -1;
    std::string why_;
};

} // namespace tavrin::ebook
