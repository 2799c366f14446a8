// The error codes the platform layer defines, by name and with the platform's sentence for each: the
// one table that tools and hosts print errors from.
#include "plat/registry.h"

#include "win/winbase.h"

namespace {

#ifndef ERROR_GEN_FAILURE
#define ERROR_GEN_FAILURE 31L
#endif
#ifndef ERROR_RESOURCE_NAME_NOT_FOUND
#define ERROR_RESOURCE_NAME_NOT_FOUND 1814L
#endif

struct ErrorEntry {
    LONG code;
    const char* name;
    const char* description;
};

#define ENTRY(code, text)                                                                                    \
    { code, #code, text }

constexpr ErrorEntry kErrors[] = {
    ENTRY(ERROR_SUCCESS, "The operation completed successfully."),
    ENTRY(ERROR_INVALID_FUNCTION, "Incorrect function."),
    ENTRY(ERROR_FILE_NOT_FOUND, "The system cannot find the file specified."),
    ENTRY(ERROR_PATH_NOT_FOUND, "The system cannot find the path specified."),
    ENTRY(ERROR_TOO_MANY_OPEN_FILES, "The system cannot open the file."),
    ENTRY(ERROR_ACCESS_DENIED, "Access is denied."),
    ENTRY(ERROR_INVALID_HANDLE, "The handle is invalid."),
    ENTRY(ERROR_NOT_ENOUGH_MEMORY, "Not enough memory resources are available to process this command."),
    ENTRY(ERROR_OUTOFMEMORY, "Not enough memory resources are available to complete this operation."),
    ENTRY(ERROR_NO_MORE_FILES, "There are no more files."),
    ENTRY(ERROR_GEN_FAILURE, "A device attached to the system is not functioning."),
    ENTRY(ERROR_SHARING_VIOLATION,
          "The process cannot access the file because it is being used by another process."),
    ENTRY(ERROR_HANDLE_EOF, "Reached the end of the file."),
    ENTRY(ERROR_FILE_EXISTS, "The file exists."),
    ENTRY(ERROR_INVALID_PARAMETER, "The parameter is incorrect."),
    ENTRY(ERROR_BUFFER_OVERFLOW, "The file name is too long."),
    ENTRY(ERROR_DISK_FULL, "There is not enough space on the disk."),
    ENTRY(ERROR_INSUFFICIENT_BUFFER, "The data area passed to a system call is too small."),
    ENTRY(ERROR_MOD_NOT_FOUND, "The specified module could not be found."),
    ENTRY(ERROR_PROC_NOT_FOUND, "The specified procedure could not be found."),
    ENTRY(ERROR_NEGATIVE_SEEK,
          "An attempt was made to move the file pointer before the beginning of the file."),
    ENTRY(ERROR_DIR_NOT_EMPTY, "The directory is not empty."),
    ENTRY(ERROR_BAD_PATHNAME, "The specified path is invalid."),
    ENTRY(ERROR_BUSY, "The requested resource is in use."),
    ENTRY(ERROR_ALREADY_EXISTS, "Cannot create a file when that file already exists."),
    ENTRY(ERROR_BAD_EXE_FORMAT, "The program is not a valid application."),
    ENTRY(ERROR_FILENAME_EXCED_RANGE, "The filename or extension is too long."),
    ENTRY(ERROR_MORE_DATA, "More data is available."),
    ENTRY(ERROR_NO_MORE_ITEMS, "No more data is available."),
    ENTRY(ERROR_DIRECTORY, "The directory name is invalid."),
    ENTRY(ERROR_NOACCESS, "Invalid access to memory location."),
    ENTRY(ERROR_BADDB, "The configuration registry database is corrupt."),
    ENTRY(ERROR_REGISTRY_CORRUPT, "The registry is corrupted: a file containing registry data is damaged."),
    ENTRY(ERROR_REGISTRY_IO_FAILED, "An I/O operation initiated by the registry failed unrecoverably."),
    ENTRY(ERROR_KEY_DELETED,
          "Illegal operation attempted on a registry key that has been marked for deletion."),
    ENTRY(ERROR_DLL_INIT_FAILED, "A dynamic link library (DLL) initialization routine failed."),
    ENTRY(ERROR_INVALID_WINDOW_HANDLE, "Invalid window handle."),
    ENTRY(ERROR_CANNOT_FIND_WND_CLASS, "Cannot find window class."),
    ENTRY(ERROR_CLASS_ALREADY_EXISTS, "Class already exists."),
    ENTRY(ERROR_RESOURCE_NAME_NOT_FOUND, "The specified resource name cannot be found in the image file."),
};

#undef ENTRY

const ErrorEntry* Find(LONG code) {
    for (const ErrorEntry& entry : kErrors)
        if (entry.code == code) return &entry;
    return nullptr;
}

} // namespace

const char* plat::ErrorName(LONG code) {
    const ErrorEntry* entry = Find(code);
    return entry ? entry->name : nullptr;
}

const char* plat::ErrorDescription(LONG code) {
    const ErrorEntry* entry = Find(code);
    return entry ? entry->description : "An error the platform has no description for.";
}

std::string plat::ErrorCodeText(LONG code) {
    const char* name = ErrorName(code);
    if (name) return std::string(name) + " (" + std::to_string(code) + ")";
    return "error " + std::to_string(code);
}
