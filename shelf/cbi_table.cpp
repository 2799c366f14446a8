#include "shelf/cbi_table.h"

CbiTable g_cbi{};

namespace {

HMODULE g_boundModule = 0;

template <typename Fn> int Bind(HMODULE module, Fn& slot, const char* name) {
    slot = module ? reinterpret_cast<Fn>(GetProcAddress(module, name)) : nullptr;
    return slot ? 1 : 0;
}

} // namespace

#define CBI_BIND(name) found += Bind(module, g_cbi.name, #name)

int BindDriver(HMODULE module) {
    int found = 0;
    CBI_BIND(CBIOpenBook);
    CBI_BIND(CBICloseBook);
    CBI_BIND(CBIGetCaps);
    CBI_BIND(CBIGetBkName);
    CBI_BIND(CBIExBookNoLength);
    CBI_BIND(CBIExBookNo);
    CBI_BIND(CBIBookSerial);
    CBI_BIND(CBICheckVersion);
    CBI_BIND(CBIGetPageCount);
    CBI_BIND(CBIGetPageSize);
    CBI_BIND(CBIGetPage);
    CBI_BIND(CBIVPGetRootItem);
    CBI_BIND(CBIVPItemHasChildren);
    CBI_BIND(CBIVPGetChildItem);
    CBI_BIND(CBIVPGetNextSiblingItem);
    CBI_BIND(CBIVPGetParentItem);
    CBI_BIND(CBIVPGetItemText);
    CBI_BIND(CBIVPItemToPage);
    CBI_BIND(CBIVPPageToItem);
    CBI_BIND(CBIShelfOpen);
    CBI_BIND(CBIShelfGetClassAttr);
    CBI_BIND(CBIShelfGetBookAttr);
    CBI_BIND(GetDescFileURLbyClassID);
    CBI_BIND(CBIShelfAddBook);
    CBI_BIND(CBIShelfDelBook);
    CBI_BIND(CBIShelfClose);
    CBI_BIND(CBIDictAttr);
    CBI_BIND(CBIDictClassNo);
    g_boundModule = module;
    return found;
}

#undef CBI_BIND

HMODULE BoundDriver() {
    return g_boundModule;
}
