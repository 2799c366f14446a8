// Failures of the registry store: SQLite results as the platform's error codes with the reason in
// words, and the last such failure of each thread for hosts and tools to report.
#include "registry/keys.h"

#include "plat/registry.h"

#include <cerrno>
#include <cstring>
#include <sqlite3.h>

namespace plat::detail {

namespace {

thread_local plat::RegistryStoreError t_failure;

std::string WithSystemError(const std::string& detail, int systemError) {
    if (systemError == 0) return detail;
    return detail + ": " + std::strerror(systemError);
}

// The wait that ran out, in words ("1 s").
std::string Waited() {
    int ms = RegistryStore::Get().BusyTimeout();
    if (ms < 0) ms = 0;
    return ms % 1000 == 0 ? std::to_string(ms / 1000) + " s" : std::to_string(ms) + " ms";
}

bool IsFullError(int error) {
    return error == ENOSPC || error == EDQUOT || error == EFBIG;
}

bool IsDeniedError(int error) {
    return error == EACCES || error == EPERM || error == EROFS || error == EISDIR;
}

} // namespace

RegistryError StoreError(sqlite3* db, int result, int stepErrno) {
    const std::string detail = db ? sqlite3_errmsg(db) : sqlite3_errstr(result);
    int system = db ? sqlite3_system_errno(db) : 0;
    if (system == 0) system = stepErrno;
    switch (result & 0xFF) {
    case SQLITE_OK:
    case SQLITE_ROW:
    case SQLITE_DONE:
        return RegistryError{ERROR_SUCCESS, ""};
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return RegistryError{ERROR_SHARING_VIOLATION, "locked by another program (waited " + Waited() + ")"};
    case SQLITE_NOMEM:
        return RegistryError{ERROR_OUTOFMEMORY, ""};
    case SQLITE_READONLY:
        return RegistryError{ERROR_ACCESS_DENIED, "read-only (" + detail + ")"};
    case SQLITE_PERM:
    case SQLITE_AUTH:
        return RegistryError{ERROR_ACCESS_DENIED, "not permitted (" + detail + ")"};
    case SQLITE_FULL:
        return RegistryError{ERROR_DISK_FULL, "the disk is full (" + WithSystemError(detail, system) + ")"};
    case SQLITE_IOERR:
        if (IsFullError(system))
            return RegistryError{ERROR_DISK_FULL,
                                 "the disk is full (" + WithSystemError(detail, system) + ")"};
        if (IsDeniedError(system))
            return RegistryError{ERROR_ACCESS_DENIED,
                                 "cannot be written (" + WithSystemError(detail, system) + ")"};
        return RegistryError{ERROR_REGISTRY_IO_FAILED,
                             "an input/output error (" + WithSystemError(detail, system) + ")"};
    case SQLITE_CANTOPEN: {
        LONG code = IsDeniedError(system)                   ? ERROR_ACCESS_DENIED
                    : system == ENOENT || system == ENOTDIR ? ERROR_PATH_NOT_FOUND
                                                            : ERROR_REGISTRY_IO_FAILED;
        return RegistryError{code, "cannot be opened (" + WithSystemError(detail, system) + ")"};
    }
    case SQLITE_NOTADB:
        return RegistryError{ERROR_BADDB, "not a registry database (" + detail + "); left as it is"};
    case SQLITE_CORRUPT:
        return RegistryError{ERROR_REGISTRY_CORRUPT, "damaged (" + detail + ")"};
    case SQLITE_TOOBIG:
        return RegistryError{ERROR_INVALID_PARAMETER, ""}; // the data, not the store
    default:
        return RegistryError{ERROR_BADDB, "not usable (" + detail + ")"};
    }
}

void ForgetStoreFailure() {
    if (t_failure.code != ERROR_SUCCESS) t_failure = plat::RegistryStoreError{};
}

void RememberStoreFailure(const RegistryError& error, const std::string& path) {
    t_failure = plat::RegistryStoreError{error.code, path, error.reason};
}

} // namespace plat::detail

plat::RegistryStoreError plat::LastRegistryStoreError() {
    return detail::t_failure;
}

std::string plat::RegistryErrorText(LONG code) {
    const RegistryStoreError& failure = detail::t_failure;
    if (code != ERROR_SUCCESS && failure.code == code)
        return ErrorCodeText(code) + ": the registry " + failure.path + ": " + failure.reason;
    return ErrorCodeText(code) + ": " + ErrorDescription(code);
}
