// The registry's database: finding it, opening it without changing what is not ours, and the empty
// store that stands for a missing file.
//
// Layout (schema version 1): table `keys` (id, parent, name, fold, class, written) where `fold` is the
// name with ASCII letters upper-cased, unique per parent, and the three root keys have parent 0;
// table `vals` (id, key, name, fold, type, data), unique per key and folded name. Ids come from
// AUTOINCREMENT, so the id of a deleted key is never given to a new one and a handle to a deleted
// key can tell that it was deleted. Values enumerate by id, that is in the order they were first
// created; writing a value again keeps its place and the case of its name.
//
// The database runs in WAL mode: readers never wait for a writer, and every change is one IMMEDIATE
// transaction, so processes writing at the same time wait for each other and lose nothing.
//
// Opening reads before it writes anything: a file is ours when its schema version is 1 and it has
// both tables; an empty database (a new file) is made ours by the first write; anything else (another
// program's database, a newer layout, a file that is no database, a damaged one) is refused and left
// as it is. A read of a store that does not exist yet answers from an empty store in memory and
// makes no file or folder; the first write makes them.
#include "registry/store.h"

#include "file/path.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <pthread.h>
#include <pwd.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

namespace plat::detail {

namespace {

// This process's id, asked of the system once and again only in a child after fork: every registry
// call checks whether the open connection is its own, and getpid is a system call.
long g_processId = 0;
long ProcessId() {
    static const bool hooked = [] {
        pthread_atfork(nullptr, nullptr, [] { g_processId = 0; });
        return true;
    }();
    (void)hooked;
    if (g_processId == 0) g_processId = static_cast<long>(getpid());
    return g_processId;
}

constexpr int64_t kSchemaVersion = 1;

const char* const kSchema = R"sql(
CREATE TABLE IF NOT EXISTS keys(
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    parent INTEGER NOT NULL,
    name BLOB NOT NULL,
    fold BLOB NOT NULL,
    class BLOB NOT NULL DEFAULT x'',
    written INTEGER NOT NULL DEFAULT 0,
    UNIQUE(parent, fold));
CREATE TABLE IF NOT EXISTS vals(
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    key INTEGER NOT NULL,
    name BLOB NOT NULL,
    fold BLOB NOT NULL,
    type INTEGER NOT NULL,
    data BLOB NOT NULL,
    UNIQUE(key, fold));
PRAGMA user_version=1;
)sql";

const char* const kRootNames[] = {"HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE"};

std::string DefaultPath() {
    if (const char* path = std::getenv("TAVRIN_REGISTRY"); path && *path) return path;
    if (const char* data = std::getenv("XDG_DATA_HOME"); data && *data && data[0] == '/')
        return std::string(data) + "/tavrin/registry.db";
    std::string home;
    if (const char* env = std::getenv("HOME"); env && *env)
        home = env;
    else if (const passwd* user = getpwuid(getuid()); user && user->pw_dir)
        home = user->pw_dir;
    else
        home = "/tmp";
    return home + "/.local/share/tavrin/registry.db";
}

void MakeFolders(const std::string& filePath) {
    std::string folder = DirName(filePath);
    if (folder.empty()) return;
    for (size_t slash = folder.find('/', 1);; slash = folder.find('/', slash + 1)) {
        std::string part = slash == std::string::npos ? folder : folder.substr(0, slash);
        if (mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return; // opening the database will report it
        if (slash == std::string::npos) return;
    }
}

void Exec(sqlite3* db, const char* sql) {
    errno = 0;
    int result = sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
    if (result != SQLITE_OK) throw StoreError(db, result, errno);
}

// What a database file holds, read without writing anything.
enum class Layout { Ours, Empty, Foreign, Newer, Incomplete };

Layout ReadLayout(sqlite3* db, int64_t* version) {
    {
        Statement query(db, "PRAGMA user_version");
        *version = query.Step() ? query.Int(0) : 0;
    }
    bool keys = false, vals = false, any = false;
    Statement tables(db, "SELECT name FROM sqlite_master WHERE type = 'table'");
    while (tables.Step()) {
        std::string name = tables.Bytes(0);
        any = true;
        keys = keys || name == "keys";
        vals = vals || name == "vals";
    }
    if (!any && *version == 0) return Layout::Empty;
    if (*version > kSchemaVersion) return Layout::Newer;
    if (*version == kSchemaVersion) return keys && vals ? Layout::Ours : Layout::Incomplete;
    return Layout::Foreign;
}

// Refuses a file that is not ours (and not empty) with the reason.
void RequireOursOrEmpty(Layout layout, int64_t version) {
    switch (layout) {
    case Layout::Ours:
    case Layout::Empty:
        return;
    case Layout::Newer:
        throw RegistryError{ERROR_BADDB, "written by a newer version of the registry (layout " +
                                             std::to_string(version) + "); left as it is"};
    case Layout::Incomplete:
        throw RegistryError{ERROR_REGISTRY_CORRUPT, "damaged (its tables are missing)"};
    case Layout::Foreign:
        throw RegistryError{ERROR_BADDB, "not a registry database (it holds another program's tables); "
                                         "left as it is"};
    }
}

// The ids of the root keys. Throws ERROR_REGISTRY_CORRUPT when one is missing.
RootKeys ReadRoots(sqlite3* db) {
    RootKeys roots;
    int64_t* slots[] = {&roots.classesRoot, &roots.currentUser, &roots.localMachine};
    for (int i = 0; i < 3; ++i) {
        Statement query(db, "SELECT id FROM keys WHERE parent = 0 AND fold = ?");
        query.Bind(1, std::string(kRootNames[i]));
        if (!query.Step()) throw RegistryError{ERROR_REGISTRY_CORRUPT, "damaged (a root key is missing)"};
        *slots[i] = query.Int(0);
    }
    return roots;
}

// Makes the tables and the root keys in an empty database (inside the caller's write transaction).
void MakeSchema(sqlite3* db) {
    Exec(db, kSchema);
    int64_t now = RegistryNow();
    for (const char* root : kRootNames) {
        Statement insert(db, "INSERT OR IGNORE INTO keys(parent, name, fold, written) VALUES(0, ?, ?, ?)");
        insert.Bind(1, std::string(root)).Bind(2, std::string(root)).Bind(3, now).Run();
    }
}

// True when the folder of `path` is on a file system mounted read-only.
bool OnReadOnlyFileSystem(const std::string& path) {
    std::string folder = DirName(path);
    return access(folder.empty() ? "/" : folder.c_str(), W_OK) != 0 && errno == EROFS;
}

// An SQLite URI naming `path`, for the open flags only a URI can give.
std::string FileUri(const std::string& path, const char* query) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string uri = "file:";
    for (unsigned char c : path) {
        if (c == '%' || c == '?' || c == '#' || c <= ' ' || c >= 0x7F) {
            uri += '%';
            uri += kHex[c >> 4];
            uri += kHex[c & 15];
        } else {
            uri += static_cast<char>(c);
        }
    }
    return uri + "?" + query;
}

} // namespace

