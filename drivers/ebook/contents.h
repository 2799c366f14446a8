// The table of contents of an EPUB book as a tree of entries whose pages are spine positions. It comes
// from the EPUB 3 navigation document ("toc" nav), else from the EPUB 2 NCX, else one entry per page.
// A link with a fragment ("ch2.xhtml#s3") leads to the page of its document.
#pragma once

#include "ebook/package.h"
#include "ebook/zip_archive.h"

#include <cstdint>
#include <string>
#include <vector>

namespace tavrin::ebook {

inline constexpr uint32_t kNoEntry = 0xFFFFFFFFu;

struct ContentsEntry {
    std::string text;
    int32_t page = -1; // spine index, -1 = the entry leads to no page of the book
    uint32_t parent = kNoEntry;
    uint32_t firstChild = kNoEntry;
    uint32_t nextSibling = kNoEntry;
};

class Contents {
  public:
    // Entry 0 is the root, which stands for the book.
    const std::vector<ContentsEntry>& Entries() const { return entries_; }
    // The entry under which `page` is read: the first entry (in reading order of the contents) that
    // leads to the page, else the last one that leads to an earlier page; kNoEntry when none does.
    uint32_t EntryForPage(int32_t page) const;

    // Building: adds an entry below `parent` (after its other children). Returns its index.
    uint32_t Add(uint32_t parent, std::string text, int32_t page);
    Contents();

  private:
    std::vector<ContentsEntry> entries_;
    std::vector<uint32_t> lastChild_;
};

// Reads the contents of a book whose package was read from `archive`.
Contents ReadContents(const ZipArchive& archive, const Package& package);

} // namespace tavrin::ebook
