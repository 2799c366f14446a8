// A book in memory, as the writer takes it and the builder makes it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tavrin::book {

// What a file holds: an ordinary book (EbdBook.dll) or the shelf's system catalog (Books.Dll).
enum class BookKind : uint16_t { Book = 0, ShelfCatalog = 1 };

inline constexpr uint16_t kClassEbook = 0x00FF; // an e-book
inline constexpr uint16_t kClassBook = 0x00FE;  // a book that is not a dictionary
inline constexpr uint16_t kCapContents = 0x0080;
inline constexpr uint16_t kCapHideContentsPage = 0x0100;
inline constexpr uint16_t kCapSharedHtml = 0x0200;

// Code pages a book may declare for its 8-bit texts (0: not said).
inline constexpr uint16_t kCodePageWestern = 1252;
inline constexpr uint16_t kCodePageBig5 = 950;
inline constexpr uint16_t kCodePageGbk = 936;

struct LocaleName {
    int32_t locale = 0;
    std::string text; // 8-bit, in the book's code page
};

// The attributes that make the dictionary id the dictionary library is asked about.
struct DictAttributes {
    uint8_t idLow = 0;    // byte 4 of the attribute block
    uint8_t idHigh = 0;   // byte 5
    uint16_t classNo = 1; // low byte is the class number
};

struct ContentsNode {
    std::string text;  // at most 227 bytes
    int32_t page = -1; // -1: no page
    std::vector<ContentsNode> children;
};

struct BookModel {
    BookKind kind = BookKind::Book;
    uint32_t serial = 0;
    std::optional<std::string> number; // extended book number, 1-255 bytes
    uint16_t bookClass = kClassEbook;
    uint16_t caps = 0;
    uint16_t codePage = 0;
    std::vector<LocaleName> names; // the first is the default name
    std::optional<DictAttributes> dict;
    // The root stands for the book and is never shown; its children are the first level. A book
    // without contents has `hasContents` false and writes no entries.
    bool hasContents = true;
    ContentsNode root;
    std::vector<std::string> pages; // raw bytes in the page markup
};

} // namespace tavrin::book
