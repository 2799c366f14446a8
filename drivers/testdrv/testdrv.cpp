// The scriptable test driver (see testdrv.h): entry points of the book driver interface served from
// state that tests set up with the TD_* calls. Built several times with TD_OMIT_<name> definitions
// that leave chosen entry points out of the library.
#include "testdrv.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

struct Item {
    uint32_t parent = 0;
    std::string text;
    int32_t page = -1;
    std::vector<uint32_t> children;
    int hasChildren = -1; // -1: from `children`
};

struct Book {
    unsigned caps = 0;
    unsigned bookClass = 0xFF;
    bool capsFails = false;
    int openResult = 0;
    std::map<int, std::string> names;
    bool hasExBookNo = false;
    std::string exBookNo;
    int exBookNoLength = -1;
    bool hasSerial = false;
    uint32_t serial = 0;
    int checkVersion = 1;
    std::vector<Item> items; // handle = index + 1
    std::vector<uint32_t> topLevel;
    std::map<int32_t, uint32_t> pageToItem;
    std::map<int32_t, std::string> pages;
    int32_t pageCount = -1;
    bool hasDictAttr = false;
    unsigned char dictByte4 = 0, dictByte5 = 0;
    int dictClassNo = 1;
    uint32_t codePage = 0;
    int opens = 0, closes = 0;
    uint32_t lastHandle = 0;
};

struct ShelfClass {
    std::string name, key;
    std::vector<uint32_t> bookIds;
    bool fails = false;
    bool raw = false; // name and key written without a terminator
    std::set<int> failingBooks;
};

struct State {
    std::map<std::string, Book> books;
    std::map<uint32_t, std::string> openHandles;
    uint32_t nextHandle = 0x100;
    int opens = 0, closes = 0, misuse = 0;

    int shelfOpenResult = 1;
    int shelfAddBookResult = 1;
    std::vector<ShelfClass> classes;
    std::map<std::string, std::string> descUrls;
    std::string errorText;
    int shelfOpens = 0, shelfCloses = 0;

    std::set<uint32_t> dicAccepted;
    bool dicAcceptAll = false;
    std::set<uintptr_t> dicHandles;
    uintptr_t nextDic = 0x5000;
    int dicCreates = 0, dicFrees = 0;
    uint32_t dicLastId = 0;

    std::string log;
    std::map<std::string, int> calls;
};

State& S() {
    static State state;
    return state;
}

Book& BookAt(const char* path) {
    return S().books[path ? path : ""];
}

// ---- call log ----

[[maybe_unused]] std::string Quote(const char* text) {
    if (!text) return "(null)";
    return "\"" + std::string(text) + "\"";
}

[[maybe_unused]] void Log(const char* name, const std::string& args, const std::string& result) {
    S().calls[name]++;
    S().log += name;
    if (!args.empty()) S().log += " " + args;
    S().log += " -> " + result + "\n";
}

[[maybe_unused]] std::string Num(long long v) {
    return std::to_string(v);
}

// The book behind an open handle; counts a misuse when there is none.
[[maybe_unused]] Book* Open(CBI_HBOOK handle) {
    auto it = S().openHandles.find(handle);
    if (it == S().openHandles.end()) {
        S().misuse++;
        return nullptr;
    }
    return &S().books[it->second];
}

// The item behind a handle of an open book; counts a misuse when the book has no such item.
[[maybe_unused]] const Item* ItemOf(const Book* book, CBI_HITEM item) {
    if (!book) return nullptr;
    if (item == 0 || item > book->items.size()) {
        S().misuse++;
        return nullptr;
    }
    return &book->items[item - 1];
}

// Writes `text` into a caller's buffer of `capacity` bytes, cut to fit, terminated.
[[maybe_unused]] int WriteText(const std::string& text, char* buffer, int capacity) {
    if (!buffer || capacity < 1) {
        S().misuse++;
        return 0;
    }
    size_t n = std::min(text.size(), static_cast<size_t>(capacity - 1));
    std::memcpy(buffer, text.data(), n);
    buffer[n] = '\0';
    return static_cast<int>(n);
}

