// The registry's database.
//
// Layout (schema version 1): table `keys` (id, parent, name, fold, class, written) where `fold` is the
// name with ASCII letters upper-cased, unique per parent, and the three root keys have parent 0;
// table `vals` (id, key, name, fold, type, data), unique per key and folded name. Ids come from
// AUTOINCREMENT, so the id of a deleted key is never given to a new one and a handle to a deleted
// key can tell that it was deleted. Values enumerate by id, that is in the order they were first
// created; writing a value again keeps its place and the case of its name.
//
// The database runs in WAL mode with a busy timeout; every change is one IMMEDIATE transaction, so
// processes writing at the same time wait for each other and lose nothing.
#include "registry/store.h"

#include "file/path.h"
#include "plat/registry.h"

#include <cerrno>
#include <chrono>
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

constexpr int kBusyTimeoutMs = 15000;
constexpr int kSchemaVersion = 1;

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
    int result = sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
    if (result != SQLITE_OK) throw RegistryError{ErrorFromSqlite(result)};
}

} // namespace

LONG ErrorFromSqlite(int result) {
    switch (result & 0xFF) {
    case SQLITE_OK:
    case SQLITE_ROW:
    case SQLITE_DONE:
        return ERROR_SUCCESS;
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return ERROR_BUSY;
    case SQLITE_NOMEM:
        return ERROR_OUTOFMEMORY;
    case SQLITE_READONLY:
    case SQLITE_PERM:
    case SQLITE_AUTH:
        return ERROR_ACCESS_DENIED;
    case SQLITE_FULL:
        return ERROR_DISK_FULL;
    case SQLITE_IOERR:
    case SQLITE_CANTOPEN:
        return ERROR_REGISTRY_IO_FAILED;
    case SQLITE_TOOBIG:
        return ERROR_INVALID_PARAMETER;
    default: // SQLITE_CORRUPT, SQLITE_NOTADB, SQLITE_ERROR on a foreign schema, ...
        return ERROR_BADDB;
    }
}

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

void RegistryStore::SetPath(const std::string& path) {
    Close();
    explicitPath_ = path;
}

void RegistryStore::Close() {
    const bool own = db_ && owner_ == ProcessId();
    for (auto& [sql, free] : statements_) {
        if (own)
            for (sqlite3_stmt* stmt : free) sqlite3_finalize(stmt);
    }
    statements_.clear();
    if (own) sqlite3_close_v2(db_);
    // A connection inherited through fork is abandoned, not closed: closing it could disturb the
    // parent's locks on the file.
    db_ = nullptr;
    roots_ = RootKeys{};
}

sqlite3* RegistryStore::Database() {
    if (db_ && owner_ != ProcessId()) Close();
    if (!db_) Open();
    return db_;
}

const RootKeys& RegistryStore::Roots() {
    Database();
    return roots_;
}

