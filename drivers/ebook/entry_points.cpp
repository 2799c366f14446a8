// eBookDrv.dll: the shared driver of HTML e-books. Thin C wrappers over the store and the open books;
// every call checks its handle and buffers, and no exception leaves a call.
#include "common/entry_guard.h"
#include "ebook/open_books.h"
#include "ebook/shelf_text.h"

#include "tavrin/cbi.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>

namespace {

using namespace tavrin::ebook;

// Runs a call's body; an exception (memory that could not be had) fails the call with its reason.
template <class Result, class Body> Result Guard(Result failed, Body&& body) noexcept {
    return tavrin::driver::GuardEntry(failed, std::forward<Body>(body), "the e-book driver failed: ",
                                      [](std::string reason) { Driver().Fail(std::move(reason)); });
}

// Contents items are entry index + 1; the root entry (index 0) is item 1.
const ContentsEntry* EntryOf(CBI_HBOOK book, CBI_HITEM item, uint32_t* index = nullptr) {
    const BookStructure* s = Driver().Structure(book);
    if (!s || item == 0 || item > s->contents.Entries().size()) return nullptr;
    if (index) *index = item - 1;
    return &s->contents.Entries()[item - 1];
}

constexpr CBI_HITEM ItemOf(uint32_t index) {
    return index == kNoEntry ? 0 : index + 1;
}

std::string NumberOf(const OpenEBook& book) {
    return "EPUB" + std::to_string(book.id);
}

} // namespace

CBI_EXPORT int CBIOpenBook(const char* path, uint32_t reserved, CBI_HBOOK* book) {
    (void)reserved;
    return Guard(4, [&] {
        if (!book) return 1;
        int result = Driver().Open(path, book);
        if (result == 0) Driver().Succeed();
        return result;
    });
}

CBI_EXPORT void CBICloseBook(CBI_HBOOK book) {
    Guard(0, [&] { return Driver().Close(book) ? 1 : 0; });
}

CBI_EXPORT int CBIGetCaps(CBI_HBOOK book, CBICaps* caps) {
    return Guard(0, [&] {
        if (!Driver().Find(book) || !caps) return 0;
        caps->wCaps = CBI_CAP_SHARED_HTML | CBI_CAP_CONTENTS;
        caps->wBookClass = CBI_CLASS_EBOOK;
        return 1;
    });
}

CBI_EXPORT int CBIGetBkName(CBI_HBOOK book, int locale, char* buffer, int capacity) {
    (void)locale; // an EPUB has one title
    return Guard(0, [&] {
        OpenEBook* open = Driver().Find(book);
        return CopyOutText(open ? open->title : std::string(), buffer, capacity);
    });
}

CBI_EXPORT int CBIExBookNoLength(CBI_HBOOK book) {
    return Guard(0, [&] {
        OpenEBook* open = Driver().Find(book);
        return open ? static_cast<int>(NumberOf(*open).size()) : 0;
    });
}

CBI_EXPORT int CBIExBookNo(CBI_HBOOK book, char* buffer, int length) {
    return Guard(0, [&] {
        OpenEBook* open = Driver().Find(book);
        if (!open || !buffer || length < 0) return 0;
        std::string number = NumberOf(*open);
        size_t n = std::min(number.size(), static_cast<size_t>(length));
        std::memcpy(buffer, number.data(), n);
        return 1;
    });
}

CBI_EXPORT int32_t CBIGetPageCount(CBI_HBOOK book) {
    return Guard(int32_t{0}, [&] {
        const BookStructure* s = Driver().Structure(book);
        return s ? static_cast<int32_t>(s->package.spine.size()) : 0;
    });
}

// A page is the raw XHTML document followed by a zero byte, which the size counts.
CBI_EXPORT int32_t CBIGetPageSize(CBI_HBOOK book, int32_t page) {
    return Guard(int32_t{0}, [&] {
        const std::string* bytes = Driver().Page(book, page);
        return bytes ? static_cast<int32_t>(bytes->size()) : 0;
    });
}

