// The HTML e-books that the e-book driver keeps in its own store: each class of the store becomes an
// online catalog below the catalog of unclassified books ("65535"), each book of a class a book item
// in it. A run adds only what is not on the shelf yet (classes by key, books by id), so start-up and
// every Refresh may run it again; it never removes or renames anything.
//
// An HTML e-book is identified on the shelf by its id written in decimal, which is its file path. The
// books share the driver module m_hHtmlDriver: their records take no library reference of their own
// (the driver marks them with caps bit 0x200, which keeps the module loaded when one of them closes).
#include "tavrin/tavrin_ctrl.h"

#include "catalog/tree_walk.h"
#include "registry/book_registry.h"
#include "shelf/cbi_table.h"
#include "shelf/driver_text.h"
#include "shelf/globals.h"
#include "shelf/records.h"

#include <cstdio>
#include <cstring>
#include <string_view>
#include <vector>

using namespace tavrin;

namespace {

constexpr DWORD kClassFlags = NF_NODELETE | NF_BUILTIN | NF_NORENAME; // 7
constexpr DWORD kBookFlags = NF_BUILTIN | NF_NORENAME;                // 6: the user may delete it

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// The decimal number a text begins with (after blanks, with an optional sign), or 0 when it does not
// begin with one. Reads no further than `text`'s end. A number beyond the range of a book id counts
// as -1, which no book id equals.
long LeadingNumber(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && IsBlank(text[i]))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    long value = 0;
    bool tooLarge = false;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        if (!tooLarge) value = value * 10 + (text[i] - '0');
        if (value > 0xFFFF) tooLarge = true;
    }
    if (tooLarge) return -1;
    return negative ? -value : value;
}

// The full file name of a module, when it fits a record's driver path; else empty.
void ModulePath(HMODULE module, char (&path)[kPathSize]) {
    char name[kPathSize + 1] = "";
    DWORD length = ::GetModuleFileNameA(module, name, sizeof name);
    if (length == 0 || length >= kPathSize || !CopyFits(path, std::string_view(name, length))) path[0] = '\0';
}

// The online catalog among the root's own children whose key is `key` (letter case ignored): where the
// classes are kept when the system catalog has no catalog for unclassified books. Only the root's
// children are looked at, so a system catalog deeper down that happens to have the same key never
// receives the class's books.
HTREEITEM OnlineClassUnder(HTREEITEM root, std::string_view key) {
    for (HTREEITEM item = g_shelfTree.GetChildItem(root); item; item = g_shelfTree.GetNextSiblingItem(item)) {
        const TreeNode* node = NodeOfItem(g_shelfTree, item);
        const CatalogRecord* record = node && node->nKind == NODE_CATALOG ? CatalogOf(node) : nullptr;
        if (record && record->dwCataType == CATA_ONLINE &&
            EqualNoCase(std::string_view(record->szCataKey, FixedLength(record->szCataKey)), key))
            return item;
    }
    return nullptr;
}

} // namespace

HTREEITEM CTavrinCtrl::IsHtmlBookExist(HTREEITEM hFrom, unsigned short wBookId) {
    return FindBelow(g_shelfTree, hFrom, [&](HTREEITEM, const TreeNode* node) {
        if (!node || node->nKind != NODE_BOOK) return false;
        const BookRecord* book = BookOf(node);
        if (!book) return false;
        return LeadingNumber(std::string_view(book->szFilePath, FixedLength(book->szFilePath))) == wBookId;
    });
}

HTREEITEM CTavrinCtrl::IsSameClassExist(HTREEITEM hFrom, char* lpszClassKey) {
    if (!lpszClassKey) return nullptr;
    std::string_view key(lpszClassKey);
    return FindBelow(g_shelfTree, hFrom, [&](HTREEITEM, const TreeNode* node) {
        if (!node || node->nKind != NODE_CATALOG) return false;
        const CatalogRecord* record = CatalogOf(node);
        return record &&
               EqualNoCase(std::string_view(record->szCataKey, FixedLength(record->szCataKey)), key);
    });
}

