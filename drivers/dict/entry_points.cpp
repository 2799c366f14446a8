// DictDrv.dll: the driver of DICT dictionaries (NAME.index with NAME.dict.dz or NAME.dict). Thin C
// wrappers over the open dictionaries; every call checks its handle and buffers, and no exception
// leaves a call.
#include "common/entry_guard.h"
#include "dict/index_file.h"
#include "dict/open_dictionaries.h"
#include "dict/shelf_text.h"

#include "tavrin/cbi.h"
#include "tavrin/dict_lookup.h"

#include <cstring>
#include <fstream>
#include <string>
#include <utility>

namespace {

using namespace tavrin::dict;

template <class Result, class Body> Result Guard(Result failed, Body&& body) noexcept {
    return tavrin::driver::GuardEntry(failed, std::forward<Body>(body), "the dictionary driver failed: ",
                                      [](std::string reason) { Driver().Fail(std::move(reason)); });
}

std::string BookNumberOf(const Dictionary& d) {
    return "dict-" + d.Files().stem;
}

// A 16-bit number of the dictionary's name, for the dictionary id (bytes 4 and 5 of its attributes).
uint16_t IdOf(const Dictionary& d) {
    uint32_t hash = 2166136261u;
    for (char c : d.Files().stem)
        hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
    return static_cast<uint16_t>(hash ^ (hash >> 16));
}

// Reads the start of a file (at most `limit` bytes).
std::string Head(const std::string& path, size_t limit) {
    std::ifstream file(path, std::ios::binary);
    std::string head(limit, '\0');
    file.read(head.data(), static_cast<std::streamsize>(limit));
    head.resize(static_cast<size_t>(file.gcount()));
    return head;
}

} // namespace

CBI_EXPORT int CBICheckVersion(const char* path) {
    return Guard(0, [&] {
        if (!path) return 0;
        std::string error;
        std::optional<DictionaryFiles> files = FindDictionaryFiles(path, &error);
        if (!files) {
            Driver().Fail(error);
            return 0;
        }
        if (!LooksLikeIndex(Head(files->index, 4096))) {
            Driver().Fail(files->index + ": not a dictionary index (lines of headword, offset and length)");
            return 0;
        }
        Driver().Succeed();
        return 1;
    });
}

CBI_EXPORT int CBIOpenBook(const char* path, uint32_t reserved, CBI_HBOOK* book) {
    (void)reserved;
    return Guard(4, [&] {
        if (!path || !book) return 1;
        const uint32_t handle = Driver().Open(path);
        if (handle == 0) return 2;
        *book = handle;
        return 0;
    });
}

CBI_EXPORT void CBICloseBook(CBI_HBOOK book) {
    Guard(0, [&] {
        Driver().Close(book);
        return 0;
    });
}

CBI_EXPORT int CBIGetCaps(CBI_HBOOK book, CBICaps* caps) {
    return Guard(0, [&] {
        if (!Driver().Find(book) || !caps) return 0;
        caps->wCaps = CBI_CAP_CONTENTS;
        caps->wBookClass = kDictClass;
        return 1;
    });
}

CBI_EXPORT int CBIGetBkName(CBI_HBOOK book, int locale, char* buffer, int capacity) {
    (void)locale;
    return Guard(0, [&] {
        OpenDictionary* d = Driver().Find(book);
        return d ? CopyOutText(d->dictionary->Name(), buffer, capacity) : 0;
    });
}

CBI_EXPORT int CBIExBookNoLength(CBI_HBOOK book) {
    return Guard(0, [&] {
        OpenDictionary* d = Driver().Find(book);
        return d ? static_cast<int>(BookNumberOf(*d->dictionary).size()) : 0;
    });
}

CBI_EXPORT int CBIExBookNo(CBI_HBOOK book, char* buffer, int length) {
    return Guard(0, [&] {
        OpenDictionary* d = Driver().Find(book);
        if (!d || !buffer || length <= 0) return 0;
        const std::string number = BookNumberOf(*d->dictionary);
        std::memcpy(buffer, number.data(), std::min(number.size(), static_cast<size_t>(length)));
        return 1;
    });
}

CBI_EXPORT int32_t CBIGetPageCount(CBI_HBOOK book) {
    return Guard(int32_t{0}, [&] {
        OpenDictionary* d = Driver().Find(book);
        return d ? static_cast<int32_t>(d->dictionary->PageCount()) : 0;
    });
}

