// Reading the shelf's system catalog book ("Tavrin.Sys") beyond what the shelf itself reads.
#pragma once

#include "bookfmt/reader.h"

#include <optional>
#include <string>
#include <string_view>

namespace tavrin::book {

// The name of the section in the root catalog's settings that maps online class keys to the
// addresses of their description pages ("KEY=address").
inline constexpr std::string_view kDescriptionSection = "DESCURL";

// The description address for an online class key (compared without regard to case), from the
// settings page of the catalog book's root entry. nullopt when the book or key has none, or the page
// cannot be read.
std::optional<std::string> DescriptionAddress(const Reader& catalog, std::string_view classKey);

} // namespace tavrin::book