void RegistryStore::Open() {
    std::string path = MakeAbsolute(ToNative(Path().c_str()));
    MakeFolders(path);
    sqlite3* db = nullptr;
    int result = sqlite3_open_v2(path.c_str(), &db,
                                 SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
    if (result != SQLITE_OK) {
        sqlite3_close_v2(db);
        throw RegistryError{ErrorFromSqlite(result)};
    }
    try {
        sqlite3_busy_timeout(db, kBusyTimeoutMs);
        sqlite3_extended_result_codes(db, 1);
        Exec(db, "PRAGMA journal_mode=WAL");
        Exec(db, "PRAGMA synchronous=NORMAL");
        {
            Transaction transaction(db, true);
            int64_t version = 0;
            {
                Statement query(db, "PRAGMA user_version");
                if (query.Step()) version = query.Int(0);
            }
            if (version > kSchemaVersion)
                throw RegistryError{ERROR_BADDB}; // written by a newer layer: do not touch it
            Exec(db, kSchema);
            if (version < kSchemaVersion) Exec(db, "PRAGMA user_version=1");
            int64_t now = RegistryNow();
            for (const char* root : kRootNames) {
                Statement insert(
                    db, "INSERT OR IGNORE INTO keys(parent, name, fold, written) VALUES(0, ?, ?, ?)");
                insert.Bind(1, std::string(root)).Bind(2, std::string(root)).Bind(3, now).Run();
            }
            transaction.Commit();
        }
        int64_t* slots[] = {&roots_.classesRoot, &roots_.currentUser, &roots_.localMachine};
        for (int i = 0; i < 3; ++i) {
            Statement query(db, "SELECT id FROM keys WHERE parent = 0 AND fold = ?");
            query.Bind(1, std::string(kRootNames[i]));
            if (!query.Step()) throw RegistryError{ERROR_BADDB};
            *slots[i] = query.Int(0);
        }
    } catch (...) {
        sqlite3_close_v2(db);
        roots_ = RootKeys{};
        throw;
    }
    db_ = db;
    owner_ = ProcessId();
}

sqlite3_stmt* RegistryStore::Take(sqlite3* db, const char* sql) {
    if (!db || db != db_) return nullptr;
    auto it = statements_.find(sql);
    if (it == statements_.end() || it->second.empty()) return nullptr;
    sqlite3_stmt* stmt = it->second.back();
    if (std::strcmp(sqlite3_sql(stmt), sql) != 0) {
        // The address held another text when these were kept: they answer other questions.
        for (sqlite3_stmt* stale : it->second) sqlite3_finalize(stale);
        it->second.clear();
        return nullptr;
    }
    it->second.pop_back();
    return stmt;
}

bool RegistryStore::GiveBack(sqlite3* db, const char* sql, sqlite3_stmt* stmt) {
    constexpr size_t kKeptPerText = 8; // nested walks use a few of the same text at once
    if (!db || db != db_) return false;
    std::vector<sqlite3_stmt*>& free = statements_[sql];
    if (free.size() >= kKeptPerText) return false;
    sqlite3_reset(stmt);
    sqlite3_clear_bindings(stmt);
    free.push_back(stmt);
    return true;
}

Statement::Statement(sqlite3* db, const char* sql) : db_(db), sql_(sql) {
    stmt_ = RegistryStore::Get().Take(db, sql);
    if (stmt_) return;
    int result = sqlite3_prepare_v3(db, sql, -1, SQLITE_PREPARE_PERSISTENT, &stmt_, nullptr);
    if (result != SQLITE_OK) {
        sqlite3_finalize(stmt_);
        stmt_ = nullptr;
        throw RegistryError{ErrorFromSqlite(result)};
    }
}

Statement::~Statement() {
    if (!stmt_) return;
    if (!RegistryStore::Get().GiveBack(db_, sql_, stmt_)) sqlite3_finalize(stmt_);
}

Statement& Statement::Bind(int index, int64_t value) {
    sqlite3_bind_int64(stmt_, index, value);
    return *this;
}

Statement& Statement::Bind(int index, const std::string& bytes) {
    return BindBlob(index, bytes.data(), bytes.size());
}

Statement& Statement::BindBlob(int index, const void* data, size_t size) {
    static const char empty = 0;
    int result = sqlite3_bind_blob64(stmt_, index, size ? data : &empty, size, SQLITE_TRANSIENT);
    if (result != SQLITE_OK) throw RegistryError{ErrorFromSqlite(result)};
    return *this;
}

bool Statement::Step() {
    int result = sqlite3_step(stmt_);
    if (result == SQLITE_ROW) return true;
    if (result == SQLITE_DONE) return false;
    throw RegistryError{ErrorFromSqlite(result)};
}

void Statement::Run() {
    while (Step()) {
    }
}

void Statement::Reset() {
    sqlite3_reset(stmt_);
    sqlite3_clear_bindings(stmt_);
}

int64_t Statement::Int(int column) {
    return sqlite3_column_int64(stmt_, column);
}

std::string Statement::Bytes(int column) {
    const void* data = sqlite3_column_blob(stmt_, column);
    int size = sqlite3_column_bytes(stmt_, column);
    return data && size > 0 ? std::string(static_cast<const char*>(data), static_cast<size_t>(size))
                            : std::string();
}

Transaction::Transaction(sqlite3* db, bool write) : db_(db) {
    Statement(db, write ? "BEGIN IMMEDIATE" : "BEGIN").Run();
    open_ = true;
}

Transaction::~Transaction() {
    if (!open_) return;
    try {
        Statement(db_, "ROLLBACK").Run();
    } catch (const RegistryError&) {
        // Nothing more to do: SQLite rolls back what it cannot commit when the connection closes.
    }
}

void Transaction::Commit() {
    Statement(db_, "COMMIT").Run();
    open_ = false;
}

int64_t RegistryNow() {
    using namespace std::chrono;
    constexpr int64_t kTicksFrom1601To1970 = 116444736000000000LL;
    return duration_cast<nanoseconds>(system_clock::now().time_since_epoch()).count() / 100 +
           kTicksFrom1601To1970;
}

} // namespace plat::detail
