#include "dict_books.h"

#include "page_text.h"

#include <vector>

namespace tavrin::host {

namespace {

constexpr int32_t kLargestPage = 64 * 1024 * 1024; // what the host is willing to read of one page

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

std::vector<ShelfDictionary> LookupDictionaries(CTavrinCtrl& shelf) {
    std::vector<ShelfDictionary> found;
    const DWORD count = shelf.GetDictCount();
    for (DWORD i = 0; i < count; ++i) {
        const DWORD handle = shelf.GetDictBookHandle(i);
        HMODULE driver = handle == 0xFFFFFFFF ? 0 : shelf.GetBookDrvHandle(handle);
        if (!driver || !DictCalls(driver).lookup) continue;
        found.push_back({handle, driver, shelf.GetBookCodePage(handle)});
    }
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

bool PageText(const DictCalls& calls, DWORD handle, int32_t page, std::string& text) {
    if (!calls.pageSize || !calls.page) return false;
    const int32_t size = calls.pageSize(handle, page);
    if (size <= 0 || size > kLargestPage) return false;
    std::vector<unsigned char> block(static_cast<size_t>(size) + 1, 0);
    int32_t length = calls.page(handle, page, block.data(), size);
    if (length <= 0) return false;
    if (length > size) length = size;
    text = MarkupPageText(block.data(), static_cast<size_t>(length));
    return true;
}

} // namespace tavrin::host
