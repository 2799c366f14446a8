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

// Thrown inside the registry code when the database fails; the API functions return its code.
struct RegistryError {
    LONG code;
};

// The platform's code for an SQLite result: ERROR_BADDB for a damaged or foreign file, ERROR_BUSY
// when another process held the database too long, and so on.
LONG ErrorFromSqlite(int result);

// The key ids of the three root keys in the open database.
struct RootKeys {
    int64_t classesRoot = 0;
    int64_t currentUser = 0;
    int64_t localMachine = 0;
};

class RegistryStore {
  public:
    static RegistryStore& Get();

    std::mutex& Mutex() { return mutex_; }

    // The open database, opening (and if new, preparing) it first. Throws RegistryError.
    sqlite3* Database();
    const RootKeys& Roots();

    void SetPath(const std::string& path); // closes the database
    std::string Path() const;

    // Prepared statements of the open database, kept for reuse by their SQL text (looked up by the
    // text's address, then checked against the text itself): a statement taken is the caller's until
    // it is given back, reset. Statements of any other connection (null from Take) are the caller's
    // to finalize.
    sqlite3_stmt* Take(sqlite3* db, const char* sql);
    bool GiveBack(sqlite3* db, const char* sql, sqlite3_stmt* stmt);

    ~RegistryStore();

  private:
    RegistryStore() = default;
    void Open();
    void Close();

    std::mutex mutex_;
    std::string explicitPath_;
    sqlite3* db_ = nullptr;
    long owner_ = 0; // process that opened db_: a forked child opens its own connection
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
// a deferred BEGIN for reads that need one consistent view. Rolls back unless committed.
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
