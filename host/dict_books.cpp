#include "dict_books.h"

#include "book_page.h"
#include "shelf_items.h"

#include <vector>

namespace tavrin::host {

namespace {

template <class Fn> Fn Bind(HMODULE driver, const char* name) {
    return driver ? reinterpret_cast<Fn>(GetProcAddress(driver, name)) : nullptr;
}

} // namespace

DictCalls::DictCalls(HMODULE driver)
    : open(Bind<PFN_CBIOpenBook>(driver, "CBIOpenBook")),
      close(Bind<PFN_CBICloseBook>(driver, "CBICloseBook")),
      errorText(Bind<PFN_CBIGetErrorText>(driver, "CBIGetErrorText")),
      name(Bind<PFN_CBIGetBkName>(driver, "CBIGetBkName")),
      numberLength(Bind<PFN_CBIExBookNoLength>(driver, "CBIExBookNoLength")),
      number(Bind<PFN_CBIExBookNo>(driver, "CBIExBookNo")),
      pageCount(Bind<PFN_CBIGetPageCount>(driver, "CBIGetPageCount")),
      pageSize(Bind<PFN_CBIGetPageSize>(driver, "CBIGetPageSize")),
      page(Bind<PFN_CBIGetPage>(driver, "CBIGetPage")),
      root(Bind<PFN_CBIVPGetRootItem>(driver, "CBIVPGetRootItem")),
      child(Bind<PFN_CBIVPGetChildItem>(driver, "CBIVPGetChildItem")),
      next(Bind<PFN_CBIVPGetNextSiblingItem>(driver, "CBIVPGetNextSiblingItem")),
      hasChildren(Bind<PFN_CBIVPItemHasChildren>(driver, "CBIVPItemHasChildren")),
      itemText(Bind<PFN_CBIVPGetItemText>(driver, "CBIVPGetItemText")),
      itemPage(Bind<PFN_CBIVPItemToPage>(driver, "CBIVPItemToPage")),
      lookup(Bind<PFN_DictLookup>(driver, "DictLookup")) {}

std::vector<ShelfDictionary> LookupDictionaries(CTavrinCtrl& shelf, HWND tree) {
    std::vector<ShelfDictionary> found;
    const DWORD count = shelf.GetDictCount();
    for (DWORD i = 0; i < count; ++i) {
        const DWORD handle = shelf.GetDictBookHandle(i);
        HMODULE driver = handle == 0xFFFFFFFF ? 0 : shelf.GetBookDrvHandle(handle);
        if (!driver || !DictCalls(driver).lookup) continue;
        found.push_back({handle, driver, shelf.GetBookCodePage(handle), nullptr});
    }
    // Their items, by handle and number: books of two drivers may have the same handle.
    ForEachItem(tree, TreeView_GetRoot(tree), [&](HTREEITEM item, int) {
        const ShelfItemInfo info = InfoOf(shelf, item);
        if (info.dwKind != SHELF_ITEM_DICTIONARY) return;
        for (ShelfDictionary& d : found)
            if (!d.item && d.handle == info.dwBookHandle &&
                FieldText(info.szKey) == BookNumber(DictCalls(d.driver), d.handle))
                d.item = item;
    });
    return found;
}

std::string BookName(const DictCalls& calls, DWORD handle) {
    char name[CBI_NAME_CAPACITY] = "";
    if (calls.name) calls.name(handle, 3, name, sizeof name);
    name[sizeof name - 1] = '\0';
    return name;
}

std::string BookNumber(const DictCalls& calls, DWORD handle) {
    if (!calls.numberLength || !calls.number) return std::string();
    const int length = calls.numberLength(handle);
    if (length <= 0 || length >= CBI_BOOKNO_BUFFER) return std::string();
    char number[CBI_BOOKNO_BUFFER] = {};
    calls.number(handle, number, length);
    return std::string(number, static_cast<size_t>(length));
}

std::optional<std::string> DictionaryPageText(CTavrinCtrl& shelf, HWND tree,
                                              const ShelfDictionary& dictionary, int32_t page,
                                              std::string* error) {
    if (!dictionary.item) {
        *error = "the dictionary is not in the shelf's tree";
        return std::nullopt;
    }
    auto text = ReadPageText(shelf, tree, dictionary.item, page, error);
    if (!text) return std::nullopt;
    return std::move(text->text);
}

} // namespace tavrin::host
