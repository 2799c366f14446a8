// Prepared statements kept for reuse, statements and transactions over the registry's database.
#include "registry/store.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <sqlite3.h>

namespace plat::detail {

sqlite3_stmt* RegistryStore::Take(sqlite3* db, const char* sql) {
    if (!db || db != db_) return nullptr;
    auto it = statements_.find(sql);
    if (it == statements_.end() || it->second.empty()) return nullptr;
    sqlite3_stmt* stmt = it->second.back();
    if (std::strcmp(sqlite3_sql(stmt), sql) != 0) {
        // The address held another text when these were kept: they answer other questions.
        for (sqlite3_stmt* stale : it->second)
            sqlite3_finalize(stale);
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
        throw StoreError(db, result);
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
    if (result != SQLITE_OK) throw StoreError(db_, result);
    return *this;
}

bool Statement::Step() {
    // SQLite does not always keep the system's error of a failed write (a file size limit, say): the
    // step's own errno is kept for the reason.
    errno = 0;
    int result = sqlite3_step(stmt_);
    if (result == SQLITE_ROW) return true;
    if (result == SQLITE_DONE) return false;
    throw StoreError(db_, result, errno);
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
    RegistryStore& store = RegistryStore::Get();
    // Only the store's own connection shares: opening it runs reads and pragmas of its own first.
    const bool shared = !write && store.SnapshotDepth() > 0 && store.IsOpenDatabase(db);
    if (store.SharedReadOpen()) {
        if (shared) return; // the snapshots' read goes on; it is not this transaction's to end
        store.EndSharedRead();
    }
    store.SetBusyTimeout(db, write ? kWriteBusyTimeoutMs : kReadBusyTimeoutMs);
    Statement(db, write ? "BEGIN IMMEDIATE" : "BEGIN").Run();
    if (shared)
        store.SetSharedReadOpen(); // left open for the next reads of the snapshot
    else
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
