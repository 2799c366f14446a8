// Building a book file from a source file: a book source or a catalog source, told apart by the
// source's first line.
#pragma once

#include "book_source.h"

#include <string>
#include <string_view>

namespace tavrin::bookc {

// Parses a book or catalog source by its header line.
BuildResult ParseAnySource(std::string_view source, const std::string& fileName);

// Reads `sourcePath`, builds, writes `outputPath`. Empty on success, else the error text.
std::string BuildFile(const std::string& sourcePath, const std::string& outputPath);

} // namespace tavrin::bookc