[[maybe_unused]] const std::vector<uint32_t>& Siblings(const Book& book, uint32_t item) {
    uint32_t parent = book.items[item - 1].parent;
    return parent ? book.items[parent - 1].children : book.topLevel;
}

} // namespace

// Some variants leave out every entry point that uses a helper above, hence [[maybe_unused]].

// =====================================================================================================
// Set-up
// =====================================================================================================

TD_API void TD_Reset(void) {
    S() = State();
}
TD_API void TD_AddBook(const char* path) {
    BookAt(path) = Book();
}
TD_API void TD_SetCaps(const char* path, unsigned caps, unsigned bookClass) {
    BookAt(path).caps = caps;
    BookAt(path).bookClass = bookClass;
}
TD_API void TD_SetCapsFails(const char* path, int fails) {
    BookAt(path).capsFails = fails != 0;
}
TD_API void TD_SetOpenResult(const char* path, int result) {
    BookAt(path).openResult = result;
}
TD_API void TD_SetName(const char* path, int locale, const char* name) {
    BookAt(path).names[locale] = name ? name : "";
}
TD_API void TD_SetExBookNo(const char* path, const char* number) {
    BookAt(path).hasExBookNo = true;
    BookAt(path).exBookNo = number ? number : "";
}
TD_API void TD_SetExBookNoLength(const char* path, int length) {
    BookAt(path).exBookNoLength = length;
}
TD_API void TD_SetSerial(const char* path, uint32_t serial) {
    BookAt(path).hasSerial = true;
    BookAt(path).serial = serial;
}
TD_API void TD_SetCheckVersion(const char* path, int result) {
    BookAt(path).checkVersion = result;
}
TD_API void TD_SetNextHandle(uint32_t handle) {
    S().nextHandle = handle;
}

TD_API uint32_t TD_AddItem(const char* path, uint32_t parent, const char* text, int32_t page) {
    Book& book = BookAt(path);
    if (parent > book.items.size()) return 0;
    Item item;
    item.parent = parent;
    item.text = text ? text : "";
    item.page = page;
    book.items.push_back(item);
    uint32_t handle = static_cast<uint32_t>(book.items.size());
    (parent ? book.items[parent - 1].children : book.topLevel).push_back(handle);
    return handle;
}
TD_API void TD_SetItemHasChildren(const char* path, uint32_t item, int value) {
    Book& book = BookAt(path);
    if (item >= 1 && item <= book.items.size()) book.items[item - 1].hasChildren = value;
}
TD_API void TD_SetPageToItem(const char* path, int32_t page, uint32_t item) {
    BookAt(path).pageToItem[page] = item;
}

TD_API void TD_SetPage(const char* path, int32_t page, const void* bytes, int32_t length) {
    if (length < 0 || (!bytes && length > 0)) return;
    BookAt(path).pages[page] = std::string(static_cast<const char*>(bytes), static_cast<size_t>(length));
}
TD_API void TD_SetPageText(const char* path, int32_t page, const char* text) {
    TD_SetPage(path, page, text, text ? static_cast<int32_t>(std::strlen(text)) : 0);
}
TD_API void TD_SetPageCount(const char* path, int32_t count) {
    BookAt(path).pageCount = count;
}

TD_API void TD_SetDictAttr(const char* path, unsigned byte4, unsigned byte5) {
    Book& book = BookAt(path);
    book.hasDictAttr = true;
    book.dictByte4 = static_cast<unsigned char>(byte4);
    book.dictByte5 = static_cast<unsigned char>(byte5);
}
TD_API void TD_SetDictClassNo(const char* path, int classNo) {
    BookAt(path).dictClassNo = classNo;
}

