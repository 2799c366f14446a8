// Records of the shelf tree: every tree item carries a TreeNode as its item data, and the node owns
// the record of its kind (BookRecord, CatalogRecord, ContentsRecord). Also the node kinds, flag bits,
// catalog types, the fixed text-buffer sizes and the bounded copy helpers for those buffers.
//
// Ownership: the tree item owns its node, the node owns its record, a BookRecord owns pHostData. A
// ContentsRecord owns neither the book handle nor the driver module; they belong to the book's
// BookRecord. Module handles are 32-bit values on this platform (HMODULE is a DWORD).
#pragma once

#include "win/treeview.h"
#include "win/types.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

// ---- fixed text-buffer sizes (each counts the terminating zero) ----
namespace tavrin {
inline constexpr size_t kPathSize = 260;     // file, driver and registry key paths
inline constexpr size_t kNameSize = 256;     // names, keys and settings values
inline constexpr size_t kItemTextSize = 228; // contents-entry texts (CBIVPGetItemText)
inline constexpr size_t kCataKeySize = 36;   // CatalogRecord::szCataKey ("ID", at most 35 characters)
} // namespace tavrin

// ---- node kinds (TreeNode::nKind) ----
inline constexpr DWORD NODE_ROOT = 0;    // the one root item; CatalogRecord
inline constexpr DWORD NODE_DICT = 1;    // a dictionary (shelf/book_kind.h); BookRecord
inline constexpr DWORD NODE_BOOK = 2;    // a book (shelf/book_kind.h), every HTML e-book; BookRecord
inline constexpr DWORD NODE_CHAPTER = 3; // a contents entry with sub-entries; ContentsRecord
inline constexpr DWORD NODE_PAGE = 4;    // a contents entry without sub-entries; ContentsRecord
inline constexpr DWORD NODE_CATALOG = 5; // a system, online or user catalog; CatalogRecord

// ---- node flag bits (TreeNode::dwFlags) ----
inline constexpr DWORD NF_NODELETE = 0x01;   // "Delete" is disabled for the item
inline constexpr DWORD NF_BUILTIN = 0x02;    // supplied by the system, not made by the user
inline constexpr DWORD NF_NORENAME = 0x04;   // the label may not be edited
inline constexpr DWORD NF_NODROP = 0x08;     // nothing may be dropped on it when items are moved
inline constexpr DWORD NF_CANADDBOOK = 0x20; // books may be registered into it
inline constexpr DWORD NF_CANNEWCATA = 0x40; // new catalogs may be made under it

// ---- catalog types (CatalogRecord::dwCataType) ----
inline constexpr DWORD CATA_SYSTEM = 0x10000001; // the root and the catalogs of the system catalog file
inline constexpr DWORD CATA_ONLINE = 0x10000002; // the HTML e-book catalogs and user catalogs made in them
inline constexpr DWORD CATA_USER = 0x10000003;   // every other user catalog

// Colour value meaning "the tree's default colour" (TreeNode::crText, crBack).
inline constexpr COLORREF kDefaultItemColor = 0xFFFFFFFF;
// Book handle meaning "no book".
inline constexpr DWORD kNoBookHandle = 0xFFFFFFFF;

// One per tree item, as its item data.
struct TreeNode {
    DWORD nKind = NODE_ROOT;             // NODE_*
    DWORD dwFlags = 0;                   // NF_* bits
    DWORD dwClassId = 0;                 // four-level class id, one level per byte, first level on top
    COLORREF crText = kDefaultItemColor; // text colour
    COLORREF crBack = kDefaultItemColor; // back colour
    int32_t nImage[4] = {0, 0, 0, 0};    // image-list indexes of a catalog's own images
    char szKey[tavrin::kNameSize] = {};  // book number (kinds 1, 2); name (user catalogs)
    void* pRecord = nullptr;             // the record of the kind; owned by the node
};

// Books and dictionaries (kinds 1 and 2).
struct BookRecord {
    DWORD dwBookHandle = kNoBookHandle;        // from the driver's CBIOpenBook
    HMODULE hDriver = 0;                       // the driver library (one library reference per book)
    DWORD dwUnused = 0;                        //
    char szFilePath[tavrin::kPathSize] = {};   // the book file
    char szDriverPath[tavrin::kPathSize] = {}; // the driver library
    void* pHostData = nullptr;                 // the host's data block (SetBookData); owned here
    DWORD dwHostDataLen = 0;                   // its length in bytes
    char szRegKey[tavrin::kPathSize] = {};     // registry key the book was found under; empty if none
};

// The root and catalogs (kinds 0 and 5). 312 bytes, stored whole in the user catalog stream, so the
// layout is fixed (checked below).
struct CatalogRecord {
    DWORD dwCataType = CATA_SYSTEM; // offset 0: CATA_*
    DWORD tStamp = 0;               // offset 4: creation time of a user catalog (seconds since 1970)
    char szCataKey[tavrin::kCataKeySize] = {}; // offset 8: the catalog key ("ID"); empty for user catalogs
    HMODULE hDriver = 0;                       // offset 44: the HTML e-book driver of an online catalog
    DWORD dwReserved = 0;                      // offset 48: written 0
    DWORD hVpItem = 0;                         // offset 52: the catalog's entry in the system catalog file
    char szCataName[tavrin::kNameSize] = {};   // offset 56: display name
};

