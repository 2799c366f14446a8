// LoadLibraryA and the other calls on modules, over the module table.
//
// A name without a path is first compared with the base names of the modules already loaded (a
// match is returned with its count raised, without looking at the disk); otherwise it is searched
// in the host program's folder, the current directory and the folders of TAVRIN_LIBRARY_PATH, in
// that order, with file names compared without regard to case. A full path names one file; a
// relative path with folders in it is looked for below the same folders in the same order. A file
// already loaded under another name is the same module.
#include "file/path.h"
#include "module/module_table.h"
#include "plat/modules.h"

#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <link.h>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

using plat::detail::Module;
using plat::detail::ModuleTable;

namespace {

// The program path set by the host; empty means the running executable. Kept in a function so
// that a host may set it from the constructor of a global object.
struct ProgramPathSetting {
    std::mutex mutex;
    std::string path;
};

ProgramPathSetting& ProgramPathState() {
    static ProgramPathSetting setting;
    return setting;
}

using DllMainProc = BOOL (*)(HINSTANCE, DWORD, LPVOID);

bool IsRegularFile(const std::string& path, struct stat* status) {
    return stat(path.c_str(), status) == 0 && S_ISREG(status->st_mode);
}

std::vector<std::string> SearchFolders() {
    std::vector<std::string> folders;
    folders.push_back(plat::detail::DirName(plat::ProgramPath()));
    folders.push_back(plat::detail::MakeAbsolute("."));
    if (const char* extra = std::getenv("TAVRIN_LIBRARY_PATH")) {
        std::string list = extra;
        size_t start = 0;
        while (start <= list.size()) {
            size_t end = list.find(':', start);
            if (end == std::string::npos) end = list.size();
            std::string folder = list.substr(start, end - start);
            if (!folder.empty())
                folders.push_back(plat::detail::MakeAbsolute(plat::detail::ToNative(folder.c_str())));
            start = end + 1;
        }
    }
    return folders;
}

// The file a library name stands for, or "" when no folder holds it.
std::string FindLibraryFile(const std::string& name, struct stat* status) {
    if (!name.empty() && name[0] == '/') {
        std::string path = plat::detail::ResolveCase(plat::detail::MakeAbsolute(name));
        return IsRegularFile(path, status) ? path : std::string();
    }
    for (const std::string& folder : SearchFolders()) {
        std::string path = plat::detail::ResolveCase(plat::detail::MakeAbsolute(folder + "/" + name));
        if (IsRegularFile(path, status)) return path;
    }
    return {};
}

DWORD ErrorFromDlerror(const char* message) {
    std::string text = message ? message : "";
    if (text.find("undefined symbol") != std::string::npos) return ERROR_PROC_NOT_FOUND;
    if (text.find("cannot open shared object") != std::string::npos)
        return ERROR_MOD_NOT_FOUND; // a library it depends on is missing
    return ERROR_BAD_EXE_FORMAT;
}

// Unloads a library whose count reached zero. The caller holds the table's lock.
void Unload(HMODULE handle) {
    auto& table = ModuleTable::Get();
    Module* module = table.Find(handle);
    if (!module || module->kind != Module::Kind::Library) return;
    if (auto entry = reinterpret_cast<DllMainProc>(plat::detail::FindOwnSymbol(*module, "DllMain")))
        entry(handle, DLL_PROCESS_DETACH, nullptr);
    module = table.Find(handle); // DllMain may have changed the table
    if (!module) return;
    void* library = module->library;
    table.Remove(handle);
    dlclose(library);
}

HMODULE Fail(DWORD error) {
    SetLastError(error);
    return 0;
}

} // namespace