TD_API void TD_ShelfSetOpenResult(int result) {
    S().shelfOpenResult = result;
}
TD_API int TD_ShelfAddClass(const char* name, const char* key) {
    ShelfClass c;
    c.name = name ? name : "";
    c.key = key ? key : "";
    S().classes.push_back(c);
    return static_cast<int>(S().classes.size()) - 1;
}
TD_API void TD_ShelfAddBookId(int classIndex, uint32_t bookId) {
    if (classIndex >= 0 && static_cast<size_t>(classIndex) < S().classes.size())
        S().classes[classIndex].bookIds.push_back(bookId);
}
TD_API void TD_ShelfSetClassFails(int classIndex, int fails) {
    if (classIndex >= 0 && static_cast<size_t>(classIndex) < S().classes.size())
        S().classes[classIndex].fails = fails != 0;
}
TD_API void TD_ShelfSetBookAttrFails(int classIndex, int bookIndex, int fails) {
    if (classIndex < 0 || static_cast<size_t>(classIndex) >= S().classes.size()) return;
    if (fails)
        S().classes[classIndex].failingBooks.insert(bookIndex);
    else
        S().classes[classIndex].failingBooks.erase(bookIndex);
}
TD_API void TD_ShelfSetClassRaw(int classIndex, int raw) {
    if (classIndex >= 0 && static_cast<size_t>(classIndex) < S().classes.size())
        S().classes[classIndex].raw = raw != 0;
}
TD_API void TD_ShelfSetAddBookResult(int result) {
    S().shelfAddBookResult = result;
}
TD_API void TD_SetDescURL(const char* classKey, const char* url) {
    S().descUrls[classKey ? classKey : ""] = url ? url : "";
}

TD_API void TD_SetCodePage(const char* path, uint32_t codePage) {
    BookAt(path).codePage = codePage;
}
TD_API void TD_SetErrorText(const char* text) {
    S().errorText = text ? text : "";
}

TD_API void TD_DicAccept(uint32_t dictId) {
    S().dicAccepted.insert(dictId);
}
TD_API void TD_DicAcceptAll(int accept) {
    S().dicAcceptAll = accept != 0;
}

// =====================================================================================================
// What happened
// =====================================================================================================

TD_API int TD_OpenCount(void) {
    return S().opens;
}
TD_API int TD_CloseCount(void) {
    return S().closes;
}
TD_API int TD_OpenBooks(void) {
    return static_cast<int>(S().openHandles.size());
}
TD_API int TD_BookOpenCount(const char* path) {
    auto it = S().books.find(path ? path : "");
    return it == S().books.end() ? 0 : it->second.opens;
}
TD_API int TD_BookCloseCount(const char* path) {
    auto it = S().books.find(path ? path : "");
    return it == S().books.end() ? 0 : it->second.closes;
}
TD_API uint32_t TD_LastHandle(const char* path) {
    auto it = S().books.find(path ? path : "");
    return it == S().books.end() ? 0 : it->second.lastHandle;
}
TD_API int TD_MisuseCount(void) {
    return S().misuse;
}
TD_API int TD_ShelfOpenCount(void) {
    return S().shelfOpens;
}
TD_API int TD_ShelfCloseCount(void) {
    return S().shelfCloses;
}
TD_API int TD_DicCreateCount(void) {
    return S().dicCreates;
}
TD_API int TD_DicFreeCount(void) {
    return S().dicFrees;
}
TD_API uint32_t TD_DicLastId(void) {
    return S().dicLastId;
}
TD_API int TD_CallCount(const char* entryPoint) {
    auto it = S().calls.find(entryPoint ? entryPoint : "");
    return it == S().calls.end() ? 0 : it->second;
}
TD_API size_t TD_CallLog(char* buffer, size_t capacity) {
    const std::string& log = S().log;
    if (buffer && capacity > 0) {
        size_t n = std::min(log.size(), capacity - 1);
        std::memcpy(buffer, log.data(), n);
        buffer[n] = '\0';
    }
    return log.size();
}
TD_API void TD_ClearLog(void) {
    S().log.clear();
    S().calls.clear();
}

