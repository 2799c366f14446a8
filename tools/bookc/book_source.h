// Book sources: the readable text from which the builder makes an "EBDF" book (docs/book-format.md,
// "Book sources").
#pragma once

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

BuildResult ParseBookSource(std::string_view source, const std::string& fileName);

} // namespace tavrin::bookc
