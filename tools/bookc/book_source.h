// Book sources: the readable text from which the builder makes an "EBDF" book (docs/book-format.md,
// "Book sources").
#pragma once

#include "line_reader.h"

#include "bookfmt/model.h"

#include <optional>
#include <string>
#include <string_view>

namespace tavrin::bookc {

struct BuildResult {
    std::optional<book::BookModel> book;
    std::string error; // "file:line:column: message" when book is empty
};

// The first line of every book source.
inline constexpr std::string_view kBookHeader = "tavrin-book 1";

// The whole book in memory, pages and all (for tests and small books).
BuildResult ParseBookSource(std::string_view source, const std::string& fileName);

// Builds the book file `outputPath` from a book source read line by line: each page is written as
// soon as it is compiled, and only the book's index stays in memory. The file is the one
// ParseBookSource and the writer make of the same source, and it is written only for a good source.
// Empty on success; else the error: "file:line:column: message" for the source, "cannot read FILE",
// or "OUTPUT: message" for the book file. `writeBuffer`: bytes the writer gathers and moves at a time.
std::string BuildBookFile(LineReader& source, const std::string& fileName, const std::string& outputPath,
                          size_t writeBuffer);

} // namespace tavrin::bookc
