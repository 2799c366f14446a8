// The module table.
#include "module/module_table.h"

#include "file/path.h"
#include "plat/modules.h"

#include <dlfcn.h>
#include <link.h>

namespace plat::detail {

ModuleTable::ModuleTable() {
    Module program;
    program.kind = Module::Kind::Program;
    program.handle = kProgramHandle;
    modules_.push_back(program);
    RefreshProgram();
}

ModuleTable& ModuleTable::Get() {
    static ModuleTable table;
    return table;
}

void ModuleTable::RefreshProgram() {
    Module& program = modules_.front();
    program.path = ProgramPath();
    program.baseName = BaseName(program.path);
}

Module* ModuleTable::Find(HMODULE handle) {
    if (handle == 0) return nullptr;
    for (Module& module : modules_) {
        if (module.handle == handle) return &module;
    }
    return nullptr;
}

Module* ModuleTable::FindByBaseName(const std::string& baseName) {
    for (Module& module : modules_) {
        if (EqualsNoCase(module.baseName, baseName)) return &module;
    }
    return nullptr;
}

Module* ModuleTable::FindByPath(const std::string& path) {
    for (Module& module : modules_) {
        if (EqualsNoCase(module.path, path)) return &module;
    }
    return nullptr;
}

Module* ModuleTable::FindByFile(dev_t device, ino_t inode) {
    for (Module& module : modules_) {
        if (module.kind == Module::Kind::Library && module.device == device && module.inode == inode)
            return &module;
    }
    return nullptr;
}

Module* ModuleTable::FindByLibrary(void* library) {
    for (Module& module : modules_) {
        if (module.kind == Module::Kind::Library && module.library == library) return &module;
    }
    return nullptr;
}

HMODULE ModuleTable::NextHandle() {
    for (;;) {
        HMODULE candidate = next_;
        next_ += 0x10000u;
        if (candidate != 0 && candidate != kProgramHandle && !Find(candidate)) return candidate;
    }
}

Module& ModuleTable::Add(Module module) {
    module.handle = NextHandle();
    modules_.push_back(std::move(module));
    return modules_.back();
}

void ModuleTable::Remove(HMODULE handle) {
    for (auto it = modules_.begin(); it != modules_.end(); ++it) {
        if (it->handle == handle && it->kind != Module::Kind::Program) {
            modules_.erase(it);
            return;
        }
    }
}

std::string ModuleFileName(const char* name) {
    std::string result = ToNative(name);
    std::string base = BaseName(result);
    if (!base.empty() && base.back() == '.')
        result.pop_back();
    else if (!base.empty() && base.find('.') == std::string::npos)
        result += ".dll";
    return result;
}

void* FindOwnSymbol(Module& module, const char* name) {
    if (module.kind != Module::Kind::Library) return dlsym(RTLD_DEFAULT, name);
    auto [known, added] = module.ownSymbols.try_emplace(name, nullptr);
    if (!added) return known->second;
    void* symbol = dlsym(module.library, name);
    Dl_info info{};
    struct link_map* owner = nullptr;
    if (symbol && dladdr1(symbol, &info, reinterpret_cast<void**>(&owner), RTLD_DL_LINKMAP) &&
        owner == module.map)
        known->second = symbol;
    return known->second;
}

} // namespace plat::detail
