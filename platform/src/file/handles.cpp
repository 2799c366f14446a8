// The table of open file handles.
#include "file/handles.h"

#include "file/path.h"
#include "plat/files.h"

#include <atomic>
#include <sys/stat.h>
#include <unistd.h>

namespace plat::detail {

HANDLE NewHandleValue() {
    // Values step by four from 0x10000, as kernel handles do; they are never dereferenced.
    static std::atomic<uintptr_t> next{0x10000};
    return reinterpret_cast<HANDLE>(next.fetch_add(4));
}

bool WantsRead(DWORD access) {
    return (access & (GENERIC_READ | GENERIC_ALL | FILE_READ_DATA)) != 0;
}
bool WantsWrite(DWORD access) {
    return (access & (GENERIC_WRITE | GENERIC_ALL | FILE_WRITE_DATA | FILE_APPEND_DATA)) != 0;
}
bool WantsDelete(DWORD access) {
    return (access & (DELETE | GENERIC_ALL)) != 0;
}

namespace {

bool SameFile(const std::string& path, const FileIdentity& identity) {
    struct stat status {};
    return lstat(path.c_str(), &status) == 0 && status.st_dev == identity.device &&
           status.st_ino == identity.inode;
}

} // namespace

FileTable::FileTable() : owner_(getpid()) {}

FileTable::~FileTable() {
    // Process exit closes every handle, so files marked for deletion on close go now. A forked child
    // leaving through exit() must not delete what its parent still uses.
    if (getpid() != owner_) return;
    for (auto& [handle, file] : files_) {
        if (file.deleteOnClose) pendingDeletes_[file.identity] = file.path;
        close(file.fd);
    }
    files_.clear();
    for (const auto& [identity, path] : pendingDeletes_) {
        if (SameFile(path, identity)) unlink(path.c_str());
    }
}

FileTable& FileTable::Get() {
    static FileTable table;
    return table;
}

HANDLE FileTable::Add(const OpenFile& file) {
    HANDLE handle = NewHandleValue();
    files_[handle] = file;
    return handle;
}

OpenFile* FileTable::Find(HANDLE handle) {
    auto it = files_.find(handle);
    return it == files_.end() ? nullptr : &it->second;
}

bool FileTable::StillOpen(const FileIdentity& identity) const {
    for (const auto& [handle, file] : files_) {
        if (file.identity == identity) return true;
    }
    return false;
}

bool FileTable::Close(HANDLE handle) {
    auto it = files_.find(handle);
    if (it == files_.end()) return false;
    OpenFile file = it->second;
    files_.erase(it);
    close(file.fd);
    if (file.deleteOnClose) pendingDeletes_[file.identity] = file.path;
    if (!StillOpen(file.identity)) {
        auto pending = pendingDeletes_.find(file.identity);
        if (pending != pendingDeletes_.end()) {
            if (SameFile(pending->second, file.identity)) unlink(pending->second.c_str());
            pendingDeletes_.erase(pending);
        }
    }
    return true;
}

bool FileTable::SharingConflict(const FileIdentity& identity, DWORD access, DWORD share) const {
    for (const auto& [handle, file] : files_) {
        if (file.identity != identity) continue;
        DWORD held = file.access | (file.deleteOnClose ? DELETE : 0);
        if ((WantsRead(access) && !(file.share & FILE_SHARE_READ)) ||
            (WantsWrite(access) && !(file.share & FILE_SHARE_WRITE)) ||
            (WantsDelete(access) && !(file.share & FILE_SHARE_DELETE)) ||
            (WantsRead(held) && !(share & FILE_SHARE_READ)) ||
            (WantsWrite(held) && !(share & FILE_SHARE_WRITE)) ||
            (WantsDelete(held) && !(share & FILE_SHARE_DELETE)))
            return true;
    }
    return false;
}

bool FileTable::DeletePending(const FileIdentity& identity) const {
    return pendingDeletes_.count(identity) != 0;
}

void FileTable::Renamed(const FileIdentity& identity, const std::string& newPath) {
    for (auto& [handle, file] : files_) {
        if (file.identity == identity) file.path = newPath;
    }
    auto pending = pendingDeletes_.find(identity);
    if (pending != pendingDeletes_.end()) pending->second = newPath;
}

} // namespace plat::detail

size_t plat::OpenFileHandleCount() {
    auto& table = detail::FileTable::Get();
    std::lock_guard lock(table.Mutex());
    return table.Count();
}

std::string plat::NativePath(const char* path) {
    return detail::ToNative(path);
}
