// The host's side of the DICT dictionary driver: its entry points bound from a module, and the
// dictionaries on the shelf that offer look-up.
#pragma once

#include "session.h"

#include "tavrin/cbi.h"
#include "tavrin/dict_lookup.h"

#include <optional>
#include <string>
#include <vector>

namespace tavrin::host {

// The calls the host makes of a dictionary's driver; a null one is missing.
struct DictCalls {
    PFN_CBIOpenBook open = nullptr;
    PFN_CBICloseBook close = nullptr;
    PFN_CBIGetErrorText errorText = nullptr;
    PFN_CBIGetBkName name = nullptr;
    PFN_CBIExBookNoLength numberLength = nullptr;
    PFN_CBIExBookNo number = nullptr;
    PFN_CBIGetPageCount pageCount = nullptr;
    PFN_CBIGetPageSize pageSize = nullptr;
    PFN_CBIGetPage page = nullptr;
    PFN_CBIVPGetRootItem root = nullptr;
    PFN_CBIVPGetChildItem child = nullptr;
    PFN_CBIVPGetNextSiblingItem next = nullptr;
    PFN_CBIVPItemHasChildren hasChildren = nullptr;
    PFN_CBIVPGetItemText itemText = nullptr;
    PFN_CBIVPItemToPage itemPage = nullptr;
    PFN_DictLookup lookup = nullptr;

    explicit DictCalls(HMODULE driver);
};

// A dictionary on the shelf whose driver offers look-up.
struct ShelfDictionary {
    DWORD handle;
    HMODULE driver;
    UINT codePage;  // of its texts
    HTREEITEM item; // its item on the shelf (by its handle and number); null when it has none
};

// The dictionaries collected when the shelf was made, in their order, that offer look-up; `tree` is
// the shelf's tree.
std::vector<ShelfDictionary> LookupDictionaries(CTavrinCtrl& shelf, HWND tree);

// The book's name as its driver gives it (in the book's code page).
std::string BookName(const DictCalls& calls, DWORD handle);
// The book's extended number; empty when the driver has none.
std::string BookNumber(const DictCalls& calls, DWORD handle);
// A page's text as a reader shows it (in the book's code page), read through the shelf; nothing, with
// the reason in *error, when it cannot be read.
std::optional<std::string> DictionaryPageText(CTavrinCtrl& shelf, HWND tree,
                                              const ShelfDictionary& dictionary, int32_t page,
                                              std::string* error);

} // namespace tavrin::host
