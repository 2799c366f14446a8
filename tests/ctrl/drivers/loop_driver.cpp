// LoopBooks.dll: a book driver whose contents trees are broken on purpose, for the tests of what the
// shelf does with them. The book's file name chooses the fault:
//   parent-loop.ebd   pages map to entry 4, whose parents run 5, 6, 5, 6, ... and never reach the root
//   endless.ebd       pages map to entry 100, whose parents are 101, 102, ... without end
//   self-parent.ebd   pages map to entry 7, its own parent
//   sibling-loop.ebd  the root's sub-entries run 2, 8, 9, 2, 8, ... and never end
// Every book has caps 0x80 (contents), class 0xFF, the root entry 1 with the sub-entry 2 ("Chapter",
// with the sub-entry 3 "Leaf"), the name of its file without ".ebd" and the serial 0xA0 + its handle.
#include "tavrin/cbi.h"

#include <cstdio>
#include <cstring>

namespace {

enum Fault : CBI_HBOOK { kNone = 0, kParentLoop = 1, kEndless = 2, kSelfParent = 3, kSiblingLoop = 4 };
const char* const kFiles[] = {"", "parent-loop.ebd", "endless.ebd", "self-parent.ebd", "sibling-loop.ebd"};

bool Valid(CBI_HBOOK book) {
    return book >= kParentLoop && book <= kSiblingLoop;
}

} // namespace

CBI_EXPORT int CBIOpenBook(const char* path, uint32_t, CBI_HBOOK* book) {
    if (!path || !book) return 1;
    const char* name = std::strrchr(path, '/');
    name = name ? name + 1 : path;
    for (CBI_HBOOK b = kParentLoop; b <= kSiblingLoop; ++b)
        if (std::strcmp(name, kFiles[b]) == 0) {
            *book = b;
            return 0;
        }
    return 1;
}

CBI_EXPORT void CBICloseBook(CBI_HBOOK) {}

CBI_EXPORT int CBIGetCaps(CBI_HBOOK book, CBICaps* caps) {
    if (!Valid(book) || !caps) return 0;
    caps->wCaps = CBI_CAP_CONTENTS;
    caps->wBookClass = CBI_CLASS_EBOOK;
    return 1;
}

CBI_EXPORT int CBIGetBkName(CBI_HBOOK book, int, char* buffer, int capacity) {
    if (!Valid(book) || !buffer || capacity < 1) return 0;
    int n = std::snprintf(buffer, static_cast<size_t>(capacity), "%.*s",
                          static_cast<int>(std::strlen(kFiles[book]) - 4), kFiles[book]);
    return n < capacity ? n : capacity - 1;
}

CBI_EXPORT int CBIBookSerial(CBI_HBOOK book, uint32_t* serial) {
    if (!Valid(book) || !serial) return 0;
    *serial = 0xA0 + book;
    return 1;
}

CBI_EXPORT int CBICheckVersion(const char*) {
    return 0;
}

CBI_EXPORT CBI_HITEM CBIVPGetRootItem(CBI_HBOOK book) {
    return Valid(book) ? 1 : 0;
}

CBI_EXPORT int CBIVPItemHasChildren(CBI_HBOOK book, CBI_HITEM item) {
    return Valid(book) && (item == 1 || item == 2) ? 1 : 0;
}

CBI_EXPORT CBI_HITEM CBIVPGetChildItem(CBI_HBOOK book, CBI_HITEM item) {
    if (!Valid(book)) return 0;
    return item == 1 ? 2 : item == 2 ? 3 : 0;
}

CBI_EXPORT CBI_HITEM CBIVPGetNextSiblingItem(CBI_HBOOK book, CBI_HITEM item) {
    if (book != kSiblingLoop) return 0;
    return item == 2 ? 8 : item == 8 ? 9 : item == 9 ? 2 : 0;
}

CBI_EXPORT CBI_HITEM CBIVPGetParentItem(CBI_HBOOK book, CBI_HITEM item) {
    switch (book) {
    case kParentLoop:
        return item == 4 ? 5 : item == 5 ? 6 : item == 6 ? 5 : item == 3 ? 2 : item == 2 ? 1 : 0;
    case kEndless:
        return item >= 100 ? item + 1 : item == 3 ? 2 : item == 2 ? 1 : 0;
    case kSelfParent:
        return item == 7 ? 7 : item == 3 ? 2 : item == 2 ? 1 : 0;
    case kSiblingLoop:
        return item == 3 ? 2 : (item == 2 || item == 8 || item == 9) ? 1 : 0;
    default:
        return 0;
    }
}

CBI_EXPORT int CBIVPGetItemText(CBI_HBOOK book, CBI_HITEM item, char* buffer, int capacity) {
    if (!Valid(book) || !buffer || capacity < 1) return 0;
    const char* text = item == 2 ? "Chapter" : item == 3 ? "Leaf" : "Entry";
    char label[32];
    std::snprintf(label, sizeof label, "%s %u", text, static_cast<unsigned>(item));
    std::snprintf(buffer, static_cast<size_t>(capacity), "%s", label);
    return static_cast<int>(std::strlen(buffer));
}

CBI_EXPORT int32_t CBIVPItemToPage(CBI_HBOOK book, CBI_HITEM item) {
    return Valid(book) ? static_cast<int32_t>(item) : CBI_NO_PAGE;
}

CBI_EXPORT CBI_HITEM CBIVPPageToItem(CBI_HBOOK book, int32_t page) {
    switch (book) {
    case kParentLoop:
        return page == 3 ? 3 : 4;
    case kEndless:
        return page == 3 ? 3 : 100;
    case kSelfParent:
        return page == 3 ? 3 : 7;
    case kSiblingLoop:
        return page == 3 ? 3 : 2;
    default:
        return 0;
    }
}
