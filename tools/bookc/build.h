// Building a book file from a source file: a book source or a catalog source, told apart by the
// source's first line.
#pragma once

#include "book_source.h"

#include "bookfmt/writer_file.h"

#include <string>
#include <string_view>

namespace tavrin::bookc {

// True when a source, from its start, is a catalog source (else it is taken as a book source).
// `complete`: the text is the whole source, not only its start. nullopt when more of the start is
// needed to tell.
std::optional<bool> IsCatalogSource(std::string_view start, bool complete);

// Parses a book or catalog source by its header line.
BuildResult ParseAnySource(std::string_view source, const std::string& fileName);

struct BuildOptions {
    size_t readBlock = LineReader::kBlockSize;              // bytes of the source read at a time
    size_t writeBuffer = book::BookFileWriter::kBufferSize; // bytes of the book written at a time
};

// Reads `sourcePath`, builds, writes `outputPath`. Empty on success, else the error text. A book
// source is read line by line and its pages are written as they are compiled, so that a large book
// is never held whole in memory; a catalog source (small) is read whole.
std::string BuildFile(const std::string& sourcePath, const std::string& outputPath,
                      const BuildOptions& options = {});

} // namespace tavrin::bookc
