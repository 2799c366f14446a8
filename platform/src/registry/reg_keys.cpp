// Registry calls on keys: open, create, close, delete, rename, enumerate, describe, flush.
#include "registry/keys.h"

#include <cstring>
#include <sqlite3.h>

using namespace plat::detail;

namespace {

// Walks `names` down from `start`; 0 when a key on the way is missing.
int64_t Walk(sqlite3* db, int64_t start, const std::vector<std::string>& names) {
    int64_t id = start;
    for (const std::string& name : names) {
        id = FindChild(db, id, name);
        if (!id) return 0;
    }
    return id;
}

LONG OpenKey(HKEY hKey, LPCSTR lpSubKey, REGSAM samDesired, PHKEY phkResult) {
    if (!phkResult) return ERROR_INVALID_PARAMETER;
    *phkResult = nullptr;
    return Guarded(StoreUse::Read, [&](sqlite3* db) -> LONG {
        std::vector<std::string> names = SplitKeyPath(lpSubKey);
        // One read of the store for the whole path: one consistent view, and one lock taken.
        Transaction transaction(db, false);
        KeyRef parent = KeyHandles::Get().Resolve(db, hKey);
        int64_t id = Walk(db, parent.id, names);
        if (!id) return ERROR_FILE_NOT_FOUND;
        *phkResult = KeyHandles::Get().Add(id, EffectiveAccess(samDesired));
        return ERROR_SUCCESS;
    });
}

bool IsPredefined(HKEY key) {
    return key == HKEY_CLASSES_ROOT || key == HKEY_CURRENT_USER || key == HKEY_LOCAL_MACHINE;
}

} // namespace

extern "C" LSTATUS RegOpenKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD ulOptions, REGSAM samDesired,
                                 PHKEY phkResult) {
    return OpenKey(hKey, lpSubKey, samDesired, phkResult);
}

extern "C" LSTATUS RegOpenKeyA(HKEY hKey, LPCSTR lpSubKey, PHKEY phkResult) {
    if (phkResult && (!lpSubKey || !*lpSubKey)) {
        // Without a subkey the old call hands back the handle it was given.
        LONG result = Guarded(StoreUse::Read, [&](sqlite3* db) -> LONG {
            KeyHandles::Get().Resolve(db, hKey);
            return ERROR_SUCCESS;
        });
        *phkResult = result == ERROR_SUCCESS ? hKey : nullptr;
        return result;
    }
    return OpenKey(hKey, lpSubKey, MAXIMUM_ALLOWED, phkResult);
}

extern "C" LSTATUS RegCreateKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD Reserved, LPSTR lpClass, DWORD dwOptions,
                                   REGSAM samDesired, const LPSECURITY_ATTRIBUTES lpSecurityAttributes,
                                   PHKEY phkResult, LPDWORD lpdwDisposition) {
    if (!phkResult || !lpSubKey) return ERROR_INVALID_PARAMETER;
    *phkResult = nullptr;
    return Guarded(StoreUse::Create, [&](sqlite3* db) -> LONG {
        std::vector<std::string> names = SplitKeyPath(lpSubKey);
        Transaction transaction(db, true);
        KeyRef parent = KeyHandles::Get().Resolve(db, hKey);
        int64_t id = parent.id;
        bool created = false;
        for (size_t i = 0; i < names.size(); ++i) {
            int64_t child = FindChild(db, id, names[i]);
            if (!child) {
                if (!created) RequireAccess(parent, KEY_CREATE_SUB_KEY);
                const bool last = i + 1 == names.size();
                Statement insert(
                    db, "INSERT INTO keys(parent, name, fold, class, written) VALUES(?, ?, ?, ?, ?)");
                insert.Bind(1, id).Bind(2, names[i]).Bind(3, FoldName(names[i]));
                insert.Bind(4, std::string(last && lpClass ? lpClass : "")).Bind(5, RegistryNow()).Run();
                TouchKey(db, id);
                child = sqlite3_last_insert_rowid(db);
                created = true;
            }
            id = child;
        }
        transaction.Commit();
        *phkResult = KeyHandles::Get().Add(id, EffectiveAccess(samDesired));
        if (lpdwDisposition) *lpdwDisposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
        return ERROR_SUCCESS;
    });
}

