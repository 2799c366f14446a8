// The book entry points of the drivers built on the book format (EbdBook.dll, Books.Dll): thin C
// wrappers over the reader. Every call checks its handle and buffers, and no exception leaves a call.
#include "bookfmt/driver_state.h"
#include "bookfmt/format.h"
#include "bookfmt/text.h"
#include "common/entry_guard.h"

#include "tavrin/cbi.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>

namespace {

using tavrin::book::CopyOut;
using tavrin::book::Reader;
using namespace tavrin::book::driver;

// Runs `body`, turning any exception into `failed`.
template <class Result, class Body> Result Guard(Result failed, Body&& body) noexcept {
    return tavrin::driver::GuardEntry(failed, std::forward<Body>(body));
}

const Reader* ReaderOf(CBI_HBOOK book) {
    OpenBook* open = Books().Find(book);
    return open ? open->reader.get() : nullptr;
}

// Item handles are entry index + 1; 0 is no item.
constexpr CBI_HITEM ItemOf(uint32_t entry) {
    return entry == Reader::kNone ? 0 : entry + 1;
}
bool EntryOf(const Reader* r, CBI_HITEM item, uint32_t* entry) {
    if (!r || item == 0 || item > r->EntryCount()) return false;
    *entry = item - 1;
    return true;
}

// The book number: the extended number, or the serial in lowercase hexadecimal as the shelf would
// write it, so that the number is the same whichever call the shelf uses.
std::string NumberOf(const Reader& r) {
    if (auto number = r.Number()) return std::string(*number);
    char text[16];
    std::snprintf(text, sizeof text, "%x", r.Serial());
    return text;
}

// A name for a book that has none: its file name without folder and extension.
std::string FallbackName(const std::string& path) {
    size_t slash = path.find_last_of("/\\");
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    size_t dot = name.rfind('.');
    if (dot != std::string::npos && dot > 0) name.resize(dot);
    return name;
}

} // namespace

CBI_EXPORT int CBIOpenBook(const char* path, uint32_t reserved, CBI_HBOOK* book) {
    (void)reserved;
    return Guard(kOpenNoRoom, [&] {
        ClearFailure();
        if (!path || !book) return kOpenBadArguments;
        std::string error;
        int result = Books().Open(path, book, &error);
        if (result != 0) Fail(error);
        return result;
    });
}

CBI_EXPORT void CBICloseBook(CBI_HBOOK book) {
    Guard(0, [&] {
        if (!Books().Close(book)) Debug("CBICloseBook: handle " + std::to_string(book) + " is not open");
        return 0;
    });
}

CBI_EXPORT int CBIGetCaps(CBI_HBOOK book, CBICaps* caps) {
    return Guard(0, [&] {
        const Reader* r = ReaderOf(book);
        if (!r || !caps) return 0;
        caps->wCaps = r->Caps() & tavrin::book::format::kKnownCaps;
        caps->wBookClass = r->BookClass();
        return 1;
    });
}

CBI_EXPORT int CBIGetBkName(CBI_HBOOK book, int locale, char* buffer, int capacity) {
    return Guard(0, [&] {
        OpenBook* open = Books().Find(book);
        if (!open) return CopyOut("", buffer, capacity);
        if (auto name = open->reader->NameFor(locale)) return CopyOut(*name, buffer, capacity);
        return CopyOut(FallbackName(open->path), buffer, capacity);
    });
}

CBI_EXPORT int CBIExBookNoLength(CBI_HBOOK book) {
    return Guard(0, [&] {
        const Reader* r = ReaderOf(book);
        return r ? static_cast<int>(NumberOf(*r).size()) : 0;
    });
}

CBI_EXPORT int CBIExBookNo(CBI_HBOOK book, char* buffer, int length) {
    return Guard(0, [&] {
        const Reader* r = ReaderOf(book);
        if (!r || !buffer || length < 0) return 0;
        std::string number = NumberOf(*r);
        size_t n = std::min(number.size(), static_cast<size_t>(length));
        std::memcpy(buffer, number.data(), n);
        if (n < static_cast<size_t>(length)) buffer[n] = '\0';
        return 1;
    });
}

CBI_EXPORT int CBIBookSerial(CBI_HBOOK book, uint32_t* serial) {
    return Guard(0, [&] {
        const Reader* r = ReaderOf(book);
        if (!r || !serial) return 0;
        *serial = r->Serial();
        return 1;
    });
}

CBI_EXPORT int CBICheckVersion(const char* path) {
    return Guard(0, [&] {
        ClearFailure();
        if (!path) return 0;
        std::string error;
        int result = Probe(path, nullptr, &error);
        if (result != 0) Fail(error);
        return result == 0 ? 1 : 0;
    });
}

CBI_EXPORT int32_t CBIGetPageCount(CBI_HBOOK book) {
    return Guard(int32_t{0}, [&] {
        const Reader* r = ReaderOf(book);
        return r ? static_cast<int32_t>(r->PageCount()) : 0;
    });
}

CBI_EXPORT int32_t CBIGetPageSize(CBI_HBOOK book, int32_t page) {
    return Guard(int32_t{0}, [&] {
        const Reader* r = ReaderOf(book);
        if (!r || page < 0) return 0;
        return static_cast<int32_t>(r->PageLength(static_cast<uint32_t>(page)));
    });
}

