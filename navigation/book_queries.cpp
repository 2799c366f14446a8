// The host's questions about a book by its handle: where its file and driver are, which driver module
// serves it, which code page its texts are in, and a block of the host's own data that the shelf keeps with
// the book. Every question finds the book with FindBook from the root.
#include "tavrin/tavrin_ctrl.h"

#include "catalog/tree_walk.h"
#include "registry/shelf_books.h"
#include "shelf/cbi_table.h"
#include "shelf/driver_text.h"
#include "shelf/globals.h"
#include "shelf/records.h"

#include <cstdlib>
#include <cstring>

using namespace tavrin;

namespace {

BookRecord* RecordOf(HTREEITEM item) {
    return BookOf(NodeOfItem(g_shelfTree, item));
}

// Copies a record's path with its terminator into the host's 260-byte buffer.
int CopyPath(const char (&path)[kPathSize], LPSTR lpszPath) {
    if (!lpszPath) return 0;
    size_t length = FixedLength(path);
    if (length >= kPathSize) return 0;
    std::memcpy(lpszPath, path, length + 1);
    return 1;
}

} // namespace

HTREEITEM CTavrinCtrl::FindBook(HTREEITEM hStart, DWORD dwBookHandle) {
    // 0xFFFFFFFF is "no book" in every answer to the host; it never names one.
    if (dwBookHandle == kNoBookHandle) return nullptr;
    // From the root the shelf's book index (registry/shelf_books.h) answers, unless more than one item
    // has the handle.
    if (hStart && hStart == m_hRoot) {
        const ShelfBookIndex::Entry* entry =
            ShelfBooks().InStep(g_shelfTree, m_hRoot).FindHandle(dwBookHandle);
        if (!entry) return nullptr;
        if (!entry->shared) return entry->first;
    }
    return FindBelow(g_shelfTree, hStart, [&](HTREEITEM, const TreeNode* node) {
        const BookRecord* book = BookOf(node);
        return book && book->dwBookHandle == dwBookHandle;
    });
}

int CTavrinCtrl::GetBookPos(DWORD dwBookHandle, LPSTR lpszPath) {
    const BookRecord* book = RecordOf(FindBook(m_hRoot, dwBookHandle));
    return book ? CopyPath(book->szFilePath, lpszPath) : 0;
}

int CTavrinCtrl::GetBookDriverPos(DWORD dwBookHandle, LPSTR lpszPath) {
    const BookRecord* book = RecordOf(FindBook(m_hRoot, dwBookHandle));
    return book ? CopyPath(book->szDriverPath, lpszPath) : 0;
}

HINSTANCE CTavrinCtrl::GetBookDrvHandle(DWORD dwBookHandle) {
    const BookRecord* book = RecordOf(FindBook(m_hRoot, dwBookHandle));
    return book ? book->hDriver : 0;
}

UINT CTavrinCtrl::GetBookCodePage(DWORD dwBookHandle) {
    const BookRecord* book = RecordOf(FindBook(m_hRoot, dwBookHandle));
    if (!book) return 0;
    BindDriver(book->hDriver);
    return ReadCodePage(book->dwBookHandle);
}

int CTavrinCtrl::SetBookData(DWORD dwBookHandle, const char* pData, DWORD* pdwLength) {
    if (!pdwLength) return 0;
    DWORD length = *pdwLength;
    if (length > 0 && !pData) return 0;
    BookRecord* book = RecordOf(FindBook(m_hRoot, dwBookHandle));
    if (!book) return 0;
    std::free(book->pHostData);
    book->pHostData = nullptr;
    book->dwHostDataLen = 0;
    // An empty block is still a block: one byte is taken so that it is told apart from none.
    void* block = std::malloc(length > 0 ? length : 1);
    if (!block) return 0;
    if (length > 0) std::memcpy(block, pData, length);
    book->pHostData = block;
    book->dwHostDataLen = length;
    return 1;
}

int CTavrinCtrl::GetBookData(DWORD dwBookHandle, char* pData, DWORD* pdwLength) {
    if (!pdwLength) return 0;
    const BookRecord* book = RecordOf(FindBook(m_hRoot, dwBookHandle));
    if (!book) return 0;
    if (pData && book->pHostData) {
        DWORD count = *pdwLength < book->dwHostDataLen ? *pdwLength : book->dwHostDataLen;
        if (count > 0) std::memcpy(pData, book->pHostData, count);
    }
    *pdwLength = book->dwHostDataLen;
    return 1;
}
