// The module table: the 32-bit handle values that stand for the program, the code linked into it and
// the libraries loaded with LoadLibraryA, with their load counts.
#pragma once

#include "win/winbase.h"

#include <mutex>
#include <string>
#include <sys/types.h>
#include <unordered_map>
#include <vector>

struct link_map;

namespace plat::detail {

struct Module {
    enum class Kind { Program, Builtin, Library };
    Kind kind = Kind::Library;
    HMODULE handle = 0;
    std::string path;     // full path with "/" separators
    std::string baseName; // the name lookups by base name compare with (case ignored)
    DWORD count = 1;
    void* library = nullptr;        // dlopen handle of a Library
    struct link_map* map = nullptr; // its link map, to tell its own symbols from its dependencies'
    dev_t device = 0;               // file identity of a Library
    ino_t inode = 0;
    // What FindOwnSymbol answered for a Library, by name (null for "not its own"): a loaded library's
    // symbols stay as they are, and a shelf binds the same few drivers' entry points many times.
    std::unordered_map<std::string, void*> ownSymbols;
};

// The handle of the program itself (GetModuleHandleA(NULL)).
constexpr HMODULE kProgramHandle = 0x00400000u;

class ModuleTable {
  public:
    static ModuleTable& Get();

    // Loading runs a library's DllMain, which may load libraries itself, hence a recursive lock.
    std::recursive_mutex& Mutex() { return mutex_; }

    // The program module (kind Program) is always there; its path follows ProgramPath().
    Module* Find(HMODULE handle);
    Module* FindByBaseName(const std::string& baseName);
    Module* FindByPath(const std::string& path);
    Module* FindByFile(dev_t device, ino_t inode);
    Module* FindByLibrary(void* library);

    // Adds a module and gives it a fresh handle value: never 0, never one in use.
    Module& Add(Module module);
    void Remove(HMODULE handle);

    std::vector<Module>& Modules() { return modules_; }
    void RefreshProgram();

  private:
    ModuleTable();
    HMODULE NextHandle();

    std::recursive_mutex mutex_;
    std::vector<Module> modules_; // the program first, then in load order
    HMODULE next_ = 0x10000000u;
};

// Name rules shared by LoadLibraryA and GetModuleHandleA: "\" becomes "/"; a last component with no
// dot gets ".dll"; a trailing dot means "no extension" and is dropped.
std::string ModuleFileName(const char* name);

// Looks a symbol up in the library itself, not in the libraries it depends on (as an export table
// would). The program and built-in modules look in the program. Callers hold the table's lock.
void* FindOwnSymbol(Module& module, const char* name);

} // namespace plat::detail