namespace {

// The page as CBIGetPage writes it, kept for the CBIGetPage that follows CBIGetPageSize. Empty for a
// page that cannot be read (its reason goes to the error stream of a debug build only).
const std::string* MadePage(OpenDictionary& d, int32_t page) {
    if (page < 0 || static_cast<size_t>(page) >= d.dictionary->PageCount()) return nullptr;
    if (d.madePage != page) {
        std::string error;
        if (!MakePage(*d.dictionary, static_cast<size_t>(page), d.madeBytes, &error)) d.madeBytes.clear();
        d.madePage = page;
    }
    return &d.madeBytes;
}

} // namespace

CBI_EXPORT int32_t CBIGetPageSize(CBI_HBOOK book, int32_t page) {
    return Guard(int32_t{0}, [&] {
        OpenDictionary* d = Driver().Find(book);
        if (!d) return 0;
        std::lock_guard<std::mutex> lock(d->pageMutex);
        const std::string* bytes = MadePage(*d, page);
        return bytes ? static_cast<int32_t>(bytes->size()) : 0;
    });
}

CBI_EXPORT int32_t CBIGetPage(CBI_HBOOK book, int32_t page, unsigned char* buffer, int32_t size) {
    return Guard(int32_t{0}, [&] {
        OpenDictionary* d = Driver().Find(book);
        if (!d || !buffer || size <= 0) return 0;
        std::lock_guard<std::mutex> lock(d->pageMutex);
        const std::string* bytes = MadePage(*d, page);
        if (!bytes) return 0;
        const size_t n = std::min(bytes->size(), static_cast<size_t>(size));
        std::memcpy(buffer, bytes->data(), n);
        return static_cast<int32_t>(n);
    });
}

CBI_EXPORT int32_t CBIGetPages(CBI_HBOOK book, int32_t first, unsigned char* buffer, int32_t size,
                               int32_t* lengths, int32_t count) {
    return Guard(int32_t{0}, [&]() -> int32_t {
        OpenDictionary* d = Driver().Find(book);
        if (!d || !buffer || !lengths || first < 0 || size <= 0 || count <= 0) return 0;
        d->dictionary->ReadingAll(true); // a search reads every page in turn
        const size_t pages = d->dictionary->PageCount();
        const unsigned codePage = ShelfCodePage();
        thread_local std::string definitions;
        size_t at = 0;
        int32_t written = 0;
        for (; written < count && static_cast<size_t>(first) + static_cast<size_t>(written) < pages;
             ++written) {
            const size_t page = static_cast<size_t>(first) + static_cast<size_t>(written);
            definitions.clear();
            // A page whose definitions cannot be read is 0 bytes long, as a damaged page of any book.
            if (!d->dictionary->PageDefinitions(page, definitions, nullptr)) definitions.clear();
            const size_t room = at < static_cast<size_t>(size) ? static_cast<size_t>(size) - at - 1 : 0;
            const size_t length =
                at < static_cast<size_t>(size)
                    ? WritePage(definitions, codePage, reinterpret_cast<char*>(buffer + at), room)
                    : kDoesNotFit;
            if (length == kDoesNotFit) {
                // The search reads a page that does not fit with CBIGetPageSize and CBIGetPage next: it
                // is kept for them.
                std::lock_guard<std::mutex> lock(d->pageMutex);
                d->madePage = static_cast<int32_t>(page);
                d->madeBytes.clear();
                AppendPage(definitions, codePage, d->madeBytes);
                break;
            }
            buffer[at + length] = 0;
            lengths[written] = static_cast<int32_t>(length);
            at = (at + length + 1 + 15) & ~size_t{15};
        }
        return written;
    });
}

CBI_EXPORT CBI_HITEM CBIVPGetRootItem(CBI_HBOOK book) {
    return Guard(CBI_HITEM{0}, [&] {
        OpenDictionary* d = Driver().Find(book);
        return d && d->dictionary->PageCount() > 0 ? kRootItem : 0;
    });
}

CBI_EXPORT int CBIVPItemHasChildren(CBI_HBOOK book, CBI_HITEM item) {
    return Guard(0, [&] {
        OpenDictionary* d = Driver().Find(book);
        return d && d->contents.HasChildren(item) ? 1 : 0;
    });
}

CBI_EXPORT CBI_HITEM CBIVPGetChildItem(CBI_HBOOK book, CBI_HITEM item) {
    return Guard(CBI_HITEM{0}, [&] {
        OpenDictionary* d = Driver().Find(book);
        return d ? d->contents.FirstChild(item) : 0;
    });
}

