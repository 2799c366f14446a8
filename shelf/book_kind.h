// What a book's class makes of it on the shelf. The book class is the 16-bit field of the caps record
// (CBIGetCaps); this is the one place that judges it.
//
//   0xFF (CBI_CLASS_EBOOK) and 0xFE (CBI_CLASS_BOOK) are books: NODE_BOOK items whose contents open,
//   searched by a search over every book, never checked with the dictionary library and never
//   collected as dictionaries.
//   Every other class is a dictionary: a NODE_DICT item, shown only when the dictionary library lists
//   it, searched only when a search names it by handle, collected for the host's dictionary queries.
//
// A book the user registers, or one whose registration now names another file or driver, gets the
// flags of its kind: a book may be deleted (NF_NORENAME only), a dictionary may not (NF_NODELETE,
// NF_BUILTIN, NF_NORENAME). A book the registry walk puts on the shelf takes its flags from where it is
// placed instead (its class catalog or the catalog of unclassified books).
#pragma once

#include "shelf/records.h"
#include "tavrin/cbi.h"

namespace tavrin {

// True for the classes that are books, not dictionaries.
inline bool IsBookClass(WORD bookClass) {
    return bookClass == CBI_CLASS_EBOOK || bookClass == CBI_CLASS_BOOK;
}

// The node kind of a book of this class.
inline DWORD NodeKindOfClass(WORD bookClass) {
    return IsBookClass(bookClass) ? NODE_BOOK : NODE_DICT;
}

// The flags of a book of this class that the user registered or whose registration changed.
inline DWORD RegisteredFlagsOfClass(WORD bookClass) {
    return IsBookClass(bookClass) ? NF_NORENAME : (NF_NODELETE | NF_BUILTIN | NF_NORENAME);
}

} // namespace tavrin