// Contents entries (kinds 3 and 4).
struct ContentsRecord {
    DWORD dwBookHandle = kNoBookHandle; // the book the entry belongs to (not owned)
    HMODULE hDriver = 0;                // that book's driver (not owned)
    HTREEITEM hTreeItem = nullptr;      // the tree item made for the entry
    DWORD dwUnused = 0;                 //
    DWORD hVpItem = 0;                  // the driver's contents-item handle
};

static_assert(sizeof(HMODULE) == 4, "module handles are 32-bit values");
static_assert(sizeof(CatalogRecord) == 312, "CatalogRecord is 312 bytes");
static_assert(offsetof(CatalogRecord, dwCataType) == 0);
static_assert(offsetof(CatalogRecord, tStamp) == 4);
static_assert(offsetof(CatalogRecord, szCataKey) == 8);
static_assert(offsetof(CatalogRecord, hDriver) == 44);
static_assert(offsetof(CatalogRecord, dwReserved) == 48);
static_assert(offsetof(CatalogRecord, hVpItem) == 52);
static_assert(offsetof(CatalogRecord, szCataName) == 56);

// The record of a node, typed by its kind; null when the node is of another kind or has no record.
inline BookRecord* BookOf(const TreeNode* node) {
    return node && (node->nKind == NODE_DICT || node->nKind == NODE_BOOK)
               ? static_cast<BookRecord*>(node->pRecord)
               : nullptr;
}
inline CatalogRecord* CatalogOf(const TreeNode* node) {
    return node && (node->nKind == NODE_ROOT || node->nKind == NODE_CATALOG)
               ? static_cast<CatalogRecord*>(node->pRecord)
               : nullptr;
}
inline ContentsRecord* ContentsOf(const TreeNode* node) {
    return node && (node->nKind == NODE_CHAPTER || node->nKind == NODE_PAGE)
               ? static_cast<ContentsRecord*>(node->pRecord)
               : nullptr;
}

namespace tavrin {

// ---- bounded copies into fixed buffers ----
//
// The shelf refuses a text that does not fit a fixed buffer rather than keep a cut one (a cut path or
// book number names something else). CopyFits does that: it copies only a text that fits whole with
// its terminating zero and otherwise leaves the buffer as it was and returns false. CopyCut is for
// texts that are only shown: it keeps as much as fits, never splits a two-byte character when asked
// not to, always terminates, and returns false when it had to cut. A null source counts as "".

// True when `src` (with its terminator) fits `capacity` bytes; then copies it into `dst`.
[[nodiscard]] inline bool CopyFits(char* dst, size_t capacity, std::string_view src) {
    if (dst == nullptr || capacity == 0 || src.size() >= capacity) return false;
    if (!src.empty()) std::memcpy(dst, src.data(), src.size()); // an empty view may have no data
    dst[src.size()] = '\0';
    return true;
}
[[nodiscard]] inline bool CopyFits(char* dst, size_t capacity, const char* src) {
    return CopyFits(dst, capacity, src ? std::string_view(src) : std::string_view());
}
template <size_t N> [[nodiscard]] bool CopyFits(char (&dst)[N], std::string_view src) {
    return CopyFits(dst, N, src);
}
template <size_t N> [[nodiscard]] bool CopyFits(char (&dst)[N], const char* src) {
    return CopyFits(dst, N, src);
}

// Lead bytes of a two-byte character in the book and shelf texts (Big5, GBK).
inline bool IsDoubleByteLead(unsigned char b) {
    return b >= 0x81 && b <= 0xFE;
}

// Copies as much of `src` as fits `capacity` bytes with a terminator. With `keepDoubleByte`, a cut
// never separates a lead byte (0x81-0xFE) from the byte after it. Returns true when nothing was cut.
// A zero capacity writes nothing and returns true only for an empty text.
inline bool CopyCut(char* dst, size_t capacity, std::string_view src, bool keepDoubleByte = false) {
    if (dst == nullptr || capacity == 0) return src.empty();
    size_t n = src.size() < capacity ? src.size() : capacity - 1;
    if (keepDoubleByte && n < src.size()) {
        // Walk characters from the start so that a trail byte in the lead range is not mistaken for a
        // lead byte.
        size_t end = 0;
        while (end < n) {
            size_t width = IsDoubleByteLead(static_cast<unsigned char>(src[end])) ? 2 : 1;
            if (end + width > n) break;
            end += width;
        }
        n = end;
    }
    if (n >= capacity) n = capacity - 1; // already so; stated for the optimiser's overflow check
    if (n > 0) std::memcpy(dst, src.data(), n);
    dst[n] = '\0';
    return n == src.size();
}
inline bool CopyCut(char* dst, size_t capacity, const char* src, bool keepDoubleByte = false) {
    return CopyCut(dst, capacity, src ? std::string_view(src) : std::string_view(), keepDoubleByte);
}
template <size_t N> bool CopyCut(char (&dst)[N], std::string_view src, bool keepDoubleByte = false) {
    return CopyCut(dst, N, src, keepDoubleByte);
}
template <size_t N> bool CopyCut(char (&dst)[N], const char* src, bool keepDoubleByte = false) {
    return CopyCut(dst, N, src, keepDoubleByte);
}

// Length of the zero-terminated text in a fixed buffer, never reading past it.
template <size_t N> size_t FixedLength(const char (&buffer)[N]) {
    const void* zero = std::memchr(buffer, 0, N);
    return zero ? static_cast<size_t>(static_cast<const char*>(zero) - buffer) : N;
}

} // namespace tavrin