extern "C" HMODULE LoadLibraryExA(LPCSTR lpLibFileName, HANDLE hFile, DWORD dwFlags) {
    if (!lpLibFileName || hFile) return Fail(ERROR_INVALID_PARAMETER);
    if (!*lpLibFileName) return Fail(ERROR_MOD_NOT_FOUND);
    const std::string name = plat::detail::ModuleFileName(lpLibFileName);
    const bool bare = name.find('/') == std::string::npos;

    auto& table = ModuleTable::Get();
    std::lock_guard lock(table.Mutex());
    table.RefreshProgram();
    if (bare) {
        if (Module* loaded = table.FindByBaseName(name)) {
            if (loaded->kind != Module::Kind::Program) ++loaded->count;
            return loaded->handle;
        }
    }

    struct stat status {};
    const std::string path = FindLibraryFile(name, &status);
    if (path.empty()) return Fail(ERROR_MOD_NOT_FOUND);
    if (Module* loaded = table.FindByFile(status.st_dev, status.st_ino)) {
        ++loaded->count;
        return loaded->handle;
    }

    dlerror();
    void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!library) return Fail(ErrorFromDlerror(dlerror()));
    if (Module* loaded = table.FindByLibrary(library)) {
        // The same object reached through another name (a link, say): one module, one more load.
        dlclose(library);
        ++loaded->count;
        return loaded->handle;
    }

    Module module;
    module.kind = Module::Kind::Library;
    module.path = path;
    module.baseName = plat::detail::BaseName(path);
    module.library = library;
    module.device = status.st_dev;
    module.inode = status.st_ino;
    if (dlinfo(library, RTLD_DI_LINKMAP, &module.map) != 0) module.map = nullptr;
    const HMODULE handle = table.Add(module).handle;

    Module copy = *table.Find(handle);
    if (auto entry = reinterpret_cast<DllMainProc>(plat::detail::FindOwnSymbol(copy, "DllMain"))) {
        if (!entry(handle, DLL_PROCESS_ATTACH, nullptr)) {
            // A refused load is detached at once and unloaded, as the platform does.
            entry(handle, DLL_PROCESS_DETACH, nullptr);
            table.Remove(handle);
            dlclose(library);
            return Fail(ERROR_DLL_INIT_FAILED);
        }
    }
    return handle;
}

extern "C" HMODULE LoadLibraryA(LPCSTR lpLibFileName) {
    return LoadLibraryExA(lpLibFileName, nullptr, 0);
}

extern "C" BOOL FreeLibrary(HMODULE hLibModule) {
    auto& table = ModuleTable::Get();
    std::lock_guard lock(table.Mutex());
    Module* module = table.Find(hLibModule);
    if (!module) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return FALSE;
    }
    switch (module->kind) {
    case Module::Kind::Program:
        break;
    case Module::Kind::Builtin:
        if (module->count > 1) --module->count;
        break;
    case Module::Kind::Library:
        if (--module->count == 0) Unload(hLibModule);
        break;
    }
    return TRUE;
}

extern "C" FARPROC GetProcAddress(HMODULE hModule, LPCSTR lpProcName) {
    auto& table = ModuleTable::Get();
    std::lock_guard lock(table.Mutex());
    Module* module = table.Find(hModule);
    if (!module) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    if (!lpProcName || IS_INTRESOURCE(lpProcName)) {
        SetLastError(ERROR_PROC_NOT_FOUND); // entry points by ordinal are not offered
        return nullptr;
    }
    void* symbol = plat::detail::FindOwnSymbol(*module, lpProcName);
    if (!symbol) {
        SetLastError(ERROR_PROC_NOT_FOUND);
        return nullptr;
    }
    return reinterpret_cast<FARPROC>(symbol);
}

extern "C" DWORD GetModuleFileNameA(HMODULE hModule, LPSTR lpFilename, DWORD nSize) {
    std::string path;
    {
        auto& table = ModuleTable::Get();
        std::lock_guard lock(table.Mutex());
        table.RefreshProgram();
        Module* module = table.Find(hModule ? hModule : plat::detail::kProgramHandle);
        if (!module) {
            SetLastError(ERROR_MOD_NOT_FOUND);
            return 0;
        }
        path = module->path;
    }
    if (nSize == 0 || !lpFilename) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    if (path.size() < nSize) {
        std::memcpy(lpFilename, path.c_str(), path.size() + 1);
        return static_cast<DWORD>(path.size());
    }
    // Too small: as much as fits, terminated; the result is the buffer size.
    std::memcpy(lpFilename, path.data(), nSize - 1);
    lpFilename[nSize - 1] = '\0';
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return nSize;
}

