// A quick pass over a book's index that opening takes instead of holding it: the text pool, the
// contents entries and the page index are read through one small buffer, their checksums computed and
// every check the reader makes of them made on the way, and nothing of them is kept but the few texts
// asked for (the book's names and number). A dictionary's index runs to megabytes that a shelf opening
// all its books would otherwise copy into fresh memory only to look at a few names.
#pragma once

#include "bookfmt/byte_source.h"
#include "bookfmt/format.h"

#include <cstdint>
#include <string>
#include <vector>

namespace tavrin::book {

struct ScanSection {
    uint64_t offset = 0;
    uint64_t size = 0;
    uint32_t crc = 0;
};

struct TextRange {
    uint32_t offset = 0;
    uint32_t length = 0;
};

struct IndexScan {
    ScanSection strings, contents, pages;
    uint64_t pageDataSize = 0;
    bool verifyChecksums = true;
    std::vector<TextRange> wanted; // ranges of the text pool to copy out, each inside it
};

// True when every checksum matches and every entry and page record passes the reader's checks; then
// `texts` holds the wanted ranges' bytes, in their order. False says only that the pass cannot vouch
// for the index (it is damaged, or unusual enough to be left to the reader's thorough checks, which
// say what is wrong).
bool ScanIndex(const ByteSource& source, const IndexScan& scan, std::vector<std::string>* texts);

// Whether a page record keeps the rules every check holds the records to: its bytes inside the page
// data of `pageDataSize` bytes (so no longer than a page may be) and naming an entry of `entryCount`,
// or none.
inline bool PageRecordSound(uint64_t offset, uint32_t length, uint32_t holder, uint64_t pageDataSize,
                            uint32_t entryCount) {
    return length <= format::kMaxPageLength && RangeInside(offset, length, pageDataSize) &&
           holder <= entryCount;
}

// The same pass over the page index alone (`entryCount` contents entries, which its records may
// name), for a reader that reads the records of the pages it serves from the file as it goes instead
// of holding the index. True when the checksum matches and every record passes.
bool ScanPageIndex(const ByteSource& source, const ScanSection& pages, uint64_t pageDataSize,
                   uint32_t entryCount, bool verifyChecksums);

} // namespace tavrin::book