CBI_EXPORT int32_t CBIGetPage(CBI_HBOOK book, int32_t page, unsigned char* buffer, int32_t size) {
    return Guard(int32_t{0}, [&]() -> int32_t {
        if (!buffer || size <= 0) return 0;
        const std::string* bytes = Driver().Page(book, page);
        if (!bytes) return 0;
        size_t n = std::min(bytes->size(), static_cast<size_t>(size));
        std::memcpy(buffer, bytes->data(), n);
        return static_cast<int32_t>(n);
    });
}

CBI_EXPORT CBI_HITEM CBIVPGetRootItem(CBI_HBOOK book) {
    return Guard(CBI_HITEM{0}, [&]() -> CBI_HITEM { return Driver().Structure(book) ? 1 : 0; });
}

CBI_EXPORT int CBIVPItemHasChildren(CBI_HBOOK book, CBI_HITEM item) {
    return Guard(0, [&] {
        const ContentsEntry* e = EntryOf(book, item);
        return e && e->firstChild != kNoEntry ? 1 : 0;
    });
}

CBI_EXPORT CBI_HITEM CBIVPGetChildItem(CBI_HBOOK book, CBI_HITEM item) {
    return Guard(CBI_HITEM{0}, [&] {
        const ContentsEntry* e = EntryOf(book, item);
        return e ? ItemOf(e->firstChild) : 0;
    });
}

CBI_EXPORT CBI_HITEM CBIVPGetNextSiblingItem(CBI_HBOOK book, CBI_HITEM item) {
    return Guard(CBI_HITEM{0}, [&] {
        const ContentsEntry* e = EntryOf(book, item);
        return e ? ItemOf(e->nextSibling) : 0;
    });
}

CBI_EXPORT CBI_HITEM CBIVPGetParentItem(CBI_HBOOK book, CBI_HITEM item) {
    return Guard(CBI_HITEM{0}, [&] {
        const ContentsEntry* e = EntryOf(book, item);
        return e ? ItemOf(e->parent) : 0;
    });
}

CBI_EXPORT int CBIVPGetItemText(CBI_HBOOK book, CBI_HITEM item, char* buffer, int capacity) {
    return Guard(0, [&] {
        uint32_t index = 0;
        const ContentsEntry* e = EntryOf(book, item, &index);
        if (!e) return CopyOutText("", buffer, capacity);
        if (index == 0) {
            OpenEBook* open = Driver().Find(book);
            return CopyOutText(open ? open->title : std::string(), buffer, capacity);
        }
        return CopyOutText(e->text, buffer, capacity);
    });
}

CBI_EXPORT int32_t CBIVPItemToPage(CBI_HBOOK book, CBI_HITEM item) {
    return Guard(int32_t{CBI_NO_PAGE}, [&] {
        const ContentsEntry* e = EntryOf(book, item);
        return e && e->page >= 0 ? e->page : int32_t{CBI_NO_PAGE};
    });
}

CBI_EXPORT CBI_HITEM CBIVPPageToItem(CBI_HBOOK book, int32_t page) {
    return Guard(CBI_HITEM{0}, [&] {
        const BookStructure* s = Driver().Structure(book);
        return s ? ItemOf(s->contents.EntryForPage(page)) : 0;
    });
}

CBI_EXPORT int CBIShelfOpen(uint16_t* classCount, CBIShelfBlock* block) {
    return Guard(0, [&] {
        if (!classCount) return 0;
        Store* store = Driver().CurrentStore(true);
        if (!store) return 0;
        *classCount = static_cast<uint16_t>(std::min<size_t>(store->Classes().size(), 0xFFFF));
        if (block) block->wReserved = 0;
        Driver().Succeed();
        return 1;
    });
}

CBI_EXPORT int CBIShelfGetClassAttr(int classIndex, char* name, char* key, uint16_t* bookCount) {
    return Guard(0, [&] {
        Store* store = Driver().CurrentStore(false);
        if (!store || !name || !key || !bookCount || classIndex < 0 ||
            static_cast<size_t>(classIndex) >= store->Classes().size())
            return 0;
        const StoreClassView& c = store->Classes()[static_cast<size_t>(classIndex)];
        CopyOutText(c.name, name, CBI_CLASS_NAME_SIZE);
        CopyOutText(c.key, key, CBI_CLASS_KEY_SIZE);
        *bookCount = static_cast<uint16_t>(std::min<size_t>(c.bookIds.size(), 0xFFFF));
        return 1;
    });
}

