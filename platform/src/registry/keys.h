// Key handles and key paths: what the registry calls share.
#pragma once

#include "registry/store.h"

#include <map>
#include <new>
#include <string>
#include <vector>

namespace plat::detail {

// An open key: its id in the database and the access it was opened with.
struct KeyRef {
    int64_t id = 0;
    REGSAM access = 0;
};

// The handle table. Callers hold the store's lock.
class KeyHandles {
  public:
    static KeyHandles& Get();

    HKEY Add(int64_t id, REGSAM access);
    bool Close(HKEY key);
    void Clear() {
        keys_.clear();
        cursors_.clear();
    }
    size_t Count() const { return keys_.size(); }

    // The key a handle stands for. A predefined root key has every right. Throws RegistryError:
    // ERROR_INVALID_HANDLE for a handle that is not open, ERROR_KEY_DELETED when the key is gone.
    KeyRef Resolve(sqlite3* db, HKEY key);

    // Where the last walk of a handle's subkeys by index stopped: the index it returned, that
    // subkey's folded name, and the key's write stamp at the time. While the stamp is unchanged no
    // subkey was added or deleted, so index + 1 is the first subkey after that name.
    struct EnumCursor {
        int64_t keyId = 0;
        DWORD index = 0;
        std::string fold;
        int64_t written = 0;
    };
    EnumCursor* Cursor(HKEY key) {
        auto it = cursors_.find(key);
        return it == cursors_.end() ? nullptr : &it->second;
    }
    void SetCursor(HKEY key, EnumCursor cursor) { cursors_[key] = std::move(cursor); }
    void DropCursor(HKEY key) { cursors_.erase(key); }

  private:
    std::map<HKEY, KeyRef> keys_;
    std::map<HKEY, EnumCursor> cursors_;
    uintptr_t next_ = 0x1000;
};

// The rights an access mask grants (generic rights mapped to key rights).
REGSAM EffectiveAccess(REGSAM desired);
// Throws ERROR_ACCESS_DENIED unless `key` was opened with every right in `needed`.
void RequireAccess(const KeyRef& key, REGSAM needed);

// Splits a subkey path at "\" into names. An empty or null path gives no names; a trailing "\" is
// allowed. Throws ERROR_BAD_PATHNAME for a leading "\" or an empty name inside the path and
// ERROR_INVALID_PARAMETER for a name longer than 255 characters.
std::vector<std::string> SplitKeyPath(const char* subKey);

// ASCII letters upper-cased: the form names are compared and sorted in.
std::string FoldName(const std::string& name);

// The id of the subkey `name` of `parent`, or 0.
int64_t FindChild(sqlite3* db, int64_t parent, const std::string& name);
bool KeyExists(sqlite3* db, int64_t id);
// Records that a key changed now (its last write time).
void TouchKey(sqlite3* db, int64_t id);

// Copies a name into a caller's buffer of `*capacity` characters: ERROR_MORE_DATA (capacity left
// as it was) when the name and its terminator do not fit; else the name, terminated, and its
// length without the terminator in *capacity.
LONG CopyName(const std::string& name, LPSTR buffer, LPDWORD capacity);

// The failure of the store that the last registry call of this thread met (plat::LastRegistryStoreError).
void ForgetStoreFailure();
void RememberStoreFailure(const RegistryError& error, const std::string& path);

// Runs a registry call under the store's lock and turns failures into its result, remembering why the
// store failed. `use` says whether the call reads, changes or adds to the store (StoreUse).
template <typename Body> LONG Guarded(StoreUse use, Body&& body) {
    auto& store = RegistryStore::Get();
    std::lock_guard lock(store.Mutex());
    ForgetStoreFailure();
    try {
        return body(store.Database(use));
    } catch (const RegistryError& error) {
        if (!error.reason.empty()) {
            // The store failed: a snapshot's shared read starts afresh with the next read.
            store.EndSharedRead();
            RememberStoreFailure(error, store.FilePath());
        }
        return error.code;
    } catch (const std::bad_alloc&) {
        store.EndSharedRead();
        return ERROR_OUTOFMEMORY;
    }
}

} // namespace plat::detail