// =====================================================================================================
// Books
// =====================================================================================================

#ifndef TD_OMIT_CBIOpenBook
CBI_EXPORT int CBIOpenBook(const char* path, uint32_t reserved, CBI_HBOOK* book) {
    int result = 2; // not a book of this driver
    uint32_t handle = 0;
    auto it = path ? S().books.find(path) : S().books.end();
    if (!book) {
        S().misuse++;
        result = 3;
    } else if (it != S().books.end()) {
        result = it->second.openResult;
        if (result == 0) {
            handle = S().nextHandle++;
            S().openHandles[handle] = it->first;
            it->second.opens++;
            it->second.lastHandle = handle;
            S().opens++;
            *book = handle;
        }
    }
    Log("CBIOpenBook", Quote(path) + " " + Num(reserved),
        Num(result) + (result == 0 ? " " + Num(handle) : ""));
    return result;
}
#endif

#ifndef TD_OMIT_CBICloseBook
CBI_EXPORT void CBICloseBook(CBI_HBOOK book) {
    auto it = S().openHandles.find(book);
    if (it == S().openHandles.end()) {
        S().misuse++;
        Log("CBICloseBook", Num(book), "misuse");
        return;
    }
    S().books[it->second].closes++;
    S().closes++;
    S().openHandles.erase(it);
    Log("CBICloseBook", Num(book), "closed");
}
#endif

#ifndef TD_OMIT_CBIGetCaps
CBI_EXPORT int CBIGetCaps(CBI_HBOOK book, CBICaps* caps) {
    Book* b = Open(book);
    int result = 0;
    if (b && !caps) {
        S().misuse++;
    } else if (b && !b->capsFails) {
        // The whole 88-byte record is written, as a driver would, so a short block shows up.
        std::memset(caps, 0, sizeof *caps);
        caps->wCaps = static_cast<uint16_t>(b->caps);
        caps->wBookClass = static_cast<uint16_t>(b->bookClass);
        result = 1;
    }
    Log("CBIGetCaps", Num(book), Num(result));
    return result;
}
#endif

#ifndef TD_OMIT_CBIGetBkName
CBI_EXPORT int CBIGetBkName(CBI_HBOOK book, int locale, char* buffer, int capacity) {
    Book* b = Open(book);
    int result = 0;
    if (b) {
        auto it = b->names.find(locale);
        if (it == b->names.end()) it = b->names.find(TD_ANY_LOCALE);
        result = WriteText(it == b->names.end() ? std::string() : it->second, buffer, capacity);
    }
    Log("CBIGetBkName", Num(book) + " " + Num(locale) + " " + Num(capacity), Num(result));
    return result;
}
#endif

#ifndef TD_OMIT_CBIExBookNoLength
CBI_EXPORT int CBIExBookNoLength(CBI_HBOOK book) {
    Book* b = Open(book);
    int result = 0;
    if (b) result = b->exBookNoLength >= 0 ? b->exBookNoLength : static_cast<int>(b->exBookNo.size());
    Log("CBIExBookNoLength", Num(book), Num(result));
    return result;
}
#endif

#ifndef TD_OMIT_CBIExBookNo
CBI_EXPORT int CBIExBookNo(CBI_HBOOK book, char* buffer, int length) {
    Book* b = Open(book);
    int result = 0;
    if (b && (!buffer || length < 0)) {
        S().misuse++;
    } else if (b) {
        // Exactly `length` bytes, as the interface says (the caller's buffer is zero-filled and longer).
        size_t n = std::min(b->exBookNo.size(), static_cast<size_t>(length));
        std::memcpy(buffer, b->exBookNo.data(), n);
        if (n < static_cast<size_t>(length)) std::memset(buffer + n, 0, static_cast<size_t>(length) - n);
        result = 1;
    }
    Log("CBIExBookNo", Num(book) + " " + Num(length), Num(result));
    return result;
}
#endif

