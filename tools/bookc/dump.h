// Showing a book file as text, checking it whole, and taking its pages out.
#pragma once

#include <cstdio>
#include <string>

namespace tavrin::bookc {

// Prints the book's identity, names, contents tree and (unless indexOnly) its pages, rendered in the
// notation of book sources, texts converted to UTF-8. Returns 0, or 1 with a message on `err`.
int DumpBook(const std::string& path, bool indexOnly, std::FILE* out, std::FILE* err);

// Opens the book, reads every page (which checks each page's checksum) and checks each page's markup
// (settings pages of a shelf catalog: their settings text). Returns 0 when all is well.
int CheckBook(const std::string& path, std::FILE* out, std::FILE* err);

// Writes each page's bytes to <folder>/page-NNNNNN.bin.
int ExtractPages(const std::string& path, const std::string& folder, std::FILE* err);

} // namespace tavrin::bookc