RegistryStore& RegistryStore::Get() {
    static RegistryStore store;
    return store;
}

RegistryStore::~RegistryStore() {
    Close();
}

std::string RegistryStore::Path() const {
    return explicitPath_.empty() ? DefaultPath() : explicitPath_;
}

std::string RegistryStore::FilePath() const {
    return MakeAbsolute(ToNative(Path().c_str()));
}

void RegistryStore::SetPath(const std::string& path) {
    Close();
    explicitPath_ = path;
}

void RegistryStore::SetBusyTimeout(sqlite3* db, int milliseconds) {
    if (db == db_ && milliseconds == busyTimeoutMs_) return;
    sqlite3_busy_timeout(db, milliseconds);
    busyTimeoutMs_ = milliseconds;
}

void RegistryStore::Close() {
    const bool own = db_ && owner_ == ProcessId();
    for (auto& [sql, free] : statements_) {
        if (own)
            for (sqlite3_stmt* stmt : free)
                sqlite3_finalize(stmt);
    }
    statements_.clear();
    if (own) sqlite3_close_v2(db_); // rolls back a shared read still open
    sharedRead_ = false;
    // A connection inherited through fork is abandoned, not closed: closing it could disturb the
    // parent's locks on the file.
    db_ = nullptr;
    image_ = false;
    checked_ = false;
    busyTimeoutMs_ = -1;
    roots_ = RootKeys{};
}

sqlite3* RegistryStore::Database(StoreUse use) {
    if (db_ && owner_ != ProcessId()) Close();
    if (db_ && image_) {
        // The empty store stands for the file only while there is none and nothing is written.
        struct stat status {};
        if (use == StoreUse::Create || stat(FilePath().c_str(), &status) == 0 || errno != ENOENT) Close();
    }
    if (!db_) Open(use);
    if (use != StoreUse::Read && !checked_ && !image_) {
        // Reads of a damaged page fail by themselves, but a write could build on one: the file is
        // read whole once before this connection first writes to it.
        CheckWhole();
        checked_ = true;
    }
    return db_;
}