#ifndef TD_OMIT_CBIBookSerial
CBI_EXPORT int CBIBookSerial(CBI_HBOOK book, uint32_t* serial) {
    Book* b = Open(book);
    int result = 0;
    if (b && !serial) {
        S().misuse++;
    } else if (b) {
        if (b->hasSerial) *serial = b->serial;
        result = 1;
    }
    Log("CBIBookSerial", Num(book), Num(result));
    return result;
}
#endif

#ifndef TD_OMIT_CBICheckVersion
CBI_EXPORT int CBICheckVersion(const char* path) {
    auto it = path ? S().books.find(path) : S().books.end();
    int result = it == S().books.end() ? 0 : it->second.checkVersion;
    Log("CBICheckVersion", Quote(path), Num(result));
    return result;
}
#endif

// =====================================================================================================
// Pages
// =====================================================================================================

#ifndef TD_OMIT_CBIGetPageCount
CBI_EXPORT int32_t CBIGetPageCount(CBI_HBOOK book) {
    Book* b = Open(book);
    int32_t result = 0;
    if (b) result = b->pageCount >= 0 ? b->pageCount : (b->pages.empty() ? 0 : b->pages.rbegin()->first + 1);
    Log("CBIGetPageCount", Num(book), Num(result));
    return result;
}
#endif

#ifndef TD_OMIT_CBIGetPageSize
CBI_EXPORT int32_t CBIGetPageSize(CBI_HBOOK book, int32_t page) {
    Book* b = Open(book);
    int32_t result = 0;
    if (b) {
        auto it = b->pages.find(page);
        if (it != b->pages.end()) result = static_cast<int32_t>(it->second.size());
    }
    Log("CBIGetPageSize", Num(book) + " " + Num(page), Num(result));
    return result;
}
#endif

#ifndef TD_OMIT_CBIGetPage
CBI_EXPORT int32_t CBIGetPage(CBI_HBOOK book, int32_t page, unsigned char* buffer, int32_t size) {
    Book* b = Open(book);
    int32_t result = 0;
    if (b && (!buffer || size < 0)) {
        S().misuse++;
    } else if (b) {
        auto it = b->pages.find(page);
        if (it != b->pages.end()) {
            size_t n = std::min(it->second.size(), static_cast<size_t>(size));
            std::memcpy(buffer, it->second.data(), n);
            result = static_cast<int32_t>(n);
        }
    }
    Log("CBIGetPage", Num(book) + " " + Num(page) + " " + Num(size), Num(result));
    return result;
}
#endif

#ifndef TD_OMIT_CBIGetPages
// Lays the pages out as the interface says: each at the next multiple of 16 bytes, a zero after it.
CBI_EXPORT int32_t CBIGetPages(CBI_HBOOK book, int32_t first, unsigned char* buffer, int32_t size,
                               int32_t* lengths, int32_t count) {
    Book* b = Open(book);
    int32_t result = 0;
    if (b && (!buffer || !lengths || size < 0 || count < 0)) {
        S().misuse++;
    } else if (b && first >= 0) {
        const int32_t pages =
            b->pageCount >= 0 ? b->pageCount : (b->pages.empty() ? 0 : b->pages.rbegin()->first + 1);
        size_t at = 0;
        for (int32_t page = first; page < pages && result < count; ++page, ++result) {
            auto it = b->pages.find(page);
            const size_t n = it != b->pages.end() ? it->second.size() : 0;
            if (at + n + 1 > static_cast<size_t>(size)) break;
            if (n) std::memcpy(buffer + at, it->second.data(), n);
            buffer[at + n] = 0;
            lengths[result] = static_cast<int32_t>(n);
            at = (at + n + 1 + 15) & ~size_t{15};
        }
    }
    Log("CBIGetPages", Num(book) + " " + Num(first) + " " + Num(size) + " " + Num(count), Num(result));
    return result;
}
#endif

