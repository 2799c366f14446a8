// What the store keeps of a book in its index, made the same way when a book is added and when a book
// file is read again to rebuild or complete the index: texts made valid UTF-8, blanks collapsed and
// cut to kStoredTextMax bytes; the class from the first subject; the hash and size of the file.
#pragma once

#include "ebook/epub_book.h"
#include "ebook/store_index.h"

#include <string>
#include <string_view>

namespace tavrin::ebook {

// A metadata text as the store keeps it.
std::string StoredText(std::string_view text);

// The index entry of the book file `bytes` with id `id`; `fallbackTitle` names a book whose package
// has no title (the name of the file it came from).
StoredBook MakeStoredBook(uint16_t id, std::string_view bytes, const BookFacts& facts,
                          std::string_view fallbackTitle);

} // namespace tavrin::ebook