void CTavrinCtrl::AddHtmlEBook(HINSTANCE hHtmlDriver) {
    // The books share the module the control keeps loaded until it is destroyed; another module would
    // leave them pointing into a library nobody holds. Without a root there is nowhere to put them.
    if (!hHtmlDriver || hHtmlDriver != m_hHtmlDriver || !m_hRoot) return;
    BindDriver(hHtmlDriver);
    if (!g_cbi.CBIShelfOpen) return;
    uint16_t classCount = 0;
    CBIShelfBlock block{};
    if (!g_cbi.CBIShelfOpen(&classCount, &block)) return;

    char driverPath[kPathSize];
    ModulePath(hHtmlDriver, driverPath);

    // The ids already on the shelf, as IsHtmlBookExist(m_hRoot, id) would find them: one walk of the
    // tree for the run instead of one per book, which keeps a large store linear.
    std::vector<bool> present(0x10000, false);
    ForEachBelow(g_shelfTree, m_hRoot, [&](HTREEITEM, const TreeNode* node) {
        const BookRecord* book = node && node->nKind == NODE_BOOK ? BookOf(node) : nullptr;
        if (!book) return;
        long number = LeadingNumber(std::string_view(book->szFilePath, FixedLength(book->szFilePath)));
        if (number >= 0 && number <= 0xFFFF) present[static_cast<size_t>(number)] = true;
    });

    for (uint16_t c = 0; c < classCount; ++c) {
        BindHeldDriver(hHtmlDriver);
        StoreClassAttr attr;
        if (!attr.Read(c)) continue;

        // The catalog for unclassified books holds the classes. A system catalog without it gets them
        // right under the root, where the next run finds them again.
        HTREEITEM parent = GetCatalogId(m_hRoot, kUnclassifiedKey);
        HTREEITEM classItem = nullptr;
        if (parent) {
            classItem = IsSameClassExist(parent, attr.key);
        } else {
            parent = m_hRoot;
            classItem = OnlineClassUnder(m_hRoot, attr.key);
        }
        // A class not on the shelf yet gets its catalog when its first book goes onto the shelf: a
        // class that brings no book adds nothing.

        for (uint16_t b = 0; b < attr.bookCount; ++b) {
            BindHeldDriver(hHtmlDriver);
            char bookAttr[CBI_BOOK_ATTR_SIZE] = {};
            uint32_t id = 0;
            if (!g_cbi.CBIShelfGetBookAttr || !g_cbi.CBIShelfGetBookAttr(c, b, bookAttr, &id)) return;
            auto bookId = static_cast<unsigned short>(id & 0xFFFF);
            if (bookId == 0) continue; // ids are 1-65535; 0 would match any path without a number
            if (present[bookId]) continue;

            char idText[12];
            std::snprintf(idText, sizeof idText, "%d", static_cast<int>(bookId));
            DWORD handle = kNoBookHandle;
            if (!g_cbi.CBIOpenBook || g_cbi.CBIOpenBook(idText, 0, &handle) != 0) continue;
            CBICaps caps{};
            int capsRead = g_cbi.CBIGetCaps ? g_cbi.CBIGetCaps(handle, &caps) : 0;

            // A book that does not say the module is shared is released with its item like any other
            // book (shelf/book_close.h): it then holds a load of its own.
            bool shared = capsRead && (caps.wCaps & CBI_CAP_SHARED_HTML);
            if (!shared) {
                HMODULE again = driverPath[0] ? ::LoadLibraryA(driverPath) : 0;
                if (again != hHtmlDriver) {
                    if (again) ::FreeLibrary(again);
                    BindHeldDriver(hHtmlDriver);
                    if (g_cbi.CBICloseBook) g_cbi.CBICloseBook(handle);
                    continue;
                }
            }

            auto* record = new BookRecord;
            record->dwBookHandle = handle;
            record->hDriver = hHtmlDriver;
            (void)CopyFits(record->szFilePath, idText);
            (void)CopyFits(record->szDriverPath, driverPath);

            auto* node = new TreeNode;
            node->nKind = NODE_BOOK;
            node->dwFlags = kBookFlags;
            node->dwClassId = 0;
            node->pRecord = record;
            char number[kBookNoSize];
            GetBookNo(hHtmlDriver, handle, number);
            (void)CopyFits(node->szKey, number);

            BindHeldDriver(hHtmlDriver);
            char label[kNameSize];
            ReadBookName(handle, label, sizeof label, kNameSize - 1);

            if (!classItem) {
                auto* cata = new CatalogRecord;
                cata->dwCataType = CATA_ONLINE;
                (void)CopyFits(cata->szCataKey, attr.key);
                (void)CopyFits(cata->szCataName, attr.name);
                cata->hDriver = hHtmlDriver;
                auto* cataNode = new TreeNode;
                cataNode->nKind = NODE_CATALOG;
                cataNode->dwFlags = kClassFlags;
                cataNode->pRecord = cata;
                classItem = AddOneItem(parent, attr.name, TVI_LAST, &g_imageIndex[0], cataNode, 0);
                if (!classItem) {
                    FreeNode(cataNode);
                    FreeNode(node);
                    continue;
                }
                SetItemImages(classItem, 0);
            }

            HTREEITEM item = AddOneItem(classItem, label, TVI_LAST, &g_imageIndex[0], node,
                                        (caps.wCaps & CBI_CAP_CONTENTS) ? 1 : 0);
            if (!item) {
                FreeNode(node);
                continue;
            }
            SetItemImages(item, 0);
            present[bookId] = true;
        }
    }
}
