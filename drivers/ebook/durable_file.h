// File operations of the store that must survive a crash: whole-file writes that reach the disk before
// they are renamed into place, folder syncs after a rename, and the store's lock.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tavrin::ebook {

// The whole file, or nullopt when it cannot be read or is larger than `cap` bytes.
std::optional<std::string> ReadWholeFile(const std::string& path, uint64_t cap, std::string* error);

// Writes `bytes` to `path` (created or truncated) and flushes it to the disk.
bool WriteFileSynced(const std::string& path, std::string_view bytes, std::string* error);

// Flushes a folder's entries (after a rename or unlink in it).
bool SyncFolder(const std::string& folder);

// Creates `folder` and its parents as needed.
bool MakeFolders(const std::string& folder, std::string* error);

bool FolderExists(const std::string& folder);

// An exclusive lock on "<folder>/.lock" for as long as the object lives; the system drops it when the
// process dies, so a killed writer never blocks the store.
class FolderLock {
  public:
    explicit FolderLock(const std::string& folder);
    ~FolderLock();
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;
    bool Held() const { return fd_ >= 0; }

  private:
    int fd_ = -1;
};

} // namespace tavrin::ebook
