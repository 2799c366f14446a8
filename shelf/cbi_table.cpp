#include "shelf/cbi_table.h"

CbiTable g_cbi{};

namespace {

HMODULE g_boundModule = 0;

template <typename Fn> int Bind(HMODULE module, Fn& slot, const char* name) {
    slot = module ? reinterpret_cast<Fn>(GetProcAddress(module, name)) : nullptr;
    return slot ? 1 : 0;
}

} // namespace

#define CBI_BIND(name) found += Bind(module, g_cbi.name, #name);

int BindDriver(HMODULE module) {
    int found = 0;
    CBI_FOR_EACH_ENTRY_POINT(CBI_BIND)
    g_boundModule = module;
    return found;
}

#undef CBI_BIND

HMODULE BoundDriver() {
    return g_boundModule;
}