void RegistryStore::Open(StoreUse use) {
    const std::string path = FilePath();
    struct stat status {};
    if (stat(path.c_str(), &status) != 0) {
        const int error = errno;
        if (error != ENOENT) {
            throw RegistryError{static_cast<LONG>(ErrorFromErrno(error, path)),
                                std::string("cannot be reached (") + std::strerror(error) + ")"};
        }
        if (use != StoreUse::Create) {
            OpenEmptyImage();
            return;
        }
        MakeFolders(path);
    } else if (S_ISDIR(status.st_mode)) {
        throw RegistryError{ERROR_ACCESS_DENIED, "a folder, not a file"};
    } else if (!S_ISREG(status.st_mode)) {
        throw RegistryError{ERROR_BADDB, "not a regular file"};
    }
    OpenFile(path, use);
}

void RegistryStore::OpenFile(const std::string& path, StoreUse use) {
    // On a read-only file system SQLite cannot make the shared-memory file a WAL database needs: the
    // file is read as it stands, which is all of it when no write-ahead log is left beside it.
    const std::string walPath = path + "-wal";
    struct stat wal {};
    const bool frozen = OnReadOnlyFileSystem(path) && (stat(walPath.c_str(), &wal) != 0 || wal.st_size == 0);
    std::string name = frozen ? FileUri(path, "immutable=1") : path;
    int flags = frozen ? SQLITE_OPEN_READONLY | SQLITE_OPEN_URI : SQLITE_OPEN_READWRITE;
    if (use == StoreUse::Create && !frozen) flags |= SQLITE_OPEN_CREATE;
    sqlite3* db = nullptr;
    int result = sqlite3_open_v2(name.c_str(), &db, flags | SQLITE_OPEN_NOMUTEX, nullptr);
    if (result != SQLITE_OK) {
        RegistryError error = StoreError(db, result);
        sqlite3_close_v2(db);
        throw error;
    }
    try {
        // Before the first statement: even preparing one reads the file's schema, under a lock.
        SetBusyTimeout(db, kReadBusyTimeoutMs);
        sqlite3_extended_result_codes(db, 1);
        Exec(db, "PRAGMA synchronous=NORMAL");
        int64_t version = 0;
        Layout layout;
        RootKeys roots;
        {
            Transaction read(db, false);
            layout = ReadLayout(db, &version);
            RequireOursOrEmpty(layout, version);
            if (layout == Layout::Ours) roots = ReadRoots(db);
        }
        if (layout == Layout::Empty) {
            if (use != StoreUse::Create) {
                // Nothing in it yet: read like a missing store, and leave the file to the first write.
                sqlite3_close_v2(db);
                db = nullptr;
                OpenEmptyImage();
                return;
            }
            SetBusyTimeout(db, kWriteBusyTimeoutMs);
            Exec(db, "PRAGMA journal_mode=WAL");
            Transaction write(db, true);
            // Another process may have made it ours, or something else, since it was read.
            layout = ReadLayout(db, &version);
            RequireOursOrEmpty(layout, version);
            if (layout == Layout::Empty) MakeSchema(db);
            roots = ReadRoots(db);
            write.Commit();
        }
        roots_ = roots;
    } catch (...) {
        if (db) sqlite3_close_v2(db);
        roots_ = RootKeys{};
        throw;
    }
    db_ = db;
    owner_ = ProcessId();
}

void RegistryStore::OpenEmptyImage() {
    sqlite3* db = nullptr;
    int result = sqlite3_open_v2(":memory:", &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
    if (result != SQLITE_OK) {
        sqlite3_close_v2(db);
        throw RegistryError{ERROR_OUTOFMEMORY, ""};
    }
    try {
        Transaction write(db, true);
        MakeSchema(db);
        roots_ = ReadRoots(db);
        write.Commit();
    } catch (...) {
        sqlite3_close_v2(db);
        roots_ = RootKeys{};
        throw;
    }
    db_ = db;
    image_ = true;
    owner_ = ProcessId();
}

void RegistryStore::EndSharedRead() {
    if (!sharedRead_) return;
    sharedRead_ = false;
    try {
        Statement(db_, "ROLLBACK").Run();
    } catch (const RegistryError&) {
        // SQLite ends a read transaction it cannot roll back when the connection closes.
    }
}

void RegistryStore::CheckWhole() {
    sqlite3* db = Database(StoreUse::Read);
    if (image_) return;
    Transaction read(db, false);
    Statement check(db, "PRAGMA quick_check");
    if (!check.Step()) return;
    std::string verdict = check.Bytes(0);
    if (verdict != "ok") throw RegistryError{ERROR_REGISTRY_CORRUPT, "damaged (" + verdict + ")"};
}

} // namespace plat::detail
