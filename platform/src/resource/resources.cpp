// Resource tables per module, the user language and the current resource module, and the loaders that
// read them: LoadStringA, LoadBitmapA and FindDialogTemplate.
#include "plat/resources.h"

#include "gdi/codepage.h"
#include "gdi/gdi_objects.h"

#include <cstring>
#include <unordered_map>

namespace plat {
namespace {

struct ResourceState {
    std::unordered_map<HMODULE, const ResourceTable*> tables;
    HMODULE current = 0;
    LANGID language = 0x0409;
};

ResourceState& S() {
    static auto* state = new ResourceState();
    return *state;
}

const ResourceTable* TableFor(HMODULE module) {
    if (module == 0) module = S().current;
    auto it = S().tables.find(module);
    return it == S().tables.end() ? nullptr : it->second;
}

} // namespace

void RegisterResources(HMODULE module, const ResourceTable* table) {
    if (table)
        S().tables[module] = table;
    else
        S().tables.erase(module);
}

const ResourceTable* FindResources(HMODULE module) {
    auto it = S().tables.find(module);
    return it == S().tables.end() ? nullptr : it->second;
}

const DialogTemplate* FindDialogTemplate(HMODULE module, UINT id) {
    const ResourceTable* table = TableFor(module);
    if (!table) return nullptr;
    const ResourceTable::DialogMap& dialogs = table->dialogSource ? table->dialogSource() : table->dialogs;
    auto find = [&](LANGID lang) -> const DialogTemplate* {
        auto byLang = dialogs.find(lang);
        if (byLang == dialogs.end()) return nullptr;
        auto it = byLang->second.find(id);
        return it == byLang->second.end() ? nullptr : &it->second;
    };
    for (LANGID lang : {S().language, static_cast<LANGID>(LANG_NEUTRAL), static_cast<LANGID>(0x0409)})
        if (const DialogTemplate* t = find(lang)) return t;
    for (const auto& [lang, byId] : dialogs)
        if (const DialogTemplate* t = find(lang)) return t;
    return nullptr;
}

void SetCurrentResourceModule(HMODULE module) {
    S().current = module;
}
HMODULE CurrentResourceModule() {
    return S().current;
}

void SetUserLanguage(LANGID lang) {
    S().language = lang;
    switch (lang) {
    case 0x0404:
        SetCodePage(950);
        break;
    case 0x0804:
        SetCodePage(936);
        break;
    default:
        SetCodePage(1252);
        break;
    }
}

LANGID UserLanguage() {
    return S().language;
}

} // namespace plat

using namespace plat;

extern "C" {

int LoadStringA(HINSTANCE hInstance, UINT uID, LPSTR lpBuffer, int cchBufferMax) {
    if (!lpBuffer || cchBufferMax <= 0) return 0;
    lpBuffer[0] = '\0';
    const ResourceTable* table = TableFor(hInstance);
    if (!table) return 0;
    auto byLang = table->strings.find(S().language);
    if (byLang == table->strings.end()) return 0;
    auto it = byLang->second.find(uID);
    if (it == byLang->second.end()) return 0;
    const std::string& text = it->second;
    size_t limit = static_cast<size_t>(cchBufferMax) - 1;
    // Cut at a character boundary: a two-byte character never loses its trail byte.
    size_t n = 0;
    while (n < text.size() && text[n] != '\0') {
        size_t len = plat::detail::CharLength(text.data(), n, text.size(), CodePage());
        if (n + len > limit) break;
        n += len;
    }
    std::memcpy(lpBuffer, text.data(), n);
    lpBuffer[n] = '\0';
    return static_cast<int>(n);
}

HBITMAP LoadBitmapA(HINSTANCE hInstance, LPCSTR lpBitmapName) {
    if (!IS_INTRESOURCE(lpBitmapName)) return nullptr; // resources are found by number only
    const ResourceTable* table = TableFor(hInstance);
    if (!table) return nullptr;
    auto it = table->bitmaps.find(static_cast<UINT>(reinterpret_cast<ULONG_PTR>(lpBitmapName)));
    if (it == table->bitmaps.end()) return nullptr;
    const BitmapResource& res = it->second;
    if (res.width <= 0 || res.height <= 0) return nullptr;
    size_t count = static_cast<size_t>(res.width) * static_cast<size_t>(res.height);
    HBITMAP h = plat::detail::NewBitmap(res.width, res.height, 24);
    plat::detail::BitmapObject* b = plat::detail::LookupBitmap(h);
    for (size_t i = 0; i < count && i < res.pixels.size(); ++i)
        b->image.xrgb[i] = ToXrgb(res.pixels[i] & 0xFFFFFF);
    return h;
}

} // extern "C"