// =====================================================================================================
// Contents
// =====================================================================================================

#ifndef TD_OMIT_CBIVPGetRootItem
CBI_EXPORT CBI_HITEM CBIVPGetRootItem(CBI_HBOOK book) {
    Book* b = Open(book);
    CBI_HITEM result = b && !b->topLevel.empty() ? b->topLevel.front() : 0;
    Log("CBIVPGetRootItem", Num(book), Num(result));
    return result;
}
#endif

#ifndef TD_OMIT_CBIVPItemHasChildren
CBI_EXPORT int CBIVPItemHasChildren(CBI_HBOOK book, CBI_HITEM item) {
    Book* b = Open(book);
    const Item* it = ItemOf(b, item);
    int result = 0;
    if (it) result = it->hasChildren >= 0 ? it->hasChildren : (it->children.empty() ? 0 : 1);
    Log("CBIVPItemHasChildren", Num(book) + " " + Num(item), Num(result));
    return result;
}
#endif

#ifndef TD_OMIT_CBIVPGetChildItem
CBI_EXPORT CBI_HITEM CBIVPGetChildItem(CBI_HBOOK book, CBI_HITEM item) {
    Book* b = Open(book);
    const Item* it = ItemOf(b, item);
    CBI_HITEM result = it && !it->children.empty() ? it->children.front() : 0;
    Log("CBIVPGetChildItem", Num(book) + " " + Num(item), Num(result));
    return result;
}
#endif

#ifndef TD_OMIT_CBIVPGetNextSiblingItem
CBI_EXPORT CBI_HITEM CBIVPGetNextSiblingItem(CBI_HBOOK book, CBI_HITEM item) {
    Book* b = Open(book);
    CBI_HITEM result = 0;
    if (ItemOf(b, item)) {
        const std::vector<uint32_t>& run = Siblings(*b, item);
        auto pos = std::find(run.begin(), run.end(), item);
        if (pos != run.end() && pos + 1 != run.end()) result = *(pos + 1);
    }
    Log("CBIVPGetNextSiblingItem", Num(book) + " " + Num(item), Num(result));
    return result;
}
#endif

#ifndef TD_OMIT_CBIVPGetParentItem
CBI_EXPORT CBI_HITEM CBIVPGetParentItem(CBI_HBOOK book, CBI_HITEM item) {
    Book* b = Open(book);
    const Item* it = ItemOf(b, item);
    CBI_HITEM result = it ? it->parent : 0;
    Log("CBIVPGetParentItem", Num(book) + " " + Num(item), Num(result));
    return result;
}
#endif

#ifndef TD_OMIT_CBIVPGetItemText
CBI_EXPORT int CBIVPGetItemText(CBI_HBOOK book, CBI_HITEM item, char* buffer, int capacity) {
    Book* b = Open(book);
    const Item* it = ItemOf(b, item);
    int result = 0;
    if (b) result = WriteText(it ? it->text : std::string(), buffer, capacity);
    Log("CBIVPGetItemText", Num(book) + " " + Num(item) + " " + Num(capacity), Num(result));
    return result;
}
#endif

#ifndef TD_OMIT_CBIVPItemToPage
CBI_EXPORT int32_t CBIVPItemToPage(CBI_HBOOK book, CBI_HITEM item) {
    Book* b = Open(book);
    const Item* it = ItemOf(b, item);
    int32_t result = it ? it->page : CBI_NO_PAGE;
    Log("CBIVPItemToPage", Num(book) + " " + Num(item), Num(result));
    return result;
}
#endif

