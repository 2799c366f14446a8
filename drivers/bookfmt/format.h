// The layout of an "EBDF" book file, version 1.x (docs/book-format.md is the prose description; the
// numbers live here and nowhere else).
//
//   header (64 bytes) | section directory (24 bytes per section) | sections ...
//
// All numbers are little-endian. Sections are found through the directory, never by position.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tavrin::book::format {

// ---- header ----
inline constexpr char kMagic[4] = {'E', 'B', 'D', 'F'};
inline constexpr uint16_t kVersionMajor = 1; // a reader refuses another major version
inline constexpr uint16_t kVersionMinor = 0; // a reader accepts any minor version of its major
inline constexpr size_t kHeaderSize = 64;
inline constexpr size_t kHeaderMagic = 0;         // 4 bytes "EBDF"
inline constexpr size_t kHeaderMajor = 4;         // u16
inline constexpr size_t kHeaderMinor = 6;         // u16
inline constexpr size_t kHeaderHeaderSize = 8;    // u32, 64
inline constexpr size_t kHeaderSectionCount = 12; // u32
inline constexpr size_t kHeaderFileSize = 16;     // u64, the whole file
inline constexpr size_t kHeaderCrc = 60;          // u32, CRC-32 of bytes 0-59 and the directory
inline constexpr uint32_t kMaxSections = 64;

// ---- section directory entry ----
inline constexpr size_t kDirEntrySize = 24;
inline constexpr size_t kDirTag = 0;    // u32, four characters
inline constexpr size_t kDirCrc = 4;    // u32, CRC-32 of the section's bytes (0 for PDAT)
inline constexpr size_t kDirOffset = 8; // u64, from the start of the file
inline constexpr size_t kDirSize = 16;  // u64

constexpr uint32_t Tag(const char (&t)[5]) {
    return static_cast<uint32_t>(static_cast<uint8_t>(t[0])) |
           static_cast<uint32_t>(static_cast<uint8_t>(t[1])) << 8 |
           static_cast<uint32_t>(static_cast<uint8_t>(t[2])) << 16 |
           static_cast<uint32_t>(static_cast<uint8_t>(t[3])) << 24;
}
inline constexpr uint32_t kTagMeta = Tag("META");     // book identity, one record
inline constexpr uint32_t kTagNames = Tag("NAME");    // names per locale
inline constexpr uint32_t kTagStrings = Tag("STRS");  // text pool
inline constexpr uint32_t kTagContents = Tag("TOCE"); // contents entries
inline constexpr uint32_t kTagPages = Tag("PAGE");    // page index
inline constexpr uint32_t kTagPageData = Tag("PDAT"); // page bytes

// ---- META ----
inline constexpr size_t kMetaSize = 32;         // a reader accepts a longer record (later minor versions)
inline constexpr size_t kMetaSerial = 0;        // u32
inline constexpr size_t kMetaBookClass = 4;     // u16
inline constexpr size_t kMetaCaps = 6;          // u16
inline constexpr size_t kMetaCodePage = 8;      // u16
inline constexpr size_t kMetaKind = 10;         // u16, BookKind
inline constexpr size_t kMetaFlags = 12;        // u32, kFlag*
inline constexpr size_t kMetaNumberOffset = 16; // u32, extended book number in STRS
inline constexpr size_t kMetaNumberLength = 20; // u32
inline constexpr size_t kMetaDictIdLow = 24;    // u8
inline constexpr size_t kMetaDictIdHigh = 25;   // u8
inline constexpr size_t kMetaDictClassNo = 26;  // u16
// bytes 28-31 reserved, written 0
inline constexpr uint32_t kFlagHasNumber = 0x1;
inline constexpr uint32_t kFlagHasDict = 0x2;

// ---- NAME record ----
inline constexpr size_t kNameRecordSize = 12;
inline constexpr size_t kNameLocale = 0; // i32
inline constexpr size_t kNameOffset = 4; // u32, in STRS
inline constexpr size_t kNameLength = 8; // u32

// ---- TOCE record (entries in pre-order; entry 0 is the root) ----
inline constexpr size_t kEntrySize = 24;
inline constexpr size_t kEntryParent = 0;      // u32 index, kNoEntry for the root
inline constexpr size_t kEntryFirstChild = 4;  // u32 index, 0 = none (the root is nobody's child)
inline constexpr size_t kEntryNextSibling = 8; // u32 index, 0 = none
inline constexpr size_t kEntryPage = 12;       // i32, -1 = none
inline constexpr size_t kEntryTextOffset = 16; // u32, in STRS
inline constexpr size_t kEntryTextLength = 20; // u16
inline constexpr size_t kEntryFlags = 22;      // u16, reserved, written 0
inline constexpr uint32_t kNoEntry = 0xFFFFFFFFu;

// ---- PAGE record ----
inline constexpr size_t kPageRecordSize = 24;
inline constexpr size_t kPageOffset = 0; // u64, from the start of PDAT
inline constexpr size_t kPageLength = 8; // u32
inline constexpr size_t kPageEntry = 12; // u32, entry index + 1 that holds the page, 0 = none
inline constexpr size_t kPageCrc = 16;   // u32, CRC-32 of the page's bytes
// bytes 20-23 reserved, written 0

// ---- limits ----
inline constexpr size_t kMaxEntryText = 227; // contents texts: the shelf's buffer is 228 bytes
inline constexpr size_t kMaxName = 254;      // names fit every capacity the shelf passes (255, 256, 260)
inline constexpr size_t kMaxNumber = 255;    // extended book number: the shelf's buffer is 256 bytes
inline constexpr uint32_t kMaxPageLength = 0x7FFFFFFFu; // page sizes travel as int32
inline constexpr uint32_t kMaxPages = 0x7FFFFFFEu;      // page numbers travel as int32
inline constexpr uint32_t kMaxEntries = 0x7FFFFFFEu;    // item handles are index + 1

// Capability bits a book may carry (cbi.h); others are refused by the writer and masked by the drivers.
inline constexpr uint16_t kKnownCaps = 0x0080 | 0x0100 | 0x0200;

} // namespace tavrin::book::format
