// The registry's database: where it is, opening it, and small helpers for statements and
// transactions that turn SQLite failures into the platform's error codes.
#pragma once

#include "win/winreg.h"

#include <cstdint>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace plat::detail {

// Thrown inside the registry code when a call fails; the API functions return its code. A failure
// of the store itself (locked, damaged, read-only, disk full...) also says why, in words.
struct RegistryError {
    explicit RegistryError(LONG errorCode, std::string why = {}) : code(errorCode), reason(std::move(why)) {}
    LONG code;
    std::string reason; // empty unless the store failed
};

// The error for an SQLite result on `db` (may be null), with the reason in words: ERROR_SHARING_VIOLATION
// for a store another program holds locked, ERROR_BADDB for a file that is no registry database,
// ERROR_REGISTRY_CORRUPT for a damaged one, ERROR_ACCESS_DENIED for one that cannot be written,
// ERROR_DISK_FULL, ERROR_REGISTRY_IO_FAILED for other input/output errors.
// `stepErrno` is errno as the failed call left it (cleared before it), for when SQLite kept none.
RegistryError StoreError(sqlite3* db, int result, int stepErrno = 0);

// How long a registry call waits for another program that holds the store: a read only briefly (in
// WAL mode readers never wait for writers; only a program holding the whole file makes them wait),
// a write as long as another writer's registration may take.
inline constexpr int kReadBusyTimeoutMs = 1000;
inline constexpr int kWriteBusyTimeoutMs = 5000;

// The key ids of the three root keys in the open database.
struct RootKeys {
    int64_t classesRoot = 0;
    int64_t currentUser = 0;
    int64_t localMachine = 0;
};

// What a registry call needs of the store: to read it; to change what is in it (deleting, renaming:
// nothing to do in a store that does not exist yet); or to add to it, which makes the store file and
// its folders when there is none yet.
enum class StoreUse { Read, Change, Create };

class RegistryStore {
  public:
    static RegistryStore& Get();

    std::mutex& Mutex() { return mutex_; }

    // The open database, opening it first. Without a store file a read or a change is answered from
    // an empty store held in memory, and nothing is made on disk; StoreUse::Create makes the file. A file
    // that is not a registry database, or is damaged, locked or unreadable, is never changed: before the
    // first write of a connection the whole file is read (CheckWhole). Throws RegistryError.
    sqlite3* Database(StoreUse use);
    const RootKeys& Roots() const { return roots_; }

    void SetPath(const std::string& path); // closes the database
    std::string Path() const;
    // The absolute file path of the store in use.
    std::string FilePath() const;

    // Sets the connection's busy timeout unless it is set so already.
    void SetBusyTimeout(sqlite3* db, int milliseconds);
    int BusyTimeout() const { return busyTimeoutMs_; }

    // Reads every page of the store (SQLite's quick check) in one read transaction. Throws
    // RegistryError: ERROR_REGISTRY_CORRUPT when a page is damaged. Done once per connection before
    // its first write.
    void CheckWhole();

    // The shared read of RegistrySnapshot: how many snapshots live, and whether the read transaction
    // they share is open on the database. EndSharedRead rolls it back (a write is about to begin, a
    // read failed, or the last snapshot ended).
    int& SnapshotDepth() { return snapshotDepth_; }
    bool SharedReadOpen() const { return sharedRead_; }
    void SetSharedReadOpen() { sharedRead_ = true; }
    bool IsOpenDatabase(const sqlite3* db) const { return db && db == db_; }
    void EndSharedRead();

    // Prepared statements of the open database, kept for reuse by their SQL text (looked up by the
    // text's address, then checked against the text itself): a statement taken is the caller's until
    // it is given back, reset. Statements of any other connection (null from Take) are the caller's
    // to finalize.
    sqlite3_stmt* Take(sqlite3* db, const char* sql);
    bool GiveBack(sqlite3* db, const char* sql, sqlite3_stmt* stmt);

    ~RegistryStore();

  private:
    RegistryStore() = default;
    void Open(StoreUse use);
    void OpenFile(const std::string& path, StoreUse use);
    void OpenEmptyImage();
    void Close();

    std::mutex mutex_;
    std::string explicitPath_;
    sqlite3* db_ = nullptr;
    bool image_ = false;   // db_ is the empty store in memory that stands for a missing file
    bool checked_ = false; // the whole file was read (CheckWhole) since db_ was opened
    long owner_ = 0;       // process that opened db_: a forked child opens its own connection
    int busyTimeoutMs_ = -1;
    int snapshotDepth_ = 0;
    bool sharedRead_ = false; // the snapshots' read transaction is open on db_
    RootKeys roots_;
    std::unordered_map<const char*, std::vector<sqlite3_stmt*>> statements_;
};

// One prepared statement. Every failure throws RegistryError.
class Statement {
  public:
    Statement(sqlite3* db, const char* sql);
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    Statement& Bind(int index, int64_t value);
    Statement& Bind(int index, const std::string& bytes); // bound as a blob: names are 8-bit text
    Statement& BindBlob(int index, const void* data, size_t size);

    // True while a row is available; false when done.
    bool Step();
    void Run(); // steps to the end
    void Reset();

    int64_t Int(int column);
    std::string Bytes(int column);

  private:
    sqlite3* db_;
    const char* sql_;
    sqlite3_stmt* stmt_ = nullptr;
};

// A transaction: BEGIN IMMEDIATE for writes (so two writers wait for each other instead of failing),
// a deferred BEGIN for reads that need one consistent view (a read takes no write lock). Each waits
// for another program's lock as long as its kind allows (kReadBusyTimeoutMs, kWriteBusyTimeoutMs).
// Rolls back unless committed. While a RegistrySnapshot lives, a read joins the snapshots' shared read
// transaction (beginning it when none is open) and leaves it open; a write ends it first.
class Transaction {
  public:
    Transaction(sqlite3* db, bool write);
    ~Transaction();
    void Commit();

  private:
    sqlite3* db_;
    bool open_ = false;
};

// Current time as the registry records it (FILETIME ticks).
int64_t RegistryNow();

} // namespace plat::detail