CBI_EXPORT int CBIShelfGetBookAttr(int classIndex, int bookIndex, char* attr, uint32_t* bookId) {
    (void)attr; // the shelf does not read the attribute block; nothing is written there
    return Guard(0, [&] {
        Store* store = Driver().CurrentStore(false);
        if (!store || !bookId || classIndex < 0 || bookIndex < 0 ||
            static_cast<size_t>(classIndex) >= store->Classes().size())
            return 0;
        const StoreClassView& c = store->Classes()[static_cast<size_t>(classIndex)];
        if (static_cast<size_t>(bookIndex) >= c.bookIds.size()) return 0;
        *bookId = c.bookIds[static_cast<size_t>(bookIndex)];
        return 1;
    });
}

// 1 added, 4 already there, 0 a file the driver does not take, CBI_ADD_FAILED a book the store could
// not take; CBIGetErrorText says why after the last two.
CBI_EXPORT int CBIShelfAddBook(const char* path) {
    return Guard(0, [&] {
        if (!path || !*path) {
            Driver().Fail("no book file was named");
            return CBI_ADD_NOT_A_BOOK;
        }
        Store* store = Driver().CurrentStore(false);
        if (!store) return CBI_ADD_FAILED;
        uint16_t id = 0;
        std::string error;
        switch (store->Add(path, &id, &error)) {
        case AddOutcome::Added:
            Driver().Succeed();
            return CBI_ADD_ADDED;
        case AddOutcome::AlreadyStored:
            Driver().Succeed();
            return CBI_ADD_ALREADY;
        case AddOutcome::NotABook:
            Driver().Fail(error);
            return CBI_ADD_NOT_A_BOOK;
        case AddOutcome::Failed:
            break;
        }
        Driver().Fail(error);
        return CBI_ADD_FAILED;
    });
}

CBI_EXPORT void CBIShelfDelBook(const char* path) {
    Guard(0, [&] {
        std::optional<uint16_t> id = ParseBookId(path);
        Store* store = id ? Driver().CurrentStore(false) : nullptr;
        std::string error;
        if (!id) {
            Driver().Fail(std::string("\"") + (path ? path : "") +
                          "\" is not the id of a book of the e-book store");
        } else if (store && !store->Delete(*id, &error)) {
            Driver().Fail(error);
        } else if (store) {
            Driver().Succeed();
        }
        return 0;
    });
}

// The description page of a class: a "file://" address of at most CBI_URL_SIZE - 1 bytes.
CBI_EXPORT int GetDescFileURLbyClassID(const char* classKey, char* url) {
    return Guard(0, [&] {
        if (!classKey || !url) return 0;
        Store* store = Driver().CurrentStore(false);
        if (!store) return 0;
        std::string error;
        std::string address;
        bool found = store->DescriptionAddress(classKey, &address, &error);
        if (!found) {
            // Another process may have changed the store since it was read.
            store = Driver().CurrentStore(true);
            found = store && store->DescriptionAddress(classKey, &address, &error);
        }
        if (found && address.size() >= CBI_URL_SIZE) {
            error = "the address of the description page is longer than " + std::to_string(CBI_URL_SIZE - 1) +
                    " bytes: " + address;
            found = false;
        }
        if (!found) {
            Driver().Debug(error);
            return 0;
        }
        std::memcpy(url, address.data(), address.size());
        url[address.size()] = '\0';
        return 1;
    });
}

CBI_EXPORT void CBIShelfClose(void) {
    Guard(0, [&] {
        Driver().ForgetStore();
        return 0;
    });
}

CBI_EXPORT uint32_t CBIGetCodePage(CBI_HBOOK book) {
    return Guard(uint32_t{0}, [&] {
        if (!Driver().Find(book)) return 0u;
        // Texts go out in the program's code page, or as the book's own UTF-8 where it has none.
        const unsigned codePage = ShelfCodePage();
        return codePage != 0 ? codePage : 65001u;
    });
}

CBI_EXPORT int CBIGetErrorText(char* buffer, int capacity) {
    return Guard(0, [&] { return CopyOutText(Driver().LastFailure(), buffer, capacity); });
}