extern "C" HMODULE GetModuleHandleA(LPCSTR lpModuleName) {
    if (!lpModuleName) return plat::detail::kProgramHandle;
    auto& table = ModuleTable::Get();
    std::lock_guard lock(table.Mutex());
    table.RefreshProgram();
    const std::string name = plat::detail::ModuleFileName(lpModuleName);
    Module* module = nullptr;
    if (name.find('/') == std::string::npos) {
        module = table.FindByBaseName(name);
        if (!module && plat::detail::EqualsNoCase(lpModuleName, table.Modules().front().baseName))
            module = &table.Modules().front(); // the program by its own name, extension or not
    } else {
        module = table.FindByPath(plat::detail::ResolveCase(plat::detail::MakeAbsolute(name)));
    }
    if (!module) return Fail(ERROR_MOD_NOT_FOUND);
    return module->handle;
}

void plat::SetProgramPath(const std::string& path) {
    auto& setting = ProgramPathState();
    std::lock_guard lock(setting.mutex);
    setting.path = path.empty() ? std::string() : detail::MakeAbsolute(detail::ToNative(path.c_str()));
}

std::string plat::ProgramPath() {
    {
        auto& setting = ProgramPathState();
        std::lock_guard lock(setting.mutex);
        if (!setting.path.empty()) return setting.path;
    }
    std::vector<char> buffer(4096);
    ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
    if (length <= 0) return {};
    return std::string(buffer.data(), static_cast<size_t>(length));
}

DWORD plat::ModuleLoadCount(HMODULE module) {
    auto& table = ModuleTable::Get();
    std::lock_guard lock(table.Mutex());
    const Module* found = table.Find(module);
    return found ? found->count : 0;
}

size_t plat::LoadedModuleCount() {
    auto& table = ModuleTable::Get();
    std::lock_guard lock(table.Mutex());
    size_t count = 0;
    for (const Module& module : table.Modules())
        count += module.kind == Module::Kind::Library ? 1 : 0;
    return count;
}

std::vector<std::string> plat::LoadedModulePaths() {
    auto& table = ModuleTable::Get();
    std::lock_guard lock(table.Mutex());
    std::vector<std::string> paths;
    for (const Module& module : table.Modules()) {
        if (module.kind == Module::Kind::Library) paths.push_back(module.path);
    }
    return paths;
}

HMODULE plat::RegisterBuiltinModule(const char* name, const char* path) {
    if (!name || !*name) return 0;
    auto& table = ModuleTable::Get();
    std::lock_guard lock(table.Mutex());
    const std::string baseName = detail::ModuleFileName(name);
    for (const Module& module : table.Modules()) {
        if (module.kind == Module::Kind::Builtin && detail::EqualsNoCase(module.baseName, baseName))
            return module.handle;
    }
    Module module;
    module.kind = Module::Kind::Builtin;
    module.baseName = baseName;
    module.path = path && *path ? detail::MakeAbsolute(detail::ToNative(path)) : std::string();
    return table.Add(module).handle;
}

void plat::ResetModulesForTest() {
    auto& table = ModuleTable::Get();
    {
        std::lock_guard lock(table.Mutex());
        for (;;) {
            HMODULE victim = 0;
            for (const Module& module : table.Modules()) {
                if (module.kind != Module::Kind::Program) {
                    victim = module.handle;
                    break;
                }
            }
            if (!victim) break;
            const Module* module = table.Find(victim);
            if (module->kind == Module::Kind::Library)
                Unload(victim);
            else
                table.Remove(victim);
        }
    }
    SetProgramPath("");
}
