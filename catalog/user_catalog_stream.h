// The user catalog stream: the layout of its records, the writer's encoding of one record, and a reader
// that takes a whole stream apart in memory and trusts none of it.
//
// Layout (integers 32-bit little-endian, texts zero-terminated in fixed fields, unused bytes zero):
//   header, 256 bytes: "CATA", then "KS2" zero-padded to 252 bytes;
//   then blocks, one per user catalog that does not stand inside another user catalog:
//     L (bytes of the whole block, these 8 included), N (ancestor count),
//     N CatalogRecords of the catalogs above it, the root first and its own parent last,
//     its subtree as UserCatalogItem records of 1064 bytes in pre-order (the catalog itself first).
// docs/user-catalogs.md describes the fields.
#pragma once

#include "shelf/records.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tavrin {

inline constexpr size_t kUserStreamHeaderSize = 256;
inline constexpr size_t kUserBlockHeaderSize = 8;
inline constexpr size_t kUserItemSize = 1064;
// Records directly under a block's first record give this parent position instead of 0.
inline constexpr DWORD kUserFirstChildParentPos = 1064;
// Deepest nesting of entry records a reader accepts (the block's first record is level 1).
inline constexpr int kUserMaxDepth = 64;

// The stream's header.
struct UserStreamHeader {
    char szMagic[4];       // "CATA", not terminated
    char szSignature[252]; // "KS2", zero-padded
};

// A block's two counts.
struct UserBlockHeader {
    DWORD dwLength;    // the whole block in bytes, this header included
    DWORD dwAncestors; // N: CatalogRecords that follow
};

// One entry of a user catalog's subtree.
struct UserCatalogItem {
    DWORD bHasChildren;     // 1 when the item has children (always 0 for a book)
    DWORD bHasNext;         // 1 when the item has a next sibling (always 0 in a block's first record)
    DWORD dwType;           // a catalog's dwCataType, else the node kind
    DWORD dwFlags;          // TreeNode::dwFlags
    DWORD dwClassId;        // TreeNode::dwClassId
    DWORD dwParentPos;      // 0 first; 1064 under the first; else the parent record's offset
    char szLabel[256];      // catalog: its text; book: its book number; else empty
    char szDriverPath[260]; // book only
    char szFilePath[520];   // book only
    DWORD tStamp;           // catalog only
};

static_assert(sizeof(UserStreamHeader) == kUserStreamHeaderSize);
static_assert(offsetof(UserStreamHeader, szSignature) == 4);
static_assert(sizeof(UserBlockHeader) == kUserBlockHeaderSize);
static_assert(offsetof(UserBlockHeader, dwAncestors) == 4);
static_assert(sizeof(UserCatalogItem) == kUserItemSize);
static_assert(offsetof(UserCatalogItem, bHasChildren) == 0);
static_assert(offsetof(UserCatalogItem, bHasNext) == 4);
static_assert(offsetof(UserCatalogItem, dwType) == 8);
static_assert(offsetof(UserCatalogItem, dwFlags) == 12);
static_assert(offsetof(UserCatalogItem, dwClassId) == 16);
static_assert(offsetof(UserCatalogItem, dwParentPos) == 20);
static_assert(offsetof(UserCatalogItem, szLabel) == 24);
static_assert(offsetof(UserCatalogItem, szDriverPath) == 280);
static_assert(offsetof(UserCatalogItem, szFilePath) == 540);
static_assert(offsetof(UserCatalogItem, tStamp) == 1060);

// The stream's header as the writer puts it.
UserStreamHeader MakeUserStreamHeader();

// Appends the bytes of a record to `out`.
void AppendUserItem(std::vector<unsigned char>& out, const UserCatalogItem& item);

// One block as the reader took it apart. Entries are in stream order; parent[i] is the index of entry
// i's parent entry, -1 for the block's first record.
struct UserCatalogBlock {
    std::vector<CatalogRecord> ancestors;
    std::vector<UserCatalogItem> entries;
    std::vector<int> parent;
};

// What a read of a whole stream gives: every block up to the first damage. A damaged block keeps the
// entries read before the damage (with their ancestors); `whole` is false when anything was damaged.
struct UserCatalogStream {
    std::vector<UserCatalogBlock> blocks;
    bool whole = false;
};

// Reads a whole stream from memory. Never reads outside [data, data + size).
UserCatalogStream ReadUserCatalogStream(const unsigned char* data, size_t size);

} // namespace tavrin
