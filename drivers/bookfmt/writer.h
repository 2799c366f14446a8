// Serialises a book model into an "EBDF" file. A builder that makes the pages one at a time writes
// them with BookFileWriter (writer_file.h) instead, and gets the same bytes for the same book.
#pragma once

#include "bookfmt/bytes.h"
#include "bookfmt/model.h"

#include <optional>
#include <string>

namespace tavrin::book {

// Checks a model against the format's limits (text lengths, page links, counts). Returns an empty
// text when the model can be written, else what is wrong.
std::string CheckModel(const BookModel& book);

// The model's contents tree as the file lists it (no entries for a book without contents).
ContentsTable FlattenContents(const BookModel& book);

// The whole file in memory (for tests and small books). Null and *error set when the model is refused.
std::optional<Bytes> SerializeBook(const BookModel& book, std::string* error);

// Writes the file next to `path` and renames it into place, so that a reader never sees half a book.
// Pages are streamed from the model, not copied into one buffer.
bool WriteBookFile(const BookModel& book, const std::string& path, std::string* error);

} // namespace tavrin::book
