// Putting one registered book on the shelf (AddToShelf): a new book goes into its class catalog, or
// among the unclassified books; a book already there is re-pointed when its registration now names
// another file or driver.
#include "tavrin/tavrin_ctrl.h"

#include "catalog/tree_walk.h"
#include "registry/book_registry.h"
#include "registry/reg_walk.h"
#include "registry/shelf_books.h"
#include "shelf/book_close.h"
#include "shelf/book_kind.h"
#include "shelf/cbi_table.h"
#include "shelf/driver_text.h"
#include "shelf/globals.h"
#include "shelf/host_notify.h"
#include "shelf/records.h"

#include <cstdlib>
#include <cstring>
#include <string>

using namespace tavrin;

namespace {

bool FitsPath(LPCSTR text) {
    return text && std::strlen(text) < kPathSize;
}

} // namespace

void CTavrinCtrl::AddToShelf(LPCSTR lpszBookKey, LPCSTR lpszFilePath, LPCSTR lpszDriverPath) {
    if (!FitsPath(lpszBookKey) || !FitsPath(lpszFilePath) || !FitsPath(lpszDriverPath)) return;

    DWORD handle = 0;
    HMODULE module = LoadAndOpen(&handle, lpszFilePath, lpszDriverPath);
    if (!module) return; // skipped without a message
    // LoadAndOpen leaves the table bound to the module, which stays loaded from here on: the table is
    // bound again only when something else was bound in between.
    auto discard = [&] {
        BindHeldDriver(module);
        if (g_cbi.CBICloseBook) g_cbi.CBICloseBook(handle);
        if (m_pRegWalk) m_pRegWalk->boundHeld = 0;
        FreeLibrary(module);
    };
    BindHeldDriver(module);
    if (!g_cbi.CBIGetCaps) {
        discard();
        return;
    }
    CBICaps caps{};
    g_cbi.CBIGetCaps(handle, &caps);
    char number[kBookNoSize];
    FormBookNo(handle, number);
    if (!number[0]) { // a number that did not fit: the registration is refused
        discard();
        return;
    }

    // The book's current item, if any: from the shelf's book index, else (a number more than one item
    // holds) by searching the tree.
    ShelfBookIndex& index = ShelfBooks().InStep(g_shelfTree, m_hRoot);
    const ShelfBookIndex::Entry* found = index.FindNumber(number);
    const ShelfBookIndex::Entry entry = found ? *found : ShelfBookIndex::Entry{};
    HTREEITEM existing = entry.first;
    if (entry.shared) existing = IsBookExist(m_hRoot, number, nullptr);

    if (!existing) {
        m_bBooksChanged = 1;
        auto* record = new BookRecord;
        record->dwBookHandle = handle;
        record->hDriver = module;
        (void)CopyFits(record->szFilePath, lpszFilePath);
        (void)CopyFits(record->szDriverPath, lpszDriverPath);
        (void)CopyFits(record->szRegKey, lpszBookKey);
        auto* node = new TreeNode;
        node->nKind = NodeKindOfClass(caps.wBookClass);
        node->dwClassId = 0;
        (void)CopyFits(node->szKey, number);
        node->pRecord = record;

        // Its class catalog (placed first or last as the catalog says), else the catalog of
        // unclassified books; without that catalog, directly under the root, where the next walk
        // finds the book again.
        HTREEITEM after = TVI_LAST;
        std::string fileName(FileNameOf(lpszFilePath));
        HTREEITEM parent = m_pRegWalk
                               ? m_pRegWalk->Classes(g_shelfTree, m_hRoot, m_hShelfDriver, m_dwShelfHandle)
                                     .Find(fileName, &after)
                               : GetClassItem(m_hRoot, fileName.c_str(), &after);
        if (parent) {
            node->dwFlags = NF_NODELETE | NF_BUILTIN | NF_NORENAME;
        } else {
            if (m_pRegWalk) {
                if (!m_pRegWalk->unclassifiedKnown) {
                    m_pRegWalk->unclassified = GetCatalogId(m_hRoot, kUnclassifiedKey);
                    m_pRegWalk->unclassifiedKnown = true;
                }
                parent = m_pRegWalk->unclassified;
            } else {
                parent = GetCatalogId(m_hRoot, kUnclassifiedKey);
            }
            if (!parent) parent = m_hRoot;
            node->dwFlags = NF_NORENAME;
        }

        BindHeldDriver(module);
        char name[kNameSize];
        ReadBookName(handle, name, sizeof name, kNameSize - 1);
        const ShelfBookIndex::Insertion before = ShelfBookIndex::BeforeInsert(g_shelfTree, parent);
        HTREEITEM item =
            AddOneItem(parent, name, after, &g_imageIndex[0], node, (caps.wCaps & CBI_CAP_CONTENTS) ? 1 : 0);
        // The next book's number is looked up in the index: it learns of this one at once.
        ShelfBooks().Inserted(g_shelfTree, m_hRoot, before, item);
        if (!item) {
            delete record;
            delete node;
            discard();
            return;
        }
        SetItemImages(item, 0);
        // The table is bound to the module (for the name above), and the new item holds it.
        if (m_pRegWalk && BoundDriver() == module) m_pRegWalk->boundHeld = module;
        return;
    }

    // On the shelf already: has the registration moved to another file or driver?
    HTREEITEM changed = nullptr;
    if (!entry.shared) {
        const BookRecord* book = BookOf(NodeOfItem(g_shelfTree, entry.first));
        if (book &&
            (!EqualNoCase(std::string_view(book->szFilePath, FixedLength(book->szFilePath)), lpszFilePath) ||
             !EqualNoCase(std::string_view(book->szDriverPath, FixedLength(book->szDriverPath)),
                          lpszDriverPath)))
            changed = entry.first;
    } else {
        changed = IsBookInfoChange(m_hRoot, number, lpszFilePath, lpszDriverPath);
    }

    if (changed) {
        TreeNode* node = NodeOfItem(g_shelfTree, changed);
        BookRecord* book = BookOf(node);
        // The host hears of the old handle after this call, when the handle is already closed.
        NotifyHost(m_hWnd, WM_SHELF_BOOKCLOSED, 0, static_cast<LPARAM>(book->dwBookHandle));
        if (m_pRegWalk) m_pRegWalk->boundHeld = 0;
        TakeBookOff(*book);
        ShelfBooks().HandleChanged(changed, number, book->dwBookHandle, handle);
        book->hDriver = module;
        book->dwBookHandle = handle;
        (void)CopyFits(book->szFilePath, lpszFilePath);
        (void)CopyFits(book->szDriverPath, lpszDriverPath);
        std::free(book->pHostData);
        book->pHostData = nullptr;
        book->dwHostDataLen = 0;
        node->nKind = NodeKindOfClass(caps.wBookClass);
        node->dwClassId = 0;
        node->dwFlags = RegisteredFlagsOfClass(caps.wBookClass);
        // The host's dictionaries are those collected at start-up: one that is a book now is none.
        if (node->nKind != NODE_DICT) ForgetDictNode(node);
        m_bBooksChanged = 1;
    } else {
        discard();
    }
    if (BookRecord* book = BookOf(NodeOfItem(g_shelfTree, existing)))
        (void)CopyFits(book->szRegKey, lpszBookKey);
}
