// Writes a book file page by page, for a builder that makes the pages one at a time: each page goes
// to the disk as it comes, and only the index (a few bytes a page) stays in memory. The file is the
// same, byte for byte, as the one a whole model in memory gives (writer.h).
//
// The pages are written to a temporary file beside the book's place; at the end they are moved up to
// make room for the index, which depends on every page and entry, the index is written in front of
// them, and the file is renamed into place, so that a reader never sees half a book. The temporary
// file has no name until the book is whole (where the file system allows), so that a build that is
// killed leaves nothing behind; a writer that is not finished (an error in the source, a failed write)
// removes its temporary file.
#pragma once

#include "bookfmt/bytes.h"
#include "bookfmt/model.h"
#include "bookfmt/writer_index.h"

#include <string>
#include <string_view>
#include <vector>

namespace tavrin::book {

class BookFileWriter {
  public:
    // Bytes gathered before they go to the disk, and moved at a time.
    static constexpr size_t kBufferSize = 1 << 20;

    explicit BookFileWriter(std::string path, size_t bufferSize = kBufferSize);
    ~BookFileWriter();
    BookFileWriter(const BookFileWriter&) = delete;
    BookFileWriter& operator=(const BookFileWriter&) = delete;

    // Appends the next page. False, and Error() set, when the page cannot be written or anything
    // failed before; later pages are then refused too.
    bool AddPage(std::string_view bytes);
    size_t PageCount() const { return pages_.size(); }

    // Writes the index in front of the pages and renames the file into place. The identity and the
    // contents are checked first; contents entries lead to pages by their numbers.
    bool Finish(const BookIdentity& identity, const ContentsTable& contents);

    const std::string& Error() const { return error_; }

  private:
    bool Fail(std::string text);
    bool Create();
    bool Name();
    bool Write(uint64_t offset, ByteView bytes);
    bool Flush();
    bool MovePages(uint64_t by);

    std::string path_;
    std::string temporary_;
    size_t bufferSize_;
    int fd_ = -1;
    bool unnamed_ = false; // the temporary file has no name yet
    Bytes buffer_;         // page bytes not yet written
    uint64_t written_ = 0; // page bytes in the file
    std::vector<PageRecord> pages_;
    std::string error_;
    bool finished_ = false;
};

} // namespace tavrin::book
