// Registry calls on values: set, query, enumerate, delete.
//
// Data is kept exactly as written: a REG_SZ written without its terminating zero comes back
// without one, and the size reported is the size stored.
#include "registry/keys.h"

#include <cstring>
#include <sqlite3.h>

using namespace plat::detail;

namespace {

constexpr size_t kMaxValueNameLength = 16383;

std::string ValueName(LPCSTR name) {
    std::string result = name ? name : "";
    if (result.size() > kMaxValueNameLength) throw RegistryError{ERROR_INVALID_PARAMETER};
    return result;
}

// Hands stored data to a caller the way the query calls do. `data` may be null (only the size is
// wanted); a buffer that is too small gets nothing and ERROR_MORE_DATA; the size needed is always
// written to *size.
LONG CopyData(const std::string& stored, LPBYTE data, LPDWORD size) {
    LONG result = ERROR_SUCCESS;
    if (data) {
        if (stored.size() > *size)
            result = ERROR_MORE_DATA;
        else if (!stored.empty())
            std::memcpy(data, stored.data(), stored.size());
    }
    if (size) *size = static_cast<DWORD>(stored.size());
    return result;
}

} // namespace

extern "C" LSTATUS RegSetValueExA(HKEY hKey, LPCSTR lpValueName, DWORD Reserved, DWORD dwType,
                                  const BYTE* lpData, DWORD cbData) {
    if (!lpData && cbData) return ERROR_NOACCESS;
    return Guarded(StoreUse::Create, [&](sqlite3* db) -> LONG {
        std::string name = ValueName(lpValueName);
        Transaction transaction(db, true);
        KeyRef key = KeyHandles::Get().Resolve(db, hKey);
        RequireAccess(key, KEY_SET_VALUE);
        // An existing value keeps its place in the enumeration and the case of its name.
        Statement update(db, "UPDATE vals SET type = ?, data = ? WHERE key = ? AND fold = ?");
        update.Bind(1, static_cast<int64_t>(dwType)).BindBlob(2, lpData, cbData);
        update.Bind(3, key.id).Bind(4, FoldName(name)).Run();
        if (sqlite3_changes(db) == 0) {
            Statement insert(db, "INSERT INTO vals(key, name, fold, type, data) VALUES(?, ?, ?, ?, ?)");
            insert.Bind(1, key.id)
                .Bind(2, name)
                .Bind(3, FoldName(name))
                .Bind(4, static_cast<int64_t>(dwType));
            insert.BindBlob(5, lpData, cbData).Run();
        }
        TouchKey(db, key.id);
        transaction.Commit();
        return ERROR_SUCCESS;
    });
}

extern "C" LSTATUS RegQueryValueExA(HKEY hKey, LPCSTR lpValueName, LPDWORD lpReserved, LPDWORD lpType,
                                    LPBYTE lpData, LPDWORD lpcbData) {
    if (lpReserved || (lpData && !lpcbData)) return ERROR_INVALID_PARAMETER;
    return Guarded(StoreUse::Read, [&](sqlite3* db) -> LONG {
        std::string name = ValueName(lpValueName);
        Transaction transaction(db, false);
        KeyRef key = KeyHandles::Get().Resolve(db, hKey);
        RequireAccess(key, KEY_QUERY_VALUE);
        Statement query(db, "SELECT type, data FROM vals WHERE key = ? AND fold = ?");
        query.Bind(1, key.id).Bind(2, FoldName(name));
        if (!query.Step()) return ERROR_FILE_NOT_FOUND;
        if (lpType) *lpType = static_cast<DWORD>(query.Int(0));
        return CopyData(query.Bytes(1), lpData, lpcbData);
    });
}

extern "C" LSTATUS RegEnumValueA(HKEY hKey, DWORD dwIndex, LPSTR lpValueName, LPDWORD lpcchValueName,
                                 LPDWORD lpReserved, LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData) {
    if (!lpValueName || !lpcchValueName || lpReserved || (lpData && !lpcbData))
        return ERROR_INVALID_PARAMETER;
    return Guarded(StoreUse::Read, [&](sqlite3* db) -> LONG {
        Transaction transaction(db, false);
        KeyRef key = KeyHandles::Get().Resolve(db, hKey);
        RequireAccess(key, KEY_QUERY_VALUE);
        Statement query(db, "SELECT name, type, data FROM vals WHERE key = ? ORDER BY id LIMIT 1 OFFSET ?");
        query.Bind(1, key.id).Bind(2, static_cast<int64_t>(dwIndex));
        if (!query.Step()) return ERROR_NO_MORE_ITEMS;
        LONG nameResult = CopyName(query.Bytes(0), lpValueName, lpcchValueName);
        if (lpType) *lpType = static_cast<DWORD>(query.Int(1));
        LONG dataResult = CopyData(query.Bytes(2), nameResult == ERROR_SUCCESS ? lpData : nullptr, lpcbData);
        return nameResult != ERROR_SUCCESS ? nameResult : dataResult;
    });
}

extern "C" LSTATUS RegDeleteValueA(HKEY hKey, LPCSTR lpValueName) {
    return Guarded(StoreUse::Change, [&](sqlite3* db) -> LONG {
        std::string name = ValueName(lpValueName);
        Transaction transaction(db, true);
        KeyRef key = KeyHandles::Get().Resolve(db, hKey);
        RequireAccess(key, KEY_SET_VALUE);
        Statement remove(db, "DELETE FROM vals WHERE key = ? AND fold = ?");
        remove.Bind(1, key.id).Bind(2, FoldName(name)).Run();
        if (sqlite3_changes(db) == 0) return ERROR_FILE_NOT_FOUND;
        TouchKey(db, key.id);
        transaction.Commit();
        return ERROR_SUCCESS;
    });
}