#ifndef TD_OMIT_CBIVPPageToItem
namespace {
// The item with the greatest page <= `page`, the later one in pre-order on a tie.
void FindHolder(const Book& book, const std::vector<uint32_t>& run, int32_t page, uint32_t& best,
                int32_t& bestPage) {
    for (uint32_t h : run) {
        const Item& item = book.items[h - 1];
        if (item.page >= 0 && item.page <= page && item.page >= bestPage) {
            best = h;
            bestPage = item.page;
        }
        FindHolder(book, item.children, page, best, bestPage);
    }
}
} // namespace

CBI_EXPORT CBI_HITEM CBIVPPageToItem(CBI_HBOOK book, int32_t page) {
    Book* b = Open(book);
    CBI_HITEM result = 0;
    if (b) {
        auto it = b->pageToItem.find(page);
        if (it != b->pageToItem.end()) {
            result = it->second;
        } else {
            int32_t bestPage = -1;
            FindHolder(*b, b->topLevel, page, result, bestPage);
        }
    }
    Log("CBIVPPageToItem", Num(book) + " " + Num(page), Num(result));
    return result;
}
#endif

// =====================================================================================================
// Shelf store
// =====================================================================================================

#ifndef TD_OMIT_CBIShelfOpen
CBI_EXPORT int CBIShelfOpen(uint16_t* classCount, CBIShelfBlock* block) {
    int result = S().shelfOpenResult;
    if (!classCount || !block) {
        S().misuse++;
        result = 0;
    } else if (result) {
        *classCount = static_cast<uint16_t>(S().classes.size());
        block->wReserved = 0;
        S().shelfOpens++;
    }
    Log("CBIShelfOpen", "", Num(result));
    return result;
}
#endif

#ifndef TD_OMIT_CBIShelfGetClassAttr
CBI_EXPORT int CBIShelfGetClassAttr(int classIndex, char* name, char* key, uint16_t* bookCount) {
    int result = 0;
    if (!name || !key || !bookCount) {
        S().misuse++;
    } else if (classIndex >= 0 && static_cast<size_t>(classIndex) < S().classes.size() &&
               !S().classes[classIndex].fails) {
        const ShelfClass& c = S().classes[classIndex];
        if (c.raw) {
            std::memcpy(name, c.name.data(), std::min<size_t>(c.name.size(), CBI_CLASS_NAME_SIZE));
            std::memcpy(key, c.key.data(), std::min<size_t>(c.key.size(), CBI_CLASS_KEY_SIZE));
        } else {
            WriteText(c.name, name, CBI_CLASS_NAME_SIZE);
            WriteText(c.key, key, CBI_CLASS_KEY_SIZE);
        }
        *bookCount = static_cast<uint16_t>(c.bookIds.size());
        result = 1;
    }
    Log("CBIShelfGetClassAttr", Num(classIndex), Num(result));
    return result;
}
#endif

#ifndef TD_OMIT_CBIShelfGetBookAttr
CBI_EXPORT int CBIShelfGetBookAttr(int classIndex, int bookIndex, char* attr, uint32_t* bookId) {
    int result = 0;
    if (!attr || !bookId) {
        S().misuse++;
    } else if (classIndex >= 0 && static_cast<size_t>(classIndex) < S().classes.size()) {
        const ShelfClass& c = S().classes[classIndex];
        if (bookIndex >= 0 && static_cast<size_t>(bookIndex) < c.bookIds.size() &&
            !c.failingBooks.count(bookIndex)) {
            std::memset(attr, 0, CBI_BOOK_ATTR_SIZE);
            *bookId = c.bookIds[bookIndex];
            result = 1;
        }
    }
    Log("CBIShelfGetBookAttr", Num(classIndex) + " " + Num(bookIndex), Num(result));
    return result;
}
#endif

#ifndef TD_OMIT_GetDescFileURLbyClassID
CBI_EXPORT int GetDescFileURLbyClassID(const char* classKey, char* url) {
    int result = 0;
    auto it = classKey ? S().descUrls.find(classKey) : S().descUrls.end();
    if (!url) {
        S().misuse++;
    } else if (it != S().descUrls.end()) {
        WriteText(it->second, url, CBI_URL_SIZE);
        result = 1;
    }
    Log("GetDescFileURLbyClassID", Quote(classKey), Num(result));
    return result;
}
#endif