extern "C" LSTATUS RegCreateKeyA(HKEY hKey, LPCSTR lpSubKey, PHKEY phkResult) {
    if (phkResult && (!lpSubKey || !*lpSubKey)) return RegOpenKeyA(hKey, lpSubKey, phkResult);
    return RegCreateKeyExA(hKey, lpSubKey, 0, nullptr, REG_OPTION_NON_VOLATILE, MAXIMUM_ALLOWED, nullptr,
                           phkResult, nullptr);
}

extern "C" LSTATUS RegCloseKey(HKEY hKey) {
    if (IsPredefined(hKey)) return ERROR_SUCCESS;
    auto& store = RegistryStore::Get();
    std::lock_guard lock(store.Mutex());
    return KeyHandles::Get().Close(hKey) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

extern "C" LSTATUS RegFlushKey(HKEY hKey) {
    return Guarded(StoreUse::Read, [&](sqlite3* db) -> LONG {
        KeyHandles::Get().Resolve(db, hKey);
        // A snapshot's read would keep the checkpoint from reaching the end of the log.
        RegistryStore::Get().EndSharedRead();
        // Commits are already in the write-ahead log; a flush also moves them into the database
        // file and syncs it, so they survive a power failure.
        int result = sqlite3_wal_checkpoint_v2(db, nullptr, SQLITE_CHECKPOINT_FULL, nullptr, nullptr);
        if (result != SQLITE_OK && (result & 0xFF) != SQLITE_BUSY) throw StoreError(db, result);
        return ERROR_SUCCESS;
    });
}

extern "C" LSTATUS RegDeleteKeyA(HKEY hKey, LPCSTR lpSubKey) {
    if (!lpSubKey) return ERROR_INVALID_PARAMETER;
    return Guarded(StoreUse::Change, [&](sqlite3* db) -> LONG {
        std::vector<std::string> names = SplitKeyPath(lpSubKey);
        Transaction transaction(db, true);
        KeyRef parent = KeyHandles::Get().Resolve(db, hKey);
        int64_t id = Walk(db, parent.id, names);
        if (!id) return ERROR_FILE_NOT_FOUND;
        Statement owner(db, "SELECT parent FROM keys WHERE id = ?");
        owner.Bind(1, id);
        int64_t parentId = owner.Step() ? owner.Int(0) : 0;
        if (parentId == 0) return ERROR_ACCESS_DENIED; // a root key
        Statement children(db, "SELECT 1 FROM keys WHERE parent = ? LIMIT 1");
        children.Bind(1, id);
        if (children.Step()) return ERROR_ACCESS_DENIED; // only a key without subkeys may go
        Statement dropValues(db, "DELETE FROM vals WHERE key = ?");
        dropValues.Bind(1, id).Run();
        Statement dropKey(db, "DELETE FROM keys WHERE id = ?");
        dropKey.Bind(1, id).Run();
        TouchKey(db, parentId);
        transaction.Commit();
        return ERROR_SUCCESS;
    });
}

extern "C" LSTATUS RegRenameKey(HKEY hKey, LPCSTR lpSubKeyName, LPCSTR lpNewKeyName) {
    // The new name is one name, not a path.
    constexpr size_t kMaxKeyNameLength = 255;
    if (!lpNewKeyName || !*lpNewKeyName || std::strchr(lpNewKeyName, '\\') ||
        std::strlen(lpNewKeyName) > kMaxKeyNameLength)
        return ERROR_INVALID_PARAMETER;
    const std::string newName = lpNewKeyName;
    return Guarded(StoreUse::Change, [&](sqlite3* db) -> LONG {
        std::vector<std::string> names = SplitKeyPath(lpSubKeyName);
        // The whole rename is one transaction: the key has its old name or its new one, never both
        // or neither, whatever happens to the process.
        Transaction transaction(db, true);
        KeyRef key = KeyHandles::Get().Resolve(db, hKey);
        RequireAccess(key, KEY_WRITE);
        int64_t id = Walk(db, key.id, names);
        if (!id) return ERROR_FILE_NOT_FOUND;
        Statement owner(db, "SELECT parent FROM keys WHERE id = ?");
        owner.Bind(1, id);
        int64_t parentId = owner.Step() ? owner.Int(0) : 0;
        // A root key cannot be renamed, and no key takes a name its parent already has, its own
        // included.
        if (parentId == 0 || FindChild(db, parentId, newName)) return ERROR_ACCESS_DENIED;
        Statement rename(db, "UPDATE keys SET name = ?, fold = ? WHERE id = ?");
        rename.Bind(1, newName).Bind(2, FoldName(newName)).Bind(3, id).Run();
        TouchKey(db, id);
        TouchKey(db, parentId); // its subkeys' order changed: walks by index start over
        transaction.Commit();
        return ERROR_SUCCESS;
    });
}

extern "C" LSTATUS RegEnumKeyExA(HKEY hKey, DWORD dwIndex, LPSTR lpName, LPDWORD lpcchName,
                                 LPDWORD lpReserved, LPSTR lpClass, LPDWORD lpcchClass,
                                 PFILETIME lpftLastWriteTime) {
    if (!lpName || !lpcchName || lpReserved || (lpClass && !lpcchClass)) return ERROR_INVALID_PARAMETER;
    return Guarded(StoreUse::Read, [&](sqlite3* db) -> LONG {
        Transaction transaction(db, false);
        KeyRef key = KeyHandles::Get().Resolve(db, hKey);
        RequireAccess(key, KEY_ENUMERATE_SUB_KEYS);
        // Subkeys by index in folded-name order. A walk that goes on from the index it asked last
        // reads the next subkey after the last name through the (parent, fold) index, instead of
        // counting past all earlier ones again; anything else, or a key changed since, counts.
        KeyHandles& handles = KeyHandles::Get();
        Statement stamp(db, "SELECT written FROM keys WHERE id = ?");
        stamp.Bind(1, key.id);
        const int64_t keyWritten = stamp.Step() ? stamp.Int(0) : 0;
        const KeyHandles::EnumCursor* cursor = handles.Cursor(hKey);
        const bool follows = cursor && cursor->keyId == key.id && cursor->written == keyWritten &&
                             dwIndex != 0 && cursor->index + 1 == dwIndex;
        Statement query(db, follows
                                ? "SELECT name, class, written, fold FROM keys WHERE parent = ? AND fold > ? "
                                  "ORDER BY fold LIMIT 1"
                                : "SELECT name, class, written, fold FROM keys WHERE parent = ? "
                                  "ORDER BY fold LIMIT 1 OFFSET ?");
        query.Bind(1, key.id);
        if (follows)
            query.Bind(2, cursor->fold);
        else
            query.Bind(2, static_cast<int64_t>(dwIndex));
        if (!query.Step()) {
            handles.DropCursor(hKey);
            return ERROR_NO_MORE_ITEMS;
        }
        handles.SetCursor(hKey, KeyHandles::EnumCursor{key.id, dwIndex, query.Bytes(3), keyWritten});
        std::string name = query.Bytes(0);
        std::string keyClass = query.Bytes(1);
        int64_t written = query.Int(2);
        if (name.size() >= *lpcchName || (lpClass && keyClass.size() >= *lpcchClass)) return ERROR_MORE_DATA;
        CopyName(name, lpName, lpcchName);
        if (lpClass) CopyName(keyClass, lpClass, lpcchClass);
        if (lpftLastWriteTime) {
            lpftLastWriteTime->dwLowDateTime =
                static_cast<DWORD>(static_cast<uint64_t>(written) & 0xFFFFFFFFu);
            lpftLastWriteTime->dwHighDateTime = static_cast<DWORD>(static_cast<uint64_t>(written) >> 32);
        }
        return ERROR_SUCCESS;
    });
}

extern "C" LSTATUS RegEnumKeyA(HKEY hKey, DWORD dwIndex, LPSTR lpName, DWORD cchName) {
    DWORD capacity = cchName;
    return RegEnumKeyExA(hKey, dwIndex, lpName, &capacity, nullptr, nullptr, nullptr, nullptr);
}

extern "C" LSTATUS RegQueryInfoKeyA(HKEY hKey, LPSTR lpClass, LPDWORD lpcchClass, LPDWORD lpReserved,
                                    LPDWORD lpcSubKeys, LPDWORD lpcbMaxSubKeyLen, LPDWORD lpcbMaxClassLen,
                                    LPDWORD lpcValues, LPDWORD lpcbMaxValueNameLen, LPDWORD lpcbMaxValueLen,
                                    LPDWORD lpcbSecurityDescriptor, PFILETIME lpftLastWriteTime) {
    if (lpReserved || (lpClass && !lpcchClass)) return ERROR_INVALID_PARAMETER;
    return Guarded(StoreUse::Read, [&](sqlite3* db) -> LONG {
        Transaction transaction(db, false);
        KeyRef key = KeyHandles::Get().Resolve(db, hKey);
        RequireAccess(key, KEY_QUERY_VALUE);
        Statement self(db, "SELECT class, written FROM keys WHERE id = ?");
        self.Bind(1, key.id);
        if (!self.Step()) return ERROR_KEY_DELETED;
        std::string keyClass = self.Bytes(0);
        int64_t written = self.Int(1);
        Statement subkeys(db,
                          "SELECT COUNT(*), COALESCE(MAX(LENGTH(name)), 0), COALESCE(MAX(LENGTH(class)), 0) "
                          "FROM keys WHERE parent = ?");
        subkeys.Bind(1, key.id).Step();
        Statement values(db,
                         "SELECT COUNT(*), COALESCE(MAX(LENGTH(name)), 0), COALESCE(MAX(LENGTH(data)), 0) "
                         "FROM vals WHERE key = ?");
        values.Bind(1, key.id).Step();

        LONG result = ERROR_SUCCESS;
        if (lpcchClass) {
            if (lpClass && keyClass.size() >= *lpcchClass)
                result = ERROR_MORE_DATA;
            else if (lpClass)
                std::memcpy(lpClass, keyClass.c_str(), keyClass.size() + 1);
            *lpcchClass = static_cast<DWORD>(keyClass.size());
        }
        if (lpcSubKeys) *lpcSubKeys = static_cast<DWORD>(subkeys.Int(0));
        if (lpcbMaxSubKeyLen) *lpcbMaxSubKeyLen = static_cast<DWORD>(subkeys.Int(1));
        if (lpcbMaxClassLen) *lpcbMaxClassLen = static_cast<DWORD>(subkeys.Int(2));
        if (lpcValues) *lpcValues = static_cast<DWORD>(values.Int(0));
        if (lpcbMaxValueNameLen) *lpcbMaxValueNameLen = static_cast<DWORD>(values.Int(1));
        if (lpcbMaxValueLen) *lpcbMaxValueLen = static_cast<DWORD>(values.Int(2));
        if (lpcbSecurityDescriptor) *lpcbSecurityDescriptor = 0;
        if (lpftLastWriteTime) {
            lpftLastWriteTime->dwLowDateTime =
                static_cast<DWORD>(static_cast<uint64_t>(written) & 0xFFFFFFFFu);
            lpftLastWriteTime->dwHighDateTime = static_cast<DWORD>(static_cast<uint64_t>(written) >> 32);
        }
        return result;
    });
}
