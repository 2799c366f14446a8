// A data object with fixed contents per clipboard format; each GetData hands out a fresh copy the
// caller owns.
#include "plat/drop.h"

#include <cstring>

namespace plat {

DataObject::DataObject(const std::string& text) {
    SetData(CF_TEXT, text);
}

void DataObject::SetData(CLIPFORMAT cf, const std::string& bytes) {
    formats_[cf] = bytes;
}

HRESULT DataObject::QueryGetData(CLIPFORMAT cf) {
    return formats_.count(cf) ? S_OK : DV_E_FORMATETC;
}

HRESULT DataObject::GetData(CLIPFORMAT cf, HGLOBAL* phGlobal) {
    if (!phGlobal) return E_POINTER;
    *phGlobal = nullptr;
    auto it = formats_.find(cf);
    if (it == formats_.end()) return DV_E_FORMATETC;
    const std::string& bytes = it->second;
    // Text formats end with a zero byte, as a reader of the locked memory expects.
    bool text = cf == CF_TEXT || cf == CF_OEMTEXT;
    SIZE_T size = bytes.size() + (text ? 1 : 0);
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
    if (!block) return E_OUTOFMEMORY;
    if (void* p = GlobalLock(block)) {
        if (!bytes.empty()) std::memcpy(p, bytes.data(), bytes.size());
        GlobalUnlock(block);
    }
    *phGlobal = block;
    return S_OK;
}

} // namespace plat