CBI_EXPORT int32_t CBIGetPage(CBI_HBOOK book, int32_t page, unsigned char* buffer, int32_t size) {
    return Guard(int32_t{0}, [&]() -> int32_t {
        const Reader* r = ReaderOf(book);
        if (!r || !buffer || page < 0 || size <= 0 || static_cast<uint32_t>(page) >= r->PageCount()) return 0;
        const uint32_t length = r->PageLength(static_cast<uint32_t>(page));
        std::string error;
        if (static_cast<uint32_t>(size) >= length) {
            if (!r->ReadPage(static_cast<uint32_t>(page), {buffer, length}, &error)) {
                std::memset(buffer, 0, length);
                Debug(error);
                return 0;
            }
            return static_cast<int32_t>(length);
        }
        // A short buffer gets the start of the page; the whole page is read to check it first.
        auto bytes = r->ReadPage(static_cast<uint32_t>(page), &error);
        if (!bytes) {
            Debug(error);
            return 0;
        }
        std::memcpy(buffer, bytes->data(), static_cast<size_t>(size));
        return size;
    });
}

CBI_EXPORT int32_t CBIGetPages(CBI_HBOOK book, int32_t first, unsigned char* buffer, int32_t size,
                               int32_t* lengths, int32_t count) {
    return Guard(int32_t{0}, [&]() -> int32_t {
        const Reader* r = ReaderOf(book);
        if (!r || !buffer || !lengths || first < 0 || size <= 0 || count <= 0) return 0;
        std::string error;
        const size_t read = r->ReadPages(static_cast<uint32_t>(first), {buffer, static_cast<size_t>(size)},
                                         {lengths, static_cast<size_t>(count)}, &error);
        if (!error.empty()) Debug(error);
        return static_cast<int32_t>(read);
    });
}

CBI_EXPORT CBI_HITEM CBIVPGetRootItem(CBI_HBOOK book) {
    return Guard(CBI_HITEM{0}, [&] {
        const Reader* r = ReaderOf(book);
        return (r && r->EntryCount() > 0) ? ItemOf(0) : 0;
    });
}

CBI_EXPORT int CBIVPItemHasChildren(CBI_HBOOK book, CBI_HITEM item) {
    return Guard(0, [&] {
        const Reader* r = ReaderOf(book);
        uint32_t entry;
        return (EntryOf(r, item, &entry) && r->FirstChild(entry) != Reader::kNone) ? 1 : 0;
    });
}

CBI_EXPORT CBI_HITEM CBIVPGetChildItem(CBI_HBOOK book, CBI_HITEM item) {
    return Guard(CBI_HITEM{0}, [&] {
        const Reader* r = ReaderOf(book);
        uint32_t entry;
        return EntryOf(r, item, &entry) ? ItemOf(r->FirstChild(entry)) : 0;
    });
}

CBI_EXPORT CBI_HITEM CBIVPGetNextSiblingItem(CBI_HBOOK book, CBI_HITEM item) {
    return Guard(CBI_HITEM{0}, [&] {
        const Reader* r = ReaderOf(book);
        uint32_t entry;
        return EntryOf(r, item, &entry) ? ItemOf(r->NextSibling(entry)) : 0;
    });
}

CBI_EXPORT CBI_HITEM CBIVPGetParentItem(CBI_HBOOK book, CBI_HITEM item) {
    return Guard(CBI_HITEM{0}, [&] {
        const Reader* r = ReaderOf(book);
        uint32_t entry;
        return EntryOf(r, item, &entry) ? ItemOf(r->Parent(entry)) : 0;
    });
}

CBI_EXPORT int CBIVPGetItemText(CBI_HBOOK book, CBI_HITEM item, char* buffer, int capacity) {
    return Guard(0, [&] {
        const Reader* r = ReaderOf(book);
        uint32_t entry;
        if (!EntryOf(r, item, &entry)) return CopyOut("", buffer, capacity);
        return CopyOut(r->LookUpEntryText(entry), buffer, capacity);
    });
}

CBI_EXPORT int32_t CBIVPItemToPage(CBI_HBOOK book, CBI_HITEM item) {
    return Guard(int32_t{CBI_NO_PAGE}, [&] {
        const Reader* r = ReaderOf(book);
        uint32_t entry;
        return EntryOf(r, item, &entry) ? r->EntryPage(entry) : CBI_NO_PAGE;
    });
}

CBI_EXPORT CBI_HITEM CBIVPPageToItem(CBI_HBOOK book, int32_t page) {
    return Guard(CBI_HITEM{0}, [&] {
        const Reader* r = ReaderOf(book);
        if (!r || page < 0) return CBI_HITEM{0};
        return ItemOf(r->PageEntry(static_cast<uint32_t>(page)));
    });
}

CBI_EXPORT int CBIDictAttr(CBI_HBOOK book, CBIDictAttrBlock* attr) {
    return Guard(0, [&] {
        const Reader* r = ReaderOf(book);
        if (!r || !attr || !r->Dict()) return 0;
        attr->bIdLow = r->Dict()->idLow;
        attr->bIdHigh = r->Dict()->idHigh;
        return 1;
    });
}

CBI_EXPORT int CBIDictClassNo(CBI_HBOOK book) {
    return Guard(0, [&] {
        const Reader* r = ReaderOf(book);
        if (!r) return 0;
        if (!r->Dict()) return 1; // the class number the shelf assumes for a dictionary without one
        return static_cast<int>(r->Dict()->classNo);
    });
}

CBI_EXPORT uint32_t CBIGetCodePage(CBI_HBOOK book) {
    return Guard(uint32_t{0}, [&] {
        const Reader* r = ReaderOf(book);
        return r ? uint32_t{r->CodePage()} : 0u; // 0: the book does not say
    });
}

CBI_EXPORT int CBIGetErrorText(char* buffer, int capacity) {
    return Guard(0, [&] { return CopyOut(LastFailure(), buffer, capacity); });
}