CBI_EXPORT CBI_HITEM CBIVPGetNextSiblingItem(CBI_HBOOK book, CBI_HITEM item) {
    return Guard(CBI_HITEM{0}, [&] {
        OpenDictionary* d = Driver().Find(book);
        return d ? d->contents.NextSibling(item) : 0;
    });
}

CBI_EXPORT CBI_HITEM CBIVPGetParentItem(CBI_HBOOK book, CBI_HITEM item) {
    return Guard(CBI_HITEM{0}, [&] {
        OpenDictionary* d = Driver().Find(book);
        return d ? d->contents.Parent(item) : 0;
    });
}

CBI_EXPORT int CBIVPGetItemText(CBI_HBOOK book, CBI_HITEM item, char* buffer, int capacity) {
    return Guard(0, [&] {
        OpenDictionary* d = Driver().Find(book);
        if (!d || !d->contents.Valid(item)) {
            if (buffer && capacity > 0) buffer[0] = '\0';
            return 0;
        }
        return CopyOutText(d->contents.Text(item), buffer, capacity);
    });
}

CBI_EXPORT int32_t CBIVPItemToPage(CBI_HBOOK book, CBI_HITEM item) {
    return Guard(int32_t{CBI_NO_PAGE}, [&] {
        OpenDictionary* d = Driver().Find(book);
        if (!d) return CBI_NO_PAGE;
        d->dictionary->ReadingAll(false); // a reader goes to a page: what a search inflated is let go
        return d->contents.Page(item);
    });
}

CBI_EXPORT CBI_HITEM CBIVPPageToItem(CBI_HBOOK book, int32_t page) {
    return Guard(CBI_HITEM{0}, [&] {
        OpenDictionary* d = Driver().Find(book);
        return d ? d->contents.ItemOfPage(page) : 0;
    });
}

CBI_EXPORT int CBIDictAttr(CBI_HBOOK book, CBIDictAttrBlock* attr) {
    return Guard(0, [&] {
        OpenDictionary* d = Driver().Find(book);
        if (!d || !attr) return 0;
        const uint16_t id = IdOf(*d->dictionary);
        attr->bIdLow = static_cast<uint8_t>(id & 0xFF);
        attr->bIdHigh = static_cast<uint8_t>(id >> 8);
        return 1;
    });
}

CBI_EXPORT int CBIDictClassNo(CBI_HBOOK book) {
    return Guard(0, [&] { return Driver().Find(book) ? int{kDictClass} : 0; });
}

CBI_EXPORT uint32_t CBIGetCodePage(CBI_HBOOK book) {
    return Guard(uint32_t{0}, [&] {
        if (!Driver().Find(book)) return 0u;
        const unsigned codePage = ShelfCodePage();
        return codePage != 0 ? codePage : 65001u;
    });
}

CBI_EXPORT int CBIGetErrorText(char* buffer, int capacity) {
    return Guard(0, [&] { return CopyOutText(Driver().LastFailure(), buffer, capacity); });
}

CBI_EXPORT int32_t DictLookup(CBI_HBOOK book, const char* word, int32_t* pages, int32_t capacity) {
    return Guard(int32_t{-1}, [&]() -> int32_t {
        OpenDictionary* d = Driver().Find(book);
        if (!d || !word) return -1;
        d->dictionary->ReadingAll(false); // a reader looks a word up: what a search inflated is let go
        const std::vector<uint32_t> found = d->dictionary->Lookup(TypedToUtf8(word));
        for (size_t i = 0; pages && i < found.size() && i < static_cast<size_t>(std::max(capacity, 0)); ++i)
            pages[i] = static_cast<int32_t>(found[i]);
        return static_cast<int32_t>(found.size());
    });
}

CBI_EXPORT int DictGetInfo(CBI_HBOOK book, int what, char* buffer, int capacity) {
    return Guard(-1, [&] {
        OpenDictionary* d = Driver().Find(book);
        if (!d) return -1;
        const Dictionary& dict = *d->dictionary;
        std::string text;
        switch (what) {
        case DICT_INFO_NAME:
            text = dict.Name();
            break;
        case DICT_INFO_URL:
            text = dict.Url();
            break;
        case DICT_INFO_INDEX_FILE:
            text = dict.Files().index;
            break;
        case DICT_INFO_DEFINITIONS:
            text = dict.Files().definitions;
            break;
        case DICT_INFO_LEFT_OUT:
            if (dict.LeftOut() > 0) {
                text = std::to_string(dict.LeftOut()) + " index line(s) left out";
                for (const std::string& note : dict.Notes())
                    text += "\n" + note;
            }
            break;
        default:
            return -1;
        }
        return CopyOutText(text, buffer, capacity);
    });
}
