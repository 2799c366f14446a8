// Key handles and key paths.
#include "registry/keys.h"

#include "plat/registry.h"

#include <cstring>

namespace plat::detail {

namespace {

constexpr size_t kMaxKeyNameLength = 255;
constexpr REGSAM kGenericRead = 0x80000000u;
constexpr REGSAM kGenericWrite = 0x40000000u;
constexpr REGSAM kGenericExecute = 0x20000000u;
constexpr REGSAM kGenericAll = 0x10000000u;

} // namespace

KeyHandles& KeyHandles::Get() {
    static KeyHandles handles;
    return handles;
}

HKEY KeyHandles::Add(int64_t id, REGSAM access) {
    HKEY key = reinterpret_cast<HKEY>(next_);
    next_ += 4;
    keys_[key] = KeyRef{id, access};
    return key;
}

bool KeyHandles::Close(HKEY key) {
    cursors_.erase(key);
    return keys_.erase(key) != 0;
}

KeyRef KeyHandles::Resolve(sqlite3* db, HKEY key) {
    const RootKeys& roots = RegistryStore::Get().Roots();
    if (key == HKEY_CLASSES_ROOT) return KeyRef{roots.classesRoot, KEY_ALL_ACCESS};
    if (key == HKEY_CURRENT_USER) return KeyRef{roots.currentUser, KEY_ALL_ACCESS};
    if (key == HKEY_LOCAL_MACHINE) return KeyRef{roots.localMachine, KEY_ALL_ACCESS};
    auto it = keys_.find(key);
    if (it == keys_.end()) throw RegistryError{ERROR_INVALID_HANDLE};
    if (!KeyExists(db, it->second.id)) throw RegistryError{ERROR_KEY_DELETED};
    return it->second;
}

REGSAM EffectiveAccess(REGSAM desired) {
    REGSAM rights = desired & KEY_ALL_ACCESS;
    if (desired & (kGenericRead | kGenericExecute)) rights |= KEY_READ;
    if (desired & kGenericWrite) rights |= KEY_WRITE;
    if (desired & (kGenericAll | MAXIMUM_ALLOWED)) rights |= KEY_ALL_ACCESS;
    return rights;
}

void RequireAccess(const KeyRef& key, REGSAM needed) {
    if ((key.access & needed) != needed) throw RegistryError{ERROR_ACCESS_DENIED};
}

std::vector<std::string> SplitKeyPath(const char* subKey) {
    std::vector<std::string> names;
    if (!subKey || !*subKey) return names;
    if (subKey[0] == '\\') throw RegistryError{ERROR_BAD_PATHNAME};
    std::string path = subKey;
    if (path.back() == '\\') path.pop_back();
    size_t start = 0;
    for (;;) {
        size_t end = path.find('\\', start);
        std::string name = path.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (name.empty()) throw RegistryError{ERROR_BAD_PATHNAME};
        if (name.size() > kMaxKeyNameLength) throw RegistryError{ERROR_INVALID_PARAMETER};
        names.push_back(name);
        if (end == std::string::npos) return names;
        start = end + 1;
    }
}

std::string FoldName(const std::string& name) {
    std::string folded = name;
    for (char& c : folded) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return folded;
}

int64_t FindChild(sqlite3* db, int64_t parent, const std::string& name) {
    Statement query(db, "SELECT id FROM keys WHERE parent = ? AND fold = ?");
    query.Bind(1, parent).Bind(2, FoldName(name));
    return query.Step() ? query.Int(0) : 0;
}

bool KeyExists(sqlite3* db, int64_t id) {
    Statement query(db, "SELECT 1 FROM keys WHERE id = ?");
    query.Bind(1, id);
    return query.Step();
}

void TouchKey(sqlite3* db, int64_t id) {
    // The stamp only grows, even within one clock tick or when the clock steps back: an unchanged
    // stamp reliably means an unchanged key (subkey walks rely on it).
    Statement update(db, "UPDATE keys SET written = MAX(?, written + 1) WHERE id = ?");
    update.Bind(1, RegistryNow()).Bind(2, id).Run();
}

LONG CopyName(const std::string& name, LPSTR buffer, LPDWORD capacity) {
    if (name.size() >= *capacity) return ERROR_MORE_DATA;
    std::memcpy(buffer, name.c_str(), name.size() + 1);
    *capacity = static_cast<DWORD>(name.size());
    return ERROR_SUCCESS;
}

} // namespace plat::detail

void plat::SetRegistryPath(const std::string& path) {
    auto& store = detail::RegistryStore::Get();
    std::lock_guard lock(store.Mutex());
    detail::KeyHandles::Get().Clear();
    store.SetPath(path);
}

std::string plat::RegistryPath() {
    auto& store = detail::RegistryStore::Get();
    std::lock_guard lock(store.Mutex());
    return store.Path();
}

size_t plat::OpenKeyCount() {
    auto& store = detail::RegistryStore::Get();
    std::lock_guard lock(store.Mutex());
    return detail::KeyHandles::Get().Count();
}

plat::RegistrySnapshot::RegistrySnapshot() {
    auto& store = detail::RegistryStore::Get();
    std::lock_guard lock(store.Mutex());
    ++store.SnapshotDepth();
}

plat::RegistrySnapshot::~RegistrySnapshot() {
    auto& store = detail::RegistryStore::Get();
    std::lock_guard lock(store.Mutex());
    if (--store.SnapshotDepth() == 0) store.EndSharedRead();
}

LONG plat::CheckRegistryStore() {
    return detail::Guarded(detail::StoreUse::Read, [](sqlite3*) -> LONG {
        detail::RegistryStore::Get().CheckWhole();
        return ERROR_SUCCESS;
    });
}
