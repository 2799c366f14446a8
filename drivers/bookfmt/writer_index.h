// The index of a book file as the writer lays it out: the header, the section directory and every
// section but the page data (META, NAME, STRS, TOCE, PAGE), which lie in front of the pages; and the
// checks of what the format can hold. Shared by the writer of a whole model and the writer that takes
// the pages one at a time, so that both write the same bytes for the same book.
#pragma once

#include "bookfmt/bytes.h"
#include "bookfmt/model.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tavrin::book {

// What the index keeps of a page; the page's offset is the sum of the lengths before it.
struct PageRecord {
    uint32_t length = 0;
    uint32_t crc = 0;
};

// What is wrong, or an empty text. The book's own texts and capabilities:
std::string CheckIdentity(const BookIdentity& identity);
// A page as it is added (`index` counts from 0):
std::string CheckPage(size_t index, size_t length);
// A contents entry's text, and the page it leads to:
std::string CheckEntryText(std::string_view text);
std::string CheckEntryPage(std::string_view text, int32_t page, size_t pageCount);
// A contents table as a whole (entries, texts and the bytes of all texts of the book):
std::string CheckContents(const BookIdentity& identity, const ContentsTable& contents, size_t pageCount);

// The bytes of every text outside the contents (the extended number and the names), which STRS holds
// first.
uint64_t IdentityTextBytes(const BookIdentity& identity);

// The size of everything in front of the page data.
uint64_t IndexSize(const BookIdentity& identity, const ContentsTable& contents, size_t pageCount);

// Writes bytes at an offset of the file; false when it could not.
using WriteAt = std::function<bool(uint64_t offset, ByteView bytes)>;

// Lays out the index of a checked book and hands it to `write` piece by piece (at most about
// `bufferSize` bytes made at a time), the sections first and the header with the directory, which
// holds their checksums, last.
bool WriteIndex(const BookIdentity& identity, const ContentsTable& contents,
                const std::vector<PageRecord>& pages, size_t bufferSize, const WriteAt& write);

} // namespace tavrin::book
