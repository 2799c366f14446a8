// Catalog sources: the readable text from which the builder makes the shelf's system catalog
// "Tavrin.Sys" (docs/book-format.md, "Catalog sources").
#pragma once

#include "book_source.h"

#include <string>
#include <string_view>

namespace tavrin::bookc {

inline constexpr std::string_view kCatalogHeader = "tavrin-catalog 1";

// The catalog book: one contents entry per catalog (the first catalog is the shelf's root), each
// with a settings page holding its CONFIG section (and BOOKS when it lists books; the root also
// DESCURL, the description addresses of online class keys).
BuildResult ParseCatalogSource(std::string_view source, const std::string& fileName);

} // namespace tavrin::bookc