#ifndef TD_OMIT_CBIShelfAddBook
CBI_EXPORT int CBIShelfAddBook(const char* path) {
    int result = S().shelfAddBookResult;
    Log("CBIShelfAddBook", Quote(path), Num(result));
    return result;
}
#endif

#ifndef TD_OMIT_CBIShelfDelBook
CBI_EXPORT void CBIShelfDelBook(const char* path) {
    Log("CBIShelfDelBook", Quote(path), "done");
}
#endif

#ifndef TD_OMIT_CBIShelfClose
CBI_EXPORT void CBIShelfClose(void) {
    S().shelfCloses++;
    Log("CBIShelfClose", "", "done");
}
#endif

// =====================================================================================================
// Dictionaries
// =====================================================================================================

#ifndef TD_OMIT_CBIDictAttr
CBI_EXPORT int CBIDictAttr(CBI_HBOOK book, CBIDictAttrBlock* attr) {
    Book* b = Open(book);
    int result = 0;
    if (b && !attr) {
        S().misuse++;
    } else if (b && b->hasDictAttr) {
        std::memset(attr, 0, sizeof *attr);
        attr->bIdLow = b->dictByte4;
        attr->bIdHigh = b->dictByte5;
        result = 1;
    }
    Log("CBIDictAttr", Num(book), Num(result));
    return result;
}
#endif

#ifndef TD_OMIT_CBIDictClassNo
CBI_EXPORT int CBIDictClassNo(CBI_HBOOK book) {
    Book* b = Open(book);
    int result = b ? b->dictClassNo : 0;
    Log("CBIDictClassNo", Num(book), Num(result));
    return result;
}
#endif

// =====================================================================================================
// Texts and reasons
// =====================================================================================================

#ifndef TD_OMIT_CBIGetCodePage
CBI_EXPORT uint32_t CBIGetCodePage(CBI_HBOOK book) {
    Book* b = Open(book);
    uint32_t result = b ? b->codePage : 0;
    Log("CBIGetCodePage", Num(book), Num(result));
    return result;
}
#endif

#ifndef TD_OMIT_CBIGetErrorText
CBI_EXPORT int CBIGetErrorText(char* buffer, int capacity) {
    int result = 0;
    if (!buffer || capacity < 1) {
        S().misuse++;
    } else {
        size_t n = std::min(S().errorText.size(), static_cast<size_t>(capacity - 1));
        std::memcpy(buffer, S().errorText.data(), n);
        buffer[n] = '\0';
        result = static_cast<int>(n);
    }
    Log("CBIGetErrorText", Num(capacity), Num(result));
    return result;
}
#endif

#ifndef TD_OMIT_dicCreateHDICT
CBI_EXPORT CBI_HDICT dicCreateHDICT(uint32_t dictId) {
    S().dicLastId = dictId;
    uintptr_t handle = 0;
    if (S().dicAcceptAll || S().dicAccepted.count(dictId)) {
        handle = S().nextDic++;
        S().dicHandles.insert(handle);
        S().dicCreates++;
    }
    Log("dicCreateHDICT", Num(dictId), Num(static_cast<long long>(handle)));
    return reinterpret_cast<CBI_HDICT>(handle);
}
#endif

#ifndef TD_OMIT_dicFreeHDICT
CBI_EXPORT void dicFreeHDICT(CBI_HDICT dict) {
    uintptr_t handle = reinterpret_cast<uintptr_t>(dict);
    if (S().dicHandles.erase(handle)) {
        S().dicFrees++;
        Log("dicFreeHDICT", Num(static_cast<long long>(handle)), "freed");
    } else {
        S().misuse++;
        Log("dicFreeHDICT", Num(static_cast<long long>(handle)), "misuse");
    }
}
#endif
