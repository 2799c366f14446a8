// Where the registry keeps its keys, why it failed, and what hosts and tests may ask of it beyond the
// Windows API.
#pragma once

#include "win/winreg.h"

#include <cstddef>
#include <string>

namespace plat {

// The registry is one SQLite database file. Its location is, in this order: the path last given to
// SetRegistryPath; the environment variable TAVRIN_REGISTRY; $XDG_DATA_HOME/tavrin/registry.db;
// ~/.local/share/tavrin/registry.db. The file and its folder are made by the first write; reads of
// a store that does not exist yet find only the root keys and make nothing.
//
// SetRegistryPath closes the database; the next registry call opens the new one. Key handles that
// were open become invalid (RegCloseKey on them answers ERROR_INVALID_HANDLE). An empty path goes
// back to the environment and default locations.
void SetRegistryPath(const std::string& path);
std::string RegistryPath();

// Number of key handles opened and not yet closed (the predefined root keys are not counted).
size_t OpenKeyCount();

// While a RegistrySnapshot lives, the registry calls of this process that only read share one read
// transaction of the store, begun by the first of them: they see the store as it was then, and each
// costs a fraction of a call that takes a transaction of its own (about a third of the time of a
// small read goes to taking and releasing the store's shared lock). Another program's changes become
// visible when the last snapshot ends. A call that writes (or flushes) ends the shared read first and
// sees everything, and the next read begins a new one; a read that fails ends it too. Snapshots nest.
// For walks of many keys, such as the shelf's walk of its registered books.
class RegistrySnapshot {
  public:
    RegistrySnapshot();
    ~RegistrySnapshot();
    RegistrySnapshot(const RegistrySnapshot&) = delete;
    RegistrySnapshot& operator=(const RegistrySnapshot&) = delete;
};

// ---- Error codes in words ----

// The name of an error code as the platform's headers spell it ("ERROR_ACCESS_DENIED"), or null for a
// code the platform does not define.
const char* ErrorName(LONG code);
// The platform's sentence for an error code ("Access is denied."); a general one for an unknown code.
const char* ErrorDescription(LONG code);
// "ERROR_ACCESS_DENIED (5)"; "error 12345" for a code without a name.
std::string ErrorCodeText(LONG code);

// Why the store itself failed in the last registry call of this thread (locked by another program,
// not a registry database, damaged, read-only, disk full, ...). Every registry call clears it first;
// a call that failed for any other reason (a missing key, a too small buffer) leaves it clear.
struct RegistryStoreError {
    LONG code = ERROR_SUCCESS; // what the call returned
    std::string path;          // the store file
    std::string reason;        // in words, without the path: "locked by another program (waited 1 s)"
};
RegistryStoreError LastRegistryStoreError();

// One line for a person about the result `code` of the last registry call of this thread:
// "ERROR_SHARING_VIOLATION (32): the registry /home/u/.local/share/tavrin/registry.db: locked by
// another program (waited 1 s)" when the store failed with that code, else the code's name and the
// platform's sentence for it.
std::string RegistryErrorText(LONG code);

// Checks that the whole store can be read: opens it for reading (never making or changing a file)
// and reads every page of it. ERROR_SUCCESS also when there is no store file yet; else the code, and
// LastRegistryStoreError says why.
LONG CheckRegistryStore();

} // namespace plat
